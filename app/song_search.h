#pragma once

#include "app/database/song.h"

#include <string>

// True when every word of `text` occurs in `field` as a substring, with exact letter case.
// An empty word never occurs, and nothing occurs in an empty field. Logs "SearchFunc:" on error.
bool SearchFunc(const std::string& text, const std::string& field);

// The search view's test: the words all in the title, or all in the album, the artist, the
// composer or the comment.
bool SongMatchesSearch(const TSong& song, const std::string& text);

// Whether Enter in the search field searches `text`: not when it is empty or when the character
// before its last one (the only one, for a single character) is a space.
bool IsSearchableText(const std::string& text);

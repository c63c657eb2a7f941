#pragma once

#include "app/database/song.h"

#include <string>
#include <string_view>
#include <vector>

// True when every word of `text` occurs in `field` as a substring, with exact letter case.
// An empty word never occurs, and nothing occurs in an empty field. Logs "SearchFunc:" on error.
bool SearchFunc(const std::string& text, const std::string& field);

// The words of a search text, split once for a walk over many fields.
class TSearchWords {
public:
    // Words are separated by spaces; leading spaces are dropped, and a rest of spaces alone is
    // one empty word.
    explicit TSearchWords(std::string_view text);
    // SearchFunc's test: every word occurs in the field.
    bool FoundIn(std::string_view field) const;

private:
    std::vector<std::string> words_;
};

// The search view's test: the words all in the title, or all in the album, the artist, the
// composer or the comment.
bool SongMatchesSearch(const TSong& song, const std::string& text);

// Whether Enter in the search field searches `text`: not when it is empty or when the character
// before its last one (the only one, for a single character) is a space.
bool IsSearchableText(const std::string& text);

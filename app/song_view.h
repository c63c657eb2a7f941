#pragma once

#include "app/database/song.h"

#include <string>
#include <vector>

// The views of the song table: which songs a rebuild adds.
enum class ViewKind { All = 0, Album = 2, Artist = 3, FileType = 5, Empty = 6, Search = 7 };

// Whether a song belongs to the view; `values` are the marked pane texts, or the search text
// alone.
bool SongPassesView(ViewKind kind, const std::vector<std::string>& values, const TSong& song);

// The status line of a pane view ("Files in album Blue,Red"); empty for the other kinds.
std::string ViewStatusText(ViewKind kind, const std::vector<std::string>& values);

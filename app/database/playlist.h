#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A playlist of the iPod: its name and its songs, as indexes into the catalogue's songs, in the
// playlist's order (a song may stand in it more than once).
struct Playlist {
    std::u16string Name;
    std::vector<std::size_t> Songs;

    bool operator==(const Playlist&) const = default;
};

#pragma once

#include <cstdint>
#include <string>

// What an organised library needs to know of a track beyond its song record: kept beside the
// songs of the catalogue, one per song at the same index. Numbers the database or the tags do
// not hold are 0.
struct TrackFacts {
    std::u16string AlbumArtist;
    std::int32_t TrackNumber = 0;
    std::int32_t TrackCount = 0;
    std::int32_t DiscNumber = 0;
    std::int32_t DiscCount = 0;
    std::int32_t Year = 0;
    bool Compilation = false;
    std::int32_t LengthMs = 0;

    bool operator==(const TrackFacts&) const = default;
};

#pragma once

#include <cstdint>
#include <string>

// One song of the iPod, as the database stores it.
struct TSong {
    std::u16string Title;
    std::u16string Location; // ":iPod_Control:Music:F00:ABCD.mp3"
    std::u16string SizeText; // "3.45MB"; empty when the file is not on the drive
    std::u16string Album;
    std::u16string Artist;
    std::u16string Genre;
    std::u16string FileType;
    std::u16string Comment;
    std::u16string EQSetting;
    std::u16string Composer;
    std::u16string Grouping;
    std::int32_t TrackId = 0;

    bool operator==(const TSong&) const = default;
};

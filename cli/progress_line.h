#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

// How far a copy has come.
struct CopyFigures {
    std::size_t songsDone = 0;
    std::size_t songsTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    double seconds = 0; // since the copy began
    std::string song;   // the title being copied; empty when none
};

// The progress line, at most `columns` characters wide:
//   "12/340 songs  45.2 MB of 1.30 GB  12.4 MB/s  1:23 left  Title of the song"
// Speed and time left appear once a second has passed and bytes were copied; the title takes
// what room is left and goes first when there is too little.
std::string ProgressLine(const CopyFigures& figures, std::size_t columns);

// Bytes in decimal units with three figures: "0 B", "999 B", "1.00 kB", "45.2 MB", "128 MB",
// "1.30 GB".
std::string ByteText(std::uint64_t bytes);

// Whole seconds as "0:05", "12:34" or "1:02:03".
std::string DurationText(double seconds);

} // namespace cli

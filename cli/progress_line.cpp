#include "cli/progress_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace cli {
namespace {

constexpr std::string_view Gap = "  ";

std::string Fixed(double value, int decimals) {
    std::array<char, 32> text{};
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed,
                      decimals);
    return std::string(text.data(), result.ptr);
}

// Columns a text takes; a character beyond ASCII counts as two, so that wide characters never
// push the line past the terminal's edge.
std::size_t Columns(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            ++columns;
        else if (byte >= 0xC0)
            columns += 2;
    }
    return columns;
}

// The longest start of `text` that fits `columns`, cut between characters.
std::string CutToColumns(std::string_view text, std::size_t columns) {
    std::size_t end = 0;
    std::size_t used = 0;
    while (end < text.size()) {
        std::size_t next = end + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        const std::size_t width = static_cast<unsigned char>(text[end]) < 0x80 ? 1 : 2;
        if (used + width > columns)
            break;
        used += width;
        end = next;
    }
    return std::string(text.substr(0, end));
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string line;
    for (const std::string& part : parts) {
        if (!line.empty())
            line += Gap;
        line += part;
    }
    return line;
}

} // namespace

std::string ByteText(std::uint64_t bytes) {
    if (bytes < 1000)
        return std::to_string(bytes) + " B";
    static constexpr std::array<std::string_view, 6> Units = {"kB", "MB", "GB",
                                                              "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    for (value /= 1000; unit + 1 < Units.size() && value >= 999.5; value /= 1000)
        ++unit;
    const int decimals = value < 9.995 ? 2 : value < 99.95 ? 1 : 0;
    return Fixed(value, decimals) + " " + std::string(Units[unit]);
}

std::string DurationText(double seconds) {
    const auto whole = static_cast<std::uint64_t>(std::llround(std::max(0.0, seconds)));
    const std::uint64_t hours = whole / 3600;
    const std::uint64_t minutes = whole / 60 % 60;
    const std::uint64_t rest = whole % 60;
    std::string text;
    if (hours > 0)
        text = std::to_string(hours) + ":" + (minutes < 10 ? "0" : "");
    text += std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
    return text;
}

std::string ProgressLine(const CopyFigures& figures, std::size_t columns) {
    std::vector<std::string> parts;
    parts.push_back(std::to_string(figures.songsDone) + "/" + std::to_string(figures.songsTotal) +
                    (figures.songsTotal == 1 ? " song" : " songs"));
    parts.push_back(ByteText(figures.bytesDone) + " of " + ByteText(figures.bytesTotal));
    if (figures.seconds >= 1 && figures.bytesDone > 0) {
        const double speed = static_cast<double>(figures.bytesDone) / figures.seconds;
        const std::uint64_t left =
            figures.bytesTotal > figures.bytesDone ? figures.bytesTotal - figures.bytesDone : 0;
        parts.push_back(ByteText(static_cast<std::uint64_t>(speed)) + "/s");
        parts.push_back(DurationText(static_cast<double>(left) / speed) + " left");
    }

    // The figures that fit, most important first; the title, whole or cut, in the room that
    // all of them leave.
    std::string line = Joined(parts);
    if (Columns(line) > columns) {
        while (parts.size() > 1 && Columns(Joined(parts)) > columns)
            parts.pop_back();
        return CutToColumns(Joined(parts), columns);
    }
    const std::size_t used = Columns(line) + Gap.size();
    if (figures.song.empty() || used >= columns)
        return line;
    const std::size_t room = columns - used;
    std::string title = CutToColumns(figures.song, room);
    if (title.size() < figures.song.size())
        title = room > 3 ? CutToColumns(figures.song, room - 3) : std::string();
    if (title.empty())
        return line;
    return line + std::string(Gap) + title + (title.size() < figures.song.size() ? "..." : "");
}

} // namespace cli

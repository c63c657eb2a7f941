#include "platform/mount_table.h"

#include <algorithm>
#include <fstream>

namespace platform {

namespace {

std::string UnescapeMountField(std::string_view field) {
    std::string plain;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            auto octal = field.substr(i + 1, 3);
            if (std::all_of(octal.begin(), octal.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                plain += static_cast<char>((octal[0] - '0') * 64 + (octal[1] - '0') * 8 +
                                           (octal[2] - '0'));
                i += 3;
                continue;
            }
        }
        plain += field[i];
    }
    return plain;
}

} // namespace

std::optional<MountLine> ParseMountLine(std::string_view line) {
    // Single spaces separate the fields; any other blank a name holds stands in it unescaped.
    std::string_view fields[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos && i < 2)
            return std::nullopt;
        fields[i] = line.substr(0, space);
        line.remove_prefix(std::min(line.size(), space + 1));
    }
    return MountLine{UnescapeMountField(fields[0]), UnescapeMountField(fields[1]),
                     UnescapeMountField(fields[2])};
}

std::vector<MountLine> ReadMountTable(const std::string& mountsFile) {
    std::vector<MountLine> lines;
    std::ifstream in(mountsFile);
    std::string line;
    while (std::getline(in, line))
        if (auto parsed = ParseMountLine(line))
            lines.push_back(std::move(*parsed));
    return lines;
}

} // namespace platform

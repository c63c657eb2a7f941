#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The system's mount table (/proc/self/mounts), one mount a line: device, folder, type,
// options and two numbers, separated by single spaces. The kernel writes a space, tab, newline
// or backslash inside a field as \040, \011, \012 or \134.
namespace platform {

struct MountLine {
    std::string device;
    std::string folder;
    std::string type;
    bool operator==(const MountLine&) const = default;
};

// The first three fields of a line, unescaped; nullopt when it has fewer. A field may be empty
// (a device named ""), as the kernel writes it.
std::optional<MountLine> ParseMountLine(std::string_view line);
// Every line of the file that parses; none when it cannot be read.
std::vector<MountLine> ReadMountTable(const std::string& mountsFile);

} // namespace platform

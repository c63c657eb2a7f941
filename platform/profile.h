#pragma once

#include <cstddef>
#include <string>

// Private-profile (INI) files on Windows paths, with the Windows read and write rules: sections
// and keys match without regard to case, other lines survive a write, a missing key is added at
// the end of its section and a missing section at the end of the file, CRLF line ends.
namespace platform::profile {

// The value, or `fallback` when the file, section or key is missing; at most bufferSize - 1
// characters, as a fixed buffer would hold.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& fallback, const std::string& file,
                                    std::size_t bufferSize = 2048);

// Creates the file when missing; false when the write cannot be done, or when the section or
// the key holds a line break. Line breaks in the value are written as spaces. Writers are
// serialised.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file);

} // namespace platform::profile

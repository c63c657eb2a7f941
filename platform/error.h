#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The error every platform service raises; its message is the text the program shows or logs.
class OsError : public std::runtime_error {
public:
    explicit OsError(const std::string& message) : std::runtime_error(message) {}
};

// printf-like "%s" substitution for the program's fixed message texts.
std::string FormatMessage(const std::string& pattern, const std::string& argument);

} // namespace platform

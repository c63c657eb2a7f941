#include "platform/error.h"

namespace platform {

std::string FormatMessage(const std::string& pattern, const std::string& argument) {
    std::string::size_type placeholder = pattern.find("%s");
    if (placeholder == std::string::npos)
        return pattern;
    std::string message = pattern;
    message.replace(placeholder, 2, argument);
    return message;
}

} // namespace platform

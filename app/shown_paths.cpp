#include "app/shown_paths.h"

#include "platform/drives.h"

#include <cctype>
#include <optional>

namespace {

bool IsDriveStart(const std::string& text, std::size_t at) {
    return at + 2 < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) &&
           text[at + 1] == ':' && text[at + 2] == '\\' && (at == 0 || text[at - 1] == ' ');
}

} // namespace

std::string ShownPath(const std::string& windowsPath) {
    if (const std::optional<std::string> host = platform::Drives().ToHostPath(windowsPath))
        return *host;
    std::string shown;
    for (const char c : windowsPath) {
        if (c == '\\' && !shown.empty() && shown.back() == '\\')
            continue;
        shown += c;
    }
    return shown;
}

std::size_t EndingPathStart(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); ++at)
        if (IsDriveStart(text, at))
            return at;
    return std::string::npos;
}

std::string WithShownPath(const std::string& text) {
    const std::size_t at = EndingPathStart(text);
    if (at == std::string::npos)
        return text;
    const std::optional<std::string> host = platform::Drives().ToHostPath(text.substr(at));
    return host ? text.substr(0, at) + *host : text;
}

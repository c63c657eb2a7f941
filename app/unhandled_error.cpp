#include "app/unhandled_error.h"

#include "platform/ui/message_box.h"

#include <string>

namespace {

constexpr const char* ApplicationTitle = "Quillmere";

// "." is appended when the last character sorts after it, so sentences end with a full stop.
std::string WithFullStop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

} // namespace

void ShowUnhandledError(QWidget* owner, const std::exception& error) {
    platform::ui::MessageBoxes().Show(owner, WithFullStop(error.what()), ApplicationTitle,
                                      platform::ui::MessageBoxIcon::Error,
                                      platform::ui::MessageBoxButtons::Ok);
}

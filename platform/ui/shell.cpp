#include "platform/ui/shell.h"

#include "platform/ui/desktop_shell.h"

namespace platform::ui {
namespace {

ShellService& DesktopDefault() {
    static DesktopShell desktop;
    return desktop;
}

ShellService* current = nullptr;

} // namespace

ShellService& Shell() { return current ? *current : DesktopDefault(); }

void SetShell(ShellService* service) { current = service; }

} // namespace platform::ui

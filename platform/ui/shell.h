#pragma once

#include <string>

class QWidget;

namespace platform::ui {

// The shell's "open": a file or folder (a Windows path) with the program the desktop associates
// with it, or a web address in the user's browser. Tests record the calls.
class ShellService {
public:
    virtual ~ShellService() = default;
    // `verb` is "open" or empty; the result is not examined by the program.
    virtual bool ShellExecute(QWidget* owner, const std::string& verb, const std::string& file) = 0;
    // Opens `folder` (a Windows path) in the desktop's file manager with `file`, a file in it,
    // selected where the desktop can do that; `file` may be empty. A shell that cannot select
    // files opens the folder.
    virtual void ShowInFolder(QWidget* owner, const std::string& folder, const std::string& file) {
        (void)file;
        ShellExecute(owner, "open", folder);
    }
};

ShellService& Shell();
void SetShell(ShellService* service); // nullptr restores the desktop one

} // namespace platform::ui

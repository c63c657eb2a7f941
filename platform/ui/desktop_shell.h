#pragma once

#include "platform/ui/shell.h"

#include <QDBusConnection>
#include <QUrl>
#include <functional>
#include <optional>

namespace platform::ui {

// The shell of a freedesktop desktop: addresses, files and folders go to the programs the
// desktop associates with them (xdg-open); a folder with a file to select goes to the file
// manager on the session bus (org.freedesktop.FileManager1), and, where none answers, is opened
// as a folder.
class DesktopShell : public ShellService {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    DesktopShell(); // the session bus and QDesktopServices
    // For tests: another bus, and what stands in for QDesktopServices::openUrl.
    DesktopShell(const QDBusConnection& bus, UrlOpener open);

    bool ShellExecute(QWidget* owner, const std::string& verb, const std::string& file) override;
    void ShowInFolder(QWidget* owner, const std::string& folder, const std::string& file) override;

    // How long the file manager may take to answer (it may first have to be started).
    static constexpr int FileManagerTimeoutMs = 10000;

private:
    QDBusConnection Bus() const;

    std::optional<QDBusConnection> bus_; // unset: the session bus, asked for when needed
    UrlOpener open_;
};

} // namespace platform::ui

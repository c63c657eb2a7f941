#include "platform/ui/shell.h"

#include "platform/drives.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform::ui {
namespace {

class DesktopShell : public ShellService {
public:
    bool ShellExecute(QWidget*, const std::string&, const std::string& file) override {
        const QUrl address(QString::fromStdString(file));
        // A Windows path has a one-letter scheme ("e:"); a web address a longer one.
        if (address.isValid() && address.scheme().size() > 1)
            return QDesktopServices::openUrl(address);
        const auto host = Drives().ToHostPath(file);
        if (!host)
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*host)));
    }
};

DesktopShell desktopShell;
ShellService* current = &desktopShell;

} // namespace

ShellService& Shell() { return *current; }

void SetShell(ShellService* service) { current = service ? service : &desktopShell; }

} // namespace platform::ui

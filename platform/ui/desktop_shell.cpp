#include "platform/ui/desktop_shell.h"

#include "platform/drives.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <utility>

namespace platform::ui {
namespace {

const QString FileManagerService = "org.freedesktop.FileManager1";
const QString FileManagerPath = "/org/freedesktop/FileManager1";

} // namespace

DesktopShell::DesktopShell()
    : open_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

DesktopShell::DesktopShell(const QDBusConnection& bus, UrlOpener open)
    : bus_(bus), open_(std::move(open)) {}

QDBusConnection DesktopShell::Bus() const {
    return bus_ ? *bus_ : QDBusConnection::sessionBus();
}

bool DesktopShell::ShellExecute(QWidget*, const std::string&, const std::string& file) {
    const QUrl address(QString::fromStdString(file));
    // A Windows path has a one-letter scheme ("e:"); a web address a longer one.
    if (address.isValid() && address.scheme().size() > 1)
        return open_(address);
    const auto host = Drives().ToHostPath(file);
    if (!host)
        return false;
    return open_(QUrl::fromLocalFile(QString::fromStdString(*host)));
}

void DesktopShell::ShowInFolder(QWidget*, const std::string& folder, const std::string& file) {
    const auto hostFolder = Drives().ToHostPath(folder);
    auto openFolder = [open = open_, hostFolder] {
        if (hostFolder)
            open(QUrl::fromLocalFile(QString::fromStdString(*hostFolder)));
    };
    const auto hostFile = file.empty() ? std::nullopt : Drives().ToHostPath(file);
    const QDBusConnection bus = Bus();
    if (!hostFile || !QFileInfo(QString::fromStdString(*hostFile)).isFile() ||
        !bus.isConnected()) {
        openFolder();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(FileManagerService, FileManagerPath,
                                                       FileManagerService, "ShowItems");
    const QUrl item = QUrl::fromLocalFile(QString::fromStdString(*hostFile));
    call << QStringList{QString::fromUtf8(item.toEncoded())} << QString();
    // Asked without waiting: the answer, or the bus's word that no file manager is there,
    // arrives in the event loop; only then is the folder opened instead.
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call, FileManagerTimeoutMs),
                                               QCoreApplication::instance());
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer,
                     [answer, openFolder] {
                         if (answer->isError())
                             openFolder();
                         answer->deleteLater();
                     });
}

} // namespace platform::ui

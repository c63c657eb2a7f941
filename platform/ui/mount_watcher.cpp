#include "platform/ui/mount_watcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

MountWatcher::MountWatcher(DriveTable& drives, MessageTarget& target, QObject* parent)
    : QObject(parent), drives_(drives), target_(target) {
    fd_ = open(drives_.MountsFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return; // no notifications; Check() still works
    Rearm();
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        Rearm();
        Check();
    });
}

MountWatcher::~MountWatcher() {
    delete notifier_; // before its descriptor goes
    if (fd_ >= 0)
        close(fd_);
}

void MountWatcher::Check() {
    auto changes = drives_.Refresh();
    for ([[maybe_unused]] char letter : changes.removed)
        target_.WndProc(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    for ([[maybe_unused]] char letter : changes.arrived)
        target_.WndProc(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
}

// Reading the table through to its end marks the change as seen.
void MountWatcher::Rearm() {
    char buffer[4096];
    if (lseek(fd_, 0, SEEK_SET) < 0)
        return;
    while (true) {
        ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
}

} // namespace platform

#pragma once

#include "platform/drives.h"
#include "platform/messages.h"

#include <QObject>

class QSocketNotifier;

namespace platform {

// Tells a window about drives that come and go, as device-arrival and removal messages.
// The kernel marks the mount table with POLLPRI when it changes; a regular file standing in
// for it never signals, and Check() does the same work on demand.
class MountWatcher : public QObject {
    Q_OBJECT

public:
    MountWatcher(DriveTable& drives, MessageTarget& target, QObject* parent = nullptr);
    ~MountWatcher() override;
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    // Refreshes the drive table and sends a message for each volume that arrived or left.
    void Check();

private:
    void Rearm();

    DriveTable& drives_;
    MessageTarget& target_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform

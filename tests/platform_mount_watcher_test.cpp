#include "platform/drives.h"
#include "platform/messages.h"
#include "platform/ui/mount_watcher.h"
#include "tests/support/temp_folder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using platform::DBT_DEVICEARRIVAL;
using platform::DBT_DEVICEREMOVECOMPLETE;
using platform::WM_DEVICECHANGE;
using testsupport::TempFolder;

struct Message {
    unsigned message;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
    bool operator==(const Message&) const = default;
};

class RecordingTarget : public platform::MessageTarget {
public:
    platform::LRESULT WndProc(unsigned message, platform::WPARAM wParam,
                              platform::LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        return 0;
    }
    std::vector<Message> received;
};

const Message kArrival{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0};
const Message kRemoval{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0};

class MountWatcherTest : public testing::Test {
protected:
    std::string Volume(const std::string& name) {
        fs::create_directories(temp.Path() / name);
        return "/dev/sdq" + std::to_string(++devices) + " " + (temp.Path() / name).string() +
               " vfat rw 0 0\n";
    }
    void WriteFile(const std::string& name, const std::string& text) { temp.WriteFile(name, text); }
    platform::DriveTableConfig Config() {
        platform::DriveTableConfig config;
        config.mountsFile = (temp.Path() / "mounts").string();
        config.labelsFolder = (temp.Path() / "no-labels").string();
        config.driveMapFile = (temp.Path() / "drives").string();
        return config;
    }

    TempFolder temp;
    RecordingTarget target;
    int devices = 0;
};

TEST_F(MountWatcherTest, CheckSendsOneMessagePerVolumeThatCameOrWent) {
    auto first = Volume("media/FIRST");
    auto second = Volume("media/SECOND");
    WriteFile("mounts", first);
    platform::DriveTable drives(Config());
    drives.Refresh();
    platform::MountWatcher watcher(drives, target);

    watcher.Check();
    EXPECT_TRUE(target.received.empty());

    WriteFile("mounts", first + second);
    QCoreApplication::processEvents(); // a plain file never signals
    EXPECT_TRUE(target.received.empty());
    watcher.Check();
    EXPECT_EQ(target.received, std::vector<Message>{kArrival});
    EXPECT_EQ(drives.HostFolder('e'), (temp.Path() / "media/SECOND").string());

    target.received.clear();
    WriteFile("mounts", second);
    watcher.Check();
    EXPECT_EQ(target.received, std::vector<Message>{kRemoval});
}

// The real mount table: mounting anything marks it, and the watcher refreshes the table, which
// then also finds the drive-map file's new letter.
TEST_F(MountWatcherTest, ChangeToTheSystemMountTableIsNoticed) {
    auto config = Config();
    config.mountsFile = "/proc/self/mounts";
    platform::DriveTable drives(config);
    drives.Refresh();
    platform::MountWatcher watcher(drives, target);
    QCoreApplication::processEvents();
    target.received.clear();

    fs::create_directories(temp.Path() / "ipod");
    WriteFile("drives", "p=" + (temp.Path() / "ipod").string() + "\n");
    auto folder = temp.Path() / "mounted";
    fs::create_directories(folder);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs on " << folder << ": " << std::strerror(errno);
    QCoreApplication::processEvents();
    umount2(folder.c_str(), MNT_DETACH);

    EXPECT_EQ(target.received, std::vector<Message>{kArrival});
    EXPECT_EQ(drives.HostFolder('p'), (temp.Path() / "ipod").string());
}

} // namespace

#include "platform/mount_table.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::MountLine;
using platform::ParseMountLine;

TEST(MountTable, LinesReadAsTheKernelWritesThem) {
    using namespace std::string_literals;
    const struct {
        std::string line;
        std::optional<MountLine> parsed;
    } cases[] = {
        {"/dev/sdb1 /media/alice/IPOD vfat rw,nosuid 0 0",
         MountLine{"/dev/sdb1", "/media/alice/IPOD", "vfat"}},
        {"/dev/sdc1 /media/My\\040Disk\\011two\\012lines\\134 ext4 rw 0 0",
         MountLine{"/dev/sdc1", "/media/My Disk\ttwo\nlines\\", "ext4"}},
        // Only the four escapes are escaped: other blanks stand in a name as they are.
        {"/dev/sdd1 /media/a\rb\vc\fd vfat rw 0 0",
         MountLine{"/dev/sdd1", "/media/a\rb\vc\fd", "vfat"}},
        {"server:/share /mnt/x fuse.sshfs\\040x rw 0 0",
         MountLine{"server:/share", "/mnt/x", "fuse.sshfs x"}},
        {" /mnt tmpfs rw 0 0", MountLine{"", "/mnt", "tmpfs"}},
        {"/dev/sde1 /media/a\\9b\\04 vfat", MountLine{"/dev/sde1", "/media/a\\9b\\04", "vfat"}},
        {"/dev/sdf1 /media/tail\\040 vfat", MountLine{"/dev/sdf1", "/media/tail ", "vfat"}},
        {"/dev/sdg1 /media/x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseMountLine(c.line), c.parsed);
    }
}

TEST(MountTable, TheFileGivesEveryLineThatParses) {
    testsupport::TempFolder temp;
    const auto file = temp.WriteFile(
        "mounts", "/dev/sda1 / ext4 rw 0 0\nbroken\n/dev/sdb1 /media/a vfat rw 0 0\n");
    EXPECT_EQ(
        platform::ReadMountTable(file.string()),
        (std::vector<MountLine>{{"/dev/sda1", "/", "ext4"}, {"/dev/sdb1", "/media/a", "vfat"}}));
    EXPECT_TRUE(platform::ReadMountTable((temp.Path() / "absent").string()).empty());
}

} // namespace

#include "platform/data_folder.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using platform::DriveTable;
using platform::DriveTableConfig;
using testsupport::TempFolder;

std::uint32_t Bits(std::string_view letters) {
    std::uint32_t bits = 0;
    for (char letter : letters)
        bits |= 1u << (letter - 'a');
    return bits;
}

// A machine in a temporary folder: its mount table, its labels and its drive-map file.
class DriveTableTest : public testing::Test {
protected:
    std::string Folder(const std::string& relative) {
        fs::create_directories(temp.Path() / relative);
        return (temp.Path() / relative).string();
    }
    std::string File(const std::string& relative) {
        return temp.WriteFile(relative, "content").string();
    }
    void WriteMounts(const std::vector<std::string>& lines) { WriteLines("mounts", lines); }
    void WriteDriveMap(const std::vector<std::string>& lines) { WriteLines("drives", lines); }
    void WriteLines(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines)
            text += line + "\n";
        temp.WriteFile(name, text);
    }
    // A mount-table line for a volume of `device` on `folder`.
    static std::string Mount(const std::string& device, const std::string& folder,
                             const std::string& type = "vfat") {
        return device + " " + folder + " " + type + " rw,relatime 0 0";
    }
    DriveTableConfig Config() {
        DriveTableConfig config;
        config.mountsFile = (temp.Path() / "mounts").string();
        config.labelsFolder = Folder("by-label");
        config.driveMapFile = (temp.Path() / "drives").string();
        return config;
    }
    std::unique_ptr<DriveTable> RefreshedTable() {
        auto table = std::make_unique<DriveTable>(Config());
        table->Refresh();
        return table;
    }

    TempFolder temp;
};

TEST_F(DriveTableTest, VolumesTakeLettersFromDInMountTableOrderAndNothingElseDoes) {
    auto ipod = Folder("media/IPOD");
    auto spaced = Folder("media/My Disk");
    auto ntfs = Folder("media/ntfs");
    WriteMounts({
        Mount("/dev/vda", "/", "ext4"),
        Mount("proc", "/proc", "proc"),
        Mount("tmpfs", Folder("ram"), "tmpfs"),
        Mount("/dev/sdq1", ipod),
        Mount("/dev/vda", Folder("bound-from-root"), "ext4"),
        Mount("/dev/sdq7", File("hosts"), "ext4"),
        Mount("/dev/loop3", Folder("snap-image"), "squashfs"),
        Mount("/dev/sdq2", temp.Str() + "/media/My\\040Disk", "ext4"),
        Mount("/dev/sdq3", temp.Str() + "/not-there", "ext4"),
        Mount("/dev/sdq4", "/dev/shm", "ext4"),
        Mount("/dev/sdq5", "/proc", "ext4"),
        Mount("gvfsd-fuse", Folder("gvfs"), "fuse.gvfsd-fuse"),
        Mount("/dev/sdq6", ntfs, "fuseblk"),
        Mount("/dev/sdq1", Folder("ipod-bind"), "vfat"),
    });
    DriveTable table(Config());

    auto changes = table.Refresh();

    EXPECT_EQ(table.HostFolder('d'), ipod);
    EXPECT_EQ(table.HostFolder('e'), spaced);
    EXPECT_EQ(table.HostFolder('F'), ntfs);
    EXPECT_EQ(table.HostFolder('c'), "/");
    EXPECT_EQ(table.LogicalDrives(), Bits("cdef"));
    EXPECT_EQ(changes.arrived, (std::vector<char>{'d', 'e', 'f'}));
    EXPECT_TRUE(changes.removed.empty());
    EXPECT_EQ(table.FreeLetter(), 'g');
}

TEST_F(DriveTableTest, DiskImagesOnLoopDevicesAreDrivesAndSnapPackagesAreNot) {
    // As a desktop mounts an opened disk image, as a person mounts one with "mount -o loop",
    // and as snapd mounts its packages.
    auto desktop = Folder("media/alice/IPOD");
    auto byHand = Folder("mnt/ipod");
    auto otherDesktop = Folder("run/media/alice/Backup");
    WriteMounts({
        Mount("/dev/vda1", "/", "ext4"),
        "/dev/loop2 " + Folder("snap/core22/1033") + " squashfs ro,nodev,relatime 0 0",
        "/dev/loop5 " + desktop +
            " vfat rw,nosuid,nodev,relatime,uid=1000,gid=1000,fmask=0022,dmask=0022,"
            "codepage=437,iocharset=ascii,shortname=mixed,showexec,utf8,flush,errors=remount-ro"
            " 0 0",
        Mount("/dev/loop6", byHand, "ext4"),
        "/dev/loop7 " + otherDesktop +
            " hfsplus rw,nosuid,nodev,relatime,umask=22,uid=0,gid=0,"
            "nls=utf8,uhelper=udisks2 0 0",
        Mount("/dev/loop8", "/dev/shm", "ext4"),
    });
    auto table = RefreshedTable();
    EXPECT_EQ(table->HostFolder('d'), desktop);
    EXPECT_EQ(table->HostFolder('e'), byHand);
    EXPECT_EQ(table->HostFolder('f'), otherDesktop);
    EXPECT_EQ(table->LogicalDrives(), Bits("cdef"));
}

// A disk image of an iPod, loop-mounted for real: needs root and a kernel that lets the test
// mount; skipped otherwise.
class LoopMountTest : public DriveTableTest {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting needs root";
        const auto image = temp.Path() / "ipod.img";
        folder_ = Folder("media/IPOD");
        {
            std::ofstream(image).close();
            fs::resize_file(image, 4 << 20);
        }
        const std::string format =
            "mkfs.ext4 -q -F -L IPOD '" + image.string() + "' >/dev/null 2>&1";
        if (std::system(format.c_str()) != 0)
            GTEST_SKIP() << "mkfs.ext4 cannot format an image here";
        const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
        const int number = control >= 0 ? ioctl(control, LOOP_CTL_GET_FREE) : -1;
        if (control >= 0)
            close(control);
        if (number < 0)
            GTEST_SKIP() << "no free loop device: " << std::strerror(errno);
        device_ = "/dev/loop" + std::to_string(number);
        loop_ = open(device_.c_str(), O_RDWR | O_CLOEXEC);
        const int backing = open(image.c_str(), O_RDWR | O_CLOEXEC);
        const bool attached = loop_ >= 0 && backing >= 0 && ioctl(loop_, LOOP_SET_FD, backing) == 0;
        if (backing >= 0)
            close(backing);
        if (!attached)
            GTEST_SKIP() << "cannot attach the image to " << device_ << ": "
                         << std::strerror(errno);
        if (mount(device_.c_str(), folder_.c_str(), "ext4", 0, nullptr) != 0)
            GTEST_SKIP() << "cannot mount " << device_ << ": " << std::strerror(errno);
        mounted_ = true;
        fs::create_directories(fs::path(folder_) / "iPod_Control" / "iTunes");
    }
    void TearDown() override {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
        if (loop_ >= 0) {
            ioctl(loop_, LOOP_CLR_FD, 0);
            close(loop_);
        }
    }

    std::string folder_;
    std::string device_;
    int loop_ = -1;
    bool mounted_ = false;
};

TEST_F(LoopMountTest, ALoopMountedImageGetsALetterAndItsiPodFolderIsFound) {
    DriveTableConfig config = Config();
    config.mountsFile = "/proc/self/mounts";
    DriveTable table(config);
    table.Refresh();
    std::optional<char> letter;
    for (char candidate = 'd'; candidate <= 'z'; ++candidate)
        if (table.HostFolder(candidate) == folder_)
            letter = candidate;
    ASSERT_TRUE(letter.has_value()) << device_ << " on " << folder_ << " got no letter";
    auto ipod = table.Resolve(std::string(1, *letter) + ":\\iPod_Control\\iTunes\\");
    ASSERT_TRUE(ipod.has_value());
    EXPECT_TRUE(ipod->exists && ipod->folder);
    EXPECT_EQ(table.VolumeLabel(*letter), "IPOD"); // the device's label, else the folder's name
}

TEST_F(DriveTableTest, VolumesKeepTheirLettersWhileMountedAndRemovalFreesALetter) {
    auto a = Folder("media/A"), b = Folder("media/B"), c = Folder("media/C");
    WriteMounts({Mount("/dev/sdq1", a), Mount("/dev/sdq2", b)});
    auto table = RefreshedTable();
    ASSERT_EQ(table->HostFolder('d'), a);
    ASSERT_EQ(table->HostFolder('e'), b);

    WriteMounts({Mount("/dev/sdq3", c), Mount("/dev/sdq2", b)});
    auto changes = table->Refresh();
    EXPECT_EQ(table->HostFolder('d'), c);
    EXPECT_EQ(table->HostFolder('e'), b);
    EXPECT_EQ(changes.removed, std::vector<char>{'d'});
    EXPECT_EQ(changes.arrived, std::vector<char>{'d'});

    changes = table->Refresh();
    EXPECT_TRUE(changes.arrived.empty());
    EXPECT_TRUE(changes.removed.empty());

    // Another device on the same folder is another volume.
    WriteMounts({Mount("/dev/sdq3", c), Mount("/dev/sdq9", b)});
    changes = table->Refresh();
    EXPECT_EQ(changes.removed, std::vector<char>{'e'});
    EXPECT_EQ(changes.arrived, std::vector<char>{'e'});

    WriteMounts({});
    changes = table->Refresh();
    EXPECT_EQ(changes.removed, (std::vector<char>{'d', 'e'}));
    EXPECT_EQ(table->LogicalDrives(), Bits("c"));
}

TEST_F(DriveTableTest, DriveMapFileAddsFixedLettersThatVolumesNeverTake) {
    auto ipod = Folder("ipod"), fixedD = Folder("fixed-d"), volume = Folder("media/STICK");
    WriteDriveMap({
        "# demo iPod",
        "; another comment",
        "",
        "E=" + ipod,
        "  d = " + fixedD + "/  ",
        "not a mapping",
        "5=/tmp",
        "g=relative/folder",
        "hh=/tmp",
    });
    WriteMounts({Mount("/dev/sdq1", volume), Mount("/dev/sdq2", ipod)});
    DriveTable table(Config());
    EXPECT_EQ(table.HostFolder('e'), ipod); // read at construction

    auto changes = table.Refresh();

    EXPECT_EQ(table.HostFolder('d'), fixedD);
    EXPECT_EQ(table.HostFolder('f'), volume);
    // The volume mounted on a fixed letter's folder gets no second letter.
    EXPECT_EQ(table.LogicalDrives(), Bits("cdef"));
    EXPECT_EQ(changes.arrived, std::vector<char>{'f'});

    WriteDriveMap({"e=" + ipod, "d=" + fixedD, "h=" + ipod + "/iPod_Control"});
    changes = table.Refresh();
    EXPECT_EQ(changes.arrived, std::vector<char>{'h'});

    // A letter the map now fixes is taken from the volume holding it.
    WriteDriveMap({"f=" + fixedD});
    changes = table.Refresh();
    EXPECT_EQ(table.HostFolder('f'), fixedD);
    EXPECT_EQ(table.HostFolder('d'), volume);
    EXPECT_EQ(table.HostFolder('e'), ipod); // the volume on that folder now has a letter
    EXPECT_EQ(table.LogicalDrives(), Bits("cdef"));
}

TEST_F(DriveTableTest, AttachAddsAFixedLetterThatOutlivesRefresh) {
    auto ipod = Folder("ipod"), other = Folder("other"), volume = Folder("media/V");
    WriteMounts({Mount("/dev/sdq1", volume)});
    auto table = RefreshedTable();
    ASSERT_EQ(table->HostFolder('d'), volume);

    table->Attach('G', ipod);
    table->Attach('g', other + "/"); // replaces the earlier mapping
    table->Attach('d', ipod);        // the volume moves to a free letter
    table->Refresh();

    EXPECT_EQ(table->HostFolder('g'), other);
    EXPECT_EQ(table->HostFolder('d'), ipod);
    EXPECT_EQ(table->HostFolder('e'), volume);
    EXPECT_THROW(table->Attach('1', ipod), platform::OsError);
    EXPECT_THROW(table->Attach('h', ""), platform::OsError);
}

TEST_F(DriveTableTest, FreeLetterIsNoneWhenDToZAreTaken) {
    std::vector<std::string> map;
    for (char letter = 'd'; letter <= 'z'; ++letter)
        map.push_back(std::string(1, letter) + "=" + Folder("all"));
    WriteDriveMap(map);
    WriteMounts({Mount("/dev/sdq1", Folder("media/V"))});
    auto table = RefreshedTable();

    EXPECT_EQ(table->FreeLetter(), std::nullopt);
    EXPECT_EQ(table->LogicalDrives(), Bits("cdefghijklmnopqrstuvwxyz"));
}

TEST_F(DriveTableTest, VolumeLabelComesFromTheDeviceElseTheFolderName) {
    auto labels = temp.Path() / "by-label";
    fs::create_directories(labels);
    fs::create_symlink("/dev/sdq1", labels / "My\\x20iPod");
    fs::create_symlink(fs::path("/dev/sdq2").lexically_relative(labels), labels / "OTHER");
    fs::create_symlink("/dev/sdq7", labels / "UNMOUNTED");
    auto ipod = Folder("media/ipod"), other = Folder("media/other"), stick = Folder("media/STICK");
    WriteMounts({Mount("/dev/sdq1", ipod), Mount("/dev/sdq2", other), Mount("/dev/sdq3", stick)});
    WriteDriveMap({"g=" + Folder("demo"), "h=" + ipod});
    auto table = RefreshedTable();

    EXPECT_EQ(table->VolumeLabel('c'), "");
    EXPECT_EQ(table->VolumeLabel('d'), "OTHER");
    EXPECT_EQ(table->VolumeLabel('e'), "STICK");
    EXPECT_EQ(table->VolumeLabel('G'), "demo");
    EXPECT_EQ(table->VolumeLabel('h'), "My iPod"); // a fixed letter on the volume's folder
    EXPECT_EQ(table->VolumeLabel('q'), std::nullopt);
}

// An iPod-like tree on e:, c: being the root.
class PathTest : public DriveTableTest {
protected:
    void SetUp() override {
        for (auto file : {"iPod_Control/iTunes/iTunesDB", "iPod_Control/Music/F01/ABCD.mp3",
                          "Music/F02/song.mp3", "Music/F02/Song.mp3", "Music/F02/SONG.mp3",
                          "Music/F02/Other.mp3", "Music/F02/\xff-not-utf8.mp3"})
            temp.WriteFile(std::string("ipod/") + file, "x");
        ipod = (temp.Path() / "ipod").string();
        WriteMounts({});
        table = RefreshedTable();
        table->Attach('e', ipod);
    }

    std::string ipod;
    std::unique_ptr<DriveTable> table;
};

struct PathCase {
    const char* windowsPath;
    const char* underIpod; // nullptr: no host path
};

TEST_F(PathTest, WindowsPathsResolveOnTheIpod) {
    const PathCase cases[] = {
        {"e:\\iPod_Control\\iTunes\\iTunesDB", "/iPod_Control/iTunes/iTunesDB"},
        {"E:/iPod_Control//iTunes\\\\iTunesDB", "/iPod_Control/iTunes/iTunesDB"},
        {"e:\\ipod_control\\ITUNES\\itunesdb", "/iPod_Control/iTunes/iTunesDB"},
        {"e:\\IPOD_CONTROL\\iTunes\\iTunesDB", "/iPod_Control/iTunes/iTunesDB"},
        {"e:\\iPod_Control\\music\\f01\\abcd.MP3", "/iPod_Control/Music/F01/ABCD.mp3"},
        {"e:\\.\\iPod_Control\\Music\\..\\iTunes\\.\\iTunesDB", "/iPod_Control/iTunes/iTunesDB"},
        {"e:\\..\\..\\iPod_Control", "/iPod_Control"},
        {"e:\\Music\\F02\\song.mp3", "/Music/F02/song.mp3"},
        {"e:\\Music\\F02\\Song.mp3", "/Music/F02/Song.mp3"},
        {"e:\\music\\f02\\sOng.mp3", "/Music/F02/SONG.mp3"},
        {"e:\\music\\f02\\\xff-NOT-utf8.mp3", "/Music/F02/\xff-not-utf8.mp3"},
        {"e:\\iPod_Control\\itunes\\NewFile.txt", "/iPod_Control/iTunes/NewFile.txt"},
        {"e:\\missing\\ITUNES\\iTunesDB", "/missing/ITUNES/iTunesDB"},
        {"e:\\Music\\F02\\Other.mp3\\inside", "/Music/F02/Other.mp3/inside"},
        {"e:\\", ""},
        {"e:", ""},
        {"q:\\iPod_Control", nullptr},
        {"1:\\iPod_Control", nullptr},
    };
    for (const auto& c : cases) {
        auto host = table->ToHostPath(c.windowsPath);
        if (c.underIpod)
            EXPECT_EQ(host, ipod + c.underIpod) << c.windowsPath;
        else
            EXPECT_EQ(host, std::nullopt) << c.windowsPath;
    }
}

TEST_F(PathTest, ResolveReportsWhatIsThere) {
    auto file = table->Resolve("e:\\ipod_control\\itunes\\itunesdb");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->exists);
    EXPECT_FALSE(file->folder);
    EXPECT_EQ(file->size, 1u);

    auto folder = table->Resolve("e:\\Music");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->exists && folder->folder);
    EXPECT_EQ(folder->size, 0u);

    auto missing = table->Resolve("e:\\Music\\F03");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->exists);
}

// Restores the working folder.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~WorkingFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

TEST_F(PathTest, PathsWithoutADriveStartAtTheWorkingFolder) {
    WorkingFolder inIpod(ipod + "/iPod_Control");
    const PathCase cases[] = {
        {"\\Music\\F02", "/Music/F02"},
        {"/iPod_Control", "/iPod_Control"},
        {"itunes\\itunesdb", "/iPod_Control/iTunes/iTunesDB"},
        {"..\\music", "/Music"},
        {"..\\..\\..\\Music", "/Music"},
        {"e:itunes", "/iPod_Control/iTunes"}, // the working folder's own drive
    };
    for (const auto& c : cases)
        EXPECT_EQ(table->ToHostPath(c.windowsPath), ipod + c.underIpod) << c.windowsPath;
    EXPECT_EQ(table->ToHostPath("c:etc"), "/etc"); // another drive: its root
}

void SetFolderTime(const fs::path& folder, const timespec& time) {
    timespec times[2] = {time, time};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0) << folder;
}

timespec SecondsAgo(int seconds) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return {now.tv_sec - seconds, 123456789};
}

TEST_F(PathTest, CaseMismatchesSeeTheFolderAsItIsAfterItChanges) {
    temp.WriteFile("ipod/Cache/Track.mp3", "x");
    auto folder = temp.Path() / "ipod/Cache";
    SetFolderTime(folder, SecondsAgo(60));
    ASSERT_EQ(table->ToHostPath("e:\\cache\\track.MP3"), ipod + "/Cache/Track.mp3");

    fs::rename(folder / "Track.mp3", folder / "TRACK.mp3");
    EXPECT_EQ(table->ToHostPath("e:\\cache\\track.MP3"), ipod + "/Cache/TRACK.mp3");

    temp.WriteFile("ipod/Cache/New.mp3", "x");
    EXPECT_EQ(table->ToHostPath("e:\\cache\\new.mp3"), ipod + "/Cache/New.mp3");
}

TEST_F(PathTest, ListingIsReusedWhileTheFolderTimeStandsStill) {
    temp.WriteFile("ipod/Cache/Track.mp3", "x");
    auto folder = temp.Path() / "ipod/Cache";
    auto old = SecondsAgo(60);
    SetFolderTime(folder, old);
    ASSERT_EQ(table->ToHostPath("e:\\cache\\track.mp3"), ipod + "/Cache/Track.mp3");

    temp.WriteFile("ipod/Cache/Added.mp3", "x");
    SetFolderTime(folder, old);
    EXPECT_EQ(table->ToHostPath("e:\\cache\\added.mp3"), ipod + "/Cache/added.mp3");

    SetFolderTime(folder, SecondsAgo(30));
    EXPECT_EQ(table->ToHostPath("e:\\cache\\added.mp3"), ipod + "/Cache/Added.mp3");
}

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

timespec FromNanoseconds(std::int64_t nanoseconds) {
    return {static_cast<time_t>(nanoseconds / 1'000'000'000),
            static_cast<long>(nanoseconds % 1'000'000'000)};
}

TEST_F(PathTest, ListingIsKeptOnlyOnceTheFolderTimeCouldShowALaterChange) {
    // FAT keeps folder times to two seconds, so a folder listed within two seconds of its last
    // change may change again without its time moving; a file system with finer times shows a
    // change a clock tick later.
    constexpr std::int64_t second = 1'000'000'000;
    struct Case {
        const char* folder;
        std::int64_t changedAgo; // nanoseconds before the listing
        bool wholeSeconds;       // as FAT keeps times
        bool kept;
    };
    const Case cases[] = {
        {"FatNow", 0, true, false},
        {"FatThreeSeconds", 3 * second, true, true},
        {"FineNow", 0, false, false},
        {"FineOneSecond", second, false, true},
    };
    for (const auto& c : cases) {
        const std::string name = c.folder;
        temp.WriteFile("ipod/" + name + "/Track.mp3", "x");
        const auto folder = temp.Path() / "ipod" / name;
        const std::int64_t started = NowNanoseconds();
        std::int64_t changed = started - c.changedAgo;
        if (c.wholeSeconds)
            changed -= changed % second;
        else if (changed % second == 0)
            ++changed;
        SetFolderTime(folder, FromNanoseconds(changed));
        ASSERT_EQ(table->ToHostPath("e:\\" + name + "\\track.mp3"),
                  ipod + "/" + name + "/Track.mp3");
        const std::int64_t window = c.wholeSeconds ? 2 * second : 50'000'000;
        if (!c.kept && NowNanoseconds() - changed > window - 10'000'000)
            continue; // the machine stalled past the window: this row cannot tell

        temp.WriteFile("ipod/" + name + "/Added.mp3", "x");
        SetFolderTime(folder, FromNanoseconds(changed));
        const auto listings = table->ListingsMade();
        const auto added = table->ToHostPath("e:\\" + name + "\\added.mp3");
        if (c.kept) {
            EXPECT_EQ(added, ipod + "/" + name + "/added.mp3") << name;
            EXPECT_EQ(table->ListingsMade(), listings) << name;
        } else {
            EXPECT_EQ(added, ipod + "/" + name + "/Added.mp3") << name;
            EXPECT_EQ(table->ListingsMade(), listings + 1) << name;
        }
    }
}

TEST_F(PathTest, LookupListsNoFolderAboveTheOneItIsAbout) {
    auto listings = table->ListingsMade();
    EXPECT_EQ(table->ToHostPath("e:\\iPod_Control\\iTunes\\itunesdb.bak"),
              ipod + "/iPod_Control/iTunes/itunesdb.bak");
    EXPECT_EQ(table->ListingsMade(), listings + 1);
}

// The file layer's own changes, made by hand: a stamp, the change, the note.
class OwnChangeTest : public PathTest {
protected:
    void SetUp() override {
        PathTest::SetUp();
        auto config = Config();
        config.listingRecheck = std::chrono::hours(1); // a stalled machine changes nothing
        table = std::make_unique<DriveTable>(config);
        table->Attach('e', ipod);
        folder = temp.Path() / "ipod/Out";
        fs::create_directories(folder);
        SetFolderTime(folder, SecondsAgo(60));
        ASSERT_EQ(table->ToHostPath("e:\\Out\\x"), ipod + "/Out/x"); // lists Out
    }
    // Creates `name` in Out as the file layer does, the folder's time then kept to
    // `folderTime` (nullopt: as the kernel set it).
    void CreateOwn(const std::string& name, std::optional<timespec> folderTime = {}) {
        const std::string host = (folder / name).string();
        auto stamp = table->StampFolderOf(host);
        temp.WriteFile("ipod/Out/" + name, "x");
        if (folderTime)
            SetFolderTime(folder, *folderTime);
        table->NoteNames(stamp, {{platform::NameChange::Added, name}});
    }
    std::optional<std::string> Lookup(const std::string& name) {
        return table->ToHostPath("e:\\Out\\" + name);
    }
    std::string Host(const std::string& name) { return ipod + "/Out/" + name; }

    fs::path folder;
};

TEST_F(OwnChangeTest, NotedChangesKeepTheListingAndChangesByOthersStillShow) {
    const auto listings = table->ListingsMade();
    CreateOwn("Mine.mp3");
    EXPECT_EQ(Lookup("MINE.mp3"), Host("Mine.mp3"));

    auto stamp = table->StampFolderOf(Host("Mine.mp3"));
    fs::rename(folder / "Mine.mp3", folder / "Moved.mp3");
    table->NoteNames(stamp, {{platform::NameChange::Removed, "Mine.mp3"},
                             {platform::NameChange::Added, "Moved.mp3"}});
    EXPECT_EQ(Lookup("mine.MP3"), Host("mine.MP3"));
    EXPECT_EQ(Lookup("moved.MP3"), Host("Moved.mp3"));
    EXPECT_EQ(table->ListingsMade(), listings);

    // Somebody else's change before ours: the stamp no longer matches the listing, which is
    // dropped rather than taking in our change.
    temp.WriteFile("ipod/Out/Theirs.mp3", "x");
    SetFolderTime(folder, SecondsAgo(40));
    CreateOwn("Second.mp3", SecondsAgo(30));
    EXPECT_EQ(Lookup("THEIRS.mp3"), Host("Theirs.mp3"));
    EXPECT_EQ(Lookup("second.mp3"), Host("Second.mp3"));
    EXPECT_EQ(table->ListingsMade(), listings + 1);

    // A removal that the listing cannot hold shows that it was not complete: it is read again.
    stamp = table->StampFolderOf(Host("Ghost.mp3"));
    table->NoteNames(stamp, {{platform::NameChange::Removed, "Ghost.mp3"}});
    EXPECT_EQ(Lookup("moved.mp3"), Host("Moved.mp3"));
    EXPECT_EQ(table->ListingsMade(), listings + 2);
}

TEST_F(OwnChangeTest, AChangeHiddenInTheTickOfOursShowsOnceTheListingIsRechecked) {
    // FAT times: our change and one by somebody else in the same two seconds leave the folder's
    // time where our change put it.
    for (bool recheckAtOnce : {false, true}) {
        auto config = Config();
        if (recheckAtOnce)
            config.listingRecheck = std::chrono::milliseconds(0);
        else
            config.listingRecheck = std::chrono::hours(1);
        table = std::make_unique<DriveTable>(config);
        table->Attach('e', ipod);
        const std::string suffix = recheckAtOnce ? "1" : "0";
        fs::create_directories(folder);
        SetFolderTime(folder, SecondsAgo(60));
        ASSERT_EQ(Lookup("x"), Host("x"));

        const timespec thisSecond{SecondsAgo(0).tv_sec, 0};
        CreateOwn("Mine" + suffix + ".mp3", thisSecond);
        temp.WriteFile("ipod/Out/Theirs" + suffix + ".mp3", "x");
        SetFolderTime(folder, thisSecond);

        const auto theirs = Lookup("theirs" + suffix + ".mp3");
        if (recheckAtOnce)
            EXPECT_EQ(theirs, Host("Theirs" + suffix + ".mp3"));
        else
            EXPECT_EQ(theirs, Host("theirs" + suffix + ".mp3")); // until the recheck is due
        EXPECT_EQ(Lookup("MINE" + suffix + ".mp3"), Host("Mine" + suffix + ".mp3"));
    }
}

TEST_F(DriveTableTest, ToWindowsPathUsesTheLongestDriveFolder) {
    auto volume = Folder("media/IPOD");
    auto ipod = Folder("ipod");
    WriteMounts({Mount("/dev/sdq1", volume)});
    auto table = RefreshedTable();
    table->Attach('e', ipod);

    EXPECT_EQ(table->ToWindowsPath("/root/x"), "c:\\root\\x");
    EXPECT_EQ(table->ToWindowsPath("/"), "c:\\");
    EXPECT_EQ(table->ToWindowsPath(ipod + "/a/b.mp3"), "e:\\a\\b.mp3");
    EXPECT_EQ(table->ToWindowsPath(ipod), "e:\\");
    EXPECT_EQ(table->ToWindowsPath(ipod + "/"), "e:\\");
    EXPECT_EQ(table->ToWindowsPath(ipod + "/a/../b"), "e:\\b");
    EXPECT_EQ(table->ToWindowsPath(volume + "/Music"), "d:\\Music");
    auto beside = ipod + "x/a"; // shares a prefix with e:'s folder, is not inside it
    std::replace(beside.begin(), beside.end(), '/', '\\');
    EXPECT_EQ(table->ToWindowsPath(ipod + "x/a"), "c:" + beside);
    EXPECT_EQ(table->ToWindowsPath(""), std::nullopt);
}

TEST_F(DriveTableTest, ToWindowsPathIsNoneOutsideEveryDrive) {
    auto config = Config();
    config.rootFolder = Folder("c");
    WriteMounts({});
    DriveTable table(config);
    EXPECT_EQ(table.ToWindowsPath("/etc/hosts"), std::nullopt);
    EXPECT_EQ(table.ToWindowsPath(temp.Str() + "/c/x"), "c:\\x");
}

TEST_F(DriveTableTest, LookupsRunWhileAnotherThreadRefreshes) {
    auto a = Folder("media/A");
    temp.WriteFile("media/A/Song.mp3", "x");
    WriteMounts({Mount("/dev/sdq1", a)});
    auto table = RefreshedTable();

    std::atomic<bool> done = false;
    std::atomic<int> resolved = 0;
    std::thread reader([&] {
        while (!done) {
            if (table->ToHostPath("d:\\song.mp3") == a + "/Song.mp3")
                ++resolved;
            table->ToWindowsPath(a + "/x");
            table->LogicalDrives();
        }
    });
    for (int i = 0; i < 200; ++i) {
        WriteMounts(i % 2 ? std::vector<std::string>{Mount("/dev/sdq1", a)}
                          : std::vector<std::string>{Mount("/dev/sdq2", Folder("media/B")),
                                                     Mount("/dev/sdq1", a)});
        table->Refresh();
    }
    done = true;
    reader.join();
    EXPECT_EQ(table->HostFolder('d'), a); // kept its letter throughout
    EXPECT_GT(resolved.load(), 0);
}

TEST_F(DriveTableTest, ProcessTableReadsTheDataFolderDriveMap) {
    auto ipod = Folder("ipod");
    {
        std::ofstream map(platform::DataFolder() + "/drives");
        map << "k=" << ipod << "\n";
    }
    platform::SetDrives(nullptr);
    EXPECT_EQ(platform::Drives().HostFolder('k'), ipod);
    EXPECT_EQ(platform::Drives().HostFolder('c'), "/");

    auto own = std::make_unique<DriveTable>(Config());
    auto* installed = own.get();
    platform::SetDrives(std::move(own));
    EXPECT_EQ(&platform::Drives(), installed);

    fs::remove(platform::DataFolder() + "/drives");
    platform::SetDrives(nullptr);
}

} // namespace

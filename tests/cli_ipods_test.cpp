#include "cli/command_line.h"
#include "platform/drives.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::byte>;

Bytes Database(int songs, std::vector<std::uint32_t> order = itunesdb::kOrderITunes) {
    itunesdb::DatabaseSpec database;
    database.headerLength = 0xF4;
    database.sectionOrder = std::move(order);
    for (int i = 0; i < songs; ++i) {
        itunesdb::SongFields fields;
        fields.trackId = i + 1;
        fields.title = u"Song";
        fields.location = u":iPod_Control:Music:F00:A.mp3";
        database.tracks.push_back(itunesdb::Song(fields));
    }
    return itunesdb::WriteITunesDB(database);
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// An iPod folder below `root`: its iTunes folder, and the database files given.
fs::path MakeIpod(const fs::path& folder, const Bytes* plain, const Bytes* compressed) {
    fs::create_directories(folder / "iPod_Control" / "iTunes");
    if (plain != nullptr) {
        WriteBytes(folder / "iPod_Control" / "iTunes" / "iTunesDB", *plain);
    }
    if (compressed != nullptr) {
        WriteBytes(folder / "iPod_Control" / "iTunes" / "iTunesCDB", *compressed);
    }
    return folder;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A machine of temporary folders: mounted volumes, labels and a drive-map file of its own.
class CliIpodsTest : public testing::Test {
protected:
    void TearDown() override { platform::SetDrives(nullptr); }

    fs::path Folder(const std::string& relative) {
        fs::create_directories(temp_.Path() / relative);
        return temp_.Path() / relative;
    }

    void InstallDrives(const std::string& mounts, const std::string& driveMap) {
        temp_.WriteFile("mounts", mounts);
        temp_.WriteFile("drives", driveMap);
        platform::DriveTableConfig config;
        config.mountsFile = (temp_.Path() / "mounts").string();
        config.labelsFolder = Folder("labels").string();
        config.driveMapFile = (temp_.Path() / "drives").string();
        config.rootFolder = Folder("c").string();
        platform::SetDrives(std::make_unique<platform::DriveTable>(config));
        platform::Drives().Refresh();
    }

    int Run(std::string& out, std::string& err) {
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = cli::RunCommandLine({"ipods"}, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    testsupport::TempFolder temp_;
};

TEST_F(CliIpodsTest, EveryDriveInLetterOrderWithWhatItsDatabaseStates) {
    const Bytes three = Database(3);
    const Bytes five = Database(5, itunesdb::kOrderOld);
    const Bytes compressedThree = itunesdb::CompressDatabase(three);
    const Bytes cut(compressedThree.begin(), compressedThree.begin() + 0xF4 + 6);
    const Bytes empty;
    const Bytes noTrackList = Database(2, {2, 3, 1});

    const fs::path volume = MakeIpod(Folder("media/IPOD"), &five, nullptr);
    const fs::path stick = Folder("media/stick");
    fs::create_symlink("/dev/sdq1", Folder("labels") / "My\\x20iPod");
    const fs::path nano = MakeIpod(Folder("nano"), &empty, &compressedThree);
    const fs::path noDatabase = MakeIpod(Folder("no-database"), nullptr, nullptr);
    const fs::path emptyFiles = MakeIpod(Folder("empty-files"), &empty, &empty);
    const fs::path broken = MakeIpod(Folder("broken"), &five, &cut);
    const fs::path odd = MakeIpod(Folder("odd"), &noTrackList, nullptr);
    const fs::path tab = Folder("a\ttab");
    InstallDrives("/dev/sdq1 " + volume.string() + " vfat rw 0 0\n" + "/dev/sdq2 " +
                      stick.string() + " ext4 rw 0 0\n",
                  "f=" + nano.string() + "\ng=" + noDatabase.string() +
                      "\nh=" + emptyFiles.string() + "\ni=" + broken.string() +
                      "\nj=" + odd.string() + "\nk=" + tab.string() + "\n");

    std::string out;
    std::string err;
    const int status = Run(out, err);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "");
    const std::string c = (temp_.Path() / "c").string();
    const std::vector<std::string> expected = {
        "c:\t\t" + c + "\tno iPod_Control/iTunes folder",
        "d:\tmy ipod\t" + volume.string() + "\t5",
        "e:\tstick\t" + stick.string() + "\tno iPod_Control/iTunes folder",
        "f:\tnano\t" + nano.string() + "\t3",
        "g:\tno-database\t" + noDatabase.string() + "\tno database",
        "h:\tempty-files\t" + emptyFiles.string() + "\tno database",
        "i:\tbroken\t" + broken.string() + "\tdatabase unreadable: Stream read error",
        "j:\todd\t" + odd.string() + "\tdatabase unreadable: no track list",
        "k:\ta\\ttab\t" + (temp_.Path() / "a\\ttab").string() + "\tno iPod_Control/iTunes folder",
    };
    EXPECT_EQ(Lines(out), expected);
}

TEST_F(CliIpodsTest, WithoutAniPodTheDrivesAreListedAndTheStatusIsTwo) {
    const fs::path stick = Folder("media/stick");
    InstallDrives("/dev/sdq2 " + stick.string() + " vfat rw 0 0\n", "");

    std::string out;
    std::string err;
    const int status = Run(out, err);

    EXPECT_EQ(status, 2);
    const std::string c = (temp_.Path() / "c").string();
    EXPECT_EQ(Lines(out), (std::vector<std::string>{
                              "c:\t\t" + c + "\tno iPod_Control/iTunes folder",
                              "d:\tstick\t" + stick.string() + "\tno iPod_Control/iTunes folder"}));
    EXPECT_NE(err.find("no iPod found"), std::string::npos) << err;
}

TEST_F(CliIpodsTest, ArgumentsAreRefused) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(cli::RunCommandLine({"ipods", "extra"}, out, err), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("ipods takes no arguments"), std::string::npos);
}

// The program as a user runs it: the drives of its data folder's drive-map file and of the
// machine's mount table.
TEST(CliIpodsProgramTest, DrivesOfTheDataFolderAreSeen) {
    testsupport::TempFolder temp;
    const Bytes database = Database(4);
    const fs::path ipod = MakeIpod(temp.Path() / "My iPod", &database, nullptr);
    const fs::path home = temp.Path() / "home";
    fs::create_directories(home);
    temp.WriteFile("home/drives", "p=" + ipod.string() + "\n");
    const fs::path emptyHome = temp.Path() / "empty-home";
    fs::create_directories(emptyHome);

    const testsupport::CliRun run = testsupport::RunProgram(QUILLMERE_CLI_PATH, {"ipods"}, home);
    const testsupport::CliRun without =
        testsupport::RunProgram(QUILLMERE_CLI_PATH, {"ipods"}, emptyHome);

    EXPECT_EQ(run.status, 0) << run.err;
    const std::string line = "p:\tmy ipod\t" + ipod.string() + "\t4\n";
    EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind("c:\t", 0), 0u) << run.out;
    EXPECT_EQ(without.out.find("p:"), std::string::npos) << without.out;
}

// Runs a command of the system; its exit status, or -1 when it could not run.
int RunCommand(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A file system image loop-mounted on a temporary folder, unmounted when it goes.
class LoopMount {
public:
    explicit LoopMount(const fs::path& image, const fs::path& folder) : folder_(folder) {
        mounted_ = RunCommand("mount -o loop " + image.string() + " " + folder.string()) == 0;
    }
    ~LoopMount() {
        if (mounted_) {
            umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;
    bool Mounted() const { return mounted_; }

private:
    fs::path folder_;
    bool mounted_ = false;
};

TEST(CliIpodsProgramTest, ALoopMountedImageIsSeen) {
    testsupport::TempFolder temp;
    const fs::path image = temp.Path() / "ipod.img";
    { std::ofstream out(image, std::ios::binary); }
    fs::resize_file(image, 8u << 20);
    if (RunCommand("mke2fs -q -F -L LOOPPOD " + image.string()) != 0) {
        GTEST_SKIP() << "mke2fs cannot make an image here";
    }
    const fs::path folder = temp.Path() / "mounted";
    fs::create_directories(folder);
    const LoopMount mount(image, folder);
    if (!mount.Mounted()) {
        GTEST_SKIP() << "cannot loop-mount an image here";
    }
    const Bytes database = itunesdb::CompressDatabase(Database(6));
    MakeIpod(folder, nullptr, &database);
    platform::DriveTable machine{platform::DriveTableConfig{}};
    machine.Refresh();
    const auto drive = machine.ToWindowsPath(folder.string());
    if (!drive || drive->starts_with("c:")) {
        GTEST_SKIP() << "the drive table does not list loop-mounted volumes";
    }
    const fs::path home = temp.Path() / "home";
    fs::create_directories(home);

    const testsupport::CliRun run = testsupport::RunProgram(QUILLMERE_CLI_PATH, {"ipods"}, home);

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\t" + folder.string() + "\t6\n"), std::string::npos) << run.out;
}

} // namespace

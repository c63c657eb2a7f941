#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sys/mount.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;
namespace files = platform::files;
using testsupport::TempFolder;

std::string Text(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// e: is a temporary folder; the machine's mounts stay out of it.
class FilesTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(temp.Path() / "e");
        platform::DriveTableConfig config;
        config.mountsFile = (temp.Path() / "no-mounts").string();
        config.labelsFolder = (temp.Path() / "no-labels").string();
        config.listingRecheck = std::chrono::hours(1); // a stalled machine changes nothing
        platform::SetDrives(std::make_unique<platform::DriveTable>(config));
        platform::Drives().Attach('e', (temp.Path() / "e").string());
    }
    void TearDown() override {
        files::SetFaultHook(nullptr);
        platform::SetDrives(nullptr);
    }
    fs::path Write(const std::string& relative, std::string_view content) {
        return temp.WriteFile("e/" + relative, content);
    }
    std::string HostPath(const std::string& relative) const {
        return (temp.Path() / "e" / relative).string();
    }

    TempFolder temp;
};

void ExpectError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected \"" << message << "\"";
    } catch (const platform::OsError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

TEST_F(FilesTest, ExistenceAndSizeTellFilesFromFolders) {
    Write("iPod_Control/Music/F01/ABCD.mp3", "12345");
    Write("iPod_Control/empty.bin", "");
    struct Case {
        const char* path;
        bool file;
        bool folder;
        std::optional<std::uint64_t> size;
    };
    const Case cases[] = {
        {"e:\\iPod_Control\\Music\\F01\\ABCD.mp3", true, false, 5},
        {"e:\\ipod_control\\music\\f01\\abcd.mp3", true, false, 5},
        {"e:\\iPod_Control\\empty.bin", true, false, 0},
        {"e:\\iPod_Control\\Music", false, true, 0},
        {"e:\\", false, true, 0},
        {"e:\\iPod_Control\\Music\\F02", false, false, std::nullopt},
        {"q:\\iPod_Control", false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files::FileExists(c.path), c.file) << c.path;
        EXPECT_EQ(files::DirectoryExists(c.path), c.folder) << c.path;
        EXPECT_EQ(files::FindSize(c.path), c.size) << c.path;
    }
}

TEST_F(FilesTest, ReadWholeFileReadsWhatIsThereOrSaysWhyNot) {
    Write("iPod_Control/iTunes/iTunesDB", "database");
    EXPECT_EQ(Text(files::ReadWholeFile("e:\\iPod_Control\\iTunes\\itunesdb")), "database");
    ExpectError([] { files::ReadWholeFile("e:\\iPod_Control\\iTunes\\Missing"); },
                "Cannot open file e:\\iPod_Control\\iTunes\\Missing");
    ExpectError([] { files::ReadWholeFile("e:\\iPod_Control"); },
                "Cannot open file e:\\iPod_Control");
    ExpectError([] { files::ReadWholeFile("q:\\x"); }, "Cannot open file q:\\x");
    // A named pipe in place of the database neither hangs nor reads as a file.
    ASSERT_EQ(mkfifo(HostPath("iPod_Control/iTunes/pipe").c_str(), 0600), 0);
    ExpectError([] { files::ReadWholeFile("e:\\iPod_Control\\iTunes\\pipe"); },
                "Cannot open file e:\\iPod_Control\\iTunes\\pipe");
}

// Fails one kind of operation and remembers the host paths it was shown.
class ScriptedFaults : public files::FaultHook {
public:
    bool FailOpen(const std::string& hostPath) override { return Note(hostPath, failOpen); }
    bool FailCreate(const std::string& hostPath) override { return Note(hostPath, failCreate); }
    bool FailRead(const std::string& hostPath, std::uint64_t offset) override {
        Note(hostPath, false);
        if (beforeRead)
            beforeRead();
        return failReadAt && offset >= *failReadAt;
    }
    std::size_t WriteLimit(const std::string& hostPath, std::size_t requested) override {
        Note(hostPath, false);
        return std::min(requested, writeLimit);
    }
    bool FailWrite(const std::string& hostPath) override { return Note(hostPath, failWrite); }

    bool failOpen = false, failCreate = false, failWrite = false;
    std::optional<std::uint64_t> failReadAt;
    std::size_t writeLimit = SIZE_MAX;
    std::function<void()> beforeRead;
    std::vector<std::string> seen;

private:
    bool Note(const std::string& hostPath, bool result) {
        seen.push_back(hostPath);
        return result;
    }
};

TEST_F(FilesTest, FaultHookFailuresCarryTheProgramsMessages) {
    Write("Music/a.mp3", std::string(5000, 'a'));
    ScriptedFaults faults;
    files::SetFaultHook(&faults);

    faults.failOpen = true;
    ExpectError([] { files::ReadWholeFile("e:\\music\\A.MP3"); },
                "Cannot open file e:\\music\\A.MP3");
    ASSERT_FALSE(faults.seen.empty());
    EXPECT_EQ(faults.seen.back(), HostPath("Music/a.mp3"));
    faults.failOpen = false;

    faults.failCreate = true;
    ExpectError([] { files::OutputFile out("e:\\out.mp3"); }, "Cannot create file e:\\out.mp3");
    EXPECT_FALSE(fs::exists(HostPath("out.mp3")));
    faults.failCreate = false;

    faults.failReadAt = 4096;
    files::InputFile in("e:\\Music\\a.mp3");
    char block[2048];
    EXPECT_EQ(in.Read(block, sizeof block), 2048u);
    EXPECT_EQ(in.Read(block, sizeof block), 2048u);
    ExpectError([&] { in.Read(block, sizeof block); }, "Stream read error");
    faults.failReadAt.reset();

    faults.failWrite = true;
    files::OutputFile out("e:\\out.mp3");
    ExpectError([&] { out.Write(block, sizeof block); }, "Stream write error");
}

TEST_F(FilesTest, FileThatShrinksWhileReadIsAStreamReadError) {
    auto host = Write("iPod_Control/iTunes/iTunesDB", std::string(10000, 'x'));
    ScriptedFaults faults;
    faults.beforeRead = [&] { fs::resize_file(host, 100); };
    files::SetFaultHook(&faults);

    ExpectError([] { files::ReadWholeFile("e:\\iPod_Control\\iTunes\\iTunesDB"); },
                "Stream read error");
}

TEST_F(FilesTest, InputFileReadsInBlocksUntilTheEnd) {
    Write("a.bin", std::string(5000, 'a'));
    files::InputFile in("e:\\A.BIN");
    EXPECT_EQ(in.Size(), 5000u);
    char block[2048];
    EXPECT_EQ(in.Read(block, sizeof block), 2048u);
    EXPECT_EQ(in.Read(block, sizeof block), 2048u);
    EXPECT_EQ(in.Read(block, sizeof block), 904u);
    EXPECT_EQ(in.Read(block, sizeof block), 0u);
}

TEST_F(FilesTest, OutputFileCreatesOrTruncates) {
    Write("Song.mp3", std::string(4000, 'o'));
    {
        files::OutputFile out("e:\\song.mp3"); // the existing file, whatever its case
        EXPECT_EQ(out.Write("new", 3), 3u);
        out.Close();
        out.Close();
    }
    EXPECT_EQ(testsupport::ReadFile(HostPath("Song.mp3")), "new");

    {
        files::OutputFile out("e:\\Fresh.mp3");
        EXPECT_EQ(out.Write("abc", 3), 3u);
    } // closed without Close()
    EXPECT_EQ(testsupport::ReadFile(HostPath("Fresh.mp3")), "abc");

    fs::create_directories(HostPath("Folder.mp3"));
    ExpectError([] { files::OutputFile out("e:\\Folder.mp3"); },
                "Cannot create file e:\\Folder.mp3");
    ExpectError([] { files::OutputFile out("e:\\No\\Such\\x.mp3"); },
                "Cannot create file e:\\No\\Such\\x.mp3");
    ExpectError([] { files::OutputFile out("q:\\x.mp3"); }, "Cannot create file q:\\x.mp3");
}

TEST_F(FilesTest, WriteLimitGivesAShortWrite) {
    ScriptedFaults faults;
    faults.writeLimit = 100;
    files::SetFaultHook(&faults);
    char block[2048];
    std::memset(block, 'w', sizeof block);

    files::OutputFile out("e:\\short.mp3");
    EXPECT_EQ(out.Write(block, sizeof block), 100u);
    out.Close();
    EXPECT_EQ(fs::file_size(HostPath("short.mp3")), 100u);
}

TEST_F(FilesTest, CopyFromCopiesEveryByteInTheKernelOrThroughTheHook) {
    std::string content(3 * 1000 + 7, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31);
    Write("source", content);
    std::vector<char> buffer(1000);
    const auto copyAll = [&](const char* target) {
        files::InputFile input("e:\\source");
        files::OutputFile output(target);
        std::size_t total = 0;
        for (;;) {
            const auto copied = output.CopyFrom(input, buffer.size(), buffer.data());
            EXPECT_EQ(copied.stored, copied.read);
            if (copied.read == 0)
                break;
            total += copied.read;
        }
        output.Close();
        return total;
    };
    EXPECT_EQ(copyAll("e:\\kernel"), content.size());
    EXPECT_EQ(testsupport::ReadFile(HostPath("kernel")), content);

    ScriptedFaults faults;
    faults.writeLimit = 10;
    files::SetFaultHook(&faults);
    files::InputFile input("e:\\source");
    files::OutputFile output("e:\\short");
    const auto copied = output.CopyFrom(input, buffer.size(), buffer.data());
    EXPECT_EQ(copied.read, 1000u);
    EXPECT_EQ(copied.stored, 10u);
}

TEST_F(FilesTest, RenameReplacesAndDeleteRemoves) {
    Write("Old.mp3", "old");
    Write("New.mp3", "new");
    EXPECT_TRUE(files::RenameFile("e:\\new.mp3", "e:\\OLD.MP3"));
    EXPECT_EQ(testsupport::ReadFile(HostPath("Old.mp3")), "new");
    EXPECT_FALSE(fs::exists(HostPath("New.mp3")));
    EXPECT_FALSE(files::RenameFile("e:\\gone.mp3", "e:\\x.mp3"));

    EXPECT_TRUE(files::DeleteFile("e:\\old.mp3"));
    EXPECT_FALSE(fs::exists(HostPath("Old.mp3")));
    EXPECT_FALSE(files::DeleteFile("e:\\old.mp3"));
    fs::create_directories(HostPath("Folder"));
    EXPECT_FALSE(files::DeleteFile("e:\\Folder"));
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(FilesTest, CreateFoldersMakesWhatIsMissingAndUsesWhatIsThereInAnyLetterCase) {
    Write("Music/Abba/Old.mp3", "x");
    Write("Music/Song", "a file");

    EXPECT_EQ(files::CreateFolders("e:\\Music\\ABBA\\Gold\\Disc 1"),
              (std::vector<std::string>{"e:\\Music\\Abba\\Gold", "e:\\Music\\Abba\\Gold\\Disc 1"}));
    EXPECT_TRUE(fs::is_directory(HostPath("Music/Abba/Gold/Disc 1")));
    EXPECT_FALSE(fs::exists(HostPath("Music/ABBA")));
    EXPECT_EQ(files::CreateFolders("e:\\music\\abba\\gold"), std::vector<std::string>());
    EXPECT_EQ(files::CreateFolders("e:\\\\Root Folder"),
              std::vector<std::string>{"e:\\Root Folder"});

    // A file where a folder is to be: nothing is made.
    ExpectError([] { files::CreateFolders("e:\\Music\\song\\Live"); },
                "Cannot create folder e:\\Music\\song");
    EXPECT_FALSE(fs::exists(HostPath("Music/Song/Live")));
}

// Refuses to create one folder, as a full or read-only disk does.
class RefuseFolder : public files::FaultHook {
public:
    explicit RefuseFolder(std::string name) : name_(std::move(name)) {}
    bool FailCreate(const std::string& path) override { return path.ends_with("/" + name_); }

private:
    std::string name_;
};

TEST_F(FilesTest, AFolderThatCannotBeMadeRemovesTheOnesMadeBeforeIt) {
    fs::create_directories(HostPath("Out"));
    RefuseFolder refuse("Album");
    files::SetFaultHook(&refuse);

    ExpectError([] { files::CreateFolders("e:\\Out\\Artist\\Album\\CD1"); },
                "Cannot create folder e:\\Out\\Artist\\Album");

    EXPECT_EQ(NamesIn(HostPath("Out")), std::vector<std::string>());
}

TEST_F(FilesTest, RemoveEmptyFolderRemovesOnlyAnEmptyFolder) {
    Write("Full/Song.mp3", "x");
    Write("File.mp3", "x");
    fs::create_directories(HostPath("Empty"));

    EXPECT_FALSE(files::RemoveEmptyFolder("e:\\Full"));
    EXPECT_FALSE(files::RemoveEmptyFolder("e:\\File.mp3"));
    EXPECT_FALSE(files::RemoveEmptyFolder("e:\\Missing"));
    EXPECT_TRUE(files::RemoveEmptyFolder("e:\\EMPTY"));
    EXPECT_EQ(NamesIn(temp.Path() / "e"), (std::vector<std::string>{"File.mp3", "Full"}));
}

fs::perms Mode(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST_F(FilesTest, WriteFileAtomicallyReplacesTheContentAndKeepsThePermissionBits) {
    const mode_t mask = umask(0);
    umask(mask);
    const auto created = static_cast<fs::perms>(0666 & ~mask);
    struct Case {
        const char* label;
        std::optional<fs::perms> before; // nullopt: no file yet
        fs::perms after;
    };
    const Case cases[] = {
        {"missing", std::nullopt, created},
        {"owner only", fs::perms(0600), fs::perms(0600)},
        {"group reads", fs::perms(0640), fs::perms(0640)},
        {"group writes", fs::perms(0664), fs::perms(0664)},
        {"executable", fs::perms(0755), fs::perms(0755)},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        fs::remove_all(HostPath("Settings"));
        fs::create_directories(HostPath("Settings"));
        if (item.before) {
            Write("Settings/app.ini", "old content, longer than the new");
            fs::permissions(HostPath("Settings/app.ini"), *item.before);
        }
        files::WriteFileAtomically("e:\\SETTINGS\\app.ini", "new");
        EXPECT_EQ(testsupport::ReadFile(HostPath("Settings/app.ini")), "new");
        EXPECT_EQ(Mode(HostPath("Settings/app.ini")), item.after);
        EXPECT_EQ(NamesIn(HostPath("Settings")), std::vector<std::string>{"app.ini"});
    }
}

TEST_F(FilesTest, AReadOnlyFileIsNeitherReplacedNorChanged) {
    // Root may write any file; the owner's write bit is what says read-only, as the read-only
    // attribute does on FAT.
    for (const auto mode : {fs::perms(0444), fs::perms(0400), fs::perms(0555), fs::perms(0)}) {
        SCOPED_TRACE(static_cast<int>(mode));
        Write("app.ini", "old");
        fs::permissions(HostPath("app.ini"), mode);
        ExpectError([] { files::WriteFileAtomically("e:\\app.ini", "new"); },
                    "Cannot write file e:\\app.ini: it is read-only");
        EXPECT_EQ(testsupport::ReadFile(HostPath("app.ini")), "old");
        EXPECT_EQ(Mode(HostPath("app.ini")), mode);
        fs::permissions(HostPath("app.ini"), fs::perms(0644));
    }
    EXPECT_EQ(NamesIn(HostPath("")), std::vector<std::string>{"app.ini"});
}

// Refuses one step of the file layer for one file.
class RefusingStep : public files::FaultHook {
public:
    RefusingStep(std::string path, std::string step)
        : path_(std::move(path)), step_(std::move(step)) {}
    bool FailCreate(const std::string& path) override { return Refuses(path, "create"); }
    bool FailWrite(const std::string& path) override { return Refuses(path, "write"); }
    std::size_t WriteLimit(const std::string& path, std::size_t requested) override {
        return Refuses(path, "short write") ? requested / 2 : requested;
    }
    bool FailRename(const std::string& path) override { return Refuses(path, "rename"); }

private:
    bool Refuses(const std::string& path, const std::string& step) const {
        return path == path_ && step == step_;
    }
    std::string path_;
    std::string step_;
};

TEST_F(FilesTest, EachRefusedStepOfAReplacementLeavesTheOldFileAlone) {
    struct Case {
        const char* step;
        const char* message;
    };
    const Case cases[] = {
        {"create", "Cannot write file e:\\app.ini (create): Permission denied"},
        {"write", "Cannot write file e:\\app.ini (write): Input/output error"},
        {"short write", "Cannot write file e:\\app.ini (write): No space left on device"},
        {"rename", "Cannot write file e:\\app.ini (replace): Permission denied"},
    };
    for (const bool existed : {true, false}) {
        for (const Case& item : cases) {
            SCOPED_TRACE(std::string(item.step) + (existed ? " over a file" : " of a new file"));
            fs::remove(HostPath("app.ini"));
            if (existed) {
                Write("app.ini", "old");
                fs::permissions(HostPath("app.ini"), fs::perms(0640));
            }
            RefusingStep hook(HostPath("app.ini"), item.step);
            files::SetFaultHook(&hook);
            ExpectError([] { files::WriteFileAtomically("e:\\app.ini", "new content"); },
                        item.message);
            files::SetFaultHook(nullptr);
            if (existed) {
                EXPECT_EQ(testsupport::ReadFile(HostPath("app.ini")), "old");
                EXPECT_EQ(Mode(HostPath("app.ini")), fs::perms(0640));
                EXPECT_EQ(NamesIn(HostPath("")), std::vector<std::string>{"app.ini"});
            } else {
                EXPECT_TRUE(NamesIn(HostPath("")).empty());
            }
        }
    }
}

TEST_F(FilesTest, ARefusedRenameFailsRenameFile) {
    Write("Part.mp3", "new");
    Write("Song.mp3", "old");
    RefusingStep hook(HostPath("Song.mp3"), "rename");
    files::SetFaultHook(&hook);
    EXPECT_FALSE(files::RenameFile("e:\\Part.mp3", "e:\\Song.mp3"));
    files::SetFaultHook(nullptr);
    EXPECT_EQ(testsupport::ReadFile(HostPath("Song.mp3")), "old");
    EXPECT_EQ(testsupport::ReadFile(HostPath("Part.mp3")), "new");
}

TEST_F(FilesTest, ALockRemovesOnlyTheEmptyFileItCreatedItself) {
    struct Case {
        const char* label;
        bool existed;
        bool writtenWhileLocked;
        bool remains;
    };
    const Case cases[] = {
        {"created by the lock", false, false, false},
        {"there before", true, false, true},
        {"created, then written", false, true, true},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        fs::remove(HostPath("app.cnt"));
        if (item.existed)
            Write("app.cnt", "");
        files::FileLock lock("e:\\app.cnt");
        EXPECT_TRUE(files::FileExists("e:\\app.cnt"));
        if (item.writtenWhileLocked)
            files::WriteFileAtomically("e:\\app.cnt", "[Error Log]\r\n");
        lock.RemoveIfCreated();
        EXPECT_EQ(fs::exists(HostPath("app.cnt")), item.remains);
        EXPECT_EQ(files::FileExists("e:\\app.cnt"), item.remains);
    }
    ExpectError([] { files::FileLock lock("e:\\missing\\app.cnt"); },
                "Cannot lock file e:\\missing\\app.cnt");
}

void SetFolderTime(const fs::path& folder, int secondsAgo) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {{now.tv_sec - secondsAgo, 123456789},
                               {now.tv_sec - secondsAgo, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0) << folder;
}

// A destination folder, listed once for a case-insensitive lookup long after its last change.
class DestinationTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        Write("Out/Old.mp3", "old");
        SetFolderTime(HostPath("Out"), 60);
        ASSERT_FALSE(files::FileExists("e:\\Out\\missing.mp3")); // lists Out
        listings = platform::Drives().ListingsMade();
    }
    std::uint64_t NewListings() const { return platform::Drives().ListingsMade() - listings; }
    static std::optional<std::string> Host(const std::string& path) {
        return platform::Drives().ToHostPath(path);
    }
    static void Create(const std::string& path) {
        files::OutputFile out(path);
        out.Write("new", 3);
        out.Close();
    }

    std::uint64_t listings = 0;
};

TEST_F(DestinationTest, ChangesThroughTheLayerNeedNoNewListing) {
    Create("e:\\Out\\New.mp3");
    EXPECT_TRUE(files::FileExists("e:\\Out\\NEW.MP3"));
    EXPECT_EQ(Host("e:\\Out\\new.mp3"), HostPath("Out/New.mp3"));

    ASSERT_TRUE(files::RenameFile("e:\\Out\\new.mp3", "e:\\Out\\Renamed.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\NEW.mp3"));
    EXPECT_EQ(Host("e:\\Out\\renamed.MP3"), HostPath("Out/Renamed.mp3"));

    ASSERT_TRUE(files::RenameFile("e:\\Out\\RENAMED.mp3", "e:\\Out\\old.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\renamed.mp3"));
    EXPECT_EQ(testsupport::ReadFile(HostPath("Out/Old.mp3")), "new");

    Create("e:\\Out\\OLD.mp3"); // truncates the file there
    EXPECT_EQ(Host("e:\\Out\\OLD.mp3"), HostPath("Out/Old.mp3"));
    ASSERT_TRUE(files::DeleteFile("e:\\Out\\oLD.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\Old.MP3"));
    EXPECT_EQ(NewListings(), 0u);

    // Into another folder whose listing is current as well.
    Write("Other/Keep.mp3", "x");
    SetFolderTime(HostPath("Other"), 60);
    Create("e:\\Out\\Moving.mp3");
    ASSERT_FALSE(files::FileExists("e:\\Other\\moving.mp3"));
    const auto afterOther = NewListings();
    ASSERT_TRUE(files::RenameFile("e:\\Out\\moving.mp3", "e:\\Other\\Moved.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\MOVING.mp3"));
    EXPECT_EQ(Host("e:\\Other\\moved.mp3"), HostPath("Other/Moved.mp3"));
    EXPECT_EQ(Host("e:\\Other\\keep.mp3"), HostPath("Other/Keep.mp3"));
    EXPECT_EQ(NewListings(), afterOther);
}

TEST_F(DestinationTest, FoldersMadeAndRemovedThroughTheLayerNeedNoNewListing) {
    files::CreateFolders("e:\\Out\\Artist");
    EXPECT_TRUE(files::DirectoryExists("e:\\Out\\ARTIST"));
    EXPECT_EQ(Host("e:\\Out\\artist"), HostPath("Out/Artist"));
    EXPECT_EQ(NewListings(), 0u);

    ASSERT_TRUE(files::RemoveEmptyFolder("e:\\Out\\Artist"));
    EXPECT_FALSE(files::DirectoryExists("e:\\Out\\ARTIST"));
    EXPECT_TRUE(files::FileExists("e:\\Out\\OLD.mp3"));
    EXPECT_EQ(NewListings(), 0u);
}

TEST_F(DestinationTest, ChangesBehindTheLayersBackStillShow) {
    Create("e:\\Out\\Mine.mp3");
    // A folder's time moves with the kernel's clock, which ticks every few milliseconds:
    // somebody else's change shows in it from the next tick on.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ofstream(HostPath("Out/Theirs.mp3")) << "x";
    EXPECT_TRUE(files::FileExists("e:\\Out\\THEIRS.mp3"));
    EXPECT_EQ(Host("e:\\Out\\mine.mp3"), HostPath("Out/Mine.mp3"));

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fs::rename(HostPath("Out/Theirs.mp3"), HostPath("Out/Elsewhere.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\theirs.mp3"));
    EXPECT_TRUE(files::FileExists("e:\\Out\\ELSEWHERE.mp3"));

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fs::remove(HostPath("Out/Old.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\old.mp3"));
    // A change made meanwhile by somebody else is not hidden by the layer's next one.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ofstream(HostPath("Out/Late.mp3")) << "x";
    ASSERT_TRUE(files::DeleteFile("e:\\Out\\Mine.mp3"));
    EXPECT_TRUE(files::FileExists("e:\\Out\\LATE.mp3"));
    EXPECT_FALSE(files::FileExists("e:\\Out\\mine.mp3"));
}

TEST_F(DestinationTest, WritingManyFilesListsTheFolderAtMostTwice) {
    // As the copy worker does for each song: look for the name, write a temporary file, move
    // it into place.
    fs::create_directories(HostPath("Fresh"));
    const auto before = NewListings();
    for (int i = 0; i < 300; ++i) {
        const std::string name = "e:\\Fresh\\Song " + std::to_string(i) + ".mp3";
        ASSERT_FALSE(files::FileExists(name));
        const std::string temporary = "e:\\Fresh\\.Song " + std::to_string(i) + ".part";
        Create(temporary);
        ASSERT_TRUE(files::RenameFile(temporary, name));
        ASSERT_TRUE(files::FileExists("e:\\Fresh\\SONG " + std::to_string(i) + ".MP3"));
    }
    // The folder was made a moment ago, so its first listing serves one lookup only.
    EXPECT_LE(NewListings() - before, 2u);
    EXPECT_EQ(std::distance(fs::directory_iterator(HostPath("Fresh")), fs::directory_iterator()),
              300);
}

// A 64 KiB tmpfs on f:, so that a disk really fills up.
class FullDiskTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        auto folder = temp.Path() / "small";
        fs::create_directories(folder);
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs on " << folder << ": " << std::strerror(errno);
        mounted = folder;
        platform::Drives().Attach('f', folder.string());
    }
    void TearDown() override {
        if (!mounted.empty())
            umount2(mounted.c_str(), MNT_DETACH);
        FilesTest::TearDown();
    }

    fs::path mounted;
};

TEST_F(FullDiskTest, FillingTheDiskGivesAShortWriteThenAnError) {
    char block[3000]; // not a divisor of the disk's size, so one write stores part of a block
    std::memset(block, 'f', sizeof block);
    files::OutputFile out("f:\\big.mp3");
    std::uint64_t stored = 0;
    std::size_t last = 0;
    for (int i = 0; i < 100; ++i) {
        last = out.Write(block, sizeof block);
        stored += last;
        if (last < sizeof block)
            break;
    }
    EXPECT_GT(last, 0u);
    EXPECT_LT(last, sizeof block);
    ExpectError([&] { out.Write(block, sizeof block); }, "Stream write error");
    out.Close();
    EXPECT_EQ(fs::file_size(mounted / "big.mp3"), stored);
}

} // namespace

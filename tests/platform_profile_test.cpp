#include "platform/profile.h"

#include "platform/files.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/temp_folder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::profile::GetPrivateProfileString;
using platform::profile::WritePrivateProfileString;
using testsupport::ReadFile;

const std::string kFile = "c:\\layout\\ipodpos.dll";

class ProfileTest : public testing::Test {
protected:
    std::filesystem::path HostFile() const { return platform_.HostPathOf(kFile); }
    std::filesystem::path Folder() const { return HostFile().parent_path(); }
    void WriteContent(std::string_view content) {
        platform_.Root().WriteFile("layout/ipodpos.dll", content);
    }
    std::string Content() const { return ReadFile(HostFile()); }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    testsupport::ScopedPlatform platform_;
};

// Keys "a0", "a1"... and "b0", "b1"... of two writers, each with its number as the value.
void ExpectEveryKey(int perWriter) {
    for (const char* prefix : {"a", "b"})
        for (int i = 0; i < perWriter; ++i)
            ASSERT_EQ(
                GetPrivateProfileString("Error Log", prefix + std::to_string(i), "lost", kFile),
                std::to_string(i))
                << prefix << i;
}

TEST_F(ProfileTest, ReadsByTheWindowsRules) {
    WriteContent("; comment=not a key\r\n"
                 "orphan=before any section\r\n"
                 "[Visible]\r\n"
                 "  iPodSelector = 0  \r\n"
                 "SearchBox=\"quoted value\"\r\n"
                 "ArtistList='single'\r\n"
                 "AlbumList=\"mismatched'\r\n"
                 "Expr=a=b\r\n"
                 "Empty=\r\n"
                 "Dup=first\r\n"
                 "Dup=second\r\n"
                 ";Hidden=1\r\n"
                 "NoEquals\r\n"
                 "[ COLWIDTH ] trailing\n"
                 "3=0x64\n"
                 "[Other]\r\n"
                 "Only=here");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"Visible", "iPodSelector", "0"},
        {"VISIBLE", "ipodselector", "0"},
        {" Visible ", " iPodSelector ", "0"},
        {"Visible", "SearchBox", "quoted value"},
        {"Visible", "ArtistList", "single"},
        {"Visible", "AlbumList", "\"mismatched'"},
        {"Visible", "Expr", "a=b"},
        {"Visible", "Empty", ""}, // present, so not the fallback
        {"Visible", "Dup", "first"},
        {"Visible", "Hidden", "fallback"},
        {"Visible", "NoEquals", "fallback"},
        {"Visible", "Only", "fallback"}, // in another section
        {"Visible", "orphan", "fallback"},
        {"colwidth", "3", "0x64"},
        {"Other", "Only", "here"},
        {"Missing", "3", "fallback"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(std::string(item.section) + "/" + item.key);
        EXPECT_EQ(GetPrivateProfileString(item.section, item.key, "fallback", kFile),
                  item.expected);
    }
}

TEST_F(ProfileTest, MissingFilesGiveTheFallbackWithoutTrailingBlanks) {
    EXPECT_EQ(GetPrivateProfileString("Visible", "AlbumList", "1", kFile), "1");
    EXPECT_EQ(GetPrivateProfileString("Visible", "AlbumList", " 80 \t ", kFile), " 80");
    // A drive that does not exist is no file either.
    EXPECT_EQ(GetPrivateProfileString("Visible", "AlbumList", "1", "q:\\ipodpos.dll"), "1");
    EXPECT_FALSE(WritePrivateProfileString("Visible", "AlbumList", "1", "q:\\ipodpos.dll"));
}

TEST_F(ProfileTest, TruncatesToTheBufferAndNeverInsideACharacter) {
    WriteContent("[S]\r\nword=abcdef\r\naccent=a\xc3\xa9z\r\n");
    struct Case {
        const char* key;
        std::size_t bufferSize;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"word", 7, "abcdef"}, {"word", 6, "abcde"},       {"word", 1, ""},   {"word", 0, ""},
        {"accent", 3, "a"},    {"accent", 4, "a\xc3\xa9"}, {"none", 3, "de"}, // the fallback too
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(std::string(item.key) + " in " + std::to_string(item.bufferSize));
        EXPECT_EQ(GetPrivateProfileString("S", item.key, "default", kFile, item.bufferSize),
                  item.expected);
    }
}

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMust) {
    struct Case {
        const char* label;
        std::optional<std::string> before;
        const char* section;
        const char* key;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"missing file", std::nullopt, "Visible", "AlbumList", "[Visible]\r\nAlbumList=V\r\n"},
        {"empty file", "", "Visible", "AlbumList", "[Visible]\r\nAlbumList=V\r\n"},
        {"in place", "; top\r\n[Visible]\r\nAlbumList=1\r\n\tstray text\r\nx=2\r\n", "Visible",
         "AlbumList", "; top\r\n[Visible]\r\nAlbumList=V\r\n\tstray text\r\nx=2\r\n"},
        {"in place, any case, the file's spelling", "[visible]\r\n  albumlist = 1  \r\n",
         " VISIBLE ", "AlbumList ", "[visible]\r\nalbumlist=V\r\n"},
        {"in place keeps its LF", "[S]\nk=1\nj=2\n", "S", "k", "[S]\nk=V\nj=2\n"},
        {"in place on a last line without end", "[S]\r\nk=1", "S", "k", "[S]\r\nk=V\r\n"},
        {"first of two", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "[S]\r\nk=V\r\nk=2\r\n"},
        {"end of section, before blank lines", "[A]\r\nx=1\r\n\r\n \r\n[B]\r\ny=2\r\n", "a", "z",
         "[A]\r\nx=1\r\nz=V\r\n\r\n \r\n[B]\r\ny=2\r\n"},
        {"end of section, after a comment", "[A]\r\nx=1\r\n; note\r\n\r\n", "A", "z",
         "[A]\r\nx=1\r\n; note\r\nz=V\r\n\r\n"},
        {"end of section without line end", "[A]\nx=1", "A", "z", "[A]\nx=1\r\nz=V\r\n"},
        {"empty section", "[A]\r\n[B]\r\n", "A", "z", "[A]\r\nz=V\r\n[B]\r\n"},
        {"key of another section", "[A]\r\nk=1\r\n[B]\r\n", "B", "k",
         "[A]\r\nk=1\r\n[B]\r\nk=V\r\n"},
        {"new section at the end", "[A]\nx=1\n", "B", "y", "[A]\nx=1\n[B]\r\ny=V\r\n"},
        {"new section after a last line without end", "junk", "B", "y", "junk\r\n[B]\r\ny=V\r\n"},
        {"section on a BOM line", "\xEF\xBB\xBF[A]\r\nx=1\r\n", "A", "x",
         "\xEF\xBB\xBF[A]\r\nx=V\r\n"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        std::filesystem::remove(HostFile());
        if (item.before)
            WriteContent(*item.before);
        else
            std::filesystem::create_directories(Folder());
        ASSERT_TRUE(WritePrivateProfileString(item.section, item.key, "V", kFile));
        EXPECT_EQ(Content(), item.after);
        EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"ipodpos.dll"}); // no temp file
    }
}

TEST_F(ProfileTest, AWriteReadsBackAndReplacesItsOwnKey) {
    std::filesystem::create_directories(Folder());
    ASSERT_TRUE(WritePrivateProfileString("Error Log", "12/9/2024 3:54:12 PM", "first", kFile));
    ASSERT_TRUE(WritePrivateProfileString("Error Log", "12/9/2024 3:54:13 PM", "", kFile));
    ASSERT_TRUE(WritePrivateProfileString("Error Log", "12/9/2024 3:54:12 PM", "second", kFile));
    EXPECT_EQ(Content(), "[Error Log]\r\n"
                         "12/9/2024 3:54:12 PM=second\r\n"
                         "12/9/2024 3:54:13 PM=\r\n");
    EXPECT_EQ(GetPrivateProfileString("error log", "12/9/2024 3:54:12 PM", "", kFile), "second");
}

TEST_F(ProfileTest, AWriteNeverAddsLinesOfItsOwn) {
    WriteContent("[Error Log]\r\n[Visible]\r\nAlbum=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("Error Log", "3:54:12 PM",
                                          "Cannot open file e:\\a\r\n[Visible]\nAlbum=0", kFile));
    EXPECT_EQ(GetPrivateProfileString("Error Log", "3:54:12 PM", "", kFile),
              "Cannot open file e:\\a  [Visible] Album=0");
    EXPECT_EQ(GetPrivateProfileString("Visible", "Album", "", kFile), "1");

    const std::string before = Content();
    EXPECT_FALSE(WritePrivateProfileString("Visible", "Album\r\nTwo", "0", kFile));
    EXPECT_FALSE(WritePrivateProfileString("Error\nLog", "Key", "0", kFile));
    EXPECT_EQ(Content(), before);
}

// Refuses whichever step of the file layer a case names, for files in the layout folder.
class RefusingHook : public platform::files::FaultHook {
public:
    RefusingHook(std::string folder, std::string step)
        : folder_(std::move(folder)), step_(std::move(step)) {}
    bool FailOpen(const std::string& path) override { return Refuses(path, "open"); }
    bool FailCreate(const std::string& path) override { return Refuses(path, "create"); }
    bool FailWrite(const std::string& path) override { return Refuses(path, "write"); }
    bool FailRename(const std::string& path) override { return Refuses(path, "rename"); }
    std::size_t WriteLimit(const std::string& path, std::size_t requested) override {
        return Refuses(path, "short write") ? requested / 2 : requested;
    }

private:
    bool Refuses(const std::string& path, const std::string& step) const {
        return step == step_ && path.starts_with(folder_);
    }
    std::string folder_;
    std::string step_;
};

TEST_F(ProfileTest, AWriteTheFileLayerRefusesFailsAndLeavesTheFile) {
    const std::string before = "[Visible]\r\nAlbumList=1\r\n";
    for (const char* step : {"open", "create", "write", "short write", "rename"}) {
        SCOPED_TRACE(step);
        WriteContent(before);
        RefusingHook hook(Folder().string(), step);
        platform::files::SetFaultHook(&hook);
        bool written = WritePrivateProfileString("Visible", "AlbumList", "0", kFile);
        platform::files::SetFaultHook(nullptr);
        EXPECT_FALSE(written);
        EXPECT_EQ(Content(), before);
        EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"ipodpos.dll"});
    }
}

TEST_F(ProfileTest, AFailedFirstWriteLeavesNoFile) {
    std::filesystem::create_directories(Folder());
    for (const char* step : {"write", "rename"}) {
        SCOPED_TRACE(step);
        RefusingHook hook(Folder().string(), step);
        platform::files::SetFaultHook(&hook);
        EXPECT_FALSE(WritePrivateProfileString("Visible", "AlbumList", "0", kFile));
        platform::files::SetFaultHook(nullptr);
        EXPECT_TRUE(FilesInFolder().empty());
    }
}

TEST_F(ProfileTest, AReadOnlyFileIsLeftAsItIs) {
    const std::string before = "[Visible]\r\nAlbumList=1\r\n";
    // The owner's write bit says read-only, as the read-only attribute does; root writes
    // anything, so that is what counts here.
    for (const auto mode : {std::filesystem::perms(0444), std::filesystem::perms(0400)}) {
        WriteContent(before);
        std::filesystem::permissions(HostFile(), mode);
        EXPECT_FALSE(WritePrivateProfileString("Visible", "AlbumList", "0", kFile));
        EXPECT_EQ(Content(), before);
        EXPECT_EQ(std::filesystem::status(HostFile()).permissions(), mode);
        EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"ipodpos.dll"});
    }
}

TEST_F(ProfileTest, AWrittenFileKeepsItsPermissionBits) {
    WriteContent("[Visible]\r\nAlbumList=1\r\n");
    std::filesystem::permissions(HostFile(), std::filesystem::perms(0640));
    ASSERT_TRUE(WritePrivateProfileString("Visible", "AlbumList", "0", kFile));
    EXPECT_EQ(Content(), "[Visible]\r\nAlbumList=0\r\n");
    EXPECT_EQ(std::filesystem::status(HostFile()).permissions(), std::filesystem::perms(0640));
}

TEST_F(ProfileTest, AMissingFolderIsNotCreated) {
    EXPECT_FALSE(WritePrivateProfileString("Visible", "AlbumList", "0", kFile));
    EXPECT_FALSE(std::filesystem::exists(Folder()));
}

TEST_F(ProfileTest, TwoThreadsWritingOneFileLoseNoKey) {
    std::filesystem::create_directories(Folder());
    constexpr int kPerThread = 200;
    auto writer = [](const std::string& prefix) {
        for (int i = 0; i < kPerThread; ++i)
            ASSERT_TRUE(WritePrivateProfileString("Error Log", prefix + std::to_string(i),
                                                  std::to_string(i), kFile));
    };
    std::thread first(writer, "a");
    std::thread second(writer, "b");
    first.join();
    second.join();

    ExpectEveryKey(kPerThread);
}

// The window and the command-line tool write one error log at once: two processes.
TEST_F(ProfileTest, TwoProcessesWritingOneFileLoseNoKey) {
    std::filesystem::create_directories(Folder());
    constexpr int kPerProcess = 150;
    auto write = [](const std::string& prefix) {
        int failures = 0;
        for (int i = 0; i < kPerProcess; ++i)
            failures += !WritePrivateProfileString("Error Log", prefix + std::to_string(i),
                                                   std::to_string(i), kFile);
        return failures;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0) << std::strerror(errno);
    if (child == 0)
        _exit(write("b") == 0 ? 0 : 1); // no destructors: the folder is the parent's
    const int failures = write("a");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process's writes failed";
    EXPECT_EQ(failures, 0);

    ExpectEveryKey(kPerProcess);
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"ipodpos.dll"});
}

} // namespace

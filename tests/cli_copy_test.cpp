#include "platform/registry.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed + i / 2048) % 251);
    return bytes;
}

struct SongFile {
    std::u16string title;
    std::string location;               // as the database stores it
    std::optional<std::string> content; // nullopt: the file is missing
    std::u16string album;
};

class CliCopyTest : public testing::Test {
protected:
    void SetUp() override {
        itunesdb::DatabaseSpec database;
        std::int32_t id = 1;
        for (const SongFile& song : songs_) {
            itunesdb::SongFields fields;
            fields.trackId = id++;
            fields.title = song.title;
            fields.location = std::u16string(song.location.begin(), song.location.end());
            fields.album = song.album;
            database.tracks.push_back(itunesdb::Song(fields));
            if (song.content)
                ipod_.WriteFile(HostRelative(song.location), *song.content);
        }
        const std::vector<std::byte> bytes = itunesdb::WriteITunesDB(database);
        ipod_.WriteFile("iPod_Control/iTunes/iTunesDB",
                        std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    static fs::path HostRelative(const std::string& location) {
        fs::path path;
        std::string part;
        for (char c : location + ":") {
            if (c != ':') {
                part += c;
            } else if (!part.empty()) {
                path /= part;
                part.clear();
            }
        }
        return path;
    }

    // Runs the built quillmere-cli with `home_` as its data folder.
    CliRun Run(std::vector<std::string> args) {
        const fs::path outFile = scratch_.Path() / "out";
        const fs::path errFile = scratch_.Path() / "err";
        args.insert(args.begin(), QUILLMERE_CLI);
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment{"QUILLMERE_HOME=" + home_.Str()};
        for (char** variable = environ; *variable; ++variable)
            if (!std::string(*variable).starts_with("QUILLMERE_HOME="))
                environment.emplace_back(*variable);
        std::vector<char*> envp;
        for (auto& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        CliRun run;
        if (spawned != 0)
            return run;
        int waitStatus = 0;
        waitpid(child, &waitStatus, 0);
        run.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
        run.out = testsupport::ReadFile(outFile);
        run.err = testsupport::ReadFile(errFile);
        return run;
    }

    std::vector<std::string> Copy(std::vector<std::string> options) {
        options.insert(options.begin(), {"copy", ipod_.Str(), dest_.Str()});
        return options;
    }
    std::string Dest(const std::string& name) const { return (dest_.Path() / name).string(); }
    std::vector<std::string> DestFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dest_.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void SaveOverwriteOption(bool overwrite) {
        platform::Registry registry((home_.Path() / "user.reg").string());
        registry.CreateKey("Software\\Quillmere");
        ASSERT_TRUE(registry.SetValue("Software\\Quillmere", "OverWriteExistFile",
                                      platform::RegValue::Dword(overwrite ? 1 : 0)));
    }

    const std::vector<SongFile> songs_{
        {u"Intro", ":iPod_Control:Music:F00:AAAA.mp3", Pattern(5000, 1), u"First"},
        {u"AC/DC", ":iPod_Control:Music:F01:BBBB.m4a", Pattern(3000, 2), u"Highway"},
        {u"intro", ":iPod_Control:Music:F02:CCCC.mp3", Pattern(100, 3), u"Second"},
        {u"Missing", ":iPod_Control:Music:F03:DDDD.mp3", std::nullopt, u"Gone"},
    };
    testsupport::TempFolder ipod_;
    testsupport::TempFolder dest_;
    testsupport::TempFolder home_;
    testsupport::TempFolder scratch_;
};

TEST_F(CliCopyTest, AllCopiesEverySongAndPrintsWhereEachWentOrWhyNot) {
    const CliRun run = Run(Copy({"--all", "--overwrite"}));

    EXPECT_EQ(run.status, 1) << run.err;
    // Equal titles name the same file; the later song of the job gets the numbered name even
    // though overwriting is on.
    EXPECT_EQ(run.out, "Intro\t" + Dest("Intro.mp3") + "\n" +        //
                           "AC/DC\t" + Dest("AC_DC.m4a") + "\n" +    //
                           "intro\t" + Dest("intro(1).mp3") + "\n" + //
                           "Missing\tnot copied: the song's file is missing on the iPod\n");
    EXPECT_NE(run.err.find("1 of 4 songs were not copied"), std::string::npos) << run.err;
    EXPECT_EQ(DestFiles(), (std::vector<std::string>{"AC_DC.m4a", "Intro.mp3", "intro(1).mp3"}));
    EXPECT_TRUE(testsupport::ReadFile(Dest("Intro.mp3")) == *songs_[0].content);
    EXPECT_TRUE(testsupport::ReadFile(Dest("AC_DC.m4a")) == *songs_[1].content);
    EXPECT_TRUE(testsupport::ReadFile(Dest("intro(1).mp3")) == *songs_[2].content);
}

TEST_F(CliCopyTest, SelectorsCombineAsAUnionInCatalogueOrder) {
    const CliRun run = Run(Copy({"--search", "Highway", "--title", "INTRO"}));

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Intro\t" + Dest("Intro.mp3") + "\n" + //
                           "AC/DC\t" + Dest("AC_DC.m4a") + "\n" + "intro\t" + Dest("intro(1).mp3") +
                           "\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(CliCopyTest, OverwritingFollowsTheSavedOptionUnlessAFlagSaysOtherwise) {
    struct Case {
        std::optional<bool> saved; // nullopt: no hive at all
        std::string flag;
        bool replaces;
    };
    const Case cases[] = {
        {false, "", false},           {true, "", true},
        {false, "--overwrite", true}, {true, "--no-overwrite", false},
        {std::nullopt, "", true}, // the option's default when Quillmere never ran
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.saved.value_or(-1)) + " " + c.flag);
        fs::remove_all(dest_.Path());
        fs::create_directories(dest_.Path());
        fs::remove(home_.Path() / "user.reg");
        dest_.WriteFile("AC_DC.m4a", "old");
        if (c.saved)
            SaveOverwriteOption(*c.saved);
        const std::string hiveBefore =
            c.saved ? testsupport::ReadFile(home_.Path() / "user.reg") : "";
        std::vector<std::string> options{"--title", "ac/dc"};
        if (!c.flag.empty())
            options.push_back(c.flag);

        const CliRun run = Run(Copy(options));

        EXPECT_EQ(run.status, 0) << run.err;
        const std::string written = c.replaces ? "AC_DC.m4a" : "AC_DC(1).m4a";
        EXPECT_EQ(run.out, "AC/DC\t" + Dest(written) + "\n");
        EXPECT_TRUE(testsupport::ReadFile(Dest(written)) == *songs_[1].content);
        EXPECT_EQ(DestFiles().size(), c.replaces ? 1u : 2u);
        if (c.saved)
            EXPECT_EQ(testsupport::ReadFile(home_.Path() / "user.reg"), hiveBefore);
        else
            EXPECT_FALSE(fs::exists(home_.Path() / "user.reg"));
    }
}

TEST_F(CliCopyTest, ACopyThatStopsReportsEverySongAndLeavesNoPartialFile) {
    fs::create_directories(dest_.Path() / "Intro.mp3"); // a folder where the first file goes

    const CliRun run = Run(Copy({"--title", "Intro", "--title", "AC/DC"}));

    EXPECT_EQ(run.status, 1);
    const std::string lines = run.out;
    const std::string first = lines.substr(0, lines.find('\n'));
    EXPECT_TRUE(first.starts_with("Intro\tnot copied: Cannot create file c:\\\\")) << first;
    EXPECT_TRUE(first.ends_with("\\\\Intro.mp3")) << first;
    EXPECT_NE(lines.find("AC/DC\tnot copied: the copy stopped at an earlier song\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("intro\tnot copied: the copy stopped at an earlier song\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(run.err.find("the copy stopped: Cannot create file"), std::string::npos) << run.err;
    EXPECT_EQ(DestFiles(), (std::vector<std::string>{"Intro.mp3"}));
    EXPECT_TRUE(fs::is_directory(Dest("Intro.mp3")));
}

TEST_F(CliCopyTest, NoMatchingSongIsAFailureThatCopiesNothing) {
    const CliRun run = Run(Copy({"--title", "Nothing like it"}));

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no song"), std::string::npos) << run.err;
    EXPECT_TRUE(DestFiles().empty());
}

TEST_F(CliCopyTest, WrongArgumentsAndMissingFoldersAreUsageErrors) {
    testsupport::TempFolder notAnIPod;
    const std::vector<std::vector<std::string>> cases = {
        {"copy"},
        {"copy", ipod_.Str()},
        {"copy", ipod_.Str(), dest_.Str()},
        {"copy", ipod_.Str(), dest_.Str(), "--all", "extra"},
        {"copy", ipod_.Str(), dest_.Str(), "--all", "--fast"},
        {"copy", ipod_.Str(), dest_.Str(), "--title"},
        {"copy", ipod_.Str(), dest_.Str(), "--all", "--overwrite", "--no-overwrite"},
        {"copy", (ipod_.Path() / "absent").string(), dest_.Str(), "--all"},
        {"copy", ipod_.Str(), (dest_.Path() / "absent").string(), "--all"},
        {"copy", ipod_.Str(), Dest("file"), "--all"},
        {"copy", notAnIPod.Str(), dest_.Str(), "--all"},
    };
    dest_.WriteFile("file", "not a folder");
    for (const auto& args : cases) {
        SCOPED_TRACE(args.size() > 3 ? args.back() : args.size() > 1 ? args[1] : args[0]);
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(DestFiles(), (std::vector<std::string>{"file"}));
}

} // namespace

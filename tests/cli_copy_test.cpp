#include "platform/registry.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

// Waits, a little at a time, until `ready` holds; false if it never did within a minute.
template <typename Condition> bool Eventually(Condition ready) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        usleep(5000);
    }
    return true;
}

class CliCopyTest : public testing::Test {
protected:
    void SetUp() override { WriteIPod(songs_); }

    void WriteIPod(const std::vector<SongFile>& songs) {
        itunesdb::DatabaseSpec database;
        std::int32_t id = 1;
        for (const SongFile& song : songs) {
            itunesdb::SongFields fields;
            fields.trackId = id++;
            fields.title = song.title;
            fields.location = std::u16string(song.location.begin(), song.location.end());
            fields.album = song.album;
            database.tracks.push_back(itunesdb::Song(fields));
            if (song.content) {
                ipod_.WriteFile(HostRelative(song.location), *song.content);
            }
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

    // Starts the built quillmere-cli with `home_` as its data folder, its standard output into
    // the file "out" and its standard error into `errFile` (a file or a terminal).
    pid_t Spawn(std::vector<std::string> args, const std::string& errFile) {
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

        const fs::path outFile = scratch_.Path() / "out";
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
        return spawned == 0 ? child : -1;
    }

    // Waits for a child of Spawn; `err` is read from the file it wrote, unless given.
    CliRun Finish(pid_t child, std::optional<std::string> err = std::nullopt) {
        CliRun run;
        int waitStatus = 0;
        if (child <= 0 || waitpid(child, &waitStatus, 0) != child)
            return run;
        run.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
        run.out = testsupport::ReadFile(scratch_.Path() / "out");
        run.err = err ? *err : testsupport::ReadFile(ErrFile());
        return run;
    }

    CliRun Run(std::vector<std::string> args) {
        return Finish(Spawn(std::move(args), ErrFile()));
    }

    // Runs it with standard error on a terminal of `columns` columns; `err` is what it showed.
    CliRun RunOnTerminal(std::vector<std::string> args, unsigned short columns) {
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
            return {};
        const winsize size{24, columns, 0, 0};
        ioctl(terminal, TIOCSWINSZ, &size);
        const pid_t child = Spawn(std::move(args), ptsname(terminal));
        // Read as it comes, so that a full terminal never holds the program up.
        std::string shown;
        char buffer[4096];
        for (;;) {
            pollfd ready{terminal, POLLIN, 0};
            if (poll(&ready, 1, 100) > 0) {
                const ssize_t n = read(terminal, buffer, sizeof buffer);
                if (n > 0) {
                    shown.append(buffer, static_cast<std::size_t>(n));
                    continue;
                }
            }
            siginfo_t ended{};
            if (waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                ended.si_pid == child)
                break;
        }
        close(terminal);
        return Finish(child, shown);
    }

    std::string ErrFile() const { return (scratch_.Path() / "err").string(); }

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
    EXPECT_NE(run.err.find("1 of 4 songs was not copied"), std::string::npos) << run.err;
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
    // The reason names the file as the system does.
    EXPECT_EQ(first, "Intro\tnot copied: Cannot create file " + Dest("Intro.mp3"));
    EXPECT_NE(lines.find("AC/DC\tnot copied: the copy stopped at an earlier song\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("intro\tnot copied: the copy stopped at an earlier song\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(run.err.find("the copy stopped: Cannot create file " + Dest("Intro.mp3") + "\n"),
              std::string::npos)
        << run.err;
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

TEST_F(CliCopyTest, OnATerminalOneLineShowsHowFarTheCopyHasComeUnlessQuiet) {
    const CliRun shown = RunOnTerminal(Copy({"--all"}), 100);

    EXPECT_EQ(shown.status, 1) << shown.err;
    EXPECT_EQ(shown.out.substr(0, shown.out.find('\n')), "Intro\t" + Dest("Intro.mp3"));
    // The line of the first song, drawn over whatever stood on the row, and wiped at the end
    // before the summary.
    EXPECT_NE(shown.err.find("\r\x1b[K0/4 songs  0 B of 8.10 kB  Intro"), std::string::npos)
        << shown.err;
    const std::size_t summary = shown.err.find("quillmere-cli copy: 1 of 4 songs");
    ASSERT_NE(summary, std::string::npos) << shown.err;
    EXPECT_TRUE(shown.err.substr(0, summary).ends_with("\r\x1b[K")) << shown.err;
    EXPECT_EQ(shown.err.substr(0, summary).find('\n'), std::string::npos) << shown.err;

    fs::remove_all(dest_.Path());
    fs::create_directories(dest_.Path());
    const CliRun quiet = RunOnTerminal(Copy({"--all", "--quiet"}), 100);
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.err.find('\x1b'), std::string::npos) << quiet.err;
    EXPECT_NE(quiet.err.find("1 of 4 songs was not copied"), std::string::npos) << quiet.err;
}

TEST_F(CliCopyTest, AnInterruptRemovesTheSongInProgressKeepsTheOthersAndSaysWhichIsWhich) {
    const std::vector<SongFile> songs{
        {u"First", ":iPod_Control:Music:F00:AAAA.mp3", Pattern(5000, 1), u"One"},
        {u"Big", ":iPod_Control:Music:F01:BBBB.mp3", std::string(), u"One"},
        {u"Last", ":iPod_Control:Music:F02:CCCC.mp3", Pattern(100, 3), u"One"},
    };
    WriteIPod(songs);
    fs::resize_file(ipod_.Path() / "iPod_Control/Music/F01/BBBB.mp3", 64 << 20);
    struct Case {
        int signal;
        int status;
    };
    for (const Case c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
        SCOPED_TRACE(c.signal);
        fs::remove_all(dest_.Path());
        fs::create_directories(dest_.Path());
        const pid_t child = Spawn(Copy({"--all"}), ErrFile());
        ASSERT_GT(child, 0);

        // Caught in the middle of the big song: the first is in place, the big one is still
        // being written under its temporary name.
        bool midway = false;
        ASSERT_TRUE(Eventually([&] {
            kill(child, SIGSTOP);
            int status = 0;
            waitpid(child, &status, WUNTRACED);
            midway = fs::exists(Dest("First.mp3")) && DestFiles().size() == 2 &&
                     !fs::exists(Dest("Big.mp3"));
            if (midway || fs::exists(Dest("Big.mp3")))
                return true;
            kill(child, SIGCONT);
            return false;
        }));
        ASSERT_TRUE(midway) << "the big song was copied before it could be interrupted";
        kill(child, c.signal);
        kill(child, SIGCONT);

        const CliRun run = Finish(child);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, "First\t" + Dest("First.mp3") + "\n" +
                               "Big\tnot copied: interrupted\n" +
                               "Last\tnot copied: interrupted\n");
        EXPECT_NE(run.err.find("quillmere-cli copy: interrupted; stopping"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("quillmere-cli copy: interrupted: 1 of 3 songs copied\n"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("2 of 3 songs were not copied"), std::string::npos) << run.err;
        EXPECT_EQ(DestFiles(), (std::vector<std::string>{"First.mp3"}));
        EXPECT_TRUE(testsupport::ReadFile(Dest("First.mp3")) == *songs[0].content);
    }
}

} // namespace

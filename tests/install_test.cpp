// `cmake --install` into a fresh prefix, as a person or a packager runs it: every file in its
// place, the desktop files accepted by Debian's validators, and the installed programs running
// from the prefix alone, with the build folder hidden under an empty file system.
#include "app/product_addresses.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string AppId = QUILLMERE_APP_ID;
const fs::path BuildFolder = QUILLMERE_BUILD_FOLDER;

struct Ran {
    int status = -1; // exit status; 128 + signal when killed
    std::string out;
    std::string err;
};

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::vector<std::string> environment = extra;
    for (char** variable = environ; *variable; ++variable)
        environment.emplace_back(*variable);
    return environment;
}

// Starts `args` with standard output and error into files of `scratch`.
pid_t Start(std::vector<std::string> args, const fs::path& scratch,
            const std::vector<std::string>& extraEnvironment = {}) {
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = Environment(extraEnvironment);
    std::vector<char*> envp;
    for (auto& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (scratch / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (scratch / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

Ran Finish(pid_t child, const fs::path& scratch) {
    Ran run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child)
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = testsupport::ReadFile(scratch / "out");
    run.err = testsupport::ReadFile(scratch / "err");
    return run;
}

Ran RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& extra = {}) {
    testsupport::TempFolder scratch;
    return Finish(Start(args, scratch.Path(), extra), scratch.Path());
}

// Width and height of a PNG file, from its header.
std::pair<int, int> PngSize(const fs::path& path) {
    const std::string bytes = testsupport::ReadFile(path);
    if (bytes.size() < 24 || bytes.substr(1, 3) != "PNG")
        return {0, 0};
    auto number = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = at; i < at + 4; ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {number(16), number(20)};
}

// The value of `key` in a desktop entry's text.
std::string EntryValue(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(key + "="))
            return line.substr(key.size() + 1);
    return {};
}

class InstallTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A prefix with a space: the desktop entry has to quote the program's path.
        prefix_ = new testsupport::TempFolder;
        installed_ = new Ran(RunProgram(
            {QUILLMERE_CMAKE, "--install", BuildFolder.string(), "--prefix", Prefix().string()}));
    }
    static void TearDownTestSuite() {
        delete installed_;
        delete prefix_;
    }
    static fs::path Prefix() { return prefix_->Path() / "my prefix"; }

    static testsupport::TempFolder* prefix_;
    static Ran* installed_;
};

testsupport::TempFolder* InstallTest::prefix_ = nullptr;
Ran* InstallTest::installed_ = nullptr;

TEST_F(InstallTest, EveryFileLandsInItsPlace) {
    ASSERT_EQ(installed_->status, 0) << installed_->out << installed_->err;
    std::vector<fs::path> expected = {"bin/quillmere-cli", "share/man/man1/quillmere-cli.1",
                                      "share/doc/quillmere/guide.html"};
    if (QUILLMERE_WITH_WINDOWS) {
        expected.insert(expected.end(),
                        {"bin/quillmere", "share/applications/" + AppId + ".desktop",
                         "share/metainfo/" + AppId + ".metainfo.xml",
                         "share/icons/hicolor/scalable/apps/" + AppId + ".svg"});
        for (const int size : {16, 32, 48, 64, 128, 256}) {
            const std::string sized = std::to_string(size) + "x" + std::to_string(size);
            const fs::path icon = "share/icons/hicolor/" + sized + "/apps/" + AppId + ".png";
            expected.push_back(icon);
            EXPECT_EQ(PngSize(Prefix() / icon), std::make_pair(size, size)) << icon;
        }
    }
    for (const fs::path& file : expected)
        EXPECT_TRUE(fs::is_regular_file(Prefix() / file)) << file;

    // The manual page is the program's own help.
    const std::string manual = testsupport::ReadFile(Prefix() / "share/man/man1/quillmere-cli.1");
    EXPECT_NE(manual.find(".TH QUILLMERE-CLI \"1\""), std::string::npos) << manual.substr(0, 300);
    EXPECT_NE(manual.find(QUILLMERE_VERSION), std::string::npos);
    EXPECT_NE(manual.find("\\-\\-quiet"), std::string::npos);
}

TEST_F(InstallTest, TheDesktopEntryAndTheMetadataPassTheValidators) {
    if (!QUILLMERE_WITH_WINDOWS)
        GTEST_SKIP() << "built without windows: no desktop entry";
    ASSERT_EQ(installed_->status, 0) << installed_->err;
    const fs::path entry = Prefix() / ("share/applications/" + AppId + ".desktop");
    const fs::path metadata = Prefix() / ("share/metainfo/" + AppId + ".metainfo.xml");

    const Ran desktop = RunProgram({"desktop-file-validate", entry.string()});
    EXPECT_EQ(desktop.status, 0) << desktop.out << desktop.err;
    // Hints are advice (two main categories are meant: audio and utility); nothing worse.
    EXPECT_EQ(desktop.out.find("error:"), std::string::npos) << desktop.out;
    EXPECT_EQ(desktop.out.find("warning:"), std::string::npos) << desktop.out;
    const Ran appstream = RunProgram({"appstreamcli", "validate", "--no-net", metadata.string()});
    EXPECT_EQ(appstream.status, 0) << appstream.out << appstream.err;

    const std::string text = testsupport::ReadFile(entry);
    EXPECT_EQ(EntryValue(text, "Name"), "Quillmere");
    EXPECT_EQ(EntryValue(text, "Exec"), "\"" + (Prefix() / "bin/quillmere").string() + "\"");
    EXPECT_EQ(EntryValue(text, "Icon"), AppId);
    for (const std::string category : {"AudioVideo;", "Audio;", "Utility;"})
        EXPECT_NE(EntryValue(text, "Categories").find(category), std::string::npos) << category;
    for (const std::string keyword : {"iPod;", "music;", "copy;", "export;", "transfer;"})
        EXPECT_NE(EntryValue(text, "Keywords").find(keyword), std::string::npos) << keyword;
    const std::string meta = testsupport::ReadFile(metadata);
    for (const std::string& part :
         std::vector<std::string>{"<summary>", "<description>", "<screenshot type=\"default\">",
                                  "<launchable type=\"desktop-id\">" + AppId + ".desktop"})
        EXPECT_NE(meta.find(part), std::string::npos) << part;
}

TEST_F(InstallTest, TheInstalledProgramsNeedNothingFromTheBuildFolder) {
    ASSERT_EQ(installed_->status, 0) << installed_->err;
    std::vector<std::string> programs = {"quillmere-cli"};
    if (QUILLMERE_WITH_WINDOWS)
        programs.push_back("quillmere");
    for (const std::string& program : programs) {
        const Ran dynamic = RunProgram({"readelf", "-d", (Prefix() / "bin" / program).string()});
        ASSERT_EQ(dynamic.status, 0) << dynamic.err;
        EXPECT_EQ(dynamic.out.find(BuildFolder.string()), std::string::npos)
            << program << " looks for libraries in the build folder:\n"
            << dynamic.out;
    }
    // The user guide the installed program finds beside itself is the installed one.
    EXPECT_EQ(GuideAddressFor((Prefix() / "bin/quillmere").string()),
              FileAddress((Prefix() / "share/doc/quillmere/guide.html").string()));

    // An iPod and a data folder of the test's own, outside the build folder.
    testsupport::TempFolder world;
    itunesdb::SongFields song;
    song.trackId = 1;
    song.title = u"Intro";
    song.location = u":iPod_Control:Music:F00:AAAA.mp3";
    itunesdb::DatabaseSpec database;
    database.tracks.push_back(itunesdb::Song(song));
    const std::vector<std::byte> bytes = itunesdb::WriteITunesDB(database);
    world.WriteFile("ipod/iPod_Control/iTunes/iTunesDB",
                    std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    world.WriteFile("ipod/iPod_Control/Music/F00/AAAA.mp3", "music");
    world.WriteFile("home/drives", "e=" + (world.Path() / "ipod").string() + "\n");
    const fs::path report = world.Path() / "report";
    fs::create_directory(report);

    // The programs run in a mount namespace of their own, in which an empty file system covers
    // the build folder; what they would take from it is not there.
    const pid_t hidden = fork();
    if (hidden == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", BuildFolder.c_str(), "tmpfs", 0, "size=1m") != 0)
            _exit(77);
        std::ofstream out(report / "results");
        out << "build folder empty=" << fs::is_empty(BuildFolder) << "\n";
        const Ran version = RunProgram({(Prefix() / "bin/quillmere-cli").string(), "--version"});
        out << "version=" << version.status << " " << version.out;
        const Ran list = RunProgram(
            {(Prefix() / "bin/quillmere-cli").string(), "list", (world.Path() / "ipod").string()});
        out << "list=" << list.status << " " << (list.out.find("Intro\t") != std::string::npos)
            << "\n";
        if (QUILLMERE_WITH_WINDOWS) {
            // The window program runs until it is closed: it has started when it has set up
            // its settings; it is still running a moment later, and then it is ended.
            testsupport::TempFolder scratch;
            const pid_t window =
                Start({(Prefix() / "bin/quillmere").string()}, scratch.Path(),
                      {"QT_QPA_PLATFORM=offscreen", "QUILLMERE_HOME=" + (world.Path() / "home").string()});
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
            while (!fs::exists(world.Path() / "home/user.reg") &&
                   std::chrono::steady_clock::now() < giveUp && waitpid(window, nullptr, WNOHANG) == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::this_thread::sleep_for(std::chrono::seconds(1));
            kill(window, SIGTERM);
            const Ran ended = Finish(window, scratch.Path());
            out << "window=" << ended.status << " settings=" << fs::exists(world.Path() / "home/user.reg")
                << "\n"
                << ended.err;
        }
        out.flush();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(hidden, &status, 0), hidden);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no private mount namespace here: cannot hide the build folder";
    const std::string results = testsupport::ReadFile(report / "results");
    EXPECT_NE(results.find("build folder empty=1\n"), std::string::npos) << results;
    EXPECT_NE(results.find(std::string("version=0 quillmere-cli (Quillmere) ") + QUILLMERE_VERSION +
                           "\n"),
              std::string::npos)
        << results;
    EXPECT_NE(results.find("list=0 1\n"), std::string::npos) << results;
    if (QUILLMERE_WITH_WINDOWS) { // ended by the test, not by a fault of its own
        EXPECT_NE(results.find("window=" + std::to_string(128 + SIGTERM) + " settings=1\n"),
                  std::string::npos)
            << results;
    }
}

} // namespace

#include "tests/support/cli_runner.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;
namespace fs = std::filesystem;

const std::string kHeader = "Title\tFile Size\tAlbum\tArtist\tGenre\tFiletype\tComment\tEQSetting\t"
                            "Composer\tGrouping\tTrackId\tLocation\n";

struct CliRun : testsupport::CliRun {
    bool homeTouched = false; // anything written into the data folder
};

// Runs the built quillmere-cli with an en_US locale and a data folder of its own.
CliRun RunCli(const std::vector<std::string>& arguments) {
    testsupport::TempFolder scratch;
    const fs::path home = scratch.Path() / "home";
    fs::create_directory(home);
    CliRun run{testsupport::RunProgram(QUILLMERE_CLI_PATH, arguments, home), false};
    run.homeTouched = !fs::is_empty(home);
    return run;
}

itunesdb::SongFields Song(std::int32_t id, std::u16string title, std::u16string location) {
    itunesdb::SongFields fields;
    fields.trackId = id;
    fields.title = std::move(title);
    fields.location = std::move(location);
    return fields;
}

std::vector<itunesdb::SongFields> SampleSongs() {
    itunesdb::SongFields first = Song(11, u"Für Elise", u":iPod_Control:Music:F00:AAAA.mp3");
    first.album = u"Piano Works";
    first.artist = u"Beethoven";
    first.genre = u"Classical";
    first.fileType = u"MPEG audio file";
    first.comment = u"back\\slash\ttab\nline\rreturn";
    first.eqSetting = u"Classical";
    first.composer = u"Ludwig van Beethoven";
    first.grouping = u"Bagatelles";
    itunesdb::SongFields second = Song(-5, u"夜に駆ける", u":iPod_Control:Music:F01:BBBB.m4a");
    second.artist = u"YOASOBI";
    itunesdb::SongFields third = Song(0, u"", u"");
    return {first, second, third};
}

const std::string kSampleLines =
    "Für Elise\t3.45MB\tPiano Works\tBeethoven\tClassical\tMPEG audio file\t"
    "back\\\\slash\\ttab\\nline\\rreturn\tClassical\tLudwig van Beethoven\tBagatelles\t11\t"
    ":iPod_Control:Music:F00:AAAA.mp3\n"
    "夜に駆ける\t\t\tYOASOBI\t\t\t\t\t\t\t-5\t:iPod_Control:Music:F01:BBBB.m4a\n"
    "\t\t\t\t\t\t\t\t\t\t0\t\n";

Bytes Database(const std::vector<itunesdb::SongFields>& songs,
               std::vector<std::uint32_t> order = itunesdb::kOrderITunes,
               std::uint32_t headerLength = 0xBC) {
    itunesdb::DatabaseSpec database;
    database.headerLength = headerLength;
    database.sectionOrder = std::move(order);
    for (const auto& fields : songs) {
        database.tracks.push_back(itunesdb::Song(fields));
    }
    return itunesdb::WriteITunesDB(database);
}

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliListTest, PrintsEverySongInCatalogueOrder) {
    const std::vector<std::uint32_t> orders[] = {itunesdb::kOrderITunes, itunesdb::kOrderGtkpod,
                                                 itunesdb::kOrderOld};
    for (const auto& order : orders) {
        SCOPED_TRACE(testing::PrintToString(order));
        const Bytes database = Database(SampleSongs(), order, 0x68);
        testsupport::IPodFolder ipod(database);
        ipod.AddSongFile(":iPod_Control:Music:F00:AAAA.mp3", 3621468);
        const auto before = testsupport::ReadFile(ipod.DatabasePath());

        const CliRun run = RunCli({"list", ipod.Str()});

        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, kHeader + kSampleLines);
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(run.homeTouched) << "no registry, no drive-map file";
        EXPECT_EQ(testsupport::ReadFile(ipod.DatabasePath()), before);
    }
}

TEST(CliListTest, AllFieldsAddsTheTrackFactsAfterTheSongColumns) {
    std::vector<itunesdb::SongFields> songs = SampleSongs();
    songs[0].albumArtist = u"Various\tArtists";
    songs[0].numbers = {.compilation = true,
                        .lengthMs = 185'250,
                        .trackNumber = 4,
                        .trackCount = 11,
                        .year = 1810,
                        .discNumber = 1,
                        .discCount = 2};
    songs[1].numbers.lengthMs = 0;
    songs[2].numbers.lengthMs = 0;
    testsupport::IPodFolder ipod(Database(songs));
    ipod.AddSongFile(":iPod_Control:Music:F00:AAAA.mp3", 3621468);

    const CliRun plain = RunCli({"list", ipod.Str()});
    const CliRun all = RunCli({"list", "--all-fields", ipod.Str()});

    EXPECT_EQ(plain.out, kHeader + kSampleLines) << "the facts only when asked for";
    std::string expected = kHeader;
    expected.insert(expected.size() - 1, "\tAlbum Artist\tTrack\tTrack Count\tDisc\tDisc Count"
                                         "\tYear\tCompilation\tLength (ms)");
    const char* facts[] = {"\tVarious\\tArtists\t4\t11\t1\t2\t1810\t1\t185250",
                           "\t\t0\t0\t0\t0\t0\t0\t0", "\t\t0\t0\t0\t0\t0\t0\t0"};
    std::string lines = kSampleLines;
    for (std::size_t at = 0, line = 0; (at = lines.find('\n', at)) != std::string::npos; ++line) {
        lines.insert(at, facts[line]);
        at += std::string(facts[line]).size() + 1;
    }
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, expected + lines);
    EXPECT_EQ(all.err, "");
}

TEST(CliListTest, FolderGivenRelativeOrWithATrailingSlash) {
    testsupport::IPodFolder ipod(Database({Song(3, u"Only", u":iPod_Control:Music:F00:X.mp3")}));
    const std::string expected =
        kHeader + "Only\t\t\t\t\t\t\t\t\t\t3\t:iPod_Control:Music:F00:X.mp3\n";
    const fs::path previous = fs::current_path();
    fs::current_path(ipod.Path().parent_path());

    const CliRun relative = RunCli({"list", ipod.Path().filename().string()});
    const CliRun slash = RunCli({"list", ipod.Str() + "/"});
    fs::current_path(previous);

    EXPECT_EQ(relative.status, 0);
    EXPECT_EQ(relative.out, expected);
    EXPECT_EQ(slash.status, 0);
    EXPECT_EQ(slash.out, expected);
}

TEST(CliListTest, EmptyTrackListPrintsTheHeaderOnly) {
    testsupport::IPodFolder ipod(Database({}));
    const CliRun run = RunCli({"list", ipod.Str()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kHeader);
}

TEST(CliListTest, RealDatabase) {
    const fs::path fixture = fs::path(QUILLMERE_FIXTURES_DIR) / "real/gtkpod-23-tracks";
    if (!fs::exists(fixture / "iPod_Control/iTunes/iTunesDB")) {
        GTEST_SKIP() << "no fixture at " << fixture;
    }
    const CliRun run = RunCli({"list", fixture.string()});

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(LineCount(run.out), 24u);
    EXPECT_EQ(run.out.substr(0, kHeader.size()), kHeader);
    const std::string last = "S06E01 – We Need to Talk About Ubuntu\t\tUbuntu Podcast » MP3\t"
                             "Ubuntu UK Podcast\tPodcast\tmp3\t\t\t\t\t74\t"
                             ":iPod_Control:Music:F00:libgpod863057.mp3\n";
    ASSERT_GE(run.out.size(), last.size());
    EXPECT_EQ(run.out.substr(run.out.size() - last.size()), last);
}

TEST(CliListTest, HostileDatabasesNeitherCrashNorHang) {
    const Bytes good = Database(SampleSongs(), {2, 1});
    std::vector<std::pair<std::string, Bytes>> cases;
    cases.emplace_back("empty file", Bytes{});
    cases.emplace_back("truncated", Bytes(good.begin(), good.begin() + good.size() / 2));
    Bytes huge = good;
    // Every count and length of the track list made as large as it goes.
    for (std::size_t offset = 0; offset + 4 <= huge.size(); offset += 4) {
        if (itunesdb::GetU32(huge, offset) < 0x1000 && itunesdb::GetU32(huge, offset) > 0) {
            itunesdb::PutU32(huge, offset, INT_MAX);
        }
    }
    cases.emplace_back("every small number at its maximum", huge);
    std::mt19937 random(7);
    Bytes noise(1 << 16);
    for (std::byte& b : noise) {
        b = static_cast<std::byte>(random() & 0xFF);
    }
    cases.emplace_back("random bytes", noise);
    Bytes zeros(1 << 16, std::byte{0});
    cases.emplace_back("zeros", zeros);

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        testsupport::IPodFolder ipod(bytes);
        const CliRun run = RunCli({"list", ipod.Str()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.substr(0, kHeader.size()), kHeader);
        EXPECT_LE(LineCount(run.out), 1 + bytes.size() / 20);
    }
}

TEST(CliListTest, FolderWithoutADatabaseIsAUsageError) {
    testsupport::TempFolder root;
    fs::create_directories(root.Path() / "no-database/iPod_Control/iTunes");
    fs::create_directories(root.Path() / "database-is-a-folder/iPod_Control/iTunes/iTunesDB");
    fs::create_directories(root.Path() / "empty");
    root.WriteFile("a-file", "not a folder");
    const struct {
        std::string folder;
        std::string message;
    } cases[] = {
        {(root.Path() / "no-database").string(), "no iPod database"},
        {(root.Path() / "database-is-a-folder").string(), "no iPod database"},
        {(root.Path() / "empty").string(), "no iPod database"},
        {(root.Path() / "missing").string(), "is not a folder"},
        {(root.Path() / "a-file").string(), "is not a folder"},
        {"", "is not a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const CliRun run = RunCli({"list", c.folder});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(CliListTest, DatabaseThatCannotBeReadIsAFailure) {
    testsupport::IPodFolder pipe;
    ASSERT_EQ(mkfifo(pipe.DatabasePath().c_str(), 0600), 0);
    testsupport::IPodFolder device;
    fs::create_symlink("/dev/zero", device.DatabasePath());

    for (const testsupport::IPodFolder* ipod : {&pipe, &device}) {
        const CliRun run = RunCli({"list", ipod->Str()});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("cannot read"), std::string::npos) << run.err;
    }
}

TEST(CliUsageTest, WrongArgumentsPrintTheUsage) {
    const std::vector<std::string> cases[] = {
        {},         {"list"},          {"list", "a", "b"},       {"lits", "a"},
        {"--list"}, {"--help", "list"}, {"--version", "list"}};
    for (const auto& arguments : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage: quillmere-cli list FOLDER"), std::string::npos) << run.err;
    }
}

TEST(CliUsageTest, HelpPrintsTheUsageAndSucceeds) {
    const CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: quillmere-cli list FOLDER"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST(CliUsageTest, VersionNamesTheProgramAndTheProjectsVersion) {
    const CliRun run = RunCli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("quillmere-cli (Quillmere) ") + QUILLMERE_VERSION + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.homeTouched);
}

} // namespace

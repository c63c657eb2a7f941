#include "tests/support/bytes.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_folder.h"
#include "tools/audio_writer.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::byte>;
using namespace std::string_view_literals;

const std::string kHeader = "Title\tFile Size\tAlbum\tArtist\tGenre\tFiletype\tComment\tEQSetting\t"
                            "Composer\tGrouping\tTrackId\tLocation\n";

audiowriter::Tags TagsOf(const std::string& title, const std::string& artist) {
    audiowriter::Tags tags;
    tags.title = title;
    tags.album = "Lost Album";
    tags.artist = artist;
    tags.genre = "Rock";
    tags.composer = "Someone";
    tags.comment = "A\tcomment";
    tags.grouping = "Group";
    return tags;
}

// An iPod folder as the user meets it, and the quillmere-cli that reads it.
class CliScanTest : public testing::Test {
protected:
    void Put(const std::string& relative, const Bytes& bytes) { ipod_.WriteFile(relative, bytes); }

    // Song files of three formats and a few files that are not songs; no database.
    void PutSongFiles() {
        const std::vector<audiowriter::Note> notes = {{440, 0.5}};
        const auto samples = audiowriter::RenderNotes(notes, 8000);
        mp3_ = audiowriter::WriteMp3(notes, TagsOf("Für Elise", "Beethoven"));
        m4a_ = audiowriter::WriteAlacM4a(samples, 8000, TagsOf("夜に駆ける", "YOASOBI"));
        wav_ = audiowriter::WriteWav(samples, 8000);
        Put("iPod_Control/Music/F12/KXQZ.mp3", mp3_);
        Put("iPod_Control/Music/F03/ABCD.m4a", m4a_);
        Put("iPod_Control/Music/F03/WXYZ.wav", wav_);
        Put("iPod_Control/Music/F03/.DS_Store", testsupport::BytesOf("\0\0\0\1Bud1"sv));
        Put("iPod_Control/Music/F12/HALF.mp3", {});
        Put("iPod_Control/Artwork/F1_1.ithmb", Bytes(4096, std::byte{0xFF}));
        fs::create_directories(ipod_.Path() / "iPod_Control/iTunes");
    }

    std::string ExpectedLines() const {
        return "夜に駆ける\t" + SizeText(m4a_) +
               "\tLost Album\tYOASOBI\tRock\tApple Lossless audio file\tA\\tcomment\t\tSomeone\t"
               "Group\t0\t:iPod_Control:Music:F03:ABCD.m4a\n"
               "WXYZ\t" +
               SizeText(wav_) +
               "\t\t\t\tWAV audio file\t\t\t\t\t0\t:iPod_Control:Music:F03:WXYZ.wav\n"
               "Für Elise\t" +
               SizeText(mp3_) +
               "\tLost Album\tBeethoven\tRock\tMPEG audio file\tA\\tcomment\t\tSomeone\tGroup\t0\t"
               ":iPod_Control:Music:F12:KXQZ.mp3\n";
    }

    // Small files: "0.00MB".
    static std::string SizeText(const Bytes& bytes) {
        EXPECT_LT(bytes.size(), 10485u);
        return "0.00MB";
    }

    testsupport::CliRun Run(const std::vector<std::string>& arguments) const {
        return testsupport::RunProgram(QUILLMERE_CLI_PATH, arguments, home_.Path());
    }

    testsupport::TempFolder ipod_;
    testsupport::TempFolder home_;
    Bytes mp3_;
    Bytes m4a_;
    Bytes wav_;
};

TEST_F(CliScanTest, ListScanReadsTheSongFilesOfAniPodWithoutDatabase) {
    PutSongFiles();

    const testsupport::CliRun before = Run({"list", ipod_.Str()});
    const testsupport::CliRun scan = Run({"list", ipod_.Str(), "--scan"});
    const testsupport::CliRun flagFirst = Run({"list", "--scan", ipod_.Str()});

    EXPECT_EQ(before.status, 2);
    EXPECT_NE(before.err.find("no iPod database"), std::string::npos) << before.err;
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out, kHeader + ExpectedLines());
    EXPECT_EQ(scan.err, "");
    EXPECT_EQ(flagFirst.out, scan.out);
}

TEST_F(CliScanTest, TheScanWinsOverADatabaseThatReadsNoTracksOrEvenAGoodOne) {
    PutSongFiles();
    itunesdb::SongFields fields;
    fields.trackId = 9;
    fields.title = u"Only in the database";
    fields.location = u":iPod_Control:Music:F12:KXQZ.mp3";
    itunesdb::DatabaseSpec database;
    database.tracks = {itunesdb::Song(fields)};
    const Bytes good = itunesdb::WriteITunesDB(database);
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"zeros", Bytes(4096, std::byte{0})},
        {"good", good},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("iPod_Control/iTunes/iTunesDB", c.bytes);

        const testsupport::CliRun run = Run({"list", ipod_.Str(), "--scan"});

        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kHeader + ExpectedLines());
    }
}

TEST_F(CliScanTest, AFolderWithoutMusicIsAUsageError) {
    fs::create_directories(ipod_.Path() / "iPod_Control/iTunes");
    const testsupport::CliRun run = Run({"list", ipod_.Str(), "--scan"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no iPod_Control/Music folder"), std::string::npos) << run.err;
}

TEST_F(CliScanTest, CopyScanCopiesTheSongsNamedAfterTheirTags) {
    PutSongFiles();
    testsupport::TempFolder destination;

    const testsupport::CliRun run =
        Run({"copy", ipod_.Str(), destination.Str(), "--all", "--scan"});

    EXPECT_EQ(run.status, 0) << run.err;
    const fs::path elise = destination.Path() / "Für Elise.mp3";
    const fs::path yoru = destination.Path() / "夜に駆ける.m4a";
    const fs::path wav = destination.Path() / "WXYZ.wav";
    EXPECT_EQ(run.out, "夜に駆ける\t" + yoru.string() + "\nWXYZ\t" + wav.string() +
                           "\nFür Elise\t" + elise.string() + "\n");
    EXPECT_EQ(testsupport::ReadFile(elise),
              std::string(reinterpret_cast<const char*>(mp3_.data()), mp3_.size()));
    EXPECT_EQ(fs::file_size(yoru), m4a_.size());
    EXPECT_EQ(fs::file_size(wav), wav_.size());
}

// --- Compressed databases through the command line ------------------------------------------

TEST_F(CliScanTest, ListReadsACompressedDatabaseLikeThePlainOne) {
    Bytes plain;
    const fs::path fixture =
        fs::path(QUILLMERE_FIXTURES_DIR) / "real/gtkpod-23-tracks/iPod_Control/iTunes/iTunesDB";
    if (fs::exists(fixture)) {
        plain = testsupport::BytesOf(testsupport::ReadFile(fixture));
    } else {
        itunesdb::SongFields fields;
        fields.title = u"Generated";
        fields.location = u":iPod_Control:Music:F00:A.mp3";
        itunesdb::DatabaseSpec database;
        database.headerLength = 0xF4;
        database.tracks = {itunesdb::Song(fields)};
        plain = itunesdb::WriteITunesDB(database);
    }
    Put("iPod_Control/iTunes/iTunesDB", plain);
    const testsupport::CliRun expected = Run({"list", ipod_.Str()});
    ASSERT_EQ(expected.status, 0);
    Put("iPod_Control/iTunes/iTunesDB", {});
    Put("iPod_Control/iTunes/iTunesCDB", itunesdb::CompressDatabase(plain));

    const testsupport::CliRun compressed = Run({"list", ipod_.Str()});

    EXPECT_EQ(compressed.status, 0) << compressed.err;
    EXPECT_EQ(compressed.out, expected.out);
    EXPECT_GT(std::count(compressed.out.begin(), compressed.out.end(), '\n'), 1);
}

TEST_F(CliScanTest, ListOfADamagedCompressedDatabaseFailsWithAStreamReadError) {
    itunesdb::DatabaseSpec database;
    database.headerLength = 0xF4;
    const Bytes compressed = itunesdb::CompressDatabase(itunesdb::WriteITunesDB(database));
    Put("iPod_Control/iTunes/iTunesCDB", Bytes(compressed.begin(), compressed.end() - 3));

    const testsupport::CliRun run = Run({"list", ipod_.Str()});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(": Stream read error"), std::string::npos) << run.err;
}

} // namespace

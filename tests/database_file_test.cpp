#include "app/database/database_file.h"
#include "app/database/iPodcomponent.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/bytes.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/zlib_streams.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::byte>;
using itunesdb::Layout;
using testsupport::DeflatedZeros;
using testsupport::Flipped;

itunesdb::DatabaseSpec NumberedSongs(const std::u16string& prefix, int count,
                                     std::vector<std::uint32_t> order = itunesdb::kOrderITunes,
                                     std::uint32_t headerLength = 0xF4) {
    itunesdb::DatabaseSpec database;
    database.headerLength = headerLength;
    database.sectionOrder = std::move(order);
    for (int i = 0; i < count; ++i) {
        itunesdb::SongFields fields;
        fields.trackId = 10 + i;
        fields.title = prefix + platform::text::AnsiToWide(std::to_string(i));
        fields.location = u":iPod_Control:Music:F0" + std::u16string(1, u'0' + i % 10) + u":" +
                          fields.title + u".mp3";
        fields.album = u"Album of " + prefix;
        fields.artist = u"Artist " + platform::text::AnsiToWide(std::to_string(i % 7));
        fields.fileType = u"MPEG audio file";
        database.tracks.push_back(itunesdb::Song(fields));
    }
    return database;
}

Bytes Database(const std::u16string& prefix, int count) {
    return itunesdb::WriteITunesDB(NumberedSongs(prefix, count));
}

std::vector<std::u16string> Titles(const TiPod& pod) {
    std::vector<std::u16string> titles;
    for (const TSong& song : pod.Songs) {
        titles.push_back(song.Title);
    }
    return titles;
}

std::vector<std::u16string> TitlesOf(const std::u16string& prefix, int count) {
    std::vector<std::u16string> titles;
    for (int i = 0; i < count; ++i) {
        titles.push_back(prefix + platform::text::AnsiToWide(std::to_string(i)));
    }
    return titles;
}

void ExpectSameCatalogue(const TiPod& actual, const TiPod& expected) {
    EXPECT_EQ(actual.SongCount, expected.SongCount);
    ASSERT_EQ(actual.Songs.size(), expected.Songs.size());
    for (std::size_t i = 0; i < expected.Songs.size(); ++i) {
        EXPECT_EQ(actual.Songs[i], expected.Songs[i]) << "song " << i;
    }
    for (int type = 0; type < 4; ++type) {
        EXPECT_EQ(actual.SectionTable[type], expected.SectionTable[type]) << "section " << type;
    }
}

void ExpectStreamReadError(TiPod& pod) {
    try {
        pod.LoadDatabase();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::OsError& error) {
        EXPECT_EQ(std::string(error.what()), "Stream read error");
    }
}

Bytes RealDatabase() {
    const fs::path path =
        fs::path(QUILLMERE_FIXTURES_DIR) / "real/gtkpod-23-tracks/iPod_Control/iTunes/iTunesDB";
    if (!fs::exists(path)) {
        return {};
    }
    return testsupport::BytesOf(testsupport::ReadFile(path));
}

class DatabaseFileTest : public testing::Test {
protected:
    void TearDown() override { platform::files::SetFaultHook(nullptr); }

    // A catalogue that already holds another iPod's songs, so that a load that reads nothing
    // shows.
    TiPod Earlier() {
        testsupport::IPodFolder other(Database(u"Earlier ", 2), 'f');
        TiPod pod;
        pod.DriveRoot = other.DriveRoot();
        pod.LoadDatabase();
        ipod_ = std::make_unique<testsupport::IPodFolder>();
        pod.DriveRoot = ipod_->DriveRoot();
        return pod;
    }

    std::unique_ptr<testsupport::IPodFolder> ipod_ = std::make_unique<testsupport::IPodFolder>();
};

// --- Which file is the database -------------------------------------------------------------

TEST_F(DatabaseFileTest, TheCompressedFileWinsWhenItHoldsAnything) {
    enum class Cdb { Absent, Empty, Compressed, FlagClear, CompressedOtherCase };
    enum class Db { Absent, Empty, Stale };
    const Bytes current = Database(u"Current ", 3);
    const struct {
        const char* name;
        Cdb cdb;
        Db db;
        std::vector<std::u16string> titles; // empty: the earlier iPod's songs stay
        const char* path;
    } cases[] = {
        {"compressed alone", Cdb::Compressed, Db::Absent, TitlesOf(u"Current ", 3), "iTunesCDB"},
        {"beside an empty iTunesDB", Cdb::Compressed, Db::Empty, TitlesOf(u"Current ", 3),
         "iTunesCDB"},
        {"beside a stale iTunesDB", Cdb::Compressed, Db::Stale, TitlesOf(u"Current ", 3),
         "iTunesCDB"},
        {"named in other letters", Cdb::CompressedOtherCase, Db::Stale, TitlesOf(u"Current ", 3),
         "iTunesCDB"},
        {"body stored as it is", Cdb::FlagClear, Db::Stale, TitlesOf(u"Current ", 3), "iTunesCDB"},
        {"empty iTunesCDB, iTunesDB read", Cdb::Empty, Db::Stale, TitlesOf(u"Stale ", 4),
         "itunesdb"},
        {"iTunesDB alone", Cdb::Absent, Db::Stale, TitlesOf(u"Stale ", 4), "itunesdb"},
        {"empty iTunesCDB and no iTunesDB", Cdb::Empty, Db::Absent, {}, "itunesdb"},
        {"neither", Cdb::Absent, Db::Absent, {}, "itunesdb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TiPod pod = Earlier();
        const fs::path folder = ipod_->CompressedDatabasePath().parent_path();
        if (c.db == Db::Empty) {
            ipod_->WriteDatabase({});
        } else if (c.db == Db::Stale) {
            ipod_->WriteDatabase(Database(u"Stale ", 4));
        }
        switch (c.cdb) {
        case Cdb::Absent:
            break;
        case Cdb::Empty:
            ipod_->WriteCompressedDatabase({});
            break;
        case Cdb::Compressed:
            ipod_->WriteCompressedDatabase(itunesdb::CompressDatabase(current));
            break;
        case Cdb::FlagClear:
            ipod_->WriteCompressedDatabase(current);
            break;
        case Cdb::CompressedOtherCase:
            ipod_->WriteCompressedDatabase(itunesdb::CompressDatabase(current));
            fs::rename(ipod_->CompressedDatabasePath(), folder / "ITUNESCDB");
            break;
        }

        pod.LoadDatabase();

        const auto expected = c.titles.empty() ? TitlesOf(u"Earlier ", 2) : c.titles;
        EXPECT_EQ(Titles(pod), expected);
        EXPECT_EQ(pod.DatabasePath(), "e:\\iPod_Control\\iTunes\\" + std::string(c.path));
    }
}

TEST_F(DatabaseFileTest, AnEmptyITunesDBWithoutACompressedOneIsStillRead) {
    TiPod pod = Earlier();
    ipod_->WriteDatabase({});
    ipod_->WriteCompressedDatabase({});
    pod.LoadDatabase();
    EXPECT_TRUE(pod.Songs.empty());
    EXPECT_EQ(pod.SongCount, 0);
}

// --- Compressed databases read like plain ones ----------------------------------------------

TEST_F(DatabaseFileTest, CompressedDatabasesReadFieldByFieldLikeTheirPlainFiles) {
    const std::vector<std::uint32_t> orders[] = {
        itunesdb::kOrderITunes, itunesdb::kOrderOld, itunesdb::kOrderGtkpod, {2, 1}};
    for (const auto& order : orders) {
        for (const std::uint32_t header : {0xBCu, 0xF4u}) {
            SCOPED_TRACE(testing::PrintToString(order) + " header " + std::to_string(header));
            itunesdb::DatabaseSpec songs = NumberedSongs(u"Song ", 30, order, header);
            songs.tracks[3].objects.push_back(itunesdb::VideoData());
            songs.tracks[4].objects.push_back(itunesdb::Utf8Text(itunesdb::kComposer, "Dvořák"));
            const Bytes plain = itunesdb::WriteITunesDB(songs);
            ipod_->AddSongFile(":iPod_Control:Music:F01:Song 1.mp3", 3621468);
            ipod_->WriteDatabase(plain);
            TiPod expected;
            expected.DriveRoot = ipod_->DriveRoot();
            expected.LoadDatabase();
            ipod_->WriteDatabase({});
            ipod_->WriteCompressedDatabase(itunesdb::CompressDatabase(plain));

            TiPod pod;
            pod.DriveRoot = ipod_->DriveRoot();
            pod.LoadDatabase();

            ExpectSameCatalogue(pod, expected);
            EXPECT_EQ(pod.Songs[1].SizeText, u"3.45MB");
            EXPECT_EQ(pod.Songs[4].Composer, u"Dvořák");
            fs::remove(ipod_->CompressedDatabasePath());
        }
    }
}

TEST_F(DatabaseFileTest, RealDatabaseCompressedReadsLikeThePlainFile) {
    const Bytes plain = RealDatabase();
    if (plain.empty()) {
        GTEST_SKIP() << "no fixture in " << QUILLMERE_FIXTURES_DIR;
    }
    ipod_->WriteDatabase(plain);
    TiPod expected;
    expected.DriveRoot = ipod_->DriveRoot();
    expected.LoadDatabase();
    ASSERT_EQ(expected.SongCount, 23);
    const Bytes compressed = itunesdb::CompressDatabase(plain);
    ASSERT_LT(compressed.size(), plain.size());

    const struct {
        const char* name;
        std::optional<Bytes> beside;
    } cases[] = {
        {"no iTunesDB", std::nullopt},
        {"an empty iTunesDB", Bytes{}},
        {"a stale iTunesDB", Database(u"Stale ", 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(ipod_->DatabasePath());
        if (c.beside) {
            ipod_->WriteDatabase(*c.beside);
        }
        ipod_->WriteCompressedDatabase(compressed);
        TiPod pod;
        pod.DriveRoot = ipod_->DriveRoot();

        pod.LoadDatabase();

        ExpectSameCatalogue(pod, expected);
        EXPECT_EQ(DatabaseFile::Find(ipod_->DriveRoot())->StatedTrackCount(), 23);
    }
}

// --- Hostile compressed files ---------------------------------------------------------------

TEST_F(DatabaseFileTest, DamagedCompressedFilesFailAndLeaveTheCatalogue) {
    const Bytes good = itunesdb::CompressDatabase(Database(u"Current ", 20));
    const std::size_t header = 0xF4;
    Bytes notZlib = Database(u"Current ", 20);
    notZlib[0xA8] = std::byte{1}; // says compressed, holds a plain body
    Bytes bomb(good.begin(), good.begin() + header);
    const Bytes zeros = DeflatedZeros(64); // 64 MiB from well under 100 KiB: far past 256 times
    bomb.insert(bomb.end(), zeros.begin(), zeros.end());
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"header only", Bytes(good.begin(), good.begin() + header)},
        {"cut after the stream's header", Bytes(good.begin(), good.begin() + header + 2)},
        {"cut in the middle", Bytes(good.begin(), good.begin() + (header + good.size()) / 2)},
        {"cut one byte short", Bytes(good.begin(), good.end() - 1)},
        {"a byte of the stream changed", Flipped(good, header + (good.size() - header) / 3)},
        {"its checksum changed", Flipped(good, good.size() - 1)},
        {"flag set on a plain body", notZlib},
        {"inflating without end", bomb},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TiPod pod = Earlier();
        const TiPod before = pod;
        ipod_->WriteDatabase(Database(u"Stale ", 4));
        ipod_->WriteCompressedDatabase(c.bytes);

        ExpectStreamReadError(pod);

        ExpectSameCatalogue(pod, before);
    }
}

TEST_F(DatabaseFileTest, HeadersThatCannotHoldTheFlagReadAsTheyStand) {
    Bytes shortHeader =
        itunesdb::WriteITunesDB(NumberedSongs(u"Short ", 3, itunesdb::kOrderOld, 0xA8));
    shortHeader[0xA8] = std::byte{1}; // the first byte after the header, not a flag
    Bytes beyondTheFile = itunesdb::CompressDatabase(Database(u"Current ", 3));
    itunesdb::PutU32(beyondTheFile, 4, static_cast<std::uint32_t>(beyondTheFile.size() + 1));
    const struct {
        const char* name;
        Bytes bytes;
        std::size_t songs;
    } cases[] = {
        {"header of 0xA8 bytes", shortHeader, 3},
        {"header longer than the file", beyondTheFile, 0},
        {"a few bytes", Bytes(8, std::byte{1}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ipod_->WriteCompressedDatabase(c.bytes);
        TiPod pod;
        pod.DriveRoot = ipod_->DriveRoot();
        ASSERT_NO_THROW(pod.LoadDatabase());
        EXPECT_EQ(pod.Songs.size(), c.songs);
        EXPECT_EQ(pod.SongCount, static_cast<std::int32_t>(pod.Songs.size()));
    }
}

// Random damage to a compressed file: a clean "Stream read error", or a catalogue the reader
// could walk; never anything read outside the buffer (the sanitizer builds check that).
TEST_F(DatabaseFileTest, SurvivesRandomlyDamagedCompressedFiles) {
    itunesdb::DatabaseSpec songs = NumberedSongs(u"Song ", 12, itunesdb::kOrderGtkpod);
    songs.tracks[2].objects.push_back(itunesdb::Utf8Text(itunesdb::kAlbum, "Ελληνικά"));
    songs.tracks[5].objects.push_back(itunesdb::Chapter());
    const Bytes base = itunesdb::CompressDatabase(itunesdb::WriteITunesDB(songs));
    std::mt19937 random(424242);
    TiPod pod;
    pod.DriveRoot = ipod_->DriveRoot();
    int failures = 0;
    for (int round = 0; round < 400; ++round) {
        Bytes bytes = base;
        for (int k = static_cast<int>(random() % 4); k >= 0; --k) {
            bytes[random() % bytes.size()] = static_cast<std::byte>(random() & 0xFF);
        }
        if (random() % 3 == 0) {
            bytes.resize(random() % bytes.size());
        }
        ipod_->WriteCompressedDatabase(bytes);
        try {
            pod.LoadDatabase();
        } catch (const platform::OsError& error) {
            ASSERT_EQ(std::string(error.what()), "Stream read error");
            ++failures;
        }
        ASSERT_EQ(pod.SongCount, static_cast<std::int32_t>(pod.Songs.size()));
    }
    EXPECT_GT(failures, 0);
}

// --- The stated track count -----------------------------------------------------------------

TEST_F(DatabaseFileTest, StatedTrackCountOfPlainAndCompressedFiles) {
    // Many albums ahead of the track list, so the count lies well past the first look.
    itunesdb::DatabaseSpec bigAlbumList = NumberedSongs(u"Song ", 3000, itunesdb::kOrderITunes);
    for (std::size_t i = 0; i < bigAlbumList.tracks.size(); ++i) {
        for (itunesdb::ObjectSpec& object : bigAlbumList.tracks[i].objects) {
            if (object.type == itunesdb::kAlbum) {
                object = itunesdb::Text(itunesdb::kAlbum, "Album number " + std::to_string(i));
            }
        }
    }
    Bytes zeroTracks = itunesdb::WriteITunesDB(NumberedSongs(u"Song ", 0));
    Layout negativeLayout;
    Bytes negative = itunesdb::WriteITunesDB(NumberedSongs(u"Song ", 2, {2, 1}), negativeLayout);
    itunesdb::PutU32(negative, negativeLayout.trackListOffset + 8, 0xFFFFFFFB);
    const struct {
        const char* name;
        Bytes database;
        std::optional<std::int32_t> count;
    } cases[] = {
        {"tracks after a large album list", itunesdb::WriteITunesDB(bigAlbumList), 3000},
        {"track list first",
         itunesdb::WriteITunesDB(NumberedSongs(u"Song ", 7, itunesdb::kOrderOld)), 7},
        {"no tracks", zeroTracks, 0},
        {"a count below zero, as stated", negative, -5},
        {"no track list in the first two sections",
         itunesdb::WriteITunesDB(NumberedSongs(u"Song ", 4, {2, 3, 1})), std::nullopt},
        {"an empty file", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        for (const bool compressed : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (compressed ? ", compressed" : ", plain"));
            if (compressed && c.database.empty()) {
                continue;
            }
            fs::remove(ipod_->DatabasePath());
            fs::remove(ipod_->CompressedDatabasePath());
            if (compressed) {
                ipod_->WriteCompressedDatabase(itunesdb::CompressDatabase(c.database));
            } else {
                ipod_->WriteDatabase(c.database);
            }
            const auto file = DatabaseFile::Find(ipod_->DriveRoot());
            ASSERT_TRUE(file.has_value());
            EXPECT_EQ(file->StatedTrackCount(), c.count);
        }
    }
    fs::remove(ipod_->DatabasePath());
    fs::remove(ipod_->CompressedDatabasePath());
    EXPECT_FALSE(DatabaseFile::Find(ipod_->DriveRoot()).has_value());
}

TEST_F(DatabaseFileTest, StatedTrackCountInflatesOnlyAsFarAsTheTrackListHeader) {
    const Bytes plain = itunesdb::WriteITunesDB(NumberedSongs(u"Song ", 5000, itunesdb::kOrderOld));
    const Bytes compressed = itunesdb::CompressDatabase(plain);
    // Cut, and damaged, where the stream still holds the start of the track list.
    const Bytes cut(compressed.begin(), compressed.begin() + 4096);
    Bytes damaged = compressed;
    for (std::size_t i = compressed.size() / 2; i < compressed.size(); ++i) {
        damaged[i] = std::byte{0xAA};
    }
    for (const Bytes* file : {&cut, static_cast<const Bytes*>(&damaged)}) {
        ipod_->WriteCompressedDatabase(*file);
        const auto database = DatabaseFile::Find(ipod_->DriveRoot());
        EXPECT_EQ(database->StatedTrackCount(), 5000);
        EXPECT_THROW(database->Read(), platform::OsError);
    }
    // Cut before the track list header: the error that ended the reading.
    ipod_->WriteCompressedDatabase(Bytes(compressed.begin(), compressed.begin() + 0xF4 + 8));
    try {
        DatabaseFile::Find(ipod_->DriveRoot())->StatedTrackCount();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::OsError& error) {
        EXPECT_EQ(std::string(error.what()), "Stream read error");
    }
}

} // namespace

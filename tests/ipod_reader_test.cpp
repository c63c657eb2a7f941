#include "app/database/iPodcomponent.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/fault_hooks.h"
#include "tests/support/ipod_folder.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;
using itunesdb::DatabaseSpec;
using itunesdb::Layout;
using itunesdb::SongFields;
using itunesdb::TrackSpec;

SongFields Fields(std::int32_t id, std::u16string title, std::u16string location) {
    SongFields fields;
    fields.trackId = id;
    fields.title = std::move(title);
    fields.location = std::move(location);
    return fields;
}

// Three songs with every field, and text outside Latin-1.
std::vector<SongFields> SampleSongs() {
    SongFields first = Fields(101, u"Für Elise", u":iPod_Control:Music:F00:AAAA.mp3");
    first.album = u"Piano Works";
    first.artist = u"Beethoven";
    first.genre = u"Classical";
    first.fileType = u"MPEG audio file";
    first.comment = u"first take";
    first.eqSetting = u"Classical";
    first.composer = u"Ludwig van Beethoven";
    first.grouping = u"Bagatelles";
    SongFields second = Fields(202, u"夜に駆ける 🎵", u":iPod_Control:Music:F01:BBBB.m4a");
    second.album = u"THE BOOK";
    second.artist = u"YOASOBI";
    second.genre = u"J-Pop";
    second.fileType = u"AAC audio file";
    second.comment = u"tab\there";
    second.eqSetting = u"Pop";
    second.composer = u"Ayase";
    second.grouping = u"Singles";
    SongFields third = Fields(-7, u"Intro", u":iPod_Control:Music:F02:CCCC.mp3");
    third.album = u"piano works";
    third.fileType = u"MPEG audio file";
    return {first, second, third};
}

TSong ExpectedSong(const SongFields& fields) {
    TSong song;
    song.Title = fields.title;
    song.Location = fields.location;
    song.Album = fields.album;
    song.Artist = fields.artist;
    song.Genre = fields.genre;
    song.FileType = fields.fileType;
    song.Comment = fields.comment;
    song.EQSetting = fields.eqSetting;
    song.Composer = fields.composer;
    song.Grouping = fields.grouping;
    song.TrackId = fields.trackId;
    return song;
}

std::vector<TSong> ExpectedSongs(const std::vector<SongFields>& songs) {
    std::vector<TSong> expected;
    for (const SongFields& fields : songs) {
        expected.push_back(ExpectedSong(fields));
    }
    return expected;
}

DatabaseSpec SpecOf(const std::vector<SongFields>& songs,
                    std::vector<std::uint32_t> order = itunesdb::kOrderITunes,
                    std::uint32_t headerLength = 0xBC) {
    DatabaseSpec database;
    database.headerLength = headerLength;
    database.sectionOrder = std::move(order);
    for (const SongFields& fields : songs) {
        database.tracks.push_back(itunesdb::Song(fields));
    }
    return database;
}

// Songs 100, 101, 102, and playlists of every kind; the last two are written into one playlist
// section each.
DatabaseSpec PlaylistDatabase(std::vector<std::uint32_t> order) {
    DatabaseSpec database =
        SpecOf({Fields(100, u"A", u":a"), Fields(101, u"B", u":b"), Fields(102, u"C", u":c")},
               std::move(order));
    database.playlists = {
        {.name = u"Road Trip", .trackIds = {102, 100, 999, 100}},
        {.name = u"Recently Added", .trackIds = {101}, .smart = true},
        {.name = u"Secret", .trackIds = {100}, .hidden = true},
        {.name = u"Café 夜", .trackIds = {}, .utf8Name = true},
        {.name = u"Podcasts", .trackIds = {0, 101, 0, 102}, .onlyInSection = 3},
        {.name = u"Only In Two", .trackIds = {102}, .onlyInSection = 2},
    };
    return database;
}

void AppendU32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
    }
}

Bytes Utf16Bytes(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return bytes;
}

// A text object whose text length and stored total length are chosen freely.
itunesdb::ObjectSpec OddText(std::uint32_t type, std::int32_t textLength, std::uint32_t total,
                             const Bytes& textBytes) {
    Bytes body;
    AppendU32(body, 1);
    AppendU32(body, static_cast<std::uint32_t>(textLength));
    AppendU32(body, 1);
    AppendU32(body, 0);
    body.insert(body.end(), textBytes.begin(), textBytes.end());
    itunesdb::ObjectSpec object = itunesdb::Raw(type, std::move(body));
    itunesdb::PutU32(object.bytes, 8, total);
    return object;
}

void PutI32(Bytes& bytes, std::size_t offset, std::int32_t value) {
    itunesdb::PutU32(bytes, offset, static_cast<std::uint32_t>(value));
}

// Every test has its own iPod folder as drive e:, so size lookups meet a real, empty drive.
class ReaderTest : public testing::Test {
protected:
    TiPod Load(const Bytes& bytes) {
        TiPod pod;
        pod.DriveRoot = ipod_.DriveRoot();
        pod.LoadFromBuffer(bytes);
        return pod;
    }

    testsupport::IPodFolder ipod_;
};

void ExpectConsistent(const TiPod& pod, std::size_t bufferSize) {
    EXPECT_EQ(pod.SongCount, static_cast<std::int32_t>(pod.Songs.size()));
    EXPECT_LE(pod.Songs.capacity(), bufferSize / 20 + 1);
}

// --- Layouts real databases use -------------------------------------------------------------

using LayoutParam = std::tuple<std::vector<std::uint32_t>, std::uint32_t, std::uint32_t>;

class ReaderLayoutTest : public ReaderTest, public testing::WithParamInterface<LayoutParam> {};

TEST_P(ReaderLayoutTest, ReadsEverySongAndTheFirstTwoSections) {
    const auto& [order, databaseHeaderLength, trackHeaderLength] = GetParam();
    std::vector<SongFields> songs = SampleSongs();
    for (SongFields& fields : songs) {
        fields.headerLength = trackHeaderLength;
    }
    const Bytes bytes = itunesdb::WriteITunesDB(SpecOf(songs, order, databaseHeaderLength));

    const TiPod pod = Load(bytes);

    EXPECT_EQ(pod.Songs, ExpectedSongs(songs));
    EXPECT_EQ(pod.SongCount, 3);
    SectionEntry expected[4] = {};
    std::uint32_t start = databaseHeaderLength;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::uint32_t total = itunesdb::GetU32(bytes, start + 8);
        if (order[i] <= 3) {
            expected[order[i]] = {static_cast<std::int32_t>(total), 0x60,
                                  static_cast<std::int32_t>(start)};
        }
        start += total;
    }
    for (int type = 0; type < 4; ++type) {
        EXPECT_EQ(pod.SectionTable[type], expected[type]) << "section type " << type;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SectionOrdersAndHeaderLengths, ReaderLayoutTest,
    testing::Combine(testing::Values(itunesdb::kOrderITunes, itunesdb::kOrderOld,
                                     itunesdb::kOrderOldPodcast, itunesdb::kOrderGtkpod,
                                     std::vector<std::uint32_t>{2, 1},
                                     std::vector<std::uint32_t>{3, 1, 2}),
                     testing::Values(0x68u, 0xBCu, 0xF4u), testing::Values(0x9Cu, 0x148u, 0x270u)));

// --- Data objects ---------------------------------------------------------------------------

struct ObjectCase {
    const char* name;
    std::int32_t textLength;
    std::uint32_t total;        // stored at offset 8
    std::u16string textWritten; // after the 40-byte start
    std::size_t oddBytes;       // written after the text
    std::u16string expectedTitle;
};

TEST_F(ReaderTest, StepsOverEachObjectToTheNextOne) {
    const std::uint32_t kBogus = 0xFFFFFFF0;
    const ObjectCase cases[] = {
        {"odd length, consistent total", 7, 47, u"abc", 1, u"abc"},
        {"odd length, bogus total", 7, kBogus, u"abc", 1, u"abc"},
        {"even length", 8, 48, u"abcd", 0, u"abcd"},
        {"zero length", 0, 40, u"", 0, u""},
        {"negative length, bogus total", -5, kBogus, u"", 0, u""},
        {"negative length, consistent total", -5, 40, u"", 0, u""},
        {"total below a header", 6, 10, u"xyz", 0, u"xyz"},
        {"total beyond the file", 6, 0x7FFFFFFF, u"xyz", 0, u"xyz"},
        {"text longer than its object", 100, 48, u"abcd", 0, u"abcd"},
    };
    for (const ObjectCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes text = Utf16Bytes(c.textWritten);
        text.resize(text.size() + c.oddBytes, std::byte{0x41});
        TrackSpec track{5, {}, 0x9C};
        track.objects.push_back(OddText(itunesdb::kTitle, c.textLength, c.total, text));
        track.objects.push_back(itunesdb::Text(itunesdb::kAlbum, std::u16string_view(u"Next")));
        DatabaseSpec database;
        database.sectionOrder = {1, 2};
        database.tracks = {track, itunesdb::Song(Fields(6, u"After", u":x"))};

        const TiPod pod = Load(itunesdb::WriteITunesDB(database));

        ASSERT_EQ(pod.Songs.size(), 2u);
        EXPECT_EQ(pod.Songs[0].Title, c.expectedTitle);
        EXPECT_EQ(pod.Songs[0].Album, u"Next");
        EXPECT_EQ(pod.Songs[1].Title, u"After");
        EXPECT_EQ(pod.Songs[1].TrackId, 6);
    }
}

Bytes Utf8Bytes(std::string_view text) {
    Bytes bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<std::byte>(c));
    }
    return bytes;
}

// A text object of `encoding` holding `textBytes`, with consistent lengths.
itunesdb::ObjectSpec EncodedText(std::uint32_t type, std::uint32_t encoding,
                                 const Bytes& textBytes) {
    itunesdb::ObjectSpec object =
        OddText(type, static_cast<std::int32_t>(textBytes.size()),
                static_cast<std::uint32_t>(40 + textBytes.size()), textBytes);
    itunesdb::PutU32(object.bytes, 24, encoding);
    return object;
}

TEST_F(ReaderTest, TextsDecodeByTheEncodingTheyState) {
    const struct {
        const char* name;
        std::uint32_t encoding;
        Bytes text;
        std::u16string expected;
    } cases[] = {
        {"UTF-16LE", 1, Utf16Bytes(u"Für Elise 夜"), u"Für Elise 夜"},
        {"UTF-16LE, encoding 0", 0, Utf16Bytes(u"Für Elise"), u"Für Elise"},
        {"UTF-16LE, surrogate pair", 1, Utf16Bytes(u"🎵 x"), u"🎵 x"},
        {"UTF-16LE, odd length", 1, Utf8Bytes("abcde"), u"扡摣"},
        {"UTF-8", 2, Utf8Bytes("Für Elise 夜"), u"Für Elise 夜"},
        {"UTF-8, four-byte sequence", 2, Utf8Bytes("🎵 x"), u"🎵 x"},
        {"UTF-8, odd length", 2, Utf8Bytes("abc"), u"abc"},
        {"UTF-8, malformed", 2, Utf8Bytes("a\xC3(b\xFF"), u"a\uFFFD(b\uFFFD"},
        {"UTF-8, cut inside a character", 2, Utf8Bytes("ab\xE5\xA4"), u"ab\uFFFD"},
        {"UTF-8, empty", 2, {}, u""},
        {"another encoding reads as UTF-16LE", 3, Utf16Bytes(u"Ünknown"), u"Ünknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrackSpec track{5, {}, 0x9C};
        track.objects.push_back(EncodedText(itunesdb::kTitle, c.encoding, c.text));
        track.objects.push_back(EncodedText(itunesdb::kAlbum, c.encoding, c.text));
        track.objects.push_back(itunesdb::Text(itunesdb::kArtist, std::u16string_view(u"Next")));
        DatabaseSpec database;
        database.sectionOrder = {1, 2};
        database.tracks = {track, itunesdb::Song(Fields(6, u"After", u":x"))};

        const TiPod pod = Load(itunesdb::WriteITunesDB(database));

        ASSERT_EQ(pod.Songs.size(), 2u);
        EXPECT_EQ(pod.Songs[0].Title, c.expected);
        EXPECT_EQ(pod.Songs[0].Album, c.expected);
        EXPECT_EQ(pod.Songs[0].Artist, u"Next");
        EXPECT_EQ(pod.Songs[1].Title, u"After");
    }
}

TEST_F(ReaderTest, EveryFieldReadsFromUtf8Texts) {
    const std::vector<SongFields> songs = SampleSongs();
    DatabaseSpec database = SpecOf(songs);
    for (TrackSpec& track : database.tracks) {
        for (itunesdb::ObjectSpec& object : track.objects) {
            const std::u16string text = [&] {
                std::u16string units;
                for (std::size_t i = 40; i + 1 < object.bytes.size(); i += 2) {
                    units.push_back(
                        static_cast<char16_t>(std::to_integer<unsigned>(object.bytes[i]) |
                                              std::to_integer<unsigned>(object.bytes[i + 1]) << 8));
                }
                return units;
            }();
            object = itunesdb::Utf8Text(object.type, platform::text::WideToAnsi(text));
        }
    }

    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    EXPECT_EQ(pod.Songs, ExpectedSongs(songs));
}

TEST_F(ReaderTest, TextObjectTooShortForATextHeaderGivesAnEmptyText) {
    TrackSpec track{5,
                    {itunesdb::Text(itunesdb::kAlbum, "Earlier"),
                     itunesdb::Raw(itunesdb::kAlbum, {}), itunesdb::Text(itunesdb::kTitle, "Next")},
                    0x9C};
    DatabaseSpec database;
    database.tracks = {track};

    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    ASSERT_EQ(pod.Songs.size(), 1u);
    EXPECT_EQ(pod.Songs[0].Album, u"");
    EXPECT_EQ(pod.Songs[0].Title, u"Next");
}

TEST_F(ReaderTest, LaterObjectOfATypeWinsAndFieldsStartEmptyForEachTrack) {
    TrackSpec first{1, {}, 0xF4};
    first.objects = {itunesdb::Text(itunesdb::kTitle, "Old"),
                     itunesdb::Text(itunesdb::kGrouping, "Group"),
                     itunesdb::Text(itunesdb::kTitle, "New")};
    TrackSpec second{2, {itunesdb::Text(itunesdb::kTitle, "Second")}, 0xF4};
    DatabaseSpec database;
    database.tracks = {first, second};

    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    ASSERT_EQ(pod.Songs.size(), 2u);
    EXPECT_EQ(pod.Songs[0].Title, u"New");
    EXPECT_EQ(pod.Songs[0].Grouping, u"Group");
    EXPECT_EQ(pod.Songs[1].Title, u"Second");
    EXPECT_EQ(pod.Songs[1].Grouping, u"");
}

TEST_F(ReaderTest, ObjectsWithoutASlotLeaveEveryFieldAlone) {
    const std::uint32_t types[] = {0,  9,   10,         11,         14,        21,
                                   23, 100, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    TrackSpec track{9, {}, 0x148};
    for (const std::uint32_t type : types) {
        track.objects.push_back(itunesdb::Text(type, "no slot"));
    }
    track.objects.push_back(itunesdb::Text(itunesdb::kTitle, "Kept"));
    DatabaseSpec database;
    database.tracks = {track};

    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    TSong expected;
    expected.Title = u"Kept";
    expected.TrackId = 9;
    ASSERT_EQ(pod.Songs.size(), 1u);
    EXPECT_EQ(pod.Songs[0], expected);
    EXPECT_EQ(pod.Facts[0].AlbumArtist, u"");
}

TEST_F(ReaderTest, TrackFactsComeFromTheHeaderAsFarAsItReachesAndFromObject22) {
    const itunesdb::TrackNumbers numbers{.compilation = true,
                                         .lengthMs = 215'300,
                                         .trackNumber = 3,
                                         .trackCount = 12,
                                         .year = 1987,
                                         .discNumber = 2,
                                         .discCount = 4};
    const TrackFacts all{u"Various", 3, 12, 2, 4, 1987, true, 215'300};
    const struct {
        std::uint32_t headerLength;
        TrackFacts expected;
    } cases[] = {
        {0x9C, all},
        {0x270, all},
        {96, {u"Various", 3, 12, 2, 0, 1987, true, 215'300}}, // ends before the disc count
        {56, {u"Various", 3, 12, 0, 0, 1987, true, 215'300}}, // ends after the year
        {44, {u"Various", 0, 0, 0, 0, 0, true, 215'300}},
        {31, {u"Various", 0, 0, 0, 0, 0, true, 0}},
        {30, {u"Various", 0, 0, 0, 0, 0, false, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headerLength);
        TrackSpec track{5, {itunesdb::Text(itunesdb::kTitle, "Song")}, c.headerLength, numbers};
        track.objects.push_back(itunesdb::Text(itunesdb::kAlbumArtist, "Various"));
        // The next track has none of them: facts start empty for each track, and an album artist
        // may be UTF-8.
        TrackSpec next{6, {itunesdb::Text(itunesdb::kTitle, "Next")}, c.headerLength};
        next.numbers.lengthMs = 0;
        TrackSpec utf8{7, {itunesdb::Utf8Text(itunesdb::kAlbumArtist, "Björk")}, c.headerLength};
        utf8.numbers.lengthMs = 0;
        DatabaseSpec database;
        database.tracks = {track, next, utf8};

        const TiPod pod = Load(itunesdb::WriteITunesDB(database));

        ASSERT_EQ(pod.Facts.size(), 3u);
        EXPECT_EQ(pod.Facts[0], c.expected);
        EXPECT_EQ(pod.Facts[1], TrackFacts{});
        EXPECT_EQ(pod.Facts[2].AlbumArtist, u"Björk");
        EXPECT_EQ(pod.Songs[0].Title, u"Song");
    }
}

TEST_F(ReaderTest, MusicVideosPodcastsAndChaptersDoNotDisturbLaterSongs) {
    std::vector<SongFields> songs = SampleSongs();
    songs.push_back(Fields(400, u"Last Song", u":iPod_Control:Music:F03:DDDD.mp3"));
    DatabaseSpec database = SpecOf(songs);
    // A music video: its data object's offset 28 holds a width, not a text length.
    database.tracks[0].objects.insert(database.tracks[0].objects.begin() + 1,
                                  itunesdb::VideoData(480, 360));
    database.tracks[0].headerLength = 0x270;
    // A podcast episode with both URLs and a chapter list between its texts.
    auto& podcast = database.tracks[1].objects;
    podcast.insert(podcast.begin() + 2, itunesdb::PodcastUrl(itunesdb::kPodcastEnclosureUrl,
                                                             "http://example.org/ep1.mp3"));
    podcast.insert(podcast.begin() + 3,
                   itunesdb::PodcastUrl(itunesdb::kPodcastRssUrl, "http://example.org/feed"));
    podcast.insert(podcast.begin() + 4, itunesdb::Chapter(u"Opening", 0));
    podcast.push_back(itunesdb::VideoData(320, 240));
    database.tracks[2].objects.push_back(itunesdb::PodcastUrl(itunesdb::kPodcastRssUrl, "x"));

    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    EXPECT_EQ(pod.Songs, ExpectedSongs(songs));
}

// --- Counts, lengths and offsets the file cannot back ---------------------------------------

struct CountCase {
    std::int32_t stated;
    std::size_t expected;
};

TEST_F(ReaderTest, TrackCountIsCappedByTheTracksTheFileHolds) {
    const CountCase cases[] = {{INT_MAX, 3}, {1000000, 3}, {4, 3},  {3, 3},
                               {2, 2},       {0, 0},       {-1, 0}, {INT_MIN, 0}};
    Layout layout;
    // The track list last in the file, so nothing but the end of the buffer follows its items.
    const Bytes written = itunesdb::WriteITunesDB(SpecOf(SampleSongs(), {2, 1}), layout);
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.stated);
        Bytes bytes = written;
        PutI32(bytes, layout.trackListOffset + 8, c.stated);

        const TiPod pod = Load(bytes);

        EXPECT_EQ(pod.Songs.size(), c.expected);
        ExpectConsistent(pod, bytes.size());
        const auto expected = ExpectedSongs(SampleSongs());
        EXPECT_TRUE(std::equal(pod.Songs.begin(), pod.Songs.end(), expected.begin()));
    }
}

TEST_F(ReaderTest, TruncatedFileKeepsTheTracksWalked) {
    Layout layout;
    const Bytes written = itunesdb::WriteITunesDB(SpecOf(SampleSongs(), {2, 1}), layout);
    const std::size_t third = layout.trackOffsets[2];
    const std::size_t location = layout.objectOffsets[2][1];
    struct Cut {
        const char* name;
        std::size_t size;
        std::size_t songs;
        std::u16string thirdLocation;
    };
    const Cut cuts[] = {
        {"inside the third item's header fields", third + 19, 2, u""},
        {"after the third item's track id", third + 20, 3, u""},
        {"inside a data object's header", location + 20, 3, u""},
        {"inside a text", location + 44, 3, u":i"},
        {"one byte short of the end", written.size() - 1, 3, u":iPod_Control:Music:F02:CCCC.mp3"},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.name);
        const Bytes bytes(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(cut.size));

        const TiPod pod = Load(bytes);

        ASSERT_EQ(pod.Songs.size(), cut.songs);
        ExpectConsistent(pod, bytes.size());
        EXPECT_EQ(pod.Songs[1].Title, u"夜に駆ける 🎵");
        if (cut.songs == 3) {
            EXPECT_EQ(pod.Songs[2].TrackId, -7);
            EXPECT_EQ(pod.Songs[2].Location, cut.thirdLocation);
        }
    }
}

TEST_F(ReaderTest, LengthsReachingPastTheEndStayInsideTheFile) {
    Layout layout;
    const Bytes written = itunesdb::WriteITunesDB(SpecOf(SampleSongs(), {2, 1}), layout);
    const std::size_t firstSection = 0xBC;
    const std::size_t track0 = layout.trackOffsets[0];
    const std::size_t lastObject = layout.objectOffsets[2].back();
    // Without the sections the walk reads through an entry of zeros: what it finds is open.
    const std::size_t kAny = SIZE_MAX;
    struct Patch {
        const char* name;
        std::size_t offset;
        std::int32_t value;
        std::size_t songs;
    };
    const Patch patches[] = {
        {"database header length", 4, INT_MAX, 0},
        {"negative database header length", 4, -1000, 0},
        {"first section's total length", firstSection + 8, INT_MAX, kAny},
        {"negative first section length", firstSection + 8, INT_MIN, kAny},
        {"track list header length", layout.trackListOffset + 4, INT_MAX, 0},
        {"negative track list header length", layout.trackListOffset + 4, -200000, 0},
        {"track header length", track0 + 4, INT_MAX, 1},
        {"negative track header length", track0 + 4, -1, 0},
        {"data object count", track0 + 12, INT_MAX, 1},
        {"last object's total length and text length", lastObject + 8, -1, 3},
    };
    for (const Patch& patch : patches) {
        SCOPED_TRACE(patch.name);
        Bytes bytes = written;
        PutI32(bytes, patch.offset, patch.value);
        if (patch.offset == lastObject + 8) {
            PutI32(bytes, lastObject + 28, INT_MAX);
        }

        const TiPod pod = Load(bytes);

        if (patch.songs != kAny) {
            EXPECT_EQ(pod.Songs.size(), patch.songs);
        }
        ExpectConsistent(pod, bytes.size());
    }
}

TEST_F(ReaderTest, ATrackItemShorterThanItsOwnFieldsEndsTheWalk) {
    // Such an item would not move the walk forward: without the check one track is read again
    // and again, up to what the file's size allows.
    Layout layout;
    const Bytes written = itunesdb::WriteITunesDB(SpecOf(SampleSongs(), {2, 1}), layout);
    struct Case {
        std::size_t track;
        std::int32_t headerLength;
        std::size_t songs;
    };
    const Case cases[] = {{0, 0, 0}, {0, 19, 0}, {1, 0, 1}, {1, 1, 1}, {2, 19, 2}};
    for (const Case& item : cases) {
        SCOPED_TRACE("track " + std::to_string(item.track) + ", header length " +
                     std::to_string(item.headerLength));
        Bytes bytes = written;
        PutI32(bytes, layout.trackListOffset + 8, INT_MAX);
        const std::size_t track = layout.trackOffsets[item.track];
        PutI32(bytes, track + 4, item.headerLength);
        PutI32(bytes, track + 12, 0); // no data objects either

        const TiPod pod = Load(bytes);

        ASSERT_EQ(pod.Songs.size(), item.songs);
        ExpectConsistent(pod, bytes.size());
        const auto expected = ExpectedSongs(SampleSongs());
        EXPECT_TRUE(std::equal(pod.Songs.begin(), pod.Songs.end(), expected.begin()));
    }
}

TEST_F(ReaderTest, RunningOutOfMemoryEndsTheWalkWithTheSongsWalkedSoFar) {
    // A huge title in the second track: its text is what memory cannot hold.
    std::vector<SongFields> songs = SampleSongs();
    songs[1].title = std::u16string(600000, u'x');
    const Bytes hugeTitle = itunesdb::WriteITunesDB(SpecOf(songs));
    // Many tracks: the list of songs is what memory cannot hold.
    std::vector<SongFields> many;
    for (int i = 0; i < 200; ++i)
        many.push_back(Fields(i, u"Song", u":iPod_Control:Music:F00:A.mp3"));
    const Bytes manyTracks = itunesdb::WriteITunesDB(SpecOf(many));
    struct Case {
        const char* label;
        const Bytes* bytes;
        std::size_t limit;
        std::size_t songs;
    };
    const Case cases[] = {
        {"a text", &hugeTitle, 1 << 20, 1},
        {"the song list", &manyTracks, 100 * sizeof(TSong), 0},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        TiPod pod;
        pod.DriveRoot = ipod_.DriveRoot();
        {
            const testsupport::ScopedAllocationLimit outOfMemory(item.limit);
            EXPECT_NO_THROW(pod.LoadFromBuffer(*item.bytes));
        }
        ASSERT_EQ(pod.Songs.size(), item.songs);
        EXPECT_EQ(pod.SongCount, static_cast<std::int32_t>(item.songs));
        if (item.songs > 0) {
            EXPECT_EQ(pod.Songs[0], ExpectedSong(songs[0]));
        }
    }
}

TEST_F(ReaderTest, TextOfAnObjectReachingPastTheEndIsCutAtTheEnd) {
    Layout layout;
    Bytes bytes = itunesdb::WriteITunesDB(SpecOf(SampleSongs(), {2, 1}), layout);
    const std::size_t lastObject = layout.objectOffsets[2].back(); // FileType "MPEG audio file"
    PutI32(bytes, lastObject + 8, 0);
    PutI32(bytes, lastObject + 28, INT_MAX);
    bytes.push_back(std::byte{'!'}); // half a code unit: left out

    const TiPod pod = Load(bytes);

    ASSERT_EQ(pod.Songs.size(), 3u);
    EXPECT_EQ(pod.Songs[2].FileType, u"MPEG audio file");
}

TEST_F(ReaderTest, SectionTypesWithoutAnEntryAreIgnored) {
    const std::vector<std::uint32_t> orders[] = {{0, 1},          {4, 1},          {1, 4},
                                                 {0xFFFFFFFF, 1}, {1, 0x7FFFFFFF}, {1, 99}};
    for (const auto& order : orders) {
        SCOPED_TRACE(testing::PrintToString(order));
        TiPod pod;
        pod.DriveRoot = ipod_.DriveRoot();
        pod.LoadFromBuffer(itunesdb::WriteITunesDB(SpecOf(SampleSongs(), order)));

        EXPECT_EQ(pod.Songs, ExpectedSongs(SampleSongs()));
        EXPECT_EQ(pod.SectionTable[0], SectionEntry{});
        EXPECT_EQ(pod.SectionTable[2], SectionEntry{});
        EXPECT_EQ(pod.SectionTable[3], SectionEntry{});
        EXPECT_EQ(pod.DriveRoot, ipod_.DriveRoot());
    }
}

TEST_F(ReaderTest, NoTrackListInTheFirstTwoSectionsReadsThroughTheOldEntry) {
    std::vector<SongFields> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back(Fields(i, u"Song " + std::u16string(1, static_cast<char16_t>(u'A' + i)),
                              u":iPod_Control:Music:F00:X.mp3"));
    }
    TiPod pod;
    pod.DriveRoot = ipod_.DriveRoot();
    pod.LoadFromBuffer(itunesdb::WriteITunesDB(SpecOf(many, {2, 1})));
    const SectionEntry trackEntry = pod.SectionTable[1];
    ASSERT_EQ(pod.SongCount, 40);

    // The old entry still lies inside this file.
    const Bytes playlistsFirst = itunesdb::WriteITunesDB(SpecOf(many, {2, 3, 1}));
    pod.LoadFromBuffer(playlistsFirst);
    EXPECT_EQ(pod.SectionTable[1], trackEntry);
    EXPECT_NE(pod.SectionTable[2], SectionEntry{});
    EXPECT_NE(pod.SectionTable[3], SectionEntry{});
    ExpectConsistent(pod, playlistsFirst.size());

    // The old entry points beyond this small file.
    const Bytes small = itunesdb::WriteITunesDB(SpecOf({}, {5, 4}, 0x68));
    pod.LoadFromBuffer(small);
    EXPECT_EQ(pod.SectionTable[1], trackEntry);
    EXPECT_TRUE(pod.Songs.empty());
    EXPECT_EQ(pod.SongCount, 0);

    // A fresh catalogue reads through an entry of zeros.
    TiPod fresh;
    fresh.DriveRoot = ipod_.DriveRoot();
    fresh.LoadFromBuffer(playlistsFirst);
    EXPECT_EQ(fresh.SectionTable[1], SectionEntry{});
    ExpectConsistent(fresh, playlistsFirst.size());
}

TEST_F(ReaderTest, EmptyTrackListEmptiesTheCatalogue) {
    TiPod pod = Load(itunesdb::WriteITunesDB(SpecOf(SampleSongs())));
    ASSERT_EQ(pod.SongCount, 3);

    pod.LoadFromBuffer(itunesdb::WriteITunesDB(SpecOf({})));

    EXPECT_EQ(pod.SongCount, 0);
    EXPECT_TRUE(pod.Songs.empty());
    EXPECT_TRUE(pod.AlbumNames().empty());
    EXPECT_TRUE(pod.ArtistNames().empty());
    EXPECT_TRUE(pod.FileTypeNames().empty());
}

TEST_F(ReaderTest, EmptyOrTinyBuffersLoadNothing) {
    for (std::size_t size : {0, 1, 4, 7, 8, 23}) {
        SCOPED_TRACE(size);
        const Bytes bytes(size, std::byte{0xFF});
        const TiPod pod = Load(bytes);
        EXPECT_TRUE(pod.Songs.empty());
        EXPECT_EQ(pod.SongCount, 0);
    }
}

// Random damage to real-looking databases: nothing read outside the buffer (checked by the
// sanitizer builds), nothing thrown, and the catalogue stays consistent.
TEST_F(ReaderTest, SurvivesRandomlyDamagedDatabases) {
    std::vector<SongFields> songs = SampleSongs();
    songs.push_back(Fields(77, u"Video", u":iPod_Control:Music:F04:VVVV.m4v"));
    DatabaseSpec database = SpecOf(songs, itunesdb::kOrderGtkpod, 0xF4);
    database.tracks[3].objects.push_back(itunesdb::VideoData());
    database.tracks[1].objects.push_back(itunesdb::Chapter());
    database.tracks[1].objects.push_back(itunesdb::PodcastUrl(itunesdb::kPodcastRssUrl, "http://a/b"));
    DatabaseSpec utf8 = SpecOf(songs, itunesdb::kOrderOld, 0xBC);
    for (TrackSpec& track : utf8.tracks) {
        track.objects.push_back(itunesdb::Utf8Text(itunesdb::kTitle, "Ünïcödé 夜に駆ける 🎵"));
        track.objects.push_back(itunesdb::Utf8Text(itunesdb::kArtist, "\xE5\xA4"));
    }
    const Bytes bases[] = {itunesdb::WriteITunesDB(database),
                           itunesdb::WriteITunesDB(SpecOf(songs, itunesdb::kOrderITunes, 0x68)),
                           itunesdb::WriteITunesDB(utf8),
                           itunesdb::WriteITunesDB(PlaylistDatabase(itunesdb::kOrderITunes))};
    const std::int32_t nasty[] = {0, 1, -1, 19, 20, 24, 40, INT_MAX, INT_MIN, 0x10000, -40};

    std::mt19937 random(20240521);
    TiPod pod; // one catalogue throughout, so stale entries get their turn
    pod.DriveRoot = ipod_.DriveRoot();
    for (int round = 0; round < 3000; ++round) {
        const Bytes& base = bases[round % std::size(bases)];
        Bytes bytes = base;
        const int damage = static_cast<int>(random() % 4);
        if (damage == 0 || damage == 3) {
            for (int k = static_cast<int>(random() % 8); k >= 0; --k) {
                bytes[random() % bytes.size()] = static_cast<std::byte>(random() & 0xFF);
            }
        }
        if (damage == 1 || damage == 3) {
            // Aim at the numbers records are walked by.
            for (int k = static_cast<int>(random() % 3); k >= 0; --k) {
                const std::size_t offset = (random() % (bytes.size() / 4)) * 4;
                PutI32(bytes, offset, nasty[random() % std::size(nasty)]);
            }
        }
        if (damage == 2 || damage == 3) {
            bytes.resize(random() % bytes.size());
        }
        bytes.shrink_to_fit();

        ASSERT_NO_THROW(pod.LoadFromBuffer(bytes));
        ASSERT_EQ(pod.SongCount, static_cast<std::int32_t>(pod.Songs.size()));
        ASSERT_EQ(pod.Facts.size(), pod.Songs.size());
        for (const Playlist& playlist : pod.Playlists) {
            for (const std::size_t song : playlist.Songs) {
                ASSERT_LT(song, pod.Songs.size());
            }
        }
        ASSERT_LE(pod.Songs.size(), bytes.size() / 20);
    }
}

TEST_F(ReaderTest, FiftyThousandTracks) {
    DatabaseSpec database;
    database.tracks.reserve(50000);
    for (int i = 0; i < 50000; ++i) {
        SongFields fields = Fields(i, u"Title " + platform::text::AnsiToWide(std::to_string(i)),
                                   u":iPod_Control:Music:F00:A.mp3");
        fields.album = i % 2 ? u"Odd" : u"even";
        database.tracks.push_back(itunesdb::Song(fields));
    }
    const TiPod pod = Load(itunesdb::WriteITunesDB(database));

    ASSERT_EQ(pod.SongCount, 50000);
    EXPECT_EQ(pod.Songs.back().Title, u"Title 49999");
    EXPECT_EQ(pod.Songs.back().TrackId, 49999);
    EXPECT_EQ(pod.AlbumNames(), (NameList{"even", "Odd"}));
}

// --- Playlists --------------------------------------------------------------------------------

TEST_F(ReaderTest, PlaylistsComeFromSectionThreeWhenThereIsOneElseFromTwo) {
    const Playlist roadTrip{u"Road Trip", {2, 0, 0}};
    const Playlist recent{u"Recently Added", {1}};
    const Playlist cafe{u"Café 夜", {}};
    const struct {
        std::vector<std::uint32_t> order;
        std::vector<Playlist> expected;
    } cases[] = {
        {itunesdb::kOrderITunes, {roadTrip, recent, cafe, {u"Podcasts", {1, 2}}}},
        {itunesdb::kOrderGtkpod, {roadTrip, recent, cafe, {u"Podcasts", {1, 2}}}},
        {{1, 2, 3}, {roadTrip, recent, cafe, {u"Podcasts", {1, 2}}}},
        {itunesdb::kOrderOld, {roadTrip, recent, cafe, {u"Only In Two", {2}}}},
        {{2, 1, 5}, {roadTrip, recent, cafe, {u"Only In Two", {2}}}},
        {{1, 5}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.order));
        const TiPod pod = Load(itunesdb::WriteITunesDB(PlaylistDatabase(c.order)));
        EXPECT_EQ(pod.Songs.size(), 3u);
        EXPECT_EQ(pod.Playlists, c.expected);
    }
}

TEST_F(ReaderTest, ADamagedPlaylistEndsTheListKeepingThoseBeforeIt) {
    Layout layout;
    const Bytes whole = itunesdb::WriteITunesDB(PlaylistDatabase(itunesdb::kOrderOld), layout);
    // The second playlist of section 2 (the first after the master) starts after the master's
    // items; find "Recently Added"'s header by its tag after the first user playlist.
    std::vector<std::size_t> playlistStarts;
    for (std::size_t at = layout.trackOffsets.back(); at + 4 <= whole.size(); ++at) {
        if (std::memcmp(whole.data() + at, "mhyp", 4) == 0) {
            playlistStarts.push_back(at);
        }
    }
    ASSERT_EQ(playlistStarts.size(), 6u); // master, Road Trip, Recently Added, Secret, Café, Two
    const std::size_t recentlyAdded = playlistStarts[2];
    const struct {
        const char* label;
        std::size_t offset; // from the playlist's start
        std::int32_t value;
    } damage[] = {
        {"an object length past the end", 0x6C + 8, INT_MAX},
        {"an object shorter than its header", 0x6C + 8, 8},
        {"a header too short for the hidden flag", 4, 20},
        {"an item count beyond the file", 16, INT_MAX},
    };
    for (const auto& d : damage) {
        SCOPED_TRACE(d.label);
        Bytes bytes = whole;
        PutI32(bytes, recentlyAdded + d.offset, d.value);
        const TiPod pod = Load(bytes);
        EXPECT_EQ(pod.Playlists, (std::vector<Playlist>{{u"Road Trip", {2, 0, 0}}}));
        EXPECT_EQ(pod.Songs.size(), 3u);
    }
    for (std::size_t size = whole.size(); size-- > recentlyAdded;) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const TiPod pod = Load(cut);
        ASSERT_GE(pod.Playlists.size(), 1u) << size;
        ASSERT_EQ(pod.Playlists[0], (Playlist{u"Road Trip", {2, 0, 0}})) << size;
    }
}

// --- The database file on the drive ---------------------------------------------------------

class LoadDatabaseTest : public testing::Test {
protected:
    void TearDown() override { platform::files::SetFaultHook(nullptr); }

    TiPod Loaded() {
        TiPod pod;
        pod.DriveRoot = ipod_.DriveRoot();
        pod.LoadDatabase();
        return pod;
    }

    testsupport::IPodFolder ipod_{itunesdb::WriteITunesDB(SpecOf(SampleSongs()))};
};

TEST_F(LoadDatabaseTest, ReadsTheDatabaseAndTheSizesOfTheSongFiles) {
    ipod_.AddSongFile(":iPod_Control:Music:F00:AAAA.mp3", 3621468);
    ipod_.AddSongFile(":iPod_Control:Music:F01:BBBB.m4a", 3000000000ull);

    const TiPod pod = Loaded();

    ASSERT_EQ(pod.Songs.size(), 3u);
    EXPECT_EQ(pod.Songs[0].SizeText, u"3.45MB");
    EXPECT_EQ(pod.Songs[1].SizeText, u"2861.02MB");
    EXPECT_EQ(pod.Songs[2].SizeText, u""); // listed although its file is missing
    EXPECT_EQ(pod.Songs[2].Title, u"Intro");
}

TEST_F(LoadDatabaseTest, LoadingTwiceGivesTheSameCatalogue) {
    ipod_.AddSongFile(":iPod_Control:Music:F00:AAAA.mp3", 1572864);
    TiPod pod = Loaded();
    const std::vector<TSong> first = pod.Songs;

    pod.LoadDatabase();

    EXPECT_EQ(pod.Songs, first);
    EXPECT_EQ(pod.Songs[0].SizeText, u"1.5MB");
}

TEST_F(LoadDatabaseTest, MissingDatabaseKeepsThePreviousCatalogue) {
    TiPod pod = Loaded();
    const TiPod before = pod;
    ipod_.RemoveDatabase();

    pod.LoadDatabase();

    EXPECT_EQ(pod.Songs, before.Songs);
    EXPECT_EQ(pod.SongCount, 3);
    EXPECT_EQ(pod.SectionTable[1], before.SectionTable[1]);
}

TEST_F(LoadDatabaseTest, OpenAndReadFailuresRaiseAndLeaveTheCatalogue) {
    testsupport::FailEveryOpen failOpen;
    testsupport::FailEveryRead failRead;
    const struct {
        platform::files::FaultHook* hook;
        bool compressed; // the database in iTunesCDB
        std::string message;
    } cases[] = {
        {&failOpen, false, "Cannot open file e:\\iPod_Control\\iTunes\\itunesdb"},
        {&failRead, false, "Stream read error"},
        {&failOpen, true, "Cannot open file e:\\iPod_Control\\iTunes\\iTunesCDB"},
        {&failRead, true, "Stream read error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TiPod pod = Loaded();
        const TiPod before = pod;
        const Bytes next = itunesdb::WriteITunesDB(SpecOf({SampleSongs()[0]}, {2, 1}));
        if (c.compressed) {
            ipod_.WriteCompressedDatabase(itunesdb::CompressDatabase(next));
        } else {
            ipod_.WriteDatabase(next);
        }
        platform::files::SetFaultHook(c.hook);

        try {
            pod.LoadDatabase();
            ADD_FAILURE() << "no error raised";
        } catch (const platform::OsError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        platform::files::SetFaultHook(nullptr);

        EXPECT_EQ(pod.Songs, before.Songs);
        EXPECT_EQ(pod.SongCount, before.SongCount);
        for (int type = 1; type < 4; ++type) {
            EXPECT_EQ(pod.SectionTable[type], before.SectionTable[type]);
        }
        ipod_.WriteDatabase(itunesdb::WriteITunesDB(SpecOf(SampleSongs())));
        std::filesystem::remove(ipod_.CompressedDatabasePath());
    }
}

// --- Size texts ------------------------------------------------------------------------------

struct SizeCase {
    std::uint64_t bytes;
    const char* pointLocale;
    const char* commaLocale;
};

TEST(SizeTextOfTest, CutsTheGeneralFormAfterTwoDecimals) {
    const SizeCase cases[] = {
        {3621468, "3.45MB", "3,45370101928711MB"},
        {1572864, "1.5MB", "1,5MB"},
        {2097152, "2MB", "2MB"},
        {5000000, "4.76MB", "4,76837158203125MB"},
        {10485, "0.00MB", "0,00999927520751953MB"},
        {0, "0MB", "0MB"},
        {1, "9.53MB", "9,5367431640625E-7MB"}, // exponent form below 0.0001
        {100, "9.53MB", "9,5367431640625E-5MB"},
        {104, "9.91MB", "9,918212890625E-5MB"},
        {105, "0.00MB", "0,000100135803222656MB"},
        {1048576000, "1000MB", "1000MB"},
        {3000000000ull, "2861.02MB", "2861,02294921875MB"}, // beyond 32 bits
        {18446744073709551615ull, "17592186044416MB", "17592186044416MB"},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        platform::text::SetUserLocale("en_US");
        EXPECT_EQ(SizeTextOf(c.bytes), c.pointLocale);
        platform::text::SetUserLocale("de_DE");
        EXPECT_EQ(SizeTextOf(c.bytes), c.commaLocale);
    }
    platform::text::SetUserLocale("en_US");
}

// --- A real database -------------------------------------------------------------------------

TEST(RealDatabaseTest, GtkpodDatabaseOfTwentyThreeTracks) {
    const std::filesystem::path database = std::filesystem::path(QUILLMERE_FIXTURES_DIR) /
                                           "real/gtkpod-23-tracks/iPod_Control/iTunes/iTunesDB";
    if (!std::filesystem::exists(database)) {
        GTEST_SKIP() << "no fixture at " << database;
    }
    const std::string content = testsupport::ReadFile(database);
    Bytes bytes(content.size());
    std::memcpy(bytes.data(), content.data(), content.size());
    testsupport::IPodFolder ipod(bytes);
    TiPod pod;
    pod.DriveRoot = ipod.DriveRoot();

    pod.LoadDatabase();

    const char16_t* titles[] = {
        u"THE MVP Episode #20",
        u"The Future And You -- February 27, 2013",
        u"Tales to Terrify Show No 60 Nicole Cushing, Ray Banks ",
        u"StarShipSofa No 278 Theodora Goss",
        u"Ruby 1.9.3-p392",
        u"Flight, JS1K, TodoMVC 1.1",
        u"TWIS_2013_02_14.mp3",
        u"CtK 24: Dappering the Dans",
        u"How Skynet Could Help Save the Planet",
        u"AngelHack, hackathon.io",
        u"094 RR Robust Ruby with Ara T. Howard",
        u"07 February, 2013 – This Week in Science",
        u"14 February, 2013 – This Week in Science",
        u"Tales to Terrify Show No 60 Nicole Cushing Ray Banks",
        u"Episode 37: You're riding the Rails bro!",
        u"Flight, JS1K, TodoMVC 1.1",
        u"Inside Isaac: A Discussion of Newton, Part 1",
        u"John Rennie Hacks the Planet",
        u"Human Skin Depigmented More Than Once",
        u"Sourdough Bacteria Pump Out Mold Killers",
        u"Shoo Away Asteroids with a Coat of Paint",
        u"Episode 6: Walking the Books",
        u"S06E01 – We Need to Talk About Ubuntu",
    };
    ASSERT_EQ(pod.SongCount, 23);
    ASSERT_EQ(pod.Songs.size(), 23u);
    for (std::size_t i = 0; i < 23; ++i) {
        EXPECT_EQ(pod.Songs[i].Title, titles[i]) << "track " << i;
        EXPECT_EQ(pod.Songs[i].TrackId, static_cast<std::int32_t>(52 + i));
        EXPECT_EQ(pod.Songs[i].SizeText, u"");
    }
    TSong first;
    first.Title = titles[0];
    first.Location = u":iPod_Control:Music:F01:libgpod805604.mp3";
    first.Album = u"Scott Sigler Audiobooks";
    first.Artist = u"Scott Sigler";
    first.Genre = u"Science Fiction";
    first.FileType = u"MPEG audio file";
    first.Comment = u" 00000602 000005F9 000085F6 000085F6 001C894E 001C894E 00007FFF 00007FFF "
                    u"00000105 00000105";
    first.Composer = u"Scott Sigler";
    first.TrackId = 52;
    EXPECT_EQ(pod.Songs[0], first);
    EXPECT_EQ(pod.Songs[22].Album, u"Ubuntu Podcast » MP3");
    EXPECT_EQ(pod.Songs[22].Location, u":iPod_Control:Music:F00:libgpod863057.mp3");
    EXPECT_EQ(pod.SectionTable[1], (SectionEntry{24558, 0x60, 244}));
    EXPECT_EQ(pod.SectionTable[3], (SectionEntry{9692, 0x60, 24802}));
    EXPECT_EQ(pod.SectionTable[2], SectionEntry{});
    EXPECT_EQ(pod.FileTypeNames(), (NameList{"mp3", "MPEG audio file"}));
    ASSERT_EQ(pod.Facts.size(), 23u);
    EXPECT_EQ(pod.Facts[0], (TrackFacts{u"Scott Sigler", 20, 0, 0, 0, 2013, false, 2'133'524}));
    EXPECT_EQ(pod.Facts[1], (TrackFacts{u"", 1, 0, 0, 0, 2013, false, 1'728'900}));
    EXPECT_EQ(pod.Facts[4], (TrackFacts{u"", 222, 0, 0, 0, 0, false, 1'427'489}));
    // Section 3 groups the podcasts under headers that name no track; the library's playlist,
    // "artm", is hidden.
    EXPECT_EQ(pod.Playlists,
              (std::vector<Playlist>{
                  {u"Podcasts", {8, 9, 10, 13, 14, 11, 12, 15, 16, 17, 18, 19, 20, 21, 22}}}));
}

} // namespace

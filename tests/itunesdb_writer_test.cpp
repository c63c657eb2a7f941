#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using itunesdb::GetU32;

std::string TagAt(const std::vector<std::byte>& bytes, std::size_t offset) {
    std::string tag;
    for (std::size_t i = 0; i < 4; ++i) {
        tag.push_back(static_cast<char>(bytes.at(offset + i)));
    }
    return tag;
}

itunesdb::DatabaseSpec MixedDatabase(std::vector<std::uint32_t> order, std::uint32_t header) {
    itunesdb::SongFields song;
    song.trackId = 7;
    song.title = u"Title";
    song.location = u":iPod_Control:Music:F00:A.mp3";
    song.album = u"Album";
    song.artist = u"Artist";
    itunesdb::TrackSpec video = itunesdb::Song(song);
    video.objects.push_back(itunesdb::VideoData(320, 240));
    video.headerLength = 0x270;
    itunesdb::TrackSpec podcast{8, {}, 0x9C};
    podcast.objects = {itunesdb::Text(itunesdb::kTitle, "Episode"),
                       itunesdb::PodcastUrl(itunesdb::kPodcastEnclosureUrl, "http://a/b.mp3"),
                       itunesdb::Chapter(u"One", 1000)};
    itunesdb::DatabaseSpec database;
    database.headerLength = header;
    database.sectionOrder = std::move(order);
    database.tracks = {itunesdb::Song(song), video, podcast};
    return database;
}

TEST(ITunesDBWriterTest, ObjectsHaveTheLayoutsOfRealDatabases) {
    const itunesdb::ObjectSpec text = itunesdb::Text(itunesdb::kArtist, "Añb");
    EXPECT_EQ(TagAt(text.bytes, 0), "mhod");
    EXPECT_EQ(GetU32(text.bytes, 4), 24u);
    EXPECT_EQ(GetU32(text.bytes, 8), 46u);
    EXPECT_EQ(GetU32(text.bytes, 12), 4u);
    EXPECT_EQ(GetU32(text.bytes, 24), 1u);
    EXPECT_EQ(GetU32(text.bytes, 28), 6u);
    EXPECT_EQ(text.bytes[42], std::byte{0xF1}); // ñ in UTF-16LE
    EXPECT_EQ(text.TotalLength(), text.bytes.size());

    const itunesdb::ObjectSpec utf8 = itunesdb::Utf8Text(itunesdb::kTitle, "Añb");
    EXPECT_EQ(GetU32(utf8.bytes, 8), 44u);
    EXPECT_EQ(GetU32(utf8.bytes, 24), 2u); // UTF-8
    EXPECT_EQ(GetU32(utf8.bytes, 28), 4u); // bytes, not characters
    EXPECT_EQ(utf8.bytes[41], std::byte{0xC3});
    EXPECT_EQ(utf8.bytes.size(), 44u);

    const itunesdb::ObjectSpec url = itunesdb::PodcastUrl(itunesdb::kPodcastRssUrl, "http://x");
    EXPECT_EQ(GetU32(url.bytes, 8), 24u + 8u);
    EXPECT_EQ(url.bytes.size(), 32u);

    const itunesdb::ObjectSpec video = itunesdb::VideoData(480, 360);
    EXPECT_EQ(GetU32(video.bytes, 8), 108u);
    EXPECT_EQ(video.bytes.size(), 108u);
    EXPECT_EQ(GetU32(video.bytes, 12), 32u);
    EXPECT_EQ(GetU32(video.bytes, 24), 360u);
    EXPECT_EQ(GetU32(video.bytes, 28), 480u);

    const itunesdb::ObjectSpec chapter = itunesdb::Chapter();
    EXPECT_EQ(GetU32(chapter.bytes, 8), chapter.bytes.size());
    EXPECT_EQ(GetU32(chapter.bytes, 12), 17u);
}

// Walks every record by its stored lengths: each must end exactly where its parent says.
TEST(ITunesDBWriterTest, EveryStoredLengthIsConsistent) {
    const std::vector<std::uint32_t> orders[] = {itunesdb::kOrderITunes, itunesdb::kOrderOld,
                                                 itunesdb::kOrderOldPodcast,
                                                 itunesdb::kOrderGtkpod};
    for (const auto& order : orders) {
        for (const std::uint32_t header : {0x68u, 0xBCu, 0xF4u}) {
            SCOPED_TRACE(testing::PrintToString(order) + " header " + std::to_string(header));
            itunesdb::Layout layout;
            const auto bytes = itunesdb::WriteITunesDB(MixedDatabase(order, header), layout);
            EXPECT_EQ(TagAt(bytes, 0), "mhbd");
            EXPECT_EQ(GetU32(bytes, 4), header);
            EXPECT_EQ(GetU32(bytes, 8), bytes.size());
            std::size_t section = header;
            for (const std::uint32_t type : order) {
                EXPECT_EQ(TagAt(bytes, section), "mhsd");
                EXPECT_EQ(GetU32(bytes, section + 12), type);
                section += GetU32(bytes, section + 8);
            }
            EXPECT_EQ(section, bytes.size());

            const std::size_t list = layout.trackListOffset;
            EXPECT_EQ(TagAt(bytes, list), "mhlt");
            EXPECT_EQ(GetU32(bytes, list + 8), 3u);
            std::size_t track = list + GetU32(bytes, list + 4);
            ASSERT_EQ(layout.trackOffsets.size(), 3u);
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(track, layout.trackOffsets[i]);
                EXPECT_EQ(TagAt(bytes, track), "mhit");
                std::size_t object = track + GetU32(bytes, track + 4);
                const std::uint32_t count = GetU32(bytes, track + 12);
                ASSERT_EQ(layout.objectOffsets[i].size(), count);
                for (std::uint32_t k = 0; k < count; ++k) {
                    EXPECT_EQ(object, layout.objectOffsets[i][k]);
                    EXPECT_EQ(TagAt(bytes, object), "mhod");
                    object += GetU32(bytes, object + 8);
                }
                EXPECT_EQ(object, track + GetU32(bytes, track + 8));
                track = object;
            }
        }
    }
}

TEST(ITunesDBWriterTest, CompressedDatabaseKeepsItsHeaderAndDeflatesTheRest) {
    const auto plain = itunesdb::WriteITunesDB(MixedDatabase(itunesdb::kOrderITunes, 0xF4));
    const auto compressed = itunesdb::CompressDatabase(plain);

    ASSERT_GT(compressed.size(), 0xF4u);
    EXPECT_LT(compressed.size(), plain.size());
    EXPECT_EQ(GetU32(compressed, 4), 0xF4u);
    EXPECT_EQ(GetU32(compressed, 8), compressed.size());
    EXPECT_EQ(GetU32(compressed, 0x0C), 2u);
    EXPECT_EQ(compressed[0xA8], std::byte{1});
    for (std::size_t offset = 16; offset < 0xF4; ++offset) {
        if (offset != 0xA8) {
            EXPECT_EQ(compressed[offset], plain[offset]) << "header byte " << offset;
        }
    }
    std::vector<std::byte> body(plain.size() - 0xF4);
    uLongf bodySize = body.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(body.data()), &bodySize,
                         reinterpret_cast<const Bytef*>(compressed.data()) + 0xF4,
                         compressed.size() - 0xF4),
              Z_OK);
    EXPECT_EQ(bodySize, body.size());
    EXPECT_TRUE(std::equal(body.begin(), body.end(), plain.begin() + 0xF4));

    const auto shortHeader = itunesdb::WriteITunesDB(MixedDatabase(itunesdb::kOrderOld, 0xBC));
    EXPECT_NO_THROW(itunesdb::CompressDatabase(shortHeader));
    const auto tooShort = itunesdb::WriteITunesDB(MixedDatabase(itunesdb::kOrderOld, 0x68));
    EXPECT_THROW(itunesdb::CompressDatabase(tooShort), std::invalid_argument);
}

TEST(ITunesDBWriterTest, PatchingOutsideTheBytesIsRefused) {
    std::vector<std::byte> bytes(8);
    EXPECT_THROW(itunesdb::PutU32(bytes, 5, 1), std::out_of_range);
    EXPECT_THROW(itunesdb::GetU32(bytes, 5), std::out_of_range);
    itunesdb::TrackSpec tooShort{1, {}, 12};
    itunesdb::DatabaseSpec database;
    database.tracks = {tooShort};
    EXPECT_THROW(itunesdb::WriteITunesDB(database), std::invalid_argument);
}

} // namespace

#include "app/database/iPodcomponent.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TSong SongTitled(std::u16string title, std::int32_t id = 0) {
    TSong song;
    song.Title = std::move(title);
    song.TrackId = id;
    return song;
}

TiPod CatalogueOf(std::vector<TSong> songs) {
    TiPod pod;
    pod.SongCount = static_cast<std::int32_t>(songs.size());
    pod.Songs = std::move(songs);
    return pod;
}

TiPod CatalogueOfAlbums(const std::vector<std::u16string>& albums) {
    std::vector<TSong> songs;
    for (const std::u16string& album : albums) {
        TSong song;
        song.Album = album;
        song.Artist = album;
        song.FileType = album;
        songs.push_back(song);
    }
    return CatalogueOf(std::move(songs));
}

TEST(CatalogueTest, StartsEmpty) {
    const TiPod pod;
    EXPECT_EQ(pod.GetSongCount(), 0);
    EXPECT_TRUE(pod.AlbumNames().empty());
    EXPECT_TRUE(pod.ArtistNames().empty());
    EXPECT_TRUE(pod.FileTypeNames().empty());
    EXPECT_EQ(pod.DriveRoot, "");
    for (const SectionEntry& entry : pod.SectionTable) {
        EXPECT_EQ(entry, SectionEntry{});
    }
}

struct NamesCase {
    const char* name;
    std::vector<std::u16string> values; // in catalogue order
    NameList expected;
};

TEST(CatalogueTest, NameListsAreSortedDistinctAndKeepTheFirstSpelling) {
    const NamesCase cases[] = {
        {"case variants", {u"Rock", u"rock", u"ROCK"}, {"Rock"}},
        {"first spelling in catalogue order", {u"rOCK", u"Rock"}, {"rOCK"}},
        {"empty value first", {u"Jazz", u"", u"Blues", u""}, {"", "Blues", "Jazz"}},
        {"locale order, not byte order",
         {u"beta", u"Alpha", u"Gamma", u"alpha"},
         {"Alpha", "beta", "Gamma"}},
        {"accents still count", {u"Émile", u"emile", u"EMILE"}, {"emile", "Émile"}},
        {"text outside ANSI", {u"日本", u"日本", u"Ünïcode", u"ünïcode"}, {"Ünïcode", "日本"}},
        {"unpaired surrogates become ?", {u"a\xD800", u"a\xDC00", u"a?"}, {"a?"}},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TiPod pod = CatalogueOfAlbums(c.values);
        EXPECT_EQ(pod.AlbumNames(), c.expected);
        EXPECT_EQ(pod.ArtistNames(), c.expected);
        EXPECT_EQ(pod.FileTypeNames(), c.expected);
    }
}

TEST(CatalogueTest, NameListsReadTheirOwnFieldOverTheWholeArray) {
    TSong first;
    first.Album = u"Album";
    first.Artist = u"Artist";
    first.FileType = u"MPEG audio file";
    TSong second;
    second.Album = u"Other";
    TiPod pod = CatalogueOf({first, second});
    pod.SongCount = 1; // the lists go by the array

    EXPECT_EQ(pod.AlbumNames(), (NameList{"Album", "Other"}));
    EXPECT_EQ(pod.ArtistNames(), (NameList{"", "Artist"}));
    EXPECT_EQ(pod.FileTypeNames(), (NameList{"", "MPEG audio file"}));
}

TEST(CatalogueTest, NameListsOfManySongs) {
    std::vector<std::u16string> albums;
    for (int i = 0; i < 50000; ++i) {
        std::u16string album = platform::text::AnsiToWide("Album " + std::to_string(i % 1000));
        if (i % 3 == 1) {
            album[0] = u'a';
        }
        albums.push_back(album);
    }
    const NameList names = CatalogueOfAlbums(albums).AlbumNames();

    ASSERT_EQ(names.size(), 1000u);
    EXPECT_EQ(names.front(), "Album 0");
    EXPECT_EQ(names[1], "album 1"); // song 1 spells it in lower case first
    for (std::size_t i = 1; i < names.size(); ++i) {
        EXPECT_LT(platform::text::CompareNoCase(names[i - 1], names[i]), 0);
    }
}

TEST(CatalogueTest, SongByTitleTakesTheLastMatchWithoutRegardToCase) {
    const TiPod pod = CatalogueOf({SongTitled(u"Intro", 1), SongTitled(u"Outro", 2),
                                   SongTitled(u"INTRO", 3), SongTitled(u"Interlude", 4)});
    TSong song;
    pod.SongByTitle("intro", song);
    EXPECT_EQ(song, SongTitled(u"INTRO", 3));
}

TEST(CatalogueTest, SongByTitleWithoutMatchLeavesTheRecord) {
    const TiPod pod = CatalogueOf({SongTitled(u"Intro", 1)});
    TSong kept = SongTitled(u"Caller's", 42);
    kept.Album = u"own";
    TSong song = kept;
    pod.SongByTitle("Intr", song);
    EXPECT_EQ(song, kept);

    TSong empty;
    pod.SongByTitle("nothing", empty);
    EXPECT_EQ(empty, TSong{});
}

TEST(CatalogueTest, TitlesEqualAfterConversionAreTheSameTitle) {
    // Unpaired surrogates both become "?".
    const TiPod pod = CatalogueOf({SongTitled(u"Song \xD800", 1), SongTitled(u"Song \xDBFF", 2)});
    TSong song;
    pod.SongByTitle("song ?", song);
    EXPECT_EQ(song.TrackId, 2);
}

TEST(CatalogueTest, SongAtCopiesTheSongAndIgnoresIndexesOutside) {
    const TiPod pod = CatalogueOf({SongTitled(u"Zero", 10), SongTitled(u"One", 11)});
    TSong song;
    pod.SongAt(1, song);
    EXPECT_EQ(song, SongTitled(u"One", 11));
    for (const std::int32_t outside : {-1, 2, INT32_MAX, INT32_MIN}) {
        SCOPED_TRACE(outside);
        TSong unchanged = SongTitled(u"Mine", 5);
        pod.SongAt(outside, unchanged);
        EXPECT_EQ(unchanged, SongTitled(u"Mine", 5));
    }
}

TEST(CatalogueTest, SongPathTurnsTheLocationIntoAPathOnTheDrive) {
    TiPod pod;
    pod.DriveRoot = "e:";
    TSong song;
    song.Location = u":iPod_Control:Music:F01:XYZW.mp3";
    EXPECT_EQ(pod.SongPath(song), "e:\\iPod_Control\\Music\\F01\\XYZW.mp3");
    song.Location = u"::a:";
    EXPECT_EQ(pod.SongPath(song), "e:\\\\a\\");
}

} // namespace

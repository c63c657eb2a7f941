#include "app/playlist_export.h"

#include <gtest/gtest.h>

namespace {

TEST(PlaylistText, IsExtendedM3uWithOneInfoLineAndOnePathPerSong) {
    const std::vector<PlaylistEntry> entries = {
        {201'500, "Harbor Lights", "Intro", "Harbor Lights/Night Drive/01 Intro.mp3"},
        {0, "", "Untimed, untold", "Untimed.mp3"},
        {499, "Two\nLines", "Title\r\nBroken", "Odd.mp3"},
    };
    EXPECT_EQ(PlaylistText(entries), "#EXTM3U\n"
                                     "#EXTINF:202,Harbor Lights - Intro\n"
                                     "Harbor Lights/Night Drive/01 Intro.mp3\n"
                                     "#EXTINF:-1,Untimed, untold\n"
                                     "Untimed.mp3\n"
                                     "#EXTINF:0,Two Lines - Title  Broken\n"
                                     "Odd.mp3\n");
    EXPECT_EQ(PlaylistText({}), "#EXTM3U\n");
}

TEST(PathBelow, IsThePlannedPathBelowTheFolderWithSlashes) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"c:\\Music", "c:\\Music\\Artist\\Album\\01 Song.mp3", "Artist/Album/01 Song.mp3"},
        {"c:\\Music", "c:\\Music\\Song(1).mp3", "Song(1).mp3"},
        {"E:\\", "E:\\\\Artist\\Song.mp3", "Artist/Song.mp3"}, // a drive root
    };
    for (const auto& [folder, target, below] : cases)
        EXPECT_EQ(PathBelow(folder, target), below) << target;
}

} // namespace

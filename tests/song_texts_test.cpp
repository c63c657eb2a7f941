#include "app/song_search.h"
#include "app/song_view.h"
#include "platform/text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

TSong SongWith(const std::u16string& title, const std::u16string& album = u"",
               const std::u16string& artist = u"", const std::u16string& fileType = u"") {
    TSong song;
    song.Title = title;
    song.Album = album;
    song.Artist = artist;
    song.FileType = fileType;
    return song;
}

TEST(SongTextsTest, TextsAreTheFieldsConvertedAsTheTextServicesConvert) {
    const std::u16string titles[] = {
        u"plain",
        u"Caf\u00e9 Stra\u00dfe",
        u"\u6771\u4eac \uffff",
        u"\U0001F3B5 note",
        std::u16string(u"high\xD83C") + u" end",  // unpaired high surrogate
        std::u16string(u"\xDF35") + u"low first", // unpaired low surrogate
        std::u16string(u"\xD83C\xD83C\xDFB5"),    // a high one, then a pair
        std::u16string(u"nul\0inside", 10),
        u"",
    };
    std::vector<TSong> songs;
    for (const std::u16string& title : titles) {
        TSong song = SongWith(title, u"Album " + title);
        song.Grouping = title;
        songs.push_back(song);
    }
    const TSongTexts texts(songs);
    ASSERT_EQ(texts.Size(), songs.size());
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const std::string expected = platform::text::WideToAnsi(songs[i].Title);
        EXPECT_EQ(texts.Text(i, TSongTexts::Title), expected) << i;
        EXPECT_EQ(texts.Text(i, TSongTexts::Album), "Album " + expected) << i;
        EXPECT_EQ(texts.Text(i, TSongTexts::Grouping), expected) << i;
        EXPECT_EQ(texts.Text(i, TSongTexts::Comment), "") << i;
    }
}

TEST(SongTextsTest, ViewsShowTheSongsEachSongsOwnTestAdmits) {
    const std::vector<TSong> songs = {
        SongWith(u"Night Drive", u"Blue", u"Ann", u"MP3"),
        SongWith(u"Morning", u"blue", u"Bj\u00f6rk", u""),
        SongWith(u"Drive", u"Red", u"BJ\u00d6RK", u"mp3"),
        SongWith(u"Night", u"", u"Bjork", u"WAV"),
    };
    const TSongTexts texts(songs);
    const std::vector<std::pair<ViewKind, std::vector<std::string>>> views = {
        {ViewKind::All, {}},
        {ViewKind::Album, {"BLUE"}},
        {ViewKind::Album, {""}},
        {ViewKind::Album, {"Red", "blue"}},
        {ViewKind::Artist, {"bj\xC3\xB6rk"}},
        {ViewKind::Artist, {"Bjork", "nobody"}},
        {ViewKind::FileType, {"Mp3"}},
        {ViewKind::FileType, {""}},
        {ViewKind::Search, {"Night"}},
        {ViewKind::Search, {"Drive Night"}},
        {ViewKind::Search, {"night"}},
        {ViewKind::Empty, {}},
    };
    for (const auto& [kind, values] : views) {
        std::vector<std::int32_t> expected;
        for (std::size_t i = 0; i < songs.size(); ++i)
            if (SongPassesView(kind, values, songs[i]))
                expected.push_back(static_cast<std::int32_t>(i));
        EXPECT_EQ(texts.SongsInView(kind, values, songs.size()), expected)
            << static_cast<int>(kind) << " " << (values.empty() ? "" : values.front());
    }
    EXPECT_THAT(texts.SongsInView(ViewKind::All, {}, 2), ElementsAre(0, 1));
    EXPECT_THAT(texts.Names(TSongTexts::Album), ElementsAre("", "Blue", "Red"));
    EXPECT_THAT(texts.Names(TSongTexts::Artist), ElementsAre("Ann", "Bjork", "Bj\xC3\xB6rk"));
}

} // namespace

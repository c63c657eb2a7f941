#include "app/song_search.h"
#include "app/song_view.h"

#include <gtest/gtest.h>

TEST(SongSearchTest, EveryWordMustOccurInOneField) {
    struct Case {
        const char* text;
        const char* field;
        bool matches;
    };
    const Case cases[] = {
        {"blue moon", "Moonlight in blue", false}, // exact letter case
        {"blue Moon", "Moonlight in blue", true},  // any order, inside longer words
        {"oon", "Moonlight", true},
        {"moon", "Moonlight", false},
        {"a", "", false},                          // nothing occurs in an empty field
        {"  lead  trail", "lead and trail", true}, // leading and repeated spaces
        {"word ", "word", true},                   // one trailing space: no extra word
        {"word  ", "word", false},                 // two: an empty last word
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchFunc(c.text, c.field), c.matches) << c.text << " in " << c.field;
}

TEST(SongSearchTest, FieldsAreTriedOneByOne) {
    TSong song;
    song.Title = u"Night";
    song.Album = u"Drive";
    song.Composer = u"Night Drive";
    EXPECT_TRUE(SongMatchesSearch(song, "Drive Night"));
    song.Composer.clear();
    EXPECT_FALSE(SongMatchesSearch(song, "Drive Night")); // words spread over two fields
    song.Comment = u"a Night to Drive";
    EXPECT_TRUE(SongMatchesSearch(song, "Drive Night"));
}

TEST(SongSearchTest, EnterIgnoresTextsEndingInAOneLetterWordOrTwoSpaces) {
    EXPECT_FALSE(IsSearchableText(""));
    EXPECT_FALSE(IsSearchableText("love y"));
    EXPECT_FALSE(IsSearchableText("love  "));
    EXPECT_TRUE(IsSearchableText("love "));
    EXPECT_TRUE(IsSearchableText("a"));
    EXPECT_FALSE(IsSearchableText(" "));
    EXPECT_FALSE(IsSearchableText("love \xC3\xA9")); // the last character is one of two bytes
    EXPECT_TRUE(IsSearchableText("caf\xC3\xA9"));
}

TEST(SongViewTest, PaneViewsCompareWithoutRegardToCase) {
    TSong song;
    song.Album = u"Rock";
    song.Artist = u"Björk";
    song.FileType = u"MPEG audio file";
    EXPECT_TRUE(SongPassesView(ViewKind::Album, {"Blue", "rock"}, song));
    EXPECT_FALSE(SongPassesView(ViewKind::Album, {"Rocks"}, song));
    EXPECT_TRUE(SongPassesView(ViewKind::Artist, {"BJÖRK"}, song));
    EXPECT_FALSE(SongPassesView(ViewKind::Artist, {"Bjork"}, song)); // accents count
    EXPECT_TRUE(SongPassesView(ViewKind::FileType, {"mpeg AUDIO file"}, song));
    EXPECT_FALSE(SongPassesView(ViewKind::Empty, {}, song));
}

TEST(SongViewTest, StatusTextsOfThePaneViews) {
    EXPECT_EQ(ViewStatusText(ViewKind::Album, {"Blue", "Red"}), "Files in album Blue,Red");
    EXPECT_EQ(ViewStatusText(ViewKind::Artist, {"A"}), "Files by artist A");
    EXPECT_EQ(ViewStatusText(ViewKind::FileType, {"WAV audio file", "MPEG audio file"}),
              "WAV audio file Files");
}

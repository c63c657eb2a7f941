#include "app/name_template.h"

#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SongOf {
    std::string title = "Intro";
    std::string artist = {};
    std::string album = {};
    std::string genre = {};
    std::string composer = {};
    TrackFacts facts = {};
};

struct ExpandCase {
    const char* label;
    std::string layout;
    SongOf song;
    std::string expected; // with the extension .mp3
};

std::string Expanded(const std::string& layout, const SongOf& of, std::string_view extension) {
    std::string problem;
    const std::optional<NameTemplate> naming = NameTemplate::Parse(layout, problem);
    if (!naming)
        return "problem: " + problem;
    TSong song;
    song.Title = platform::text::AnsiToWide(of.title);
    song.Artist = platform::text::AnsiToWide(of.artist);
    song.Album = platform::text::AnsiToWide(of.album);
    song.Genre = platform::text::AnsiToWide(of.genre);
    song.Composer = platform::text::AnsiToWide(of.composer);
    return naming->Expand(song, of.facts, extension);
}

TrackFacts Numbers(std::int32_t disc, std::int32_t track, std::int32_t year = 0) {
    TrackFacts facts;
    facts.DiscNumber = disc;
    facts.TrackNumber = track;
    facts.Year = year;
    return facts;
}

TrackFacts AlbumBy(const std::string& albumArtist, bool compilation = false) {
    TrackFacts facts;
    facts.AlbumArtist = platform::text::AnsiToWide(albumArtist);
    facts.Compilation = compilation;
    return facts;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(NameTemplate, ExpandsFieldsOptionalPartsAndFolders) {
    const std::string library(NameTemplate::SuggestedLayout);
    const ExpandCase cases[] = {
        {"the title alone, as without a template", "{title}", {}, "Intro.mp3"},
        {"library layout, every part",
         library,
         {.artist = "Harbor Lights", .album = "Night Drive", .facts = Numbers(2, 7)},
         "Harbor Lights\\Night Drive\\2-07 Intro.mp3"},
        {"no disc",
         library,
         {.artist = "Harbor Lights", .album = "Night Drive", .facts = Numbers(0, 7)},
         "Harbor Lights\\Night Drive\\07 Intro.mp3"},
        {"neither disc nor track",
         library,
         {.artist = "Harbor Lights", .album = "Night Drive"},
         "Harbor Lights\\Night Drive\\Intro.mp3"},
        {"a disc without a track drops the track's part only",
         library,
         {.artist = "A", .album = "B", .facts = Numbers(3, 0)},
         "A\\B\\3-Intro.mp3"},
        {"the album artist wins over the artist",
         library,
         {.artist = "Guest", .album = "B", .facts = AlbumBy("Host", true)},
         "Host\\B\\Intro.mp3"},
        {"a compilation without an album artist",
         library,
         {.artist = "Guest", .album = "Hits", .facts = AlbumBy("", true)},
         "Various Artists\\Hits\\Intro.mp3"},
        {"neither artist nor album", library, {}, "Unknown Artist\\Unknown Album\\Intro.mp3"},
        {"an empty folder named by its first field",
         "{genre}{artist}/[{disc}]/{year}/{title}",
         {},
         "Unknown\\Unknown\\Unknown\\Intro.mp3"},
        {"artist fields", "{artist}/{composer}/{title}", {}, "Unknown Artist\\Unknown\\Intro.mp3"},
        {"widths pad numbers and never cut them",
         "{track:03} {disc:1} {year:2} {title}",
         {.facts = Numbers(12, 7, 1987)},
         "007 12 1987 Intro.mp3"},
        {"numbers of 0 or less are empty",
         "[{year} - ][{track}.]{title}",
         {.facts = Numbers(-1, -3, 0)},
         "Intro.mp3"},
        {"an optional part may hold a folder",
         "{artist}/[Disc {disc}/]{title}",
         {.artist = "A", .facts = Numbers(2, 0)},
         "A\\Disc 2\\Intro.mp3"},
        {"dropped with its folder",
         "{artist}/[Disc {disc}/]{title}",
         {.artist = "A"},
         "A\\Intro.mp3"},
        {"an optional part without fields stays", "[x]{title}", {}, "xIntro.mp3"},
        {"genre and composer",
         "{genre}/{composer} - {title}",
         {.genre = "Jazz", .composer = "Dora Blue"},
         "Jazz\\Dora Blue - Intro.mp3"},
        // Every folder and the file name are safe names.
        {"a slash in a field is no folder",
         library,
         {.title = "Left/Right", .artist = "AC/DC", .album = "Live: Is It?"},
         "AC_DC\\Live_ Is It_\\Left_Right.mp3"},
        {"names that would leave the folder",
         library,
         {.title = "..", .artist = "..", .album = "."},
         "__\\_\\...mp3"},
        {"trailing dots and spaces",
         library,
         {.artist = "R.E.M.", .album = "Out . "},
         "R.E.M_\\Out___\\Intro.mp3"},
        {"device names",
         library,
         {.title = "nul", .artist = "CON", .album = "Aux.Live"},
         "CON_\\Aux_.Live\\nul_.mp3"},
        {"control characters and the rest",
         "{artist}/{title}",
         {.title = "a*b<c>d|e\"f", .artist = "tab\there"},
         "tab_here\\a_b_c_d_e_f.mp3"},
        {"a literal folder made safe", "Songs: all/{title}", {}, "Songs_ all\\Intro.mp3"},
        {"an overlong folder is cut on a character boundary",
         "{album}/{title}",
         {.album = Repeat("é", 200)},
         Repeat("é", 127) + "\\Intro.mp3"},
        {"an overlong file name keeps its extension",
         "{artist}/{title}",
         {.title = std::string(300, 'a'), .artist = "A"},
         "A\\" + std::string(251, 'a') + ".mp3"},
    };
    for (const ExpandCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Expanded(c.layout, c.song, ".mp3"), c.expected) << c.layout;
    }
}

// Never a hidden file named by its extension alone, nor a name of the text between fields.
TEST(NameTemplate, ANameWhoseFieldsGiveNothingIsNamedByItsFirstField) {
    EXPECT_EQ(Expanded("{artist} - {album}/{title}", {}, ".mp3"), "Unknown Artist\\Intro.mp3");
    EXPECT_EQ(Expanded("{artist}/[{track}]", {.artist = "A"}, ".m4a"), "A\\Unknown.m4a");
    EXPECT_EQ(Expanded("{title}", {.title = ""}, ""), "Unknown");
    EXPECT_EQ(Expanded("{album} {artist}", {}, ".mp3"), "Unknown Album.mp3");
}

TEST(NameTemplate, TemplatesThatNameNoFileAreRefusedSayingWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "the template is empty"},
        {"/{title}", "a template is a path below DEST: it cannot start with \"/\""},
        {"[/]{title}", "a template is a path below DEST: it cannot start with \"/\""},
        {"{artist}/", "the template ends in \"/\": it needs a file name after its last folder"},
        {"{artist}//{title}", "the template has an empty folder name (\"//\")"},
        {"{name}", "unknown field {name}; the fields are {title}, {artist}, {album}, "
                   "{albumartist}, {genre}, {composer}, {year}, {track}, {disc}"},
        {"{Title}", "unknown field {Title}; the fields are {title}, {artist}, {album}, "
                    "{albumartist}, {genre}, {composer}, {year}, {track}, {disc}"},
        {"{title:02}", "{title:02}: only {year}, {track} and {disc} take a width"},
        {"{track:}", "{track:}: a width is a number from 1 to 9, as in {track:02}"},
        {"{track:x}", "{track:x}: a width is a number from 1 to 9, as in {track:02}"},
        {"{track:0}", "{track:0}: a width is a number from 1 to 9, as in {track:02}"},
        {"{track:99999999999}",
         "{track:99999999999}: a width is a number from 1 to 9, as in {track:02}"},
        {"a/{track", "\"{\" at position 3 has no \"}\""},
        {"title}", "\"}\" at position 6 has no \"{\""},
        {"x[{disc}", "\"[\" at position 2 has no \"]\""},
        {"{disc}]", "\"]\" at position 7 has no \"[\""},
        {"[[{disc}]]", "\"[\" at position 2 is inside another \"[...]\""},
    };
    for (const auto& [layout, problem] : cases) {
        SCOPED_TRACE(layout);
        std::string said;
        EXPECT_FALSE(NameTemplate::Parse(layout, said).has_value());
        EXPECT_EQ(said, problem);
    }
}

} // namespace

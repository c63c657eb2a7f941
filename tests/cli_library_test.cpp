// quillmere-cli copying into an organised library, as a user runs it: name templates that make
// folders, playlists read from the database and written beside the songs.
#include "tests/support/cli_runner.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/temp_folder.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using itunesdb::SongFields;

struct Track {
    std::u16string title;
    std::u16string artist;
    std::u16string album;
    std::u16string albumArtist;
    itunesdb::TrackNumbers numbers = {};
    bool fileMissing = false;
};

class CliLibraryTest : public testing::Test {
protected:
    // An iPod of `tracks` (track ids 100, 101, ...), each song file holding its own title.
    void WriteIPod(const std::vector<Track>& tracks,
                   const std::vector<itunesdb::PlaylistSpec>& playlists = {}) {
        itunesdb::DatabaseSpec database;
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            const Track& track = tracks[i];
            SongFields fields;
            fields.trackId = static_cast<std::int32_t>(100 + i);
            fields.title = track.title;
            fields.artist = track.artist;
            fields.album = track.album;
            fields.albumArtist = track.albumArtist;
            fields.numbers = track.numbers;
            const std::string location = ":iPod_Control:Music:F00:S" + std::to_string(i) + ".mp3";
            fields.location = std::u16string(location.begin(), location.end());
            database.tracks.push_back(itunesdb::Song(fields));
            if (!track.fileMissing)
                ipod_.WriteFile("iPod_Control/Music/F00/S" + std::to_string(i) + ".mp3",
                                "song " + std::to_string(i));
        }
        database.playlists = playlists;
        const std::vector<std::byte> bytes = itunesdb::WriteITunesDB(database);
        ipod_.WriteFile("iPod_Control/iTunes/iTunesDB", bytes);
    }

    testsupport::CliRun Run(const std::vector<std::string>& arguments) {
        return testsupport::RunProgram(QUILLMERE_CLI_PATH, arguments, home_.Path());
    }
    testsupport::CliRun Copy(std::vector<std::string> options) {
        options.insert(options.begin(), {"copy", ipod_.Str(), dest_.Str()});
        return Run(options);
    }
    std::string Dest(const std::string& relative) const {
        return (dest_.Path() / relative).string();
    }
    // Every file and folder below DEST (folders end in "/"), sorted.
    std::vector<std::string> Tree() const {
        std::vector<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(dest_.Path())) {
            const std::string relative = fs::relative(entry.path(), dest_.Path()).string();
            entries.push_back(entry.is_directory() ? relative + "/" : relative);
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    testsupport::TempFolder ipod_;
    testsupport::TempFolder dest_;
    testsupport::TempFolder home_;
};

itunesdb::TrackNumbers Numbers(std::uint32_t disc, std::uint32_t track, bool compilation = false) {
    itunesdb::TrackNumbers numbers;
    numbers.discNumber = disc;
    numbers.trackNumber = track;
    numbers.compilation = compilation;
    return numbers;
}

// Titles and albums that need every rule of safe names, and songs that share a name.
const std::vector<Track> kLibrary = {
    {u"Intro", u"Harbor Lights", u"Night Drive", u"", Numbers(1, 1)},
    {u"Intro", u"Quiet Arcade", u"Sound Check", u"", Numbers(0, 1)},
    {u"AC/DC?", u"Guest", u"Hits: 1999", u"", Numbers(0, 12, true)},
    {u"Intro", u"", u"", u"", Numbers(0, 0)},
    {u"Intro", u"Harbor Lights", u"Night Drive", u"", Numbers(1, 1)},
    {u"Trailing. ", u"..", u"CON", u"", Numbers(0, 3)},
    {u"Duet", u"Guest", u"Night Drive", u"Harbor Lights", Numbers(2, 10)},
    {u"Lost", u"Nobody", u"Gone", u"", Numbers(0, 1), true},
};

TEST_F(CliLibraryTest, ALibraryLayoutSortsSongsIntoSafeFoldersAndNumbersClashesInTheirOwn) {
    WriteIPod(kLibrary);

    const auto run = Copy({"--all", "--no-overwrite", "--name",
                           "{albumartist}/{album}/[{disc}-][{track:02} ]{title}"});

    EXPECT_EQ(run.status, 1) << run.err; // the lost song
    EXPECT_EQ(run.out, "Intro\t" + Dest("Harbor Lights/Night Drive/1-01 Intro.mp3") + "\n" +
                           "Intro\t" + Dest("Quiet Arcade/Sound Check/01 Intro.mp3") + "\n" +
                           "AC/DC?\t" + Dest("Various Artists/Hits_ 1999/12 AC_DC_.mp3") + "\n" +
                           "Intro\t" + Dest("Unknown Artist/Unknown Album/Intro.mp3") + "\n" +
                           "Intro\t" + Dest("Harbor Lights/Night Drive/1-01 Intro(1).mp3") + "\n" +
                           "Trailing. \t" + Dest("__/CON_/03 Trailing. .mp3") + "\n" + "Duet\t" +
                           Dest("Harbor Lights/Night Drive/2-10 Duet.mp3") + "\n" +
                           "Lost\tnot copied: the song's file is missing on the iPod\n");
    EXPECT_EQ(Tree(), (std::vector<std::string>{
                          "Harbor Lights/", "Harbor Lights/Night Drive/",
                          "Harbor Lights/Night Drive/1-01 Intro(1).mp3",
                          "Harbor Lights/Night Drive/1-01 Intro.mp3",
                          "Harbor Lights/Night Drive/2-10 Duet.mp3", "Quiet Arcade/",
                          "Quiet Arcade/Sound Check/", "Quiet Arcade/Sound Check/01 Intro.mp3",
                          "Unknown Artist/", "Unknown Artist/Unknown Album/",
                          "Unknown Artist/Unknown Album/Intro.mp3", "Various Artists/",
                          "Various Artists/Hits_ 1999/", "Various Artists/Hits_ 1999/12 AC_DC_.mp3",
                          "__/", "__/CON_/", "__/CON_/03 Trailing. .mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Dest("Harbor Lights/Night Drive/1-01 Intro(1).mp3")), "song 4");
    EXPECT_EQ(testsupport::ReadFile(Dest("__/CON_/03 Trailing. .mp3")), "song 5");
}

TEST_F(CliLibraryTest, TheTitleAloneNamesFilesAsWithoutATemplate) {
    WriteIPod(kLibrary);
    const auto plain = Copy({"--all"});
    const std::vector<std::string> plainTree = Tree();
    fs::remove_all(dest_.Path());
    fs::create_directories(dest_.Path());

    const auto templated = Copy({"--all", "--name", "{title}"});

    EXPECT_EQ(templated.out, plain.out);
    EXPECT_EQ(templated.status, plain.status);
    EXPECT_EQ(Tree(), plainTree);
    EXPECT_EQ(plainTree.size(), 7u);
}

TEST_F(CliLibraryTest, ABadTemplateIsAUsageErrorThatCopiesNothing) {
    WriteIPod(kLibrary);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--all", "--name", "{artist}/{nme}"}, "--name \"{artist}/{nme}\": unknown field {nme}"},
        {{"--all", "--name", "{artist}/"}, "the template ends in \"/\""},
        {{"--all", "--name"}, "--name needs a TEMPLATE"},
        {{"--all", "--name", "{title}", "--name", "{title}"}, "--name is given more than once"},
    };
    for (const auto& [options, said] : cases) {
        SCOPED_TRACE(said);
        const auto run = Copy(options);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(Tree().empty());
}

// --- Playlists ---------------------------------------------------------------------------------

// Songs 100 to 105; song 104's file is missing.
const std::vector<Track> kTracks = {
    {u"Intro", u"Harbor Lights", u"Night Drive", u"", Numbers(0, 1)},
    {u"Neon", u"Harbor Lights", u"Night Drive", u"", Numbers(0, 2)},
    {u"Air", u"", u"Morning", u"", Numbers(0, 1)},
    {u"Intro", u"Quiet Arcade", u"Sound Check", u"", Numbers(0, 1)},
    {u"Lost", u"Nobody", u"Gone", u"", Numbers(0, 1), true},
    {u"Unlisted", u"Nobody", u"Else", u"", Numbers(0, 1)},
};

std::vector<itunesdb::PlaylistSpec> Playlists() {
    return {
        {.name = u"Road Trip", .trackIds = {103, 100, 999, 101, 104}},
        {.name = u"Chill: Late/Night", .trackIds = {102, 100}, .smart = true},
        {.name = u"Hidden", .trackIds = {100}, .hidden = true},
        {.name = u"Only Lost", .trackIds = {104}},
        {.name = u"road trip", .trackIds = {101}},
    };
}

TEST_F(CliLibraryTest, PlaylistsListsEachPlaylistWithItsNumberOfSongs) {
    WriteIPod(kTracks, Playlists());

    const auto run = Run({"playlists", ipod_.Str()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Road Trip\t4\nChill: Late/Night\t2\nOnly Lost\t1\nroad trip\t1\n");
    EXPECT_EQ(run.err, "");
    const auto wrong = Run({"playlists"});
    EXPECT_EQ(wrong.status, 2);
    const auto noIPod = Run({"playlists", dest_.Str()});
    EXPECT_EQ(noIPod.status, 2);
}

TEST_F(CliLibraryTest, APlaylistChoosesItsSongsWithoutRegardToCaseAndAlongsideOtherChoices) {
    WriteIPod(kTracks, Playlists());

    const auto one = Copy({"--playlist", "CHILL: late/night"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "Intro\t" + Dest("Intro.mp3") + "\nAir\t" + Dest("Air.mp3") + "\n");

    // Both playlists called "road trip", and a title: each song once, in catalogue order.
    fs::remove_all(dest_.Path());
    fs::create_directories(dest_.Path());
    const auto several = Copy({"--playlist", "Road Trip", "--title", "unlisted"});
    EXPECT_EQ(several.status, 1) << several.err;                         // the lost song
    EXPECT_EQ(several.out, "Intro\t" + Dest("Intro.mp3") + "\n" +        //
                               "Neon\t" + Dest("Neon.mp3") + "\n" +      //
                               "Intro\t" + Dest("Intro(1).mp3") + "\n" + //
                               "Lost\tnot copied: the song's file is missing on the iPod\n" +
                               "Unlisted\t" + Dest("Unlisted.mp3") + "\n");

    const auto unknown = Copy({"--playlist", "Road", "--all"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("no playlist is named \"Road\""), std::string::npos) << unknown.err;
    EXPECT_EQ(unknown.out, "");
}

TEST_F(CliLibraryTest, PlaylistsAreWrittenBesideTheSongsNamingTheFilesCopied) {
    std::vector<Track> tracks = kTracks;
    tracks[0].numbers.lengthMs = 201'600; // rounds up to 202 seconds
    tracks[1].numbers.lengthMs = 0;       // unknown
    tracks[2].numbers.lengthMs = 59'499;
    tracks[3].numbers.lengthMs = 1'000;
    WriteIPod(tracks, Playlists());
    dest_.WriteFile("Harbor Lights/Night Drive/01 Intro.mp3", "already there");

    const auto run = Copy({"--all", "--playlists", "--no-overwrite", "--name",
                           "{albumartist}/{album}/[{track:02} ]{title}"});

    EXPECT_EQ(run.status, 1) << run.err; // the lost song
    const std::string songLines = "Intro\t" + Dest("Harbor Lights/Night Drive/01 Intro(1).mp3") +
                                  "\n" + "Neon\t" + Dest("Harbor Lights/Night Drive/02 Neon.mp3") +
                                  "\n" + "Air\t" + Dest("Unknown Artist/Morning/01 Air.mp3") +
                                  "\n" + "Intro\t" + Dest("Quiet Arcade/Sound Check/01 Intro.mp3") +
                                  "\n" +
                                  "Lost\tnot copied: the song's file is missing on the iPod\n" +
                                  "Unlisted\t" + Dest("Nobody/Else/01 Unlisted.mp3") + "\n";
    // A playlist none of whose songs was copied gets no file; two of one name, two files.
    EXPECT_EQ(run.out, songLines + "Road Trip\t" + Dest("Road Trip.m3u8") + "\n" +
                           "Chill: Late/Night\t" + Dest("Chill_ Late_Night.m3u8") + "\n" +
                           "road trip\t" + Dest("road trip(1).m3u8") + "\n");
    EXPECT_EQ(testsupport::ReadFile(Dest("Road Trip.m3u8")),
              "#EXTM3U\n"
              "#EXTINF:1,Quiet Arcade - Intro\n"
              "Quiet Arcade/Sound Check/01 Intro.mp3\n"
              "#EXTINF:202,Harbor Lights - Intro\n"
              "Harbor Lights/Night Drive/01 Intro(1).mp3\n"
              "#EXTINF:-1,Harbor Lights - Neon\n"
              "Harbor Lights/Night Drive/02 Neon.mp3\n");
    EXPECT_EQ(testsupport::ReadFile(Dest("Chill_ Late_Night.m3u8")),
              "#EXTM3U\n"
              "#EXTINF:59,Air\n"
              "Unknown Artist/Morning/01 Air.mp3\n"
              "#EXTINF:202,Harbor Lights - Intro\n"
              "Harbor Lights/Night Drive/01 Intro(1).mp3\n");
    EXPECT_EQ(testsupport::ReadFile(Dest("road trip(1).m3u8")),
              "#EXTM3U\n#EXTINF:-1,Harbor Lights - Neon\nHarbor Lights/Night Drive/02 Neon.mp3\n");
    EXPECT_FALSE(fs::exists(Dest("Only Lost.m3u8")));
}

TEST_F(CliLibraryTest, AnExistingPlaylistIsReplacedOnlyWhenOverwritingAndNeverByThisCopy) {
    // Two playlists whose names differ in letter case only name one file where case does not
    // count, as on the FAT disks music is kept on.
    WriteIPod(kTracks, {{.name = u"Mix", .trackIds = {102}}, {.name = u"MIX", .trackIds = {100}}});
    const std::string mix = "#EXTM3U\n#EXTINF:240,Air\nAir.mp3\n";
    const std::string upper = "#EXTM3U\n#EXTINF:240,Harbor Lights - Intro\nIntro.mp3\n";
    const struct {
        const char* flag;
        const char* mixFile;
        const char* upperFile;
        std::vector<std::string> files; // the playlist files afterwards
    } cases[] = {
        {"--overwrite", "Mix.m3u8", "MIX(1).m3u8", {"MIX(1).m3u8", "Mix.m3u8"}},
        {"--no-overwrite",
         "Mix(1).m3u8",
         "MIX(2).m3u8",
         {"MIX(2).m3u8", "Mix(1).m3u8", "Mix.m3u8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flag);
        fs::remove_all(dest_.Path());
        fs::create_directories(dest_.Path());
        dest_.WriteFile("Mix.m3u8", "an old playlist");

        const auto run = Copy({"--playlist", "mix", "--playlists", c.flag});

        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Intro\t" + Dest("Intro.mp3") + "\nAir\t" + Dest("Air.mp3") + "\nMix\t" +
                               Dest(c.mixFile) + "\nMIX\t" + Dest(c.upperFile) + "\n");
        std::vector<std::string> playlists;
        for (const std::string& entry : Tree())
            if (entry.ends_with(".m3u8"))
                playlists.push_back(entry);
        EXPECT_EQ(playlists, c.files);
        EXPECT_EQ(testsupport::ReadFile(Dest(c.mixFile)), mix);
        EXPECT_EQ(testsupport::ReadFile(Dest(c.upperFile)), upper);
        if (c.files.size() == 3) {
            EXPECT_EQ(testsupport::ReadFile(Dest("Mix.m3u8")), "an old playlist");
        }
    }
}

TEST_F(CliLibraryTest, APlaylistThatCannotBeWrittenIsSaidAndLeavesNoFile) {
    WriteIPod(kTracks, {{.name = u"Mix", .trackIds = {102}}});
    dest_.WriteFile("Mix.m3u8", "a read-only playlist");
    fs::permissions(Dest("Mix.m3u8"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    const auto run = Copy({"--playlist", "Mix", "--playlists", "--overwrite"});

    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Mix\tnot written: Cannot write file " + Dest("Mix.m3u8")),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("1 playlist was not written"), std::string::npos) << run.err;
    EXPECT_EQ(testsupport::ReadFile(Dest("Mix.m3u8")), "a read-only playlist");
    EXPECT_EQ(Tree(), (std::vector<std::string>{"Air.mp3", "Mix.m3u8"}));
}

TEST_F(CliLibraryTest, TheRealDatabasesPodcastPlaylistIsListed) {
    const fs::path database =
        fs::path(QUILLMERE_FIXTURES_DIR) / "real/gtkpod-23-tracks/iPod_Control/iTunes/iTunesDB";
    if (!fs::exists(database))
        GTEST_SKIP() << "no fixture at " << database;
    const std::string content = testsupport::ReadFile(database);
    ipod_.WriteFile("iPod_Control/iTunes/iTunesDB", content);

    const auto run = Run({"playlists", ipod_.Str()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Podcasts\t15\n");
}

} // namespace

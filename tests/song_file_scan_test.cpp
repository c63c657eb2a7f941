#include "app/database/iPodcomponent.h"
#include "app/database/song_file_scan.h"
#include "platform/drives.h"
#include "platform/text.h"
#include "tests/support/bytes.h"
#include "tests/support/ipod_folder.h"
#include "tools/audio_writer.h"
#include "tools/itunesdb_writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

void PrintTo(const TSong& song, std::ostream* out) {
    for (const std::u16string* field :
         {&song.Title, &song.Location, &song.SizeText, &song.Album, &song.Artist, &song.Genre,
          &song.FileType, &song.Comment, &song.EQSetting, &song.Composer, &song.Grouping}) {
        *out << '"' << platform::text::WideToAnsi(*field) << "\" ";
    }
    *out << song.TrackId;
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::byte>;
using audiowriter::Tags;
using namespace std::string_view_literals;

constexpr auto Text = testsupport::BytesOf;

std::u16string W(std::string_view utf8) {
    return platform::text::AnsiToWide(utf8);
}

const std::vector<audiowriter::Note>& Notes() {
    static const std::vector<audiowriter::Note> notes = {{440, 0.3}, {660, 0.3}};
    return notes;
}

const std::vector<std::int16_t>& Samples() {
    static const auto samples = audiowriter::RenderNotes(Notes(), 8000);
    return samples;
}

Tags FullTags(const std::string& title) {
    return Tags{.title = title,
                .album = "Album of " + title,
                .artist = "Artist of " + title,
                .genre = "Genre",
                .composer = "Composer",
                .comment = "Comment",
                .grouping = "Grouping",
                .albumArtist = "Album artist of " + title,
                .year = 1999,
                .trackNumber = 7,
                .trackCount = 12,
                .discNumber = 2,
                .discCount = 3,
                .compilation = true};
}

// The facts of a file of FullTags, but for its length.
TrackFacts FullFacts(const std::string& title) {
    return TrackFacts{.AlbumArtist = W("Album artist of " + title),
                      .TrackNumber = 7,
                      .TrackCount = 12,
                      .DiscNumber = 2,
                      .DiscCount = 3,
                      .Year = 1999,
                      .Compilation = true,
                      .LengthMs = 0};
}

// The song a file of these tags and type gives, without location and size.
TSong Expected(const Tags& tags, std::string_view fileType) {
    TSong song;
    song.Title = W(tags.title);
    song.Album = W(tags.album);
    song.Artist = W(tags.artist);
    song.Genre = W(tags.genre);
    song.Composer = W(tags.composer);
    song.Comment = W(tags.comment);
    song.Grouping = W(tags.grouping);
    song.FileType = W(fileType);
    return song;
}

TSong NamedAfterFile(std::string_view name, std::string_view fileType) {
    TSong song;
    song.Title = W(name);
    song.FileType = W(fileType);
    return song;
}

class SongFileScanTest : public testing::Test {
protected:
    void Put(const std::string& relative, const Bytes& bytes) { ipod_.WriteFile(relative, bytes); }

    std::vector<ScannedSong> ScanAll() const { return ScanSongFiles(ipod_.DriveRoot()); }
    std::vector<TSong> Scan() const {
        std::vector<TSong> songs;
        for (ScannedSong& scanned : ScanSongFiles(ipod_.DriveRoot())) {
            songs.push_back(std::move(scanned.Song));
        }
        return songs;
    }

    testsupport::IPodFolder ipod_;
};

TEST_F(SongFileScanTest, ReadsTheTagsAndTheRealFormatOfEachFile) {
    const Tags older = FullTags("Für Elise 夜");
    const Tags newer = FullTags("Newer Tag");
    Tags titleOnly;
    titleOnly.title = "Only A Title";
    Bytes aax = audiowriter::WriteSilentAacM4a(0.2, 44100, FullTags("Audiobook"));
    std::copy_n(Text("aax ").begin(), 4, aax.begin() + 8);
    Bytes truncatedM4a = audiowriter::WriteAlacM4a(Samples(), 8000, FullTags("Cut"));
    truncatedM4a.resize(60);
    Bytes hugeTag = audiowriter::WriteMp3(Notes(), FullTags("Huge"));
    hugeTag[6] = hugeTag[7] = hugeTag[8] = hugeTag[9] = std::byte{0x7F}; // a tag of 256 MB
    const struct {
        const char* name;
        Bytes bytes;
        TSong expected;
        TrackFacts facts; // but for the length
    } cases[] = {
        {"A.mp3", audiowriter::WriteMp3(Notes(), older), Expected(older, "MPEG audio file"),
         FullFacts(older.title)},
        {"B.mp3", audiowriter::WriteMp3(Notes(), newer, audiowriter::Id3Version::V24),
         Expected(newer, "MPEG audio file"), FullFacts(newer.title)},
        {"C.mp3", audiowriter::WriteMp3(Notes()), NamedAfterFile("C", "MPEG audio file"), {}},
        {"D.m4a", audiowriter::WriteSilentAacM4a(0.3, 44100, FullTags("AAC")),
         Expected(FullTags("AAC"), "AAC audio file"), FullFacts("AAC")},
        {"E.m4a", audiowriter::WriteAlacM4a(Samples(), 8000, FullTags("ALAC")),
         Expected(FullTags("ALAC"), "Apple Lossless audio file"), FullFacts("ALAC")},
        {"F.wav", audiowriter::WriteWav(Samples(), 8000, FullTags("WAV")),
         Expected(FullTags("WAV"), "WAV audio file"), FullFacts("WAV")},
        {"G.aif", audiowriter::WriteAiff(Samples(), 8000, FullTags("AIFF")),
         Expected(FullTags("AIFF"), "AIFF audio file"), FullFacts("AIFF")},
        {"H.wav",
         audiowriter::WriteWav(Samples(), 8000),
         NamedAfterFile("H", "WAV audio file"),
         {}},
        {"I.m4a",
         audiowriter::WriteSilentAacM4a(0.3, 44100, titleOnly),
         Expected(titleOnly, "AAC audio file"),
         {}},
        // The content decides, whatever the name says.
        {"J.m4a", audiowriter::WriteMp3(Notes(), FullTags("MP3 in disguise")),
         Expected(FullTags("MP3 in disguise"), "MPEG audio file"), FullFacts("MP3 in disguise")},
        {"K.mp3",
         audiowriter::WriteAlacM4a(Samples(), 8000),
         NamedAfterFile("K", "Apple Lossless audio file"),
         {}},
        {"L.aax", aax, Expected(FullTags("Audiobook"), "Audible file"), FullFacts("Audiobook")},
        {"M.aa",
         Text("\0\0\x10\0\x57\x90\x75\x36 audible body"sv),
         NamedAfterFile("M", "Audible file"),
         {}},
        // Audio whose tags cannot be read is listed under its own name.
        {"N.m4a", truncatedM4a, NamedAfterFile("N", "AAC audio file"), {}},
        // A tag that claims far more bytes than the file holds gives what it holds.
        {"O.mp3", hugeTag, Expected(FullTags("Huge"), "MPEG audio file"), FullFacts("Huge")},
        {"P", audiowriter::WriteMp3(Notes()), NamedAfterFile("P", "MPEG audio file"), {}},
    };
    for (const auto& c : cases) {
        Put(std::string("iPod_Control/Music/F07/") + c.name, c.bytes);
    }

    const std::vector<ScannedSong> songs = ScanAll();

    ASSERT_EQ(songs.size(), std::size(cases));
    for (std::size_t i = 0; i < songs.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        TSong expected = cases[i].expected;
        expected.Location = W(":iPod_Control:Music:F07:" + std::string(cases[i].name));
        expected.SizeText = W(SizeTextOf(cases[i].bytes.size()));
        EXPECT_EQ(songs[i].Song, expected);
        TrackFacts facts = songs[i].Facts;
        facts.LengthMs = 0;
        EXPECT_EQ(facts, cases[i].facts);
    }
}

TEST_F(SongFileScanTest, TheLengthComesFromTheAudioOfEachFormat) {
    const struct {
        const char* name;
        Bytes bytes;
        std::int32_t milliseconds;
    } cases[] = {
        {"A.mp3", audiowriter::WriteMp3(Notes()), 600},
        {"B.wav", audiowriter::WriteWav(Samples(), 8000), 600},
        {"C.aif", audiowriter::WriteAiff(Samples(), 8000), 600},
        {"D.m4a", audiowriter::WriteAlacM4a(Samples(), 8000), 600},
        {"E.m4a", audiowriter::WriteSilentAacM4a(1.5, 44100), 1500},
    };
    for (const auto& c : cases) {
        Put(std::string("iPod_Control/Music/F00/") + c.name, c.bytes);
    }

    const std::vector<ScannedSong> songs = ScanAll();

    ASSERT_EQ(songs.size(), std::size(cases));
    for (std::size_t i = 0; i < songs.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        // Whole frames and blocks round the length up a little.
        EXPECT_GE(songs[i].Facts.LengthMs, cases[i].milliseconds - 5);
        EXPECT_LE(songs[i].Facts.LengthMs, cases[i].milliseconds + 40);
    }
}

TEST_F(SongFileScanTest, PassesOverWhatIsNotAudio) {
    Put("iPod_Control/Music/F00/AAAA.mp3", audiowriter::WriteMp3(Notes(), FullTags("Kept")));
    Put("iPod_Control/Music/F00/.DS_Store", Text("\0\0\0\1Bud1 and more"sv));
    Put("iPod_Control/Music/F00/._AAAA.mp3", Text("\0\x05\x16\x07\0\x02\0\0Mac OS X"sv));
    Put("iPod_Control/Music/F00/BBBB.mp3", {}); // half-written
    Put("iPod_Control/Music/F00/CCCC.mp3", Text("not a song at all"));
    Put("iPod_Control/Music/F00/F1_1.ithmb", Bytes(8192, std::byte{0xFF}));
    Put("iPod_Control/Music/loose.mp3", audiowriter::WriteMp3(Notes())); // in no folder
    fs::create_directories(ipod_.Path() / "iPod_Control/Music/F00/Nested");
    Put("iPod_Control/Music/F00/Nested/DDDD.mp3", audiowriter::WriteMp3(Notes()));
    ASSERT_EQ(mkfifo((ipod_.Path() / "iPod_Control/Music/F00/EEEE.mp3").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", ipod_.Path() / "iPod_Control/Music/F00/FFFF.mp3");
    fs::create_symlink("AAAA.mp3", ipod_.Path() / "iPod_Control/Music/F00/GGGG.mp3");

    const std::vector<TSong> songs = Scan();

    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[0].Title, u"Kept");
    EXPECT_EQ(songs[1].Title, u"Kept"); // a link to a song is the song
    EXPECT_EQ(songs[1].Location, u":iPod_Control:Music:F00:GGGG.mp3");
}

TEST_F(SongFileScanTest, ListsByFolderThenByFileName) {
    for (const char* name : {"F10/AAAA.mp3", "F02/ZZZZ.mp3", "F02/BBBB.mp3", "F02/Abcd.mp3",
                             "F00/QQQQ.mp3", "F50/AAAA.mp3", "F09/MMMM.mp3"}) {
        Put(std::string("iPod_Control/Music/") + name, audiowriter::WriteMp3(Notes()));
    }
    std::vector<std::u16string> locations;
    for (const TSong& song : Scan()) {
        locations.push_back(song.Location);
        EXPECT_EQ(song.TrackId, 0);
    }
    EXPECT_EQ(locations,
              (std::vector<std::u16string>{
                  u":iPod_Control:Music:F00:QQQQ.mp3", u":iPod_Control:Music:F02:Abcd.mp3",
                  u":iPod_Control:Music:F02:BBBB.mp3", u":iPod_Control:Music:F02:ZZZZ.mp3",
                  u":iPod_Control:Music:F09:MMMM.mp3", u":iPod_Control:Music:F10:AAAA.mp3",
                  u":iPod_Control:Music:F50:AAAA.mp3"}));
}

TEST_F(SongFileScanTest, LocationsSpellTheFoldersAsTheDriveDoes) {
    fs::remove_all(ipod_.Path() / "iPod_Control");
    Put("IPOD_CONTROL/MUSIC/F03/ABCD.MP3", audiowriter::WriteMp3(Notes(), FullTags("Shouted")));
    TiPod pod;
    pod.DriveRoot = ipod_.DriveRoot();

    pod.LoadSongFiles();

    ASSERT_EQ(pod.SongCount, 1);
    ASSERT_EQ(pod.Songs.size(), 1u);
    EXPECT_EQ(pod.Songs[0].Location, u":IPOD_CONTROL:MUSIC:F03:ABCD.MP3");
    EXPECT_EQ(pod.SongPath(pod.Songs[0]), "e:\\IPOD_CONTROL\\MUSIC\\F03\\ABCD.MP3");
    EXPECT_EQ(platform::Drives().ToHostPath(pod.SongPath(pod.Songs[0])),
              (ipod_.Path() / "IPOD_CONTROL/MUSIC/F03/ABCD.MP3").string());
}

TEST_F(SongFileScanTest, TheFilesWinOverAGoodDatabaseAndNothingIsLeftOfIt) {
    itunesdb::SongFields fields;
    fields.trackId = 77;
    fields.title = u"From the database";
    fields.location = u":iPod_Control:Music:F00:AAAA.mp3";
    itunesdb::DatabaseSpec database;
    database.tracks = {itunesdb::Song(fields), itunesdb::Song(fields)};
    ipod_.WriteDatabase(itunesdb::WriteITunesDB(database));
    Put("iPod_Control/Music/F00/AAAA.mp3",
        audiowriter::WriteMp3(Notes(), FullTags("From the file")));
    TiPod pod;
    pod.DriveRoot = ipod_.DriveRoot();
    pod.LoadDatabase();
    ASSERT_EQ(pod.SongCount, 2);

    pod.LoadSongFiles();

    ASSERT_EQ(pod.Songs.size(), 1u);
    EXPECT_EQ(pod.SongCount, 1);
    EXPECT_EQ(pod.Songs[0].Title, u"From the file");
    EXPECT_EQ(pod.Songs[0].TrackId, 0);
    ASSERT_EQ(pod.Facts.size(), 1u);
    EXPECT_EQ(pod.Facts[0].AlbumArtist, u"Album artist of From the file");
}

TEST_F(SongFileScanTest, AniPodWithoutMusicHasNoSongs) {
    EXPECT_TRUE(Scan().empty());
    Put("iPod_Control/Music", Text("a file, not a folder"));
    EXPECT_TRUE(Scan().empty());
}

} // namespace

// quillmere-demo-ipod [--compressed] OUTPUT_FOLDER: writes a small iPod (database and playable,
// tagged song files) that shows what Quillmere does with the awkward things real iPods hold.

#include "tools/audio_writer.h"
#include "tools/itunesdb_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Left in every demo so that a later run knows the folder is its own to replace.
constexpr const char* kMarkerName = ".quillmere-demo-ipod";
constexpr std::size_t kMusicFolderCount = 5;     // F00 to F04
constexpr std::uint32_t kToneSampleRate = 22050; // keeps the demo small

enum class Format { Mp3, Aac, Wav, Aiff, AppleLossless };
enum class Extra { None, VideoData, Podcast };

struct DemoTrack {
    const char* title = "";
    const char* artist = "";
    const char* album = "";
    const char* genre = "";
    Format format = Format::Mp3;
    double seconds = 2.0;
    const char* comment = "";
    const char* eqSetting = "";
    const char* composer = "";
    const char* grouping = "";
    Extra extra = Extra::None;
    bool fileMissing = false;     // listed in the database, absent from the folder
    bool nameCaseDiffers = false; // upper case in the database, lower case on disk
    std::uint32_t disc = 0;       // of an album of several discs
    const char* albumArtist = "";
    bool compilation = false;
};

const char* FileTypeText(Format format) {
    switch (format) {
    case Format::Mp3:
        return "MPEG audio file";
    case Format::Aac:
        return "AAC audio file";
    case Format::Wav:
        return "WAV audio file";
    case Format::Aiff:
        return "AIFF audio file";
    case Format::AppleLossless:
        return "Apple Lossless audio file";
    }
    return "";
}

const char* Extension(Format format) {
    switch (format) {
    case Format::Mp3:
        return ".mp3";
    case Format::Aac:
    case Format::AppleLossless:
        return ".m4a";
    case Format::Wav:
        return ".wav";
    case Format::Aiff:
        return ".aif";
    }
    return "";
}

// AAC files are silent: it is the one format the demo cannot encode.
const std::vector<DemoTrack>& DemoTracks() {
    using enum Format;
    // One track a line or two reads better than one field a line.
    // clang-format off
    static const std::vector<DemoTrack> tracks = {
        // Two albums whose names differ only in letter case.
        {.title = "Intro", .artist = "Harbor Lights", .album = "Night Drive", .genre = "Electronic",
         .format = Mp3, .seconds = 2.0, .comment = "Recorded in one take"},
        {.title = "Neon Boulevard", .artist = "Harbor Lights", .album = "Night Drive",
         .genre = "Electronic", .format = Mp3, .seconds = 3.0, .eqSetting = "#!#112#!#"},
        {.title = "Tail Lights", .artist = "Harbor Lights", .album = "Night Drive",
         .genre = "Electronic", .format = Mp3, .seconds = 3.0, .fileMissing = true},
        {.title = "Midnight Exit", .artist = "Harbor Lights", .album = "Night Drive",
         .genre = "Electronic", .format = Mp3, .seconds = 2.5, .nameCaseDiffers = true},
        {.title = "Coastline at 3 AM", .artist = "Harbor Lights", .album = "Night Drive",
         .genre = "Electronic", .format = Wav, .seconds = 2.0},
        {.title = "Engine Hum", .artist = "The Velvet Foxes", .album = "night drive",
         .genre = "Rock", .format = Aac, .seconds = 2.0},
        {.title = "Rearview", .artist = "The Velvet Foxes", .album = "night drive",
         .genre = "Rock", .format = Wav, .seconds = 2.0, .grouping = "Road Songs"},
        {.title = "Last Gas Station", .artist = "The Velvet Foxes", .album = "night drive",
         .genre = "Rock", .format = Aiff, .seconds = 2.5, .grouping = "Road Songs"},
        // Titles, artists and albums beyond Latin letters.
        {.title = "夜明けの歌", .artist = "佐藤まりこ", .album = "夜明け", .genre = "J-Pop",
         .format = AppleLossless, .seconds = 2.0, .comment = "初回限定盤"},
        {.title = "桜の道", .artist = "佐藤まりこ", .album = "夜明け", .genre = "J-Pop",
         .format = AppleLossless, .seconds = 2.0},
        {.title = "東京の雨", .artist = "佐藤まりこ", .album = "夜明け", .genre = "J-Pop",
         .format = Aac, .seconds = 2.0},
        {.title = "Белые ночи", .artist = "Ансамбль «Север»", .album = "Белые ночи",
         .genre = "Folk", .format = Aiff, .seconds = 2.0},
        {.title = "Зимняя дорога", .artist = "Ансамбль «Север»", .album = "Белые ночи",
         .genre = "Folk", .format = Aiff, .seconds = 2.0, .composer = "Пётр Орлов"},
        {.title = "Колыбельная", .artist = "Ансамбль «Север»", .album = "Белые ночи",
         .genre = "Folk", .format = Wav, .seconds = 1.5, .nameCaseDiffers = true},
        {.title = "Θάλασσα", .artist = "Ελένη Παπαδάκη", .album = "Θάλασσα", .genre = "World",
         .format = Wav, .seconds = 2.0},
        {.title = "Καλημέρα", .artist = "Ελένη Παπαδάκη", .album = "Θάλασσα", .genre = "World",
         .format = Wav, .seconds = 1.5, .eqSetting = "#!#103#!#"},
        {.title = "Ο δρόμος", .artist = "Ελένη Παπαδάκη", .album = "Θάλασσα", .genre = "World",
         .format = AppleLossless, .seconds = 2.0},
        {.title = "Café à l'aube", .artist = "Chloé Lefèvre", .album = "Café à l'aube",
         .genre = "Chanson", .format = Mp3, .seconds = 3.0},
        {.title = "Señorita Mañana", .artist = "Chloé Lefèvre & Íñigo Peña",
         .album = "Café à l'aube", .genre = "Chanson", .format = Mp3, .seconds = 2.5,
         .comment = "Duo avec Íñigo Peña", .albumArtist = "Chloé Lefèvre"},
        {.title = "Über den Wolken", .artist = "Chloé Lefèvre", .album = "Café à l'aube",
         .genre = "Chanson", .format = Mp3, .seconds = 2.5},
        {.title = "Ça ira mieux demain", .artist = "Chloé Lefèvre", .album = "Café à l'aube",
         .genre = "Chanson", .format = Mp3, .seconds = 3.0, .eqSetting = "#!#100#!#"},
        // A second "Intro", and titles that cannot be Windows file names as they are.
        // A sampler of several artists: a compilation.
        {.title = "Intro", .artist = "Quiet Arcade", .album = "Sound Check", .genre = "Rock",
         .format = Wav, .seconds = 1.5, .compilation = true},
        {.title = "Left/Right: Which Way?", .artist = "Quiet Arcade", .album = "Sound Check",
         .genre = "Rock", .format = Wav, .seconds = 2.0, .compilation = true},
        {.title = "The \"Best\" Song * Ever", .artist = "Quiet Arcade", .album = "Sound Check",
         .genre = "Rock", .format = Mp3, .seconds = 2.5, .compilation = true},
        {.title = "A Very Long Song Title That Keeps Going Well Past The Status Line",
         .artist = "Quiet Arcade", .album = "Sound Check", .genre = "Rock", .format = Wav,
         .seconds = 2.0, .comment = "Longer than the status line shows", .compilation = true},
        {.title = "Back\\Slash <Remix> | Edit", .artist = "Quiet Arcade", .album = "Sound Check",
         .genre = "Rock", .format = Aac, .seconds = 2.0, .compilation = true},
        // Composers and groupings.
        {.title = "Air", .artist = "Kammerorchester Lindenau", .album = "Morning Pieces",
         .genre = "Classical", .format = AppleLossless, .seconds = 2.5,
         .composer = "Johann Sebastian Bach", .grouping = "Baroque", .disc = 1},
        {.title = "Canon in D", .artist = "Kammerorchester Lindenau", .album = "Morning Pieces",
         .genre = "Classical", .format = AppleLossless, .seconds = 2.5, .eqSetting = "#!#107#!#",
         .composer = "Johann Pachelbel", .grouping = "Baroque", .disc = 1},
        {.title = "Minuet in G", .artist = "Kammerorchester Lindenau", .album = "Morning Pieces",
         .genre = "Classical", .format = Aiff, .seconds = 2.0,
         .composer = "Christian Petzold", .grouping = "Baroque", .disc = 1},
        {.title = "Gymnopédie No. 1", .artist = "Kammerorchester Lindenau",
         .album = "Morning Pieces", .genre = "Classical", .format = Aiff, .seconds = 2.5,
         .comment = "Lent et douloureux", .composer = "Erik Satie", .grouping = "Piano",
         .disc = 2},
        {.title = "Träumerei", .artist = "Kammerorchester Lindenau", .album = "Morning Pieces",
         .genre = "Classical", .format = AppleLossless, .seconds = 2.0,
         .composer = "Robert Schumann", .grouping = "Piano", .disc = 2},
        {.title = "Blue Hour", .artist = "Dora Blue Trio", .album = "Late Set", .genre = "Jazz",
         .format = Mp3, .seconds = 3.5, .eqSetting = "#!#104#!#", .composer = "Dora Blue"},
        {.title = "Walking Home", .artist = "Dora Blue Trio", .album = "Late Set",
         .genre = "Jazz", .format = Mp3, .seconds = 3.0, .composer = "Dora Blue"},
        {.title = "Heart & Soul (Radio Edit)", .artist = "Dora Blue Trio", .album = "Late Set",
         .genre = "Jazz", .format = Mp3, .seconds = 2.5, .eqSetting = "#!#104#!#"},
        // Objects that are not text, in the middle of the track list as iTunes leaves them.
        {.title = "Last Call (Live Session)", .artist = "Dora Blue Trio", .album = "Late Set",
         .genre = "Jazz", .format = Aac, .seconds = 2.0, .comment = "Filmed at the Blue Room",
         .extra = Extra::VideoData},
        {.title = "Episode 1: Welcome Aboard", .artist = "Quillmere Radio",
         .album = "Quillmere Weekly", .genre = "Podcast", .format = Mp3, .seconds = 3.0,
         .comment = "Show notes on the podcast's page", .extra = Extra::Podcast},
        {.title = "Episode 2: Copying Songs Home", .artist = "Quillmere Radio",
         .album = "Quillmere Weekly", .genre = "Podcast", .format = Mp3, .seconds = 3.0,
         .extra = Extra::Podcast, .nameCaseDiffers = true},
        // Songs without an album, some without an artist.
        {.title = "Voice Memo 2009-04-12", .format = Wav, .seconds = 2.0},
        {.title = "Untitled Sketch", .genre = "Ambient", .format = Aiff, .seconds = 2.0},
        {.title = "Birdsong in the Garden", .genre = "Ambient", .format = AppleLossless,
         .seconds = 2.0, .comment = "Field recording"},
        {.title = "Demo Take 3", .artist = "Quiet Arcade", .genre = "Rock", .format = Mp3,
         .seconds = 2.5},
        {.title = "Slow Tide", .artist = "Harbor Lights", .genre = "Electronic", .format = Aac,
         .seconds = 2.0},
        {.title = "Lindenau Sunrise", .artist = "Kammerorchester Lindenau", .genre = "Classical",
         .format = Aiff, .seconds = 2.0, .grouping = "Encores"},
        {.title = "Μελωδία", .artist = "Ελένη Παπαδάκη", .genre = "World", .format = Wav,
         .seconds = 1.5},
    };
    // clang-format on
    return tracks;
}

// Notes of D major that the MP3 writer's spectral lines also hit nearly in tune.
std::vector<audiowriter::Note> MelodyFor(std::size_t trackIndex, double seconds) {
    static const double scale[] = {246.94, 329.63, 440.00, 554.37, 587.33, 739.99, 783.99};
    static const double lengths[] = {0.25, 0.375, 0.5};
    constexpr int scaleSize = static_cast<int>(std::size(scale));
    std::uint32_t state = 0x5EED + static_cast<std::uint32_t>(trackIndex) * 7919u;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    };
    std::vector<audiowriter::Note> notes;
    int position = static_cast<int>(next() % scaleSize);
    double total = 0;
    while (total + 0.6 < seconds) {
        const double length = lengths[next() % std::size(lengths)];
        notes.push_back({scale[position], length});
        total += length;
        position = std::clamp(position + static_cast<int>(next() % 5) - 2, 0, scaleSize - 1);
    }
    notes.push_back({scale[position], seconds - total});
    return notes;
}

// The year each album came out.
std::uint32_t YearOf(std::string_view album) {
    static const std::map<std::string_view, std::uint32_t> years = {
        {"Night Drive", 2008},      {"night drive", 2011},    {"夜明け", 2015},
        {"Белые ночи", 1999},       {"Θάλασσα", 2003},        {"Café à l'aube", 2012},
        {"Sound Check", 2019},      {"Morning Pieces", 2001}, {"Late Set", 2016},
        {"Quillmere Weekly", 2024},
    };
    const auto found = years.find(album);
    return found == years.end() ? 0 : found->second;
}

// Track numbers count the tracks of each disc of an album in list order; songs without an album
// have none.
std::vector<itunesdb::TrackNumbers> NumbersOf(const std::vector<DemoTrack>& tracks) {
    std::map<std::pair<std::string, std::uint32_t>, std::uint32_t> tracksOnDisc;
    std::map<std::string, std::uint32_t> discsOfAlbum;
    for (const DemoTrack& track : tracks) {
        if (*track.album != '\0') {
            ++tracksOnDisc[{track.album, track.disc}];
            discsOfAlbum[track.album] = std::max(discsOfAlbum[track.album], track.disc);
        }
    }
    std::map<std::pair<std::string, std::uint32_t>, std::uint32_t> numbered;
    std::vector<itunesdb::TrackNumbers> numbers;
    for (const DemoTrack& track : tracks) {
        itunesdb::TrackNumbers item;
        item.compilation = track.compilation;
        item.lengthMs = static_cast<std::uint32_t>(track.seconds * 1000);
        item.year = YearOf(track.album);
        if (*track.album != '\0') {
            item.trackNumber = ++numbered[{track.album, track.disc}];
            item.trackCount = tracksOnDisc[{track.album, track.disc}];
            item.discNumber = track.disc;
            item.discCount = track.disc == 0 ? 0 : discsOfAlbum[track.album];
        }
        numbers.push_back(item);
    }
    return numbers;
}

// The song files carry their tracks' texts and numbers as tags, so that a listing made from the
// files alone (quillmere-cli list --scan) finds the same songs.
audiowriter::Tags TagsOf(const DemoTrack& track, const itunesdb::TrackNumbers& numbers) {
    audiowriter::Tags tags;
    tags.title = track.title;
    tags.album = track.album;
    tags.artist = track.artist;
    tags.genre = track.genre;
    tags.composer = track.composer;
    tags.comment = track.comment;
    tags.grouping = track.grouping;
    tags.albumArtist = track.albumArtist;
    tags.year = numbers.year;
    tags.trackNumber = numbers.trackNumber;
    tags.trackCount = numbers.trackCount;
    tags.discNumber = numbers.discNumber;
    tags.discCount = numbers.discCount;
    tags.compilation = numbers.compilation;
    return tags;
}

std::vector<std::byte> AudioFor(const DemoTrack& track, std::size_t trackIndex,
                                const itunesdb::TrackNumbers& numbers) {
    const auto melody = MelodyFor(trackIndex, track.seconds);
    const audiowriter::Tags tags = TagsOf(track, numbers);
    switch (track.format) {
    case Format::Mp3:
        return audiowriter::WriteMp3(melody, tags);
    case Format::Aac:
        return audiowriter::WriteSilentAacM4a(track.seconds, 44100, tags);
    case Format::Wav:
        return audiowriter::WriteWav(audiowriter::RenderNotes(melody, kToneSampleRate),
                                     kToneSampleRate, tags);
    case Format::Aiff:
        return audiowriter::WriteAiff(audiowriter::RenderNotes(melody, kToneSampleRate),
                                      kToneSampleRate, tags);
    case Format::AppleLossless:
        return audiowriter::WriteAlacM4a(audiowriter::RenderNotes(melody, kToneSampleRate),
                                         kToneSampleRate, tags);
    }
    throw std::logic_error("quillmere-demo-ipod: a track without a file format");
}

// Four capital letters, as iPods name their song files; fixed seed, no repeats.
std::vector<std::string> CrypticNames(std::size_t count) {
    std::uint32_t state = 20070905;
    std::set<std::string> used;
    std::vector<std::string> names;
    while (names.size() < count) {
        std::string name;
        for (int i = 0; i < 4; ++i) {
            state = state * 1664525u + 1013904223u;
            name += static_cast<char>('A' + (state >> 24) % 26);
        }
        if (used.insert(name).second) {
            names.push_back(name);
        }
    }
    return names;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

void WriteFile(const fs::path& path, const std::vector<std::byte>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("quillmere-demo-ipod: cannot write " + path.string());
    }
}

// Empties a folder this tool made before; refuses any other folder that holds something.
void PrepareOutputFolder(const fs::path& folder) {
    if (fs::exists(folder) && !fs::is_directory(folder)) {
        throw std::runtime_error("quillmere-demo-ipod: " + folder.string() +
                                 " exists and is not a folder");
    }
    if (fs::is_directory(folder) && !fs::is_empty(folder)) {
        if (!fs::exists(folder / kMarkerName)) {
            throw std::runtime_error("quillmere-demo-ipod: " + folder.string() +
                                     " is not empty and is not a demo iPod (it has no " +
                                     kMarkerName + "); choose an empty or new folder");
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            fs::remove_all(entry.path());
        }
    }
    fs::create_directories(folder);
    WriteFile(folder / kMarkerName, [] {
        const std::string_view text =
            "Demo iPod made by quillmere-demo-ipod; running it again replaces "
            "this folder.\n";
        std::vector<std::byte> bytes;
        for (char c : text) {
            bytes.push_back(static_cast<std::byte>(c));
        }
        return bytes;
    }());
}

std::string FolderName(std::size_t index) {
    std::string name = "F0";
    name += static_cast<char>('0' + index % kMusicFolderCount);
    return name;
}

// The demo's playlists, by the titles of their songs: one smart, one with a song whose file is
// missing, one naming two songs of one title, and the podcasts, grouped under a header in
// section 3 as iTunes keeps them.
std::vector<itunesdb::PlaylistSpec> DemoPlaylists(const std::vector<DemoTrack>& tracks) {
    auto ids = [&tracks](std::initializer_list<std::string_view> titles, std::size_t skip = 0) {
        std::vector<std::int32_t> found;
        for (const std::string_view title : titles) {
            std::size_t seen = 0;
            for (std::size_t i = 0; i < tracks.size(); ++i) {
                if (tracks[i].title == title && seen++ >= skip) {
                    found.push_back(static_cast<std::int32_t>(1001 + i));
                    break;
                }
            }
        }
        return found;
    };
    std::vector<std::int32_t> intros = ids({"Intro"});
    intros.push_back(ids({"Intro"}, 1).front());
    std::vector<std::int32_t> grouped = {0};
    for (const std::int32_t id :
         ids({"Episode 1: Welcome Aboard", "Episode 2: Copying Songs Home"}))
        grouped.push_back(id);
    return {
        {.name = u"Road Trip",
         .trackIds = ids({"Neon Boulevard", "Engine Hum", "Rearview", "Tail Lights",
                          "Last Gas Station", "Slow Tide"})},
        {.name = u"Quiet Evening",
         .trackIds = ids({"Air", "Canon in D", "Gymnopédie No. 1", "Träumerei", "Blue Hour"}),
         .smart = true},
        {.name = u"Утро ☕ Café",
         .trackIds = ids({"夜明けの歌", "Café à l'aube", "Θάλασσα", "Белые ночи"})},
        {.name = u"Intros", .trackIds = intros},
        {.name = u"Podcasts", .trackIds = grouped, .onlyInSection = 3},
        {.name = u"Podcasts",
         .trackIds = ids({"Episode 1: Welcome Aboard", "Episode 2: Copying Songs Home"}),
         .onlyInSection = 2},
    };
}

void AddText(std::vector<itunesdb::ObjectSpec>& objects, std::uint32_t type,
             std::string_view text) {
    if (!text.empty()) {
        objects.push_back(itunesdb::Text(type, text));
    }
}

int MakeDemoIpod(const fs::path& folder, bool compressed) {
    PrepareOutputFolder(folder);
    const fs::path control = folder / "iPod_Control";
    fs::create_directories(control / "iTunes");
    for (std::size_t i = 0; i < kMusicFolderCount; ++i) {
        fs::create_directories(control / "Music" / FolderName(i));
    }

    const auto& tracks = DemoTracks();
    const auto names = CrypticNames(tracks.size());
    const auto numbers = NumbersOf(tracks);
    itunesdb::DatabaseSpec database;
    database.headerLength = 0xBC;
    database.sectionOrder = itunesdb::kOrderITunes;
    std::uintmax_t totalBytes = 0;
    std::map<std::string, int> filesByType;
    std::vector<std::string> fileLines;
    std::vector<std::string> notes;

    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const DemoTrack& track = tracks[i];
        const std::string name = names[i] + Extension(track.format);
        const std::string inDatabase = track.nameCaseDiffers ? Upper(name) : name;
        const std::string onDisk = track.nameCaseDiffers ? Lower(name) : name;
        const std::string folderName = FolderName(i);
        const std::string location = ":iPod_Control:Music:" + folderName + ":" + inDatabase;

        itunesdb::TrackSpec item;
        item.trackId = static_cast<std::int32_t>(1001 + i);
        item.headerLength = 0x184;
        item.numbers = numbers[i];
        // The order iTunes writes them in.
        AddText(item.objects, itunesdb::kTitle, track.title);
        AddText(item.objects, itunesdb::kLocation, location);
        AddText(item.objects, itunesdb::kAlbum, track.album);
        AddText(item.objects, itunesdb::kArtist, track.artist);
        AddText(item.objects, itunesdb::kGenre, track.genre);
        AddText(item.objects, itunesdb::kFileType, FileTypeText(track.format));
        AddText(item.objects, itunesdb::kEQSetting, track.eqSetting);
        AddText(item.objects, itunesdb::kComment, track.comment);
        AddText(item.objects, itunesdb::kComposer, track.composer);
        AddText(item.objects, itunesdb::kGrouping, track.grouping);
        AddText(item.objects, itunesdb::kAlbumArtist, track.albumArtist);
        if (track.extra == Extra::VideoData) {
            item.objects.push_back(itunesdb::VideoData(480, 360));
        } else if (track.extra == Extra::Podcast) {
            const std::string episode =
                "http://podcasts.example.com/quillmere-weekly/episode" + std::to_string(i) + ".mp3";
            item.objects.push_back(itunesdb::PodcastUrl(itunesdb::kPodcastEnclosureUrl, episode));
            item.objects.push_back(itunesdb::PodcastUrl(
                itunesdb::kPodcastRssUrl, "http://podcasts.example.com/quillmere-weekly.xml"));
        }
        database.tracks.push_back(std::move(item));

        std::string line =
            folderName + "/" + onDisk + "  " + FileTypeText(track.format) + "  " + track.title;
        if (track.fileMissing) {
            line += "  (file left out: listed without a size)";
            notes.push_back("missing file: \"" + std::string(track.title) + "\" (" + location +
                            ")");
        } else {
            const auto bytes = AudioFor(track, i, numbers[i]);
            WriteFile(control / "Music" / folderName / onDisk, bytes);
            totalBytes += bytes.size();
            ++filesByType[FileTypeText(track.format)];
            if (track.nameCaseDiffers) {
                line += "  (database says " + inDatabase + ")";
            }
        }
        fileLines.push_back(std::move(line));
    }

    database.playlists = DemoPlaylists(tracks);

    // Newer iPod nanos keep the database compressed in iTunesCDB and leave iTunesDB empty.
    const auto plain = itunesdb::WriteITunesDB(database);
    const auto db = compressed ? itunesdb::CompressDatabase(plain) : plain;
    const char* databaseName = compressed ? "iTunesCDB" : "iTunesDB";
    WriteFile(control / "iTunes" / databaseName, db);
    if (compressed) {
        WriteFile(control / "iTunes" / "iTunesDB", {});
    }
    totalBytes += db.size();

    const std::string where = fs::absolute(folder).lexically_normal().string();
    std::printf("Made a demo iPod in %s\n", where.c_str());
    std::printf("  iPod_Control/iTunes/%s: %zu tracks, %zu bytes%s\n", databaseName, tracks.size(),
                db.size(), compressed ? " (compressed; iTunesDB left empty)" : "");
    for (const std::string& line : fileLines) {
        std::printf("  %s\n", line.c_str());
    }
    for (const auto& [type, count] : filesByType) {
        std::printf("  %d x %s\n", count, type.c_str());
    }
    for (const std::string& note : notes) {
        std::printf("  %s\n", note.c_str());
    }
    for (const itunesdb::PlaylistSpec& playlist : database.playlists) {
        if (playlist.onlyInSection != 2) {
            std::printf("  playlist%s: %zu items\n", playlist.smart ? " (smart)" : "",
                        playlist.trackIds.size());
        }
    }
    std::printf("  %.2f MB in all\n", static_cast<double>(totalBytes) / (1024.0 * 1024.0));
    std::printf("Attach it as drive e: with the line e=%s in the drives file of Quillmere's "
                "data folder.\n",
                where.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool compressed = argc == 3 && std::string_view(argv[1]) == "--compressed";
    if (argc != 2 && !compressed) {
        std::fprintf(stderr, "usage: quillmere-demo-ipod [--compressed] OUTPUT_FOLDER\n"
                             "Writes a demo iPod (iPod_Control/iTunes/iTunesDB and song files) "
                             "into OUTPUT_FOLDER, replacing an earlier demo there. With "
                             "--compressed the database goes into iTunesCDB, compressed, as "
                             "newer iPod nanos keep it.\n");
        return 2;
    }
    try {
        return MakeDemoIpod(fs::path(argv[argc - 1]), compressed);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

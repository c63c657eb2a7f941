#include "bench/bench_ipod.h"

#include "platform/drives.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tools/audio_writer.h"
#include "tools/itunesdb_writer.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

BenchMachine::BenchMachine() {
    std::string pattern = (fs::temp_directory_path() / "quillmere-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder in " +
                                 fs::temp_directory_path().string());
    root_ = pattern;
    const fs::path c = MakeFolder("c");
    // Inside c:, so that the first start can name it in the registry as a Windows path.
    const fs::path home = c / "quillmere-home";
    fs::create_directory(home);
    setenv("QUILLMERE_HOME", home.c_str(), 1);

    platform::DriveTableConfig config;
    config.rootFolder = c.string();
    config.mountsFile = (root_ / "no-mounts").string();
    config.labelsFolder = (root_ / "no-labels").string();
    platform::SetDrives(std::make_unique<platform::DriveTable>(config));
    previousWorkingFolder_ = fs::current_path();
    fs::current_path(c);
}

BenchMachine::~BenchMachine() {
    std::error_code ignored;
    fs::current_path(previousWorkingFolder_, ignored);
    platform::SetCurrentUser(nullptr);
    platform::SetDrives(nullptr);
    fs::remove_all(root_, ignored);
}

fs::path BenchMachine::MakeFolder(std::string_view name) const {
    const fs::path folder = root_ / name;
    fs::create_directory(folder);
    return folder;
}

void BenchMachine::AttachDrive(char letter, const fs::path& folder) {
    platform::Drives().Attach(letter, folder.string());
}

namespace {

constexpr int FolderCount = 50;
constexpr int NameLetters = 4;
constexpr int NameCount = 26 * 26 * 26 * 26;
constexpr int AlbumCount = 2000;
constexpr int ArtistCount = 800;

constexpr std::array TitleWords = {
    "Love",    "Night",  "Blue",   "River",   "Heart",     "Dance",    "Fire",   "Rain",
    "Summer",  "Dream",  "Road",   "Home",    "Light",     "Shadow",   "Golden", "Wild",
    "Little",  "Girl",   "Boy",    "City",    "Morning",   "Song",     "Moon",   "Star",
    "Ocean",   "Street", "Winter", "Broken",  "Sweet",     "Time",     "Money",  "Angel",
    "Devil",   "Train",  "Window", "Silver",  "Forever",   "Lonely",   "Happy",  "Running",
    "Falling", "Sky",    "Water",  "Stone",   "Paper",     "Glass",    "Echo",   "Velvet",
    "Thunder", "Café",   "Noël",   "Señor",   "Straße",    "Midnight", "Radio",  "Highway",
    "Garden",  "Mirror", "Secret", "Tonight", "Yesterday", "Ghost",    "Crazy",  "Kings"};
constexpr std::array FirstNames = {
    "John",  "Mary",  "David", "Anna", "Peter", "Laura",  "Mike",     "Sarah", "Tom",  "Emma",
    "Jack",  "Alice", "Sam",   "Nina", "Paul",  "Grace",  "Chris",    "Julia", "Mark", "Ella",
    "Björn", "Zoë",   "Luis",  "Maya", "Ivan",  "Chloé",  "Oscar",    "Ruby",  "Leo",  "Iris",
    "The",   "Los",   "Les",   "Big",  "Dirty", "Silent", "Electric", "Young", "Old",  "Red"};
constexpr std::array LastNames = {"Smith",    "Brown",     "Miller", "Davis",     "Garcia",
                                  "Wilson",   "Moore",     "Taylor", "Hunters",   "Lions",
                                  "Wolves",   "Strangers", "Cats",   "Machines",  "Sisters",
                                  "Brothers", "Kids",      "Band",   "Orchestra", "Quartet"};
constexpr std::array AlbumWords = {
    "Greatest", "Early",    "Late",    "Live",    "Lost",     "Best",     "First",   "Last",
    "Northern", "Southern", "Eastern", "Western", "Electric", "Acoustic", "Quiet",   "Loud",
    "Hidden",   "Open",     "Endless", "Perfect", "Strange",  "Simple",   "Modern",  "Ancient",
    "Bright",   "Dark",     "Empty",   "Full",    "Faded",    "Frozen",   "Burning", "Falling",
    "Rising",   "Sleeping", "Waking",  "Dancing", "Silent",   "Velvet",   "Crystal", "Iron",
    "Paper",    "Neon",     "Lunar",   "Solar",   "Distant",  "Secret",   "Holy",    "Wild",
    "Gentle",   "Savage"};
constexpr std::array AlbumNouns = {
    "Hits",    "Years",     "Sessions", "Songs",   "Nights",   "Days",    "Roads",   "Hearts",
    "Waves",   "Skies",     "Rooms",    "Dreams",  "Stories",  "Letters", "Colours", "Seasons",
    "Lights",  "Shadows",   "Rivers",   "Gardens", "Streets",  "Echoes",  "Voices",  "Machines",
    "Islands", "Mountains", "Mirrors",  "Windows", "Horizons", "Signals", "Tapes",   "Tales",
    "Ballads", "Anthems",   "Hymns",    "Blues",   "Tracks",   "Moments", "Places",  "Things"};
constexpr std::array Genres = {"Rock",    "Pop",   "Jazz",       "Classical",  "Blues",
                               "Hip-Hop", "Folk",  "Country",    "Electronic", "Reggae",
                               "Soul",    "Metal", "Soundtrack", "Latin",      "Alternative"};
constexpr std::array EQSettings = {"Rock", "Jazz", "Classical", "Bass Booster", "Spoken Word"};
constexpr std::array Comments = {"Ripped from CD", "Bonus track", "Remastered 2009",
                                 "Live recording", "From the vinyl"};

enum class Format { Mp3, Aac, AppleLossless, Wav, Aiff };

struct FileKind {
    const char* typeText;
    const char* extension;
    int percent; // of the songs
    Format format;
};
constexpr std::array FileKinds = {
    FileKind{"MPEG audio file", ".mp3", 60, Format::Mp3},
    FileKind{"AAC audio file", ".m4a", 20, Format::Aac},
    FileKind{"Apple Lossless audio file", ".m4a", 10, Format::AppleLossless},
    FileKind{"WAV audio file", ".wav", 5, Format::Wav},
    FileKind{"AIFF audio file", ".aif", 5, Format::Aiff}};

std::u16string Wide(const std::string& utf8) {
    return platform::text::AnsiToWide(utf8);
}

template <typename Words> std::string Pick(const Words& words, std::mt19937& random) {
    return words[std::uniform_int_distribution<std::size_t>(0, words.size() - 1)(random)];
}

bool Chance(int percent, std::mt19937& random) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
}

std::string ArtistName(int artist) {
    return std::string(FirstNames[static_cast<std::size_t>(artist) % FirstNames.size()]) + " " +
           LastNames[static_cast<std::size_t>(artist) / FirstNames.size()];
}

std::string AlbumName(int album) {
    return std::string(AlbumWords[static_cast<std::size_t>(album) % AlbumWords.size()]) + " " +
           AlbumNouns[static_cast<std::size_t>(album) / AlbumWords.size()];
}

std::string Title(std::mt19937& random) {
    const int words = std::uniform_int_distribution<int>(1, 5)(random);
    std::string title = Pick(TitleWords, random);
    for (int i = 1; i < words; ++i)
        title += " " + Pick(TitleWords, random);
    return title;
}

const FileKind& PickFileKind(std::mt19937& random) {
    int roll = std::uniform_int_distribution<int>(0, 99)(random);
    for (const FileKind& kind : FileKinds) {
        if (roll < kind.percent)
            return kind;
        roll -= kind.percent;
    }
    return FileKinds.front();
}

// Four capital letters, different for every track, scattered like the iPod's own names.
std::string FileName(int track) {
    // 7919 is prime to 26, so this steps through every name once.
    int code = static_cast<int>((static_cast<long long>(track) * 7919 + 12345) % NameCount);
    std::string name(NameLetters, 'A');
    for (int i = NameLetters - 1; i >= 0; --i) {
        name[static_cast<std::size_t>(i)] = static_cast<char>('A' + code % 26);
        code /= 26;
    }
    return name;
}

itunesdb::SongFields MakeSong(int track, std::mt19937& random, std::string& location,
                              Format& format) {
    const int album = std::uniform_int_distribution<int>(0, AlbumCount - 1)(random);
    const int artist = album % ArtistCount;
    const FileKind& kind = PickFileKind(random);
    format = kind.format;
    char folder[4];
    std::snprintf(folder, sizeof folder, "F%02d",
                  std::uniform_int_distribution<int>(0, FolderCount - 1)(random));
    location =
        std::string(":iPod_Control:Music:") + folder + ":" + FileName(track) + kind.extension;

    itunesdb::SongFields song;
    song.trackId = 100 + track;
    song.title = Wide(Title(random));
    song.location = Wide(location);
    song.album = Wide(AlbumName(album));
    song.artist = Wide(ArtistName(artist));
    song.genre = Wide(Genres[static_cast<std::size_t>(album) % Genres.size()]);
    song.fileType = Wide(kind.typeText);
    if (Chance(30, random))
        song.comment = Wide(Pick(Comments, random));
    if (Chance(10, random))
        song.eqSetting = Wide(Pick(EQSettings, random));
    if (Chance(40, random))
        song.composer = Wide(ArtistName((artist * 37 + 11) % ArtistCount));
    if (Chance(5, random))
        song.grouping = Wide(Pick(AlbumNouns, random));
    // Numbers and album artists as a library tagged with care has them: a few compilations and
    // albums of two discs, some songs without numbers.
    song.numbers.trackNumber =
        static_cast<std::uint32_t>(std::uniform_int_distribution<int>(0, 15)(random));
    song.numbers.trackCount = song.numbers.trackNumber == 0 ? 0 : 15;
    if (album % 10 == 0) {
        song.numbers.discNumber = song.numbers.trackNumber % 2 + 1;
        song.numbers.discCount = 2;
    }
    song.numbers.year = static_cast<std::uint32_t>(1960 + album % 60);
    song.numbers.compilation = album % 25 == 0;
    if (album % 7 == 0)
        song.albumArtist = Wide(ArtistName((artist + 1) % ArtistCount));
    return song;
}

fs::path HostPath(const fs::path& root, const std::string& location) {
    fs::path path = root;
    std::size_t start = 1; // past the leading ":"
    while (start < location.size()) {
        const std::size_t colon = std::min(location.find(':', start), location.size());
        path /= location.substr(start, colon - start);
        start = colon + 1;
    }
    return path;
}

// A short file of the song's format that carries the song's texts, as iTunes tags its files.
std::vector<std::byte> TaggedAudio(const itunesdb::SongFields& song, Format format) {
    static const std::vector<audiowriter::Note> notes = {{440, 0.1}};
    static const std::vector<std::int16_t> samples = audiowriter::RenderNotes(notes, 8000);
    audiowriter::Tags tags;
    tags.title = platform::text::WideToAnsi(song.title);
    tags.album = platform::text::WideToAnsi(song.album);
    tags.artist = platform::text::WideToAnsi(song.artist);
    tags.genre = platform::text::WideToAnsi(song.genre);
    tags.composer = platform::text::WideToAnsi(song.composer);
    tags.comment = platform::text::WideToAnsi(song.comment);
    tags.grouping = platform::text::WideToAnsi(song.grouping);
    switch (format) {
    case Format::Mp3:
        return audiowriter::WriteMp3(notes, tags);
    case Format::Aac:
        return audiowriter::WriteSilentAacM4a(0.1, 44100, tags);
    case Format::AppleLossless:
        return audiowriter::WriteAlacM4a(samples, 8000, tags);
    case Format::Wav:
        return audiowriter::WriteWav(samples, 8000, tags);
    case Format::Aiff:
        return audiowriter::WriteAiff(samples, 8000, tags);
    }
    return {};
}

void WriteFile(const fs::path& path, const std::vector<std::byte>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

void CreateSparseFile(const fs::path& path, off_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path.string());
    const bool sized = ftruncate(fd, size) == 0;
    close(fd);
    if (!sized)
        throw std::runtime_error("cannot size " + path.string());
}

} // namespace

void WriteGeneratedIpod(const fs::path& folder, int tracks, GeneratedSongFiles files) {
    if (tracks < 0 || tracks > NameCount)
        throw std::invalid_argument("the track count must lie between 0 and " +
                                    std::to_string(NameCount));
    const fs::path music = folder / "iPod_Control" / "Music";
    for (int f = 0; f < FolderCount; ++f) {
        char name[4];
        std::snprintf(name, sizeof name, "F%02d", f);
        fs::create_directories(music / name);
    }
    fs::create_directories(folder / "iPod_Control" / "iTunes");

    std::mt19937 random(20240607); // the same iPod every run
    std::uniform_int_distribution<off_t> fileSize(off_t{3} << 20, off_t{8} << 20);
    itunesdb::DatabaseSpec database;
    database.tracks.reserve(static_cast<std::size_t>(tracks));
    std::string location;
    Format format = Format::Mp3;
    for (int track = 0; track < tracks; ++track) {
        const itunesdb::SongFields song = MakeSong(track, random, location, format);
        database.tracks.push_back(itunesdb::Song(song));
        const off_t size = fileSize(random);
        if (files == GeneratedSongFiles::Tagged)
            WriteFile(HostPath(folder, location), TaggedAudio(song, format));
        else
            CreateSparseFile(HostPath(folder, location), size);
    }
    WriteFile(folder / "iPod_Control" / "iTunes" / "iTunesDB", itunesdb::WriteITunesDB(database));
}

#include "app/database/song_file_scan.h"

#include "app/database/audio_format.h"
#include "app/database/iPodcomponent.h"
#include "platform/drives.h"
#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/aifffile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr long kHeadBytes = 4096;

const char* FileTypeOf(AudioFormat format, bool appleLossless) {
    switch (format) {
    case AudioFormat::Mpeg:
        return "MPEG audio file";
    case AudioFormat::Mpeg4:
        return appleLossless ? "Apple Lossless audio file" : "AAC audio file";
    case AudioFormat::AudibleMpeg4:
    case AudioFormat::Audible:
        return "Audible file";
    case AudioFormat::Wav:
        return "WAV audio file";
    case AudioFormat::Aiff:
        return "AIFF audio file";
    case AudioFormat::None:
        break;
    }
    return "";
}

std::u16string Wide(const TagLib::String& text) {
    return platform::text::AnsiToWide(text.to8Bit(true));
}

// The first value of the first of `keys` the file holds.
std::u16string Property(const TagLib::PropertyMap& properties,
                        std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const auto found = properties.find(key);
        if (found != properties.end() && !found->second.isEmpty()) {
            return Wide(found->second.front());
        }
    }
    return {};
}

// The leading decimal digits of `text` ("7" of "7/12", "2009" of "2009-04-12"); 0 for none or
// for more than fit.
std::int32_t LeadingNumber(std::string_view text) {
    std::int32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        if (number > (INT32_MAX - (c - '0')) / 10) {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

// "7/12" as 7 and 12; a count the text lacks is 0.
void NumberAndCount(const std::u16string& text, std::int32_t& number, std::int32_t& count) {
    const std::string narrow = platform::text::WideToAnsi(text);
    number = LeadingNumber(narrow);
    const std::size_t slash = narrow.find('/');
    count = slash == std::string::npos ? 0 : LeadingNumber(narrow.substr(slash + 1));
}

void TakeTags(const TagLib::File& file, bool id3, ScannedSong& scanned) {
    if (!file.isValid()) {
        return;
    }
    TSong& song = scanned.Song;
    TrackFacts& facts = scanned.Facts;
    const TagLib::PropertyMap properties = file.properties();
    if (std::u16string title = Property(properties, {"TITLE"}); !title.empty()) {
        song.Title = std::move(title);
    }
    song.Album = Property(properties, {"ALBUM"});
    song.Artist = Property(properties, {"ARTIST"});
    song.Genre = Property(properties, {"GENRE"});
    song.Comment = Property(properties, {"COMMENT"});
    song.Composer = Property(properties, {"COMPOSER"});
    // iTunes kept the grouping in ID3's TIT1 (which the library calls WORK) until it moved it
    // to GRP1 in 2016.
    song.Grouping =
        id3 ? Property(properties, {"GROUPING", "WORK"}) : Property(properties, {"GROUPING"});
    facts.AlbumArtist = Property(properties, {"ALBUMARTIST"});
    NumberAndCount(Property(properties, {"TRACKNUMBER"}), facts.TrackNumber, facts.TrackCount);
    NumberAndCount(Property(properties, {"DISCNUMBER"}), facts.DiscNumber, facts.DiscCount);
    facts.Year = LeadingNumber(platform::text::WideToAnsi(Property(properties, {"DATE"})));
    facts.Compilation =
        LeadingNumber(platform::text::WideToAnsi(Property(properties, {"COMPILATION"}))) != 0;
    if (const TagLib::AudioProperties* audio = file.audioProperties()) {
        facts.LengthMs = audio->lengthInMilliseconds();
    }
}

// Reads the tags of a file of the sniffed `format` from `stream`; the file type as well.
void ReadTags(TagLib::FileStream& stream, AudioFormat format, ScannedSong& scanned) {
    constexpr auto kFast = TagLib::AudioProperties::Fast;
    bool appleLossless = false;
    switch (format) {
    case AudioFormat::Mpeg: {
        const TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), true,
                                      kFast);
        TakeTags(file, true, scanned);
        break;
    }
    case AudioFormat::Mpeg4:
    case AudioFormat::AudibleMpeg4: {
        const TagLib::MP4::File file(&stream, true, kFast);
        const TagLib::MP4::Properties* properties = file.audioProperties();
        appleLossless = properties && properties->codec() == TagLib::MP4::Properties::ALAC;
        TakeTags(file, false, scanned);
        break;
    }
    case AudioFormat::Wav: {
        const TagLib::RIFF::WAV::File file(&stream, true, kFast);
        TakeTags(file, true, scanned);
        break;
    }
    case AudioFormat::Aiff: {
        const TagLib::RIFF::AIFF::File file(&stream, true, kFast);
        TakeTags(file, true, scanned);
        break;
    }
    case AudioFormat::Audible:
    case AudioFormat::None:
        break; // no tags the library reads
    }
    scanned.Song.FileType = platform::text::AnsiToWide(FileTypeOf(format, appleLossless));
}

struct SongFile {
    std::string name;
    std::uint64_t size = 0;
};

// The regular files of a folder (links followed), by name; an unreadable folder has none.
std::vector<SongFile> FilesIn(const fs::path& folder) {
    std::vector<SongFile> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (it->is_regular_file(statError)) {
            const std::uintmax_t size = it->file_size(statError);
            files.push_back({it->path().filename().string(), statError ? 0 : size});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const SongFile& a, const SongFile& b) { return a.name < b.name; });
    return files;
}

std::vector<std::string> FoldersIn(const fs::path& folder) {
    std::vector<std::string> folders;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (it->is_directory(statError)) {
            folders.push_back(it->path().filename().string());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

} // namespace

std::optional<ScannedSong> ReadSongFile(const std::string& hostPath) {
    // Only a regular file is opened for good: a pipe or a device put in its place would never
    // end.
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    TagLib::FileStream stream(fd, true); // closes the descriptor once it holds it
    if (!stream.isOpen()) {
        close(fd);
        return std::nullopt;
    }
    const TagLib::ByteVector head = stream.readBlock(kHeadBytes);
    const AudioFormat format =
        SniffAudioFormat(std::span(reinterpret_cast<const std::byte*>(head.data()), head.size()));
    if (format == AudioFormat::None) {
        return std::nullopt;
    }
    ScannedSong scanned;
    scanned.Song.Title = platform::text::AnsiToWide(fs::path(hostPath).stem().string());
    scanned.Song.FileType = platform::text::AnsiToWide(FileTypeOf(format, false));
    try {
        stream.seek(0);
        ReadTags(stream, format, scanned);
    } catch (const std::exception&) {
        // Tags the library cannot read leave the song named after its file.
    }
    return scanned;
}

std::vector<ScannedSong> ScanSongFiles(const std::string& driveRoot) {
    std::vector<ScannedSong> songs;
    const std::string music = driveRoot + "\\iPod_Control\\Music";
    const std::optional<platform::HostEntry> folder = platform::Drives().Resolve(music);
    if (!folder || !folder->folder) {
        return songs;
    }
    // The location keeps the names as the drive spells them: ":iPod_Control:Music".
    std::string locationStart =
        platform::Drives().ToWindowsPath(folder->path).value_or(music).substr(driveRoot.size());
    std::replace(locationStart.begin(), locationStart.end(), '\\', ':');
    for (const std::string& name : FoldersIn(folder->path)) {
        const fs::path songFolder = fs::path(folder->path) / name;
        for (const SongFile& file : FilesIn(songFolder)) {
            std::optional<ScannedSong> song = ReadSongFile((songFolder / file.name).string());
            if (!song) {
                continue;
            }
            song->Song.Location =
                platform::text::AnsiToWide(locationStart + ":" + name + ":" + file.name);
            song->Song.SizeText = platform::text::AnsiToWide(SizeTextOf(file.size));
            songs.push_back(std::move(*song));
        }
    }
    return songs;
}

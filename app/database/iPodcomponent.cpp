#include "app/database/iPodcomponent.h"

#include "app/database/database_file.h"
#include "app/database/itunesdb_reader.h"
#include "app/database/song_file_scan.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <unordered_set>

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kSmallestFixedExponent = -4; // 0.0001 and above have no exponent
constexpr std::size_t kDecimalsKept = 2;

// The shortest general form of a non-negative number with up to 15 significant digits:
// 3.45370101928711, 2, 9.5367431640625E-5.
std::string GeneralText(double value, const std::string& decimalSeparator) {
    if (value == 0) {
        return "0";
    }
    char scientific[40];
    std::snprintf(scientific, sizeof scientific, "%.*e", kSignificantDigits - 1, value);
    const std::string text(scientific);
    const std::size_t exponentAt = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, exponentAt - 2);
    const int exponent = std::atoi(text.c_str() + exponentAt + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    if (exponent < kSmallestFixedExponent || exponent >= kSignificantDigits) {
        std::string result = digits.substr(0, 1);
        if (digits.size() > 1) {
            result += decimalSeparator + digits.substr(1);
        }
        return result + "E" + (exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
    }
    if (exponent < 0) {
        return "0" + decimalSeparator + std::string(static_cast<std::size_t>(-exponent - 1), '0') +
               digits;
    }
    const auto integerDigits = static_cast<std::size_t>(exponent + 1);
    if (digits.size() <= integerDigits) {
        return digits + std::string(integerDigits - digits.size(), '0');
    }
    return digits.substr(0, integerDigits) + decimalSeparator + digits.substr(integerDigits);
}

NameList DistinctNames(const std::vector<TSong>& songs, std::u16string TSong::*field) {
    std::map<std::string, std::string> namesByKey;
    // Most songs repeat a spelling already met; those need no sort key.
    std::unordered_set<std::string> spellingsMet;
    for (const TSong& song : songs) {
        std::string name = platform::text::WideToAnsi(song.*field);
        if (!spellingsMet.insert(name).second) {
            continue;
        }
        std::string key = platform::text::NoCaseSortKey(name);
        namesByKey.try_emplace(std::move(key), std::move(name));
    }
    NameList names;
    names.reserve(namesByKey.size());
    for (auto& entry : namesByKey) {
        names.push_back(std::move(entry.second));
    }
    return names;
}

} // namespace

std::string SizeTextOf(std::uint64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / 1024 / 1024;
    std::string text = GeneralText(megabytes, platform::text::DecimalSeparator());
    // Cut, not rounded; a comma locale has no "." and keeps every digit.
    const std::size_t point = text.find('.');
    if (point != std::string::npos && text.size() > point + 1 + kDecimalsKept) {
        text.resize(point + 1 + kDecimalsKept);
    }
    return text + "MB";
}

std::string TiPod::DatabasePath() const {
    const std::optional<DatabaseFile> file = DatabaseFile::Find(DriveRoot);
    return file ? file->Path() : DatabaseFile::PlainPath(DriveRoot);
}

void TiPod::LoadDatabase() {
    const std::optional<DatabaseFile> file = DatabaseFile::Find(DriveRoot);
    if (!file) {
        return;
    }
    LoadFromBuffer(file->Read());
}

void TiPod::LoadFromBuffer(std::span<const std::byte> buffer) {
    const ITunesDBReader reader(buffer);
    reader.ReadSections(SectionTable);
    Songs = {};
    Facts = {};
    Playlists = {};
    // Any error while the tracks are walked (memory for an absurd count or text, a failing size
    // lookup) ends the walk silently; the songs walked so far stay listed.
    try {
        reader.ReadTrackList(SectionTable[1], Songs, Facts);
        for (TSong& song : Songs) {
            song.SizeText = SizeTextFor(song);
        }
    } catch (const std::exception&) {
    }
    // The same for the playlists: a damaged list leaves the songs as they are.
    try {
        Playlists = reader.ReadPlaylists(Songs);
    } catch (const std::exception&) {
    }
    SongCount = static_cast<std::int32_t>(Songs.size());
}

void TiPod::LoadSongFiles() {
    std::vector<ScannedSong> scanned = ScanSongFiles(DriveRoot);
    std::vector<TSong> songs;
    std::vector<TrackFacts> facts;
    songs.reserve(scanned.size());
    facts.reserve(scanned.size());
    for (ScannedSong& song : scanned) {
        songs.push_back(std::move(song.Song));
        facts.push_back(std::move(song.Facts));
    }
    Songs = std::move(songs);
    Facts = std::move(facts);
    Playlists = {};
    SongCount = static_cast<std::int32_t>(Songs.size());
}

std::u16string TiPod::SizeTextFor(const TSong& song) const {
    // A bare drive root names no file.
    if (song.Location.empty()) {
        return {};
    }
    const std::optional<std::uint64_t> size = platform::files::FindSize(SongPath(song));
    return size ? platform::text::AnsiToWide(SizeTextOf(*size)) : std::u16string();
}

NameList TiPod::AlbumNames() const {
    return DistinctNames(Songs, &TSong::Album);
}

NameList TiPod::ArtistNames() const {
    return DistinctNames(Songs, &TSong::Artist);
}

NameList TiPod::FileTypeNames() const {
    return DistinctNames(Songs, &TSong::FileType);
}

void TiPod::SongAt(std::int32_t index, TSong& song) const {
    if (index >= 0 && static_cast<std::size_t>(index) < Songs.size()) {
        song = Songs[static_cast<std::size_t>(index)];
    }
}

const TrackFacts& TiPod::FactsAt(std::size_t index) const {
    static const TrackFacts none;
    return index < Facts.size() ? Facts[index] : none;
}

void TiPod::SongByTitle(const std::string& title, TSong& song) const {
    if (const std::optional<std::size_t> index = IndexByTitle(title)) {
        song = Songs[*index];
    }
}

std::optional<std::size_t> TiPod::IndexByTitle(const std::string& title) const {
    // The last match wins, so the first one met from the end is the answer.
    for (std::size_t i = Songs.size(); i-- > 0;) {
        if (platform::text::SameNoCase(platform::text::WideToAnsi(Songs[i].Title), title)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string TiPod::SongPath(const TSong& song) const {
    std::string location = platform::text::WideToAnsi(song.Location);
    std::replace(location.begin(), location.end(), ':', '\\');
    return DriveRoot + location;
}

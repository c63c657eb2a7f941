// The database reader on any file: nothing read outside it, no song list that costs more than a
// small multiple of the database's bytes, the same catalogue on every reading, and the file on
// the drive read as the same bytes in memory are.
#include "app/database/database_file.h"
#include "app/database/iPodcomponent.h"
#include "app/database/itunesdb_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_drive.h"
#include "platform/error.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;

// A song record with its facts is some 400 bytes and the smallest track item the reader walks
// is 20, each text at most two bytes a byte; a playlist entry costs 8 bytes and its item at least
// 20: anything beyond this is memory the file did not pay for.
constexpr std::size_t kMemoryFactor = 24;

// The heap bytes a text holds beyond its object.
std::size_t TextBytes(const std::u16string& text) {
    static const std::size_t inlineCapacity = std::u16string().capacity();
    return text.capacity() > inlineCapacity ? (text.capacity() + 1) * sizeof(char16_t) : 0;
}

// The memory the catalogue holds: its song records, facts and playlists, and every text too long
// to live inside them.
std::size_t CatalogueBytes(const TiPod& pod) {
    std::size_t bytes = pod.Songs.capacity() * sizeof(TSong) +
                        pod.Facts.capacity() * sizeof(TrackFacts) +
                        pod.Playlists.capacity() * sizeof(Playlist);
    for (const TSong& song : pod.Songs) {
        for (const std::u16string* text :
             {&song.Title, &song.Location, &song.SizeText, &song.Album, &song.Artist, &song.Genre,
              &song.FileType, &song.Comment, &song.EQSetting, &song.Composer, &song.Grouping})
            bytes += TextBytes(*text);
    }
    for (const TrackFacts& facts : pod.Facts)
        bytes += TextBytes(facts.AlbumArtist);
    for (const Playlist& playlist : pod.Playlists)
        bytes += TextBytes(playlist.Name) + playlist.Songs.capacity() * sizeof(std::size_t);
    return bytes;
}

TiPod Catalogue(std::span<const std::byte> database) {
    TiPod pod;
    pod.DriveRoot = "e:";
    pod.LoadFromBuffer(database);
    return pod;
}

bool SameCatalogue(const TiPod& a, const TiPod& b) {
    return a.Songs == b.Songs && a.Facts == b.Facts && a.Playlists == b.Playlists &&
           a.SongCount == b.SongCount &&
           std::equal(std::begin(a.SectionTable), std::end(a.SectionTable),
                      std::begin(b.SectionTable));
}

// The track count the whole database states, as the reader finds its track list.
std::optional<std::int32_t> StatedTrackCount(std::span<const std::byte> database) {
    const SectionEntry notFound{-1, -1, -1};
    SectionEntry table[4];
    table[1] = notFound;
    const ITunesDBReader reader(database);
    reader.ReadSections(table);
    if (table[1] == notFound)
        return std::nullopt;
    return reader.StatedTrackCount(table[1]);
}

// The database header's own length, at offset 4.
std::size_t HeaderLength(std::span<const std::byte> file) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
        length |= std::to_integer<std::size_t>(file[4 + i]) << (8 * i);
    return length;
}

// The bytes the reader walks: the file, inflated where it says it is compressed; nullopt when
// it does not inflate.
std::optional<Bytes> DatabaseOf(std::span<const std::byte> file) {
    try {
        return ExpandCompressedDatabase(file);
    } catch (const platform::OsError& error) {
        FUZZ_CHECK(std::string(error.what()) == "Stream read error");
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> file(reinterpret_cast<const std::byte*>(data), size);
    const bool compressed = IsCompressedDatabase(file);
    const std::optional<Bytes> database = DatabaseOf(file);

    std::optional<TiPod> catalogue;
    if (database) {
        if (compressed) {
            // No zlib bomb: the body grows at most by the factor the reader allows.
            const std::size_t header = HeaderLength(file);
            FUZZ_CHECK(database->size() - header <= InflatedBodyLimit(size - header));
        }
        catalogue = Catalogue(*database);
        FUZZ_CHECK(catalogue->SongCount == static_cast<std::int32_t>(catalogue->Songs.size()));
        FUZZ_CHECK(catalogue->Facts.size() == catalogue->Songs.size());
        for (const Playlist& playlist : catalogue->Playlists) {
            for (std::size_t song : playlist.Songs)
                FUZZ_CHECK(song < catalogue->Songs.size());
        }
        FUZZ_CHECK(CatalogueBytes(*catalogue) <= kMemoryFactor * database->size());
        FUZZ_CHECK(SameCatalogue(Catalogue(*database), *catalogue));
    }

    // The same bytes as the iPod's database file: iTunesCDB when they say they are compressed.
    const fuzz::ScratchDrive& drive = fuzz::ScratchDrive::Get();
    const std::string plainName = "iPod_Control/iTunes/iTunesDB";
    const std::string compressedName = "iPod_Control/iTunes/iTunesCDB";
    drive.Remove(compressed ? plainName : compressedName);
    drive.Write(compressed ? compressedName : plainName,
                std::string_view(reinterpret_cast<const char*>(data), size));
    const std::optional<DatabaseFile> found = DatabaseFile::Find("e:");
    FUZZ_CHECK(found.has_value());
    try {
        const Bytes read = found->Read();
        FUZZ_CHECK(database && read == *database);
        TiPod loaded;
        loaded.DriveRoot = "e:";
        loaded.LoadDatabase();
        FUZZ_CHECK(SameCatalogue(loaded, *catalogue));
    } catch (const platform::OsError&) {
        FUZZ_CHECK(!database);
    }
    // The count is read only as far as the track list header, so a file damaged after it may
    // still state one; a file read whole states the count its track list header holds.
    try {
        const std::optional<std::int32_t> stated = found->StatedTrackCount();
        FUZZ_CHECK(!database || stated == StatedTrackCount(*database));
    } catch (const platform::OsError&) {
        FUZZ_CHECK(!database);
    }
    return 0;
}

#pragma once

#include "app/database/playlist.h"
#include "app/database/section_entry.h"
#include "app/database/song.h"
#include "app/database/track_facts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A sorted list of distinct names; order and equality are the user locale's comparison
// without regard to case, and each name keeps the spelling met first in catalogue order.
using NameList = std::vector<std::string>;

// The catalogue of one iPod.
class TiPod {
public:
    std::string DriveRoot; // "e:"
    std::vector<TSong> Songs;
    std::vector<TrackFacts> Facts; // one per song, at the song's index
    std::vector<Playlist> Playlists; // the database's, less the hidden one of the whole library
    std::int32_t SongCount = 0;   // never more than Songs.size()
    SectionEntry SectionTable[4]; // indexed by section type 1..3; entry 0 is unused

    // Reads the database of DriveRoot: iPod_Control\iTunes\iTunesCDB when it is there and not
    // empty (inflated when compressed), else iPod_Control\iTunes\itunesdb; when neither exists
    // everything stays as it was. Raises platform::OsError ("Cannot open file %s", "Stream read
    // error").
    void LoadDatabase();
    // The same walk over a database already in memory, with the size lookups on DriveRoot.
    void LoadFromBuffer(std::span<const std::byte> buffer);
    // Builds the songs from the song files under DriveRoot\iPod_Control\Music instead of the
    // database, for an iPod whose database is lost; SectionTable stays as it was, and there are
    // no playlists.
    void LoadSongFiles();

    NameList AlbumNames() const;
    NameList ArtistNames() const;
    NameList FileTypeNames() const;

    // Copies the song at `index` into `song`; an index outside the songs leaves it unchanged.
    void SongAt(std::int32_t index, TSong& song) const;
    // The facts of the song at `index`; empty facts outside the songs.
    const TrackFacts& FactsAt(std::size_t index) const;
    // Copies the last song whose title equals `title` without regard to case into `song`;
    // leaves it unchanged when none does.
    void SongByTitle(const std::string& title, TSong& song) const;
    // The index of the song SongByTitle finds; nullopt when none has the title.
    std::optional<std::size_t> IndexByTitle(const std::string& title) const;
    std::int32_t GetSongCount() const { return SongCount; }

    // The song's file: DriveRoot + its location with every ":" turned into "\".
    std::string SongPath(const TSong& song) const;
    // The database file LoadDatabase reads; DriveRoot + "\iPod_Control\iTunes\itunesdb" when
    // there is none.
    std::string DatabasePath() const;

private:
    std::u16string SizeTextFor(const TSong& song) const;
};

// The size text of a file of `bytes` bytes: "3.45MB", with the user locale's decimal separator.
std::string SizeTextOf(std::uint64_t bytes);

#pragma once

#include "app/database/playlist.h"
#include "app/database/section_entry.h"
#include "app/database/song.h"
#include "app/database/track_facts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Walks an iTunesDB held in memory by the lengths its records store. No tag, length or count
// is trusted: every read is checked against the buffer, and one that would leave it ends the
// walk there.
class ITunesDBReader {
public:
    explicit ITunesDBReader(std::span<const std::byte> buffer) : buffer_(buffer) {}

    // Stores the first two sections in `table` by their type; types other than 1 to 3 have no
    // entry and are passed over.
    void ReadSections(std::span<SectionEntry, 4> table) const;

    // The track count the header of the track list that `trackSection` locates states; nullopt
    // when the buffer does not hold it.
    std::optional<std::int32_t> StatedTrackCount(const SectionEntry& trackSection) const;

    // Appends the tracks of the track list that `trackSection` locates to `songs`, in file order,
    // each once it is walked, with every field but SizeText, and each track's facts to `facts`
    // (the two grow together). Stops at the first track the buffer cannot hold. An error (memory
    // for a count or a text) leaves the tracks walked before it.
    void ReadTrackList(const SectionEntry& trackSection, std::vector<TSong>& songs,
                       std::vector<TrackFacts>& facts) const;

    // The playlists of the playlist section (type 3 when the file has one, else type 2), in file
    // order, leaving out the hidden ones (the first, the whole library, is hidden). Each item
    // names a track by its id; an item whose id is that of none of `songs` (a podcast group
    // header) is passed over, and an id that several songs share names the first. Stops at the
    // first playlist or item the buffer cannot hold, keeping what it read before.
    std::vector<Playlist> ReadPlaylists(const std::vector<TSong>& songs) const;

private:
    enum class TrackWalk { Complete, CutShort, Unreadable };

    std::optional<std::int32_t> ReadInt(std::int64_t offset) const;
    // The text of the text object at `object`, up to `end`, decoded by the encoding it states.
    std::u16string ReadText(std::int64_t object, std::int64_t end) const;
    // Walks the track item at `position` into `song` and `facts` (fresh ones) and moves
    // `position` past it.
    TrackWalk ReadTrack(std::int64_t& position, TSong& song, TrackFacts& facts) const;
    // The numbers of the track item at `item` whose header is `headerLength` bytes long.
    void ReadTrackNumbers(std::int64_t item, std::int32_t headerLength, TrackFacts& facts) const;
    // Applies the data object at `position` to `song` or `facts` and moves `position` past it;
    // false when the buffer cannot hold the object.
    bool ReadObject(std::int64_t& position, TSong& song, TrackFacts& facts) const;

    // Where the playlist section's list header starts; nullopt when the file has none.
    std::optional<std::int64_t> PlaylistListStart() const;
    // Reads the playlist at `position` (its name and its items' track ids) and moves `position`
    // past it; false when the buffer cannot hold it.
    bool ReadPlaylist(std::int64_t& position, bool& hidden, std::u16string& name,
                      std::vector<std::int32_t>& trackIds) const;

    std::int64_t Size() const { return static_cast<std::int64_t>(buffer_.size()); }

    std::span<const std::byte> buffer_;
};

// The playlists of an iTunesDB: the list of a playlist section (mhlp), its playlists (mhyp) with
// their data objects, and their items (mhip).
#include "app/database/itunesdb_reader.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr std::int32_t kPodcastSection = 3; // also holds every playlist, podcasts grouped
constexpr std::int32_t kPlaylistSection = 2;
constexpr std::int64_t kSectionFields = 16;   // up to and including the type
constexpr std::int64_t kHiddenOffset = 20;    // one byte of the playlist header
constexpr std::int64_t kMinObjectLength = 24; // a data object's header
constexpr std::int64_t kTextStart = 40;       // 24-byte header, 16-byte text header
constexpr std::int64_t kItemTrackIdOffset = 24;
constexpr std::int32_t kNameObject = 1;

} // namespace

std::optional<std::int64_t> ITunesDBReader::PlaylistListStart() const {
    std::optional<std::int64_t> fallback;
    const auto databaseHeaderLength = ReadInt(4);
    if (!databaseHeaderLength) {
        return std::nullopt;
    }
    for (std::int64_t start = *databaseHeaderLength; start >= 0 && start < Size();) {
        const auto headerLength = ReadInt(start + 4);
        const auto totalLength = ReadInt(start + 8);
        const auto type = ReadInt(start + 12);
        if (!headerLength || !totalLength || !type) {
            break;
        }
        if (*type == kPodcastSection) {
            return start + *headerLength;
        }
        if (*type == kPlaylistSection && !fallback) {
            fallback = start + *headerLength;
        }
        // A section shorter than its own fields would never be left.
        if (*totalLength < kSectionFields) {
            break;
        }
        start += *totalLength;
    }
    return fallback;
}

std::vector<Playlist> ITunesDBReader::ReadPlaylists(const std::vector<TSong>& songs) const {
    std::vector<Playlist> playlists;
    const std::optional<std::int64_t> list = PlaylistListStart();
    if (!list) {
        return playlists;
    }
    const auto listHeaderLength = ReadInt(*list + 4);
    const auto count = ReadInt(*list + 8);
    if (!listHeaderLength || !count) {
        return playlists;
    }
    std::unordered_map<std::int32_t, std::size_t> songOfTrack;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        songOfTrack.try_emplace(songs[i].TrackId, i);
    }
    std::int64_t position = *list + *listHeaderLength;
    for (std::int32_t i = 0; i < *count; ++i) {
        bool hidden = false;
        std::u16string name;
        std::vector<std::int32_t> trackIds;
        if (!ReadPlaylist(position, hidden, name, trackIds)) {
            break;
        }
        if (hidden) {
            continue;
        }
        Playlist playlist{std::move(name), {}};
        for (const std::int32_t trackId : trackIds) {
            if (const auto song = songOfTrack.find(trackId); song != songOfTrack.end()) {
                playlist.Songs.push_back(song->second);
            }
        }
        playlists.push_back(std::move(playlist));
    }
    return playlists;
}

bool ITunesDBReader::ReadPlaylist(std::int64_t& position, bool& hidden, std::u16string& name,
                                  std::vector<std::int32_t>& trackIds) const {
    const std::int64_t start = position;
    const auto headerLength = ReadInt(start + 4);
    const auto totalLength = ReadInt(start + 8);
    const auto objectCount = ReadInt(start + 12);
    const auto itemCount = ReadInt(start + 16);
    if (!headerLength || !totalLength || !objectCount || !itemCount ||
        *headerLength <= kHiddenOffset || start + kHiddenOffset >= Size()) {
        return false;
    }
    hidden = buffer_[static_cast<std::size_t>(start + kHiddenOffset)] != std::byte{0};

    // Data objects (the name, smart rules, view settings) are stepped over by their stored
    // length, which has to lie inside the file.
    std::int64_t at = start + *headerLength;
    for (std::int32_t i = 0; i < *objectCount; ++i) {
        const auto objectLength = ReadInt(at + 8);
        const auto type = ReadInt(at + 12);
        if (!objectLength || !type || *objectLength < kMinObjectLength ||
            *objectLength > Size() - at) {
            return false;
        }
        if (*type == kNameObject) {
            const auto textLength = *objectLength >= 32 ? ReadInt(at + 28) : std::nullopt;
            name = textLength && *textLength > 0
                       ? ReadText(at, std::min<std::int64_t>(at + *objectLength,
                                                             at + kTextStart + *textLength))
                       : std::u16string();
        }
        at += *objectLength;
    }
    for (std::int32_t i = 0; i < *itemCount; ++i) {
        const auto itemLength = ReadInt(at + 8);
        if (!itemLength || *itemLength < kItemTrackIdOffset + 4 || *itemLength > Size() - at) {
            return false;
        }
        trackIds.push_back(*ReadInt(at + kItemTrackIdOffset));
        at += *itemLength;
    }
    // The next playlist starts where this one says it ends, unless that is not past its items.
    position =
        *totalLength >= at - start && *totalLength <= Size() - start ? start + *totalLength : at;
    return true;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// A copy job's playlists, written beside its songs as M3U8 files that name the copied files.

class TiPod;
struct CopyJob;
struct Playlist;

// One song of an exported playlist.
struct PlaylistEntry {
    std::int32_t LengthMs = 0; // 0 when unknown
    std::string Artist;        // UTF-8
    std::string Title;
    std::string Path; // the song's file, relative to the playlist's folder, "/" between folders
};

// The playlist as UTF-8 text: "#EXTM3U", then for each entry "#EXTINF:SECONDS,ARTIST - TITLE"
// (the title alone without an artist; -1 seconds for an unknown length) and its path, each line
// ended by a line feed. Line breaks in texts become blanks.
std::string PlaylistText(const std::vector<PlaylistEntry>& entries);

// The songs of `playlist` that `job` copied, in the playlist's order, for a playlist file in the
// job's folder `folder`; a song the job holds more than once is named by its first entry.
std::vector<PlaylistEntry> CopiedEntries(const TiPod& pod, const Playlist& playlist,
                                         const CopyJob& job, std::string_view folder);

// The path of `target` below `folder` (Windows paths, as a copy job plans them) with "/" between
// its folders: "Artist/Album/01 Song.mp3".
std::string PathBelow(std::string_view folder, std::string_view target);

// Writes the playlists of one job into its destination folder.
class PlaylistWriter {
public:
    PlaylistWriter(std::string folder, bool overwrite)
        : folder_(std::move(folder)), overwrite_(overwrite) {}

    // Writes `entries` as the file NAME.m3u8 (NAME made safe; "Playlist" for none) in one step, so
    // that no half written playlist is ever left. An existing file is replaced when overwriting,
    // unless this writer wrote it; else the playlist goes to the first free numbered name. Returns
    // the path written; raises platform::OsError when it cannot be written.
    std::string Write(std::string_view name, const std::vector<PlaylistEntry>& entries);

private:
    std::string folder_;
    bool overwrite_;
    std::unordered_set<std::string> written_; // folded host paths
};

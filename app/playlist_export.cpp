#include "app/playlist_export.h"

#include "app/copy_job.h"
#include "app/copy_thread.h"
#include "app/database/iPodcomponent.h"
#include "app/output_naming.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <unordered_map>

namespace {

// A text on one line of the playlist.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

// The same file for a file system that ignores letter case, as the copy worker compares them.
std::string FileKey(const std::string& path) {
    return platform::text::FoldCase(platform::Drives().ToHostPath(path).value_or(path));
}

} // namespace

std::string PlaylistText(const std::vector<PlaylistEntry>& entries) {
    std::string text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries) {
        const std::int32_t seconds = entry.LengthMs > 0 ? (entry.LengthMs + 500) / 1000 : -1;
        text += "#EXTINF:" + std::to_string(seconds) + ",";
        if (!entry.Artist.empty())
            text += OneLine(entry.Artist) + " - ";
        text += OneLine(entry.Title) + "\n";
        text += OneLine(entry.Path) + "\n";
    }
    return text;
}

std::vector<PlaylistEntry> CopiedEntries(const TiPod& pod, const Playlist& playlist,
                                         const CopyJob& job, std::string_view folder) {
    std::unordered_map<std::size_t, std::size_t> entryOfSong;
    for (std::size_t entry = 0; entry < job.Songs.size(); ++entry)
        entryOfSong.try_emplace(job.Songs[entry], entry);
    std::vector<PlaylistEntry> entries;
    for (const std::size_t song : playlist.Songs) {
        const auto entry = entryOfSong.find(song);
        if (entry == entryOfSong.end() || entry->second >= job.Results.size() ||
            job.Results[entry->second].Outcome != CopyOutcome::Copied)
            continue;
        entries.push_back({pod.FactsAt(song).LengthMs,
                           platform::text::WideToAnsi(pod.Songs[song].Artist),
                           platform::text::WideToAnsi(pod.Songs[song].Title),
                           PathBelow(folder, job.Targets[entry->second])});
    }
    return entries;
}

std::string PathBelow(std::string_view folder, std::string_view target) {
    std::string below(target.substr(std::min(target.size(), folder.size() + 1)));
    std::replace(below.begin(), below.end(), '\\', '/');
    return below;
}

std::string PlaylistWriter::Write(std::string_view name,
                                  const std::vector<PlaylistEntry>& entries) {
    // A playlist without a name would be a hidden file.
    std::string path = folder_ + "\\" + SafeFileName(name.empty() ? "Playlist" : name, ".m3u8");
    if (platform::files::FileExists(path) && (!overwrite_ || written_.contains(FileKey(path)))) {
        const std::optional<std::string> numbered = TCopyThread::CreateNewOutputPathName(path);
        if (!numbered)
            throw platform::OsError("No free numbered name for " + path);
        path = *numbered;
    }
    platform::files::WriteFileAtomically(path, PlaylistText(entries));
    written_.insert(FileKey(path));
    return path;
}

#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct DriveTableConfig {
    std::string mountsFile = "/proc/self/mounts";
    std::string labelsFolder = "/dev/disk/by-label";
    std::string driveMapFile;     // "e=/absolute/host/folder" lines; empty: none
    std::string rootFolder = "/"; // the folder behind c:
    // How long a cached folder listing kept current by the file layer's own changes is trusted
    // while the folder's time cannot yet tell a change by somebody else from them; it is read
    // afresh after that.
    std::chrono::milliseconds listingRecheck{1000};
};

// A host path and what the one lookup behind it found there.
struct HostEntry {
    std::string path;
    bool exists = false;
    bool folder = false;
    std::uint64_t size = 0; // 0 for a folder
};

// A mounted volume that a person would call a drive.
struct MountedVolume {
    std::string folder;
    std::string device; // empty for a fixed letter
    bool operator==(const MountedVolume&) const = default;
};

// A host folder as it stood right before the file layer changed it.
struct FolderStamp {
    std::string folder; // host path; empty when the changed path has no folder
    bool found = false; // the folder could be stat'ed
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::int64_t takenAt = 0;  // real time of the stat, nanoseconds since the epoch
};

// A name the file layer itself added to or removed from a folder.
struct NameChange {
    enum Kind {
        Added,    // did not exist before (a created file, a rename's new name)
        Replaced, // existed and still does (a rename onto an existing file)
        Removed,
    };
    Kind kind = Added;
    std::string name;
};

struct DriveChanges {
    std::vector<char> arrived; // letters of volumes that appeared
    std::vector<char> removed;
};

// Drive letters mapped to host folders: c: is the root, mounted volumes take the free letters
// from d: upward and keep them while mounted, the drive-map file adds fixed letters.
class DriveTable {
public:
    explicit DriveTable(DriveTableConfig config);
    ~DriveTable();
    DriveTable(const DriveTable&) = delete;
    DriveTable& operator=(const DriveTable&) = delete;

    // Re-reads the mount table (and the drive-map file) and reports what changed.
    DriveChanges Refresh();

    std::uint32_t LogicalDrives() const; // bit 0 = a:
    std::optional<std::string> HostFolder(char letter) const;
    // Adds a fixed letter (as the drive-map file does); replaces an earlier mapping.
    void Attach(char letter, const std::string& hostFolder);
    // The first letter from d: upward that nothing uses; nullopt when all are taken.
    std::optional<char> FreeLetter() const;
    // The device's label, else the mount folder's name; nullopt for an unknown letter.
    std::optional<std::string> VolumeLabel(char letter) const;

    // Windows path -> host path. "\" and "/" separate, repeated separators count once, each
    // component matches without regard to case when no exact match exists. A path without a
    // drive is taken relative to the current drive (the drive of the working folder). The
    // result names the path even when its last components do not exist.
    std::optional<std::string> ToHostPath(std::string_view windowsPath) const;
    // ToHostPath with the result's stat: an exact match costs one stat.
    std::optional<HostEntry> Resolve(std::string_view windowsPath) const;
    // Host path -> Windows path, by the longest matching drive folder.
    std::optional<std::string> ToWindowsPath(std::string_view hostPath) const;

    // The file layer's own changes keep the cached listing of a folder current instead of
    // making the next lookup read the whole folder again: it stamps the folder holding
    // `hostPath` right before the change and reports the names it changed right after. A
    // listing that was not current at the stamp is dropped, so a change by anybody else is
    // never hidden by ours.
    FolderStamp StampFolderOf(const std::string& hostPath) const;
    void NoteNames(const FolderStamp& before, const std::vector<NameChange>& changes) const;
    // Folders read for case-insensitive lookups since the table was made.
    std::uint64_t ListingsMade() const;

    const std::string& MountsFile() const { return config_.mountsFile; }

private:
    struct PathStart {
        std::string folder;             // the drive's host folder
        std::vector<std::string> parts; // the working folder below it, for a relative path
        std::string_view rest;          // the path after its drive
    };
    struct ListingCache;

    std::map<char, MountedVolume> LettersLocked() const;
    std::optional<std::string> FolderLocked(char letter) const;
    std::optional<std::pair<char, std::string>> DriveOfLocked(const std::string& hostPath) const;
    std::optional<PathStart> StartOf(std::string_view windowsPath) const;
    void RebuildFixedLocked(const std::map<char, std::string>& mapFile);
    void AssignLettersLocked(const std::vector<MountedVolume>& volumes);

    const DriveTableConfig config_;
    mutable std::mutex mutex_;
    std::map<char, std::string> fixed_;     // letter -> folder: c:, the drive-map file, Attach
    std::map<char, std::string> attached_;  // letters added by Attach, kept across Refresh
    std::map<char, MountedVolume> mounted_; // letter -> volume holding it
    std::vector<MountedVolume> volumes_;    // every volume mounted, in mount-table order
    std::unique_ptr<ListingCache> listings_;
};

// The process's drive table. Built on first use from the data folder's drive-map file and the
// system's mount table; tests and the CLI install their own.
DriveTable& Drives();
void SetDrives(std::unique_ptr<DriveTable> table);

} // namespace platform

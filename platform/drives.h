#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DriveTableConfig {
    std::string mountsFile = "/proc/self/mounts";
    std::string labelsFolder = "/dev/disk/by-label";
    std::string driveMapFile; // "e=/absolute/host/folder" lines; empty: none
    std::string rootFolder = "/"; // the folder behind c:
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
    // Host path -> Windows path, by the longest matching drive folder.
    std::optional<std::string> ToWindowsPath(std::string_view hostPath) const;

    const std::string& MountsFile() const { return config_.mountsFile; }

private:
    DriveTableConfig config_;
    std::map<char, std::string> fixed_;     // letter -> folder (c: and the drive-map file)
    std::map<char, std::string> mounted_;   // letter -> mount folder
    std::map<std::string, std::string> mountDevices_; // mount folder -> device
};

// The process's drive table. Built on first use from the data folder's drive-map file and the
// system's mount table; tests and the CLI install their own.
DriveTable& Drives();
void SetDrives(std::unique_ptr<DriveTable> table);

} // namespace platform

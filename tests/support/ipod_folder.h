#pragma once

#include "tests/support/temp_folder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A temporary folder laid out like an iPod (iPod_Control/iTunes/iTunesDB), attached as a drive
// of a fresh drive table whose c: is another temporary folder and which knows nothing of the
// machine's mounts. Each instance replaces the process's drive table.
class IPodFolder {
public:
    explicit IPodFolder(char letter = 'e');
    IPodFolder(const std::vector<std::byte>& database, char letter = 'e');

    void WriteDatabase(const std::vector<std::byte>& database);
    void RemoveDatabase();
    // iPod_Control/iTunes/iTunesCDB, where newer iPod nanos keep their database.
    void WriteCompressedDatabase(const std::vector<std::byte>& file);
    // Any file below the iPod's root.
    std::filesystem::path WriteFile(const std::filesystem::path& relative,
                                    const std::vector<std::byte>& content);
    // A song file of `size` bytes (sparse) at a location as the database stores it,
    // ":iPod_Control:Music:F00:ABCD.mp3".
    std::filesystem::path AddSongFile(std::string_view location, std::uint64_t size);

    std::string DriveRoot() const { return std::string(1, letter_) + ":"; }
    std::filesystem::path DatabasePath() const;
    std::filesystem::path CompressedDatabasePath() const;
    const std::filesystem::path& Path() const { return folder_.Path(); }
    std::string Str() const { return folder_.Str(); }

private:
    TempFolder folder_;  // the iPod's root
    TempFolder machine_; // c: and the mount table
    char letter_;
};

// Host path of a location inside `root` (":a:b" -> root/a/b).
std::filesystem::path HostPathOfLocation(const std::filesystem::path& root,
                                         std::string_view location);

} // namespace testsupport

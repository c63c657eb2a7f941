#pragma once

#include <filesystem>
#include <string>

namespace cli {

// Makes a folder that holds an iPod's files (a mount point or a copy) reachable as a drive of
// the platform layer. The drive table is the CLI's own: it knows no mounts and no drive-map
// file, so nothing of the user's set-up is read or written.
class IPodDrive {
public:
    // Raises std::runtime_error when no drive letter is free.
    explicit IPodDrive(const std::filesystem::path& folder);

    std::string DriveRoot() const { return root_; } // "d:"

private:
    std::string root_;
};

} // namespace cli

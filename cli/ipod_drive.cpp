#include "cli/ipod_drive.h"

#include "platform/drives.h"

#include <memory>
#include <stdexcept>

namespace cli {

IPodDrive::IPodDrive(const std::filesystem::path& folder) {
    platform::DriveTableConfig config;
    config.mountsFile.clear();
    config.labelsFolder.clear();
    config.driveMapFile.clear();
    platform::SetDrives(std::make_unique<platform::DriveTable>(config));
    const std::optional<char> letter = platform::Drives().FreeLetter();
    if (!letter) {
        throw std::runtime_error("no free drive letter for " + folder.string());
    }
    platform::Drives().Attach(*letter,
                              std::filesystem::absolute(folder).lexically_normal().string());
    root_ = std::string(1, *letter) + ":";
}

} // namespace cli

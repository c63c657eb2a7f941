#include "tests/support/ipod_folder.h"

#include "platform/drives.h"

#include <fstream>
#include <memory>
#include <stdexcept>

namespace testsupport {

IPodFolder::IPodFolder(char letter) : letter_(letter) {
    std::filesystem::create_directories(folder_.Path() / "iPod_Control" / "iTunes");
    // c: and the mount table live beside the iPod, so nothing reaches the machine's own.
    std::filesystem::create_directories(machine_.Path() / "c");
    machine_.WriteFile("mounts", "");
    platform::DriveTableConfig config;
    config.mountsFile = (machine_.Path() / "mounts").string();
    config.labelsFolder = (machine_.Path() / "no-labels").string();
    config.rootFolder = (machine_.Path() / "c").string();
    platform::SetDrives(std::make_unique<platform::DriveTable>(config));
    platform::Drives().Attach(letter_, folder_.Str());
}

IPodFolder::IPodFolder(const std::vector<std::byte>& database, char letter) : IPodFolder(letter) {
    WriteDatabase(database);
}

std::filesystem::path IPodFolder::DatabasePath() const {
    return folder_.Path() / "iPod_Control" / "iTunes" / "iTunesDB";
}

std::filesystem::path IPodFolder::CompressedDatabasePath() const {
    return folder_.Path() / "iPod_Control" / "iTunes" / "iTunesCDB";
}

void IPodFolder::WriteDatabase(const std::vector<std::byte>& database) {
    WriteFile("iPod_Control/iTunes/iTunesDB", database);
}

void IPodFolder::WriteCompressedDatabase(const std::vector<std::byte>& file) {
    WriteFile("iPod_Control/iTunes/iTunesCDB", file);
}

std::filesystem::path IPodFolder::WriteFile(const std::filesystem::path& relative,
                                            const std::vector<std::byte>& content) {
    return folder_.WriteFile(relative, content);
}

void IPodFolder::RemoveDatabase() {
    std::filesystem::remove(DatabasePath());
}

std::filesystem::path IPodFolder::AddSongFile(std::string_view location, std::uint64_t size) {
    const std::filesystem::path path = HostPathOfLocation(folder_.Path(), location);
    std::filesystem::create_directories(path.parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw std::runtime_error("cannot create " + path.string());
        }
    }
    std::filesystem::resize_file(path, size);
    return path;
}

std::filesystem::path HostPathOfLocation(const std::filesystem::path& root,
                                         std::string_view location) {
    std::filesystem::path path = root;
    std::size_t start = 0;
    while (start <= location.size()) {
        const std::size_t colon = std::min(location.find(':', start), location.size());
        if (colon > start) {
            path /= std::string(location.substr(start, colon - start));
        }
        start = colon + 1;
    }
    return path;
}

} // namespace testsupport

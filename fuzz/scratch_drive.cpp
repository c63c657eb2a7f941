#include "fuzz/scratch_drive.h"

#include "platform/drives.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace fuzz {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "quillmere-fuzz-";

// Removes the folders of fuzzers that ended without removing theirs (a finding aborts them).
void RemoveFoldersOfEndedProcesses(const fs::path& base) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(base, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kPrefix))
            continue;
        const long pid = std::strtol(name.c_str() + kPrefix.size(), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove_all(entry.path(), error);
    }
}

} // namespace

ScratchDrive& ScratchDrive::Get() {
    static ScratchDrive drive;
    return drive;
}

ScratchDrive::ScratchDrive() {
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    RemoveFoldersOfEndedProcesses(base);
    folder_ = (base / (std::string(kPrefix) + std::to_string(getpid()))).string();
    fs::remove_all(folder_);
    fs::create_directories(folder_ + "/c");
    fs::create_directories(folder_ + "/e");
    platform::DriveTableConfig config;
    config.rootFolder = folder_ + "/c";
    config.mountsFile = folder_ + "/no-mounts";
    config.labelsFolder = folder_ + "/no-labels";
    auto table = std::make_unique<platform::DriveTable>(config);
    table->Attach('e', folder_ + "/e");
    platform::SetDrives(std::move(table));
}

ScratchDrive::~ScratchDrive() {
    platform::SetDrives(nullptr);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string ScratchDrive::HostPath(const std::string& name) const {
    return folder_ + "/e/" + name;
}

std::string ScratchDrive::WindowsPath(const std::string& name) const {
    std::string path = "e:\\" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void ScratchDrive::Write(const std::string& name, std::string_view content) const {
    const fs::path path = HostPath(name);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string ScratchDrive::Read(const std::string& name) const {
    std::ifstream in(HostPath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ScratchDrive::Remove(const std::string& name) const {
    std::error_code ignored;
    fs::remove(HostPath(name), ignored);
}

} // namespace fuzz

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }
    // Writes a file below the folder, creating its parent folders.
    std::filesystem::path WriteFile(const std::filesystem::path& relative, std::string_view content);
    std::filesystem::path WriteFile(const std::filesystem::path& relative,
                                    const std::vector<std::byte>& content);

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);

} // namespace testsupport

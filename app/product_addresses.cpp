#include "app/product_addresses.h"

#include "product_addresses_build.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr const char* GuideName = "guide.html";
constexpr const char* SupportSection = "#troubleshooting";

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The running program's full path; empty when /proc is not there.
std::string RunningExecutable() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

std::string GuideAddress() {
    const std::string executable = RunningExecutable();
    if (executable.empty())
        return FileAddress(QUILLMERE_INSTALLED_GUIDE);
    return GuideAddressFor(executable);
}

} // namespace

std::string FileAddress(const std::string& absolutePath) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string address = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            address += c;
        } else {
            address += '%';
            address += Hex[byte >> 4];
            address += Hex[byte & 0x0F];
        }
    }
    return address;
}

std::string GuideAddressFor(const std::string& executable) {
    const fs::path folder = fs::path(executable).parent_path();
    const std::array<fs::path, 2> candidates = {
        folder / GuideName,
        folder.parent_path() / "share" / "doc" / "quillmere" / GuideName,
    };
    for (const fs::path& candidate : candidates) {
        if (IsFile(candidate))
            return FileAddress(candidate.lexically_normal().string());
    }
    return FileAddress(QUILLMERE_INSTALLED_GUIDE);
}

std::string HomePageAddress() {
    const std::string configured = QUILLMERE_BUILD_HOME_PAGE;
    return configured.empty() ? GuideAddress() : configured;
}

std::string SupportPageAddress() {
    const std::string configured = QUILLMERE_BUILD_SUPPORT_PAGE;
    return configured.empty() ? GuideAddress() + SupportSection : configured;
}

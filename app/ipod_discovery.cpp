#include "app/ipod_discovery.h"

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr int kFirstSearchedBit = 2; // c:
constexpr int kLastSearchedBit = 25; // z:

} // namespace

std::vector<char> SearchedDriveLetters(std::uint32_t logicalDrives) {
    std::vector<char> letters;
    for (int bit = kFirstSearchedBit; bit <= kLastSearchedBit; ++bit) {
        if ((logicalDrives & (1u << bit)) != 0) {
            letters.push_back(static_cast<char>('a' + bit));
        }
    }
    return letters;
}

std::string DriveRootOf(char letter) {
    return std::string(1, letter) + ":";
}

bool HasiPodFolder(const std::string& driveRoot) {
    return platform::files::DirectoryExists(driveRoot + "\\iPod_Control\\iTunes\\");
}

std::string SelectorLabel(char letter) {
    const std::string label = platform::Drives().VolumeLabel(letter).value_or("");
    return letter > 96 ? platform::text::ToLower(label) : platform::text::ToUpper(label);
}

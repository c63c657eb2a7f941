#include "app/output_naming.h"

#include "platform/ascii.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == ':';
}

std::size_t FileNameStart(std::string_view path) {
    auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    return static_cast<std::size_t>(path.rend() - last);
}

// Characters neither Windows nor FAT allows in a file name.
bool IsForbidden(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string ReplaceForbidden(std::string_view text) {
    std::string safe(text);
    for (char& c : safe)
        if (IsForbidden(static_cast<unsigned char>(c)))
            c = '_';
    return safe;
}

// The first `bytes` bytes of `text`, shortened further so that no UTF-8 sequence is split.
std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return text.substr(0, bytes);
}

// Names Windows gives its devices, whatever extension follows them (NUL.mp3 is the device too);
// FAT refuses them as file names.
bool IsDeviceName(std::string_view stem) {
    stem = platform::ascii::Trim(stem, " ");
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (platform::ascii::SameNoCase(stem, device))
            return true;
    return stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
           (platform::ascii::SameNoCase(stem.substr(0, 3), "COM") ||
            platform::ascii::SameNoCase(stem.substr(0, 3), "LPT"));
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() &&
           platform::ascii::SameNoCase(text.substr(text.size() - tail.size()), tail);
}

} // namespace

std::string FolderPart(std::string_view path) {
    return std::string(path.substr(0, FileNameStart(path)));
}

std::string FileNamePart(std::string_view path) {
    return std::string(path.substr(FileNameStart(path)));
}

std::string ExtensionPart(std::string_view path) {
    std::string_view name = path.substr(FileNameStart(path));
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string BasePart(std::string_view path) {
    std::string name = FileNamePart(path);
    return name.substr(0, name.size() - ExtensionPart(name).size());
}

std::string DestinationFolder(std::string_view confirmedPath) {
    std::string folder = FolderPart(confirmedPath);
    if (folder.empty() || folder.back() != '\\')
        return folder;
    if (folder.size() >= 2 && IsSeparator(folder[folder.size() - 2]))
        return folder;
    folder.pop_back();
    return folder;
}

std::string SafeFileName(std::string_view title, std::string_view extension) {
    std::string safeTitle = ReplaceForbidden(title);
    // The extension starts with its dot, so the name's part before its first dot is the title's.
    const std::size_t stemEnd = std::min(safeTitle.find('.'), safeTitle.size());
    if (IsDeviceName(std::string_view(safeTitle).substr(0, stemEnd)))
        safeTitle.insert(platform::ascii::Trim(safeTitle.substr(0, stemEnd), " ").size(), "_");
    std::string safeExtension = ReplaceForbidden(extension);
    std::string name;
    if (safeExtension.size() < MaxFileNameBytes)
        name = std::string(CutUtf8(safeTitle, MaxFileNameBytes - safeExtension.size())) +
               safeExtension;
    else
        name = CutUtf8(safeTitle + safeExtension, MaxFileNameBytes);
    // Windows and FAT drop trailing dots and spaces, so "." and ".." would name a folder and
    // "Intro." another file.
    for (auto c = name.rbegin(); c != name.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    // Keeps every song's name apart from the worker's temporary files.
    if (EndsWithNoCase(name, TemporarySuffix))
        name[name.size() - TemporarySuffix.size()] = '_';
    // A song with neither title nor extension would otherwise name the folder itself.
    if (name.empty())
        name = "_";
    return name;
}

std::string PlannedDestination(std::string_view destinationFolder, std::string_view title,
                               std::string_view location) {
    return std::string(destinationFolder) + "\\" + SafeFileName(title, ExtensionPart(location));
}

std::string NumberedVariant(std::string_view path, std::uint64_t n) {
    const std::string number = "(" + std::to_string(n) + ")";
    std::string base = BasePart(path);
    std::string extension = ExtensionPart(path);
    // A name at the length limit has no room for the number: the base gives way, then (when the
    // "extension" is a title's text after a dot) the extension's end.
    const std::size_t room = MaxFileNameBytes - number.size();
    if (base.size() + extension.size() > room) {
        base = std::string(CutUtf8(base, extension.size() < room ? room - extension.size() : 0));
        extension = std::string(CutUtf8(extension, room - base.size()));
    }
    return FolderPart(path) + base + number + extension;
}

std::string TemporaryPathFor(std::string_view destination) {
    const std::size_t room = MaxFileNameBytes - 1 - TemporarySuffix.size();
    const std::string name = FileNamePart(destination);
    return FolderPart(destination) + "." + std::string(CutUtf8(name, room)) +
           std::string(TemporarySuffix);
}

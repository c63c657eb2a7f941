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

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The first `bytes` bytes of `text`, shortened further so that no UTF-8 sequence is split;
// bytes that are not UTF-8 there are cut at `bytes`.
std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t cut = bytes;
    // A sequence has at most three bytes after its first.
    while (cut > 0 && bytes - cut < 3 && IsContinuationByte(text[cut]))
        --cut;
    return text.substr(0, IsContinuationByte(text[cut]) ? bytes : cut);
}

// The length of the part of `name` that Windows takes for a device, CON in "CON.mp3" or
// "con .mp3"; 0 when it names none. Such a name opens the device, not a file.
std::size_t DeviceNameLength(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    using platform::ascii::SameNoCase;
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (SameNoCase(stem, device))
            return stem.size();
    // COM and LPT with a digit, the superscript ones included.
    if (stem.size() < 4 ||
        !(SameNoCase(stem.substr(0, 3), "COM") || SameNoCase(stem.substr(0, 3), "LPT")))
        return 0;
    const std::string_view number = stem.substr(3);
    const bool digit = number.size() == 1 && number[0] >= '0' && number[0] <= '9';
    const bool superscript = number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
    return digit || superscript ? stem.size() : 0;
}

// Windows and FAT drop trailing dots and spaces, so "." and ".." would name a folder and
// "Intro." another file.
void ReplaceTrailingDotsAndSpaces(std::string& name) {
    for (auto c = name.rbegin(); c != name.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
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
    std::string safeExtension = ReplaceForbidden(extension);
    std::string name;
    if (safeExtension.size() < MaxFileNameBytes)
        name = std::string(CutUtf8(safeTitle, MaxFileNameBytes - safeExtension.size())) +
               safeExtension;
    else
        name = CutUtf8(safeTitle + safeExtension, MaxFileNameBytes);
    if (const std::size_t device = DeviceNameLength(name)) {
        name.insert(device, "_");
        name = CutUtf8(name, MaxFileNameBytes);
    }
    ReplaceTrailingDotsAndSpaces(name);
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
    std::string name = base + number + extension;
    ReplaceTrailingDotsAndSpaces(name); // the cut may end the extension at one
    return FolderPart(path) + name;
}

std::string TemporaryPathFor(std::string_view destination) {
    const std::size_t room = MaxFileNameBytes - 1 - TemporarySuffix.size();
    const std::string name = FileNamePart(destination);
    return FolderPart(destination) + "." + std::string(CutUtf8(name, room)) +
           std::string(TemporarySuffix);
}

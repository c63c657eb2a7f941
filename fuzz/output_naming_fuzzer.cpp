// Destination names: whatever the title and the song's location, a file name stays within the
// length limit, holds no separator or character Windows and FAT refuse, ends in no dot or space,
// names no device, and stays apart from the worker's temporary files; numbered variants and
// temporary names keep the same rules, and the folder, unchanged. A name template that parses
// names every folder and the file by the same rules. The input is the title, the song's location,
// the destination folder, a number, a name template and an artist, separated by NULs.
#include "app/name_template.h"
#include "app/output_naming.h"
#include "fuzz/fuzz_check.h"
#include "platform/ascii.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() &&
           platform::ascii::SameNoCase(text.substr(text.size() - tail.size()), tail);
}

// Whether `text` is whole UTF-8 sequences, as far as lead and continuation bytes tell.
bool WholeCharacters(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// The names Windows keeps for devices, with or without an extension.
bool NamesADevice(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> fixed = {"CON", "PRN",    "AUX",
                                                              "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : fixed) {
        if (platform::ascii::SameNoCase(stem, device))
            return true;
    }
    if (stem.size() < 4 || !(platform::ascii::SameNoCase(stem.substr(0, 3), "COM") ||
                             platform::ascii::SameNoCase(stem.substr(0, 3), "LPT")))
        return false;
    const std::string_view number = stem.substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

void CheckFileName(std::string_view name) {
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.size() <= MaxFileNameBytes);
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
        FUZZ_CHECK(std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos);
    }
    FUZZ_CHECK(name.back() != '.' && name.back() != ' ');
    FUZZ_CHECK(!NamesADevice(name));
}

// A template's path below the destination: folders and a file name, each a safe name, and a file
// named by more than its extension.
void CheckTemplate(std::string_view text, std::string_view title, std::string_view artist,
                   std::string_view extension, std::uint64_t n) {
    std::string problem;
    const std::optional<NameTemplate> naming = NameTemplate::Parse(text, problem);
    if (!naming) {
        FUZZ_CHECK(!problem.empty());
        return;
    }
    // Bytes read as Latin-1, so that every input is some song's text.
    const auto text16 = [](std::string_view bytes) {
        std::u16string text;
        for (unsigned char byte : bytes)
            text += static_cast<char16_t>(byte);
        return text;
    };
    TSong song;
    song.Title = text16(title);
    song.Artist = text16(artist);
    song.Album = song.Artist + u" II";
    TrackFacts facts;
    facts.TrackNumber = static_cast<std::int32_t>(n % 40) - 1;
    facts.DiscNumber = static_cast<std::int32_t>(n % 3);
    facts.Year = static_cast<std::int32_t>(n);
    facts.Compilation = n % 2 == 0;

    const std::string path = naming->Expand(song, facts, extension);
    FUZZ_CHECK(naming->Expand(song, facts, extension) == path);
    std::string_view rest = path;
    for (std::size_t end = rest.find('\\'); end != std::string_view::npos; end = rest.find('\\')) {
        CheckFileName(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    CheckFileName(rest);
    FUZZ_CHECK(!EndsWithNoCase(rest, TemporarySuffix));
    if (!extension.empty() && extension.size() < MaxFileNameBytes / 2)
        FUZZ_CHECK(rest.size() > SafeFileName("", extension).size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitAtNul(fuzz::AsText(data, size), 6);
    const std::string_view title = parts[0];
    const std::string_view location = parts[1];
    const std::string_view folder = parts[2];
    std::uint64_t n = 1;
    for (unsigned char digit : parts[3])
        n = n * 31 + digit;
    n = n % 100000 + 1;

    const std::string extension = ExtensionPart(location);
    const std::string name = SafeFileName(title, extension);
    FUZZ_CHECK(SafeFileName(title, extension) == name);
    CheckFileName(name);
    FUZZ_CHECK(!EndsWithNoCase(name, TemporarySuffix));
    if (WholeCharacters(title) && WholeCharacters(extension))
        FUZZ_CHECK(WholeCharacters(name));

    const std::string planned = PlannedDestination(folder, title, location);
    FUZZ_CHECK(FolderPart(planned) == std::string(folder) + "\\");
    FUZZ_CHECK(FileNamePart(planned) == name);

    const std::string numbered = NumberedVariant(planned, n);
    FUZZ_CHECK(FolderPart(numbered) == FolderPart(planned));
    CheckFileName(FileNamePart(numbered));
    FUZZ_CHECK(!EndsWithNoCase(numbered, TemporarySuffix));
    // Each number gives its own name (a title holding the same number may give the planned one:
    // that file exists, so the search goes on to the next number).
    FUZZ_CHECK(numbered != NumberedVariant(planned, n + 1));
    FUZZ_CHECK(FileNamePart(numbered).find("(" + std::to_string(n) + ")") != std::string::npos);

    const std::string temporary = TemporaryPathFor(planned);
    FUZZ_CHECK(FolderPart(temporary) == FolderPart(planned));
    FUZZ_CHECK(FileNamePart(temporary).size() <= MaxFileNameBytes);
    FUZZ_CHECK(EndsWithNoCase(temporary, TemporarySuffix));
    FUZZ_CHECK(temporary != planned && temporary != numbered);

    CheckTemplate(parts[4], title, parts[5], extension, n);
    return 0;
}

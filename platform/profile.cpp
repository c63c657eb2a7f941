#include "platform/profile.h"

#include "platform/ascii.h"
#include "platform/drives.h"
#include "platform/files.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

// Names match by ASCII case folding: the program's sections and keys are all ASCII.
// A write reads the file and replaces it with the changed content in one step of the file layer,
// holding the file's lock meanwhile: the file holds the old content or the new, never a part of
// it, and writers in other processes (the command-line tool beside the window) lose no update.
namespace platform::profile {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One writer at a time in the process, whatever the file: a write reads the file and writes it
// back, and two interleaved ones would lose an update. The file's own lock does the same across
// processes, but not where the file system has no locks.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

// A line without its line end, and the line end it had ("" for a last line without one).
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    while (!content.empty()) {
        std::size_t newline = content.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back(Line{std::string(content), ""});
            break;
        }
        std::size_t textEnd = newline > 0 && content[newline - 1] == '\r' ? newline - 1 : newline;
        lines.push_back(Line{std::string(content.substr(0, textEnd)),
                             std::string(content.substr(textEnd, newline + 1 - textEnd))});
        content.remove_prefix(newline + 1);
    }
    return lines;
}

// "[name]": the name between the "[" and the last "]", trimmed.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = ascii::Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return ascii::Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view name;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    line = ascii::Trim(line);
    if (line.empty() || line.front() == ';')
        return std::nullopt;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return KeyLine{ascii::Trim(line.substr(0, equals)), ascii::Trim(line.substr(equals + 1))};
}

std::string_view WithoutQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// At most bufferSize - 1 bytes, cut before a character rather than through it.
std::string Truncated(std::string_view text, std::size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    if (text.size() < bufferSize)
        return std::string(text);
    std::size_t cut = bufferSize - 1;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut));
}

// The text of the line for section matching: a BOM before the first line is no part of it.
std::string_view LineText(const std::vector<Line>& lines, std::size_t index) {
    std::string_view text = lines[index].text;
    if (index == 0 && text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    return text;
}

// Index of the first header of `section` and the index after its last line.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(LineText(lines, i));
        if (!name || !ascii::SameNoCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end].text))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, SectionRange range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        auto line = ParseKeyLine(lines[i].text);
        if (line && ascii::SameNoCase(line->name, key))
            return i;
    }
    return std::nullopt;
}

std::string Joined(const std::vector<Line>& lines) {
    std::string content;
    for (const Line& line : lines)
        content += line.text + line.end;
    return content;
}

std::string WithValue(const std::string& content, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::vector<Line> lines = SplitLines(content);
    auto range = FindSection(lines, section);
    if (!range) {
        std::string updated = content;
        if (!updated.empty() && updated.back() != '\n')
            updated += kLineEnd;
        updated += "[" + std::string(section) + "]" + std::string(kLineEnd);
        updated += std::string(key) + "=" + std::string(value) + std::string(kLineEnd);
        return updated;
    }
    if (auto found = FindKey(lines, *range, key)) {
        // The name keeps the file's spelling; the line keeps its line end.
        Line& line = lines[*found];
        line.text = std::string(ParseKeyLine(line.text)->name) + "=" + std::string(value);
        if (line.end.empty())
            line.end = kLineEnd;
        return Joined(lines);
    }
    // After the section's last non-blank line, so the blank lines that close it stay after it.
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (!ascii::Trim(lines[i].text).empty())
            insertAt = i + 1;
    if (lines[insertAt - 1].end.empty())
        lines[insertAt - 1].end = kLineEnd;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                 Line{std::string(key) + "=" + std::string(value), std::string(kLineEnd)});
    return Joined(lines);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<std::string> ReadContent(const std::string& file) {
    try {
        std::vector<std::byte> bytes = files::ReadWholeFile(file);
        return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& fallback, const std::string& file,
                                    std::size_t bufferSize) {
    // As Windows does, the fallback loses its trailing blanks.
    std::string_view defaultText = fallback;
    while (!defaultText.empty() && (defaultText.back() == ' ' || defaultText.back() == '\t'))
        defaultText.remove_suffix(1);
    const std::string fallbackResult = Truncated(defaultText, bufferSize);

    if (!Drives().ToHostPath(file))
        return fallbackResult;
    auto content = ReadContent(file);
    if (!content)
        return fallbackResult;
    std::vector<Line> lines = SplitLines(*content);
    auto range = FindSection(lines, ascii::Trim(section));
    if (!range)
        return fallbackResult;
    auto found = FindKey(lines, *range, ascii::Trim(key));
    if (!found)
        return fallbackResult;
    return Truncated(WithoutQuotes(ParseKeyLine(lines[*found].text)->value), bufferSize);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    // A line of the file holds a whole entry: a name that would break it has no place in it,
    // and a value's line breaks become spaces, so that the value cannot add lines of its own.
    if (HasLineBreak(section) || HasLineBreak(key) || !Drives().ToHostPath(file))
        return false;
    std::string oneLine = value;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    std::lock_guard lock(WriteMutex());
    try {
        files::FileLock fileLock(file);
        try {
            if (const auto content = ReadContent(file)) {
                files::WriteFileAtomically(
                    file, WithValue(*content, ascii::Trim(section), ascii::Trim(key), oneLine));
                return true;
            }
        } catch (const std::exception&) {
            // Refused, read-only, or the disk is full: the file stays as it was.
        }
        fileLock.RemoveIfCreated();
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace platform::profile

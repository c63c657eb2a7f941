#include "platform/registry.h"

#include "platform/ascii.h"
#include "platform/data_folder.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// The hive file is a registry export that a person can read and edit: UTF-8, CRLF line ends
// (the format's own), one block per key, values in their canonical export form. Comments and
// lines that do not parse are kept where they stand, so a rewrite never destroys what a person
// typed; blank lines are regenerated.
namespace platform {

RegValue RegValue::Dword(std::uint32_t number) {
    RegValue value;
    value.type = RegType::Dword;
    for (int shift = 0; shift < 32; shift += 8)
        value.data.push_back(static_cast<std::uint8_t>(number >> shift));
    return value;
}

RegValue RegValue::String(const std::u16string& text, RegType type) {
    RegValue value;
    value.type = type;
    value.data.reserve((text.size() + 1) * 2);
    for (char16_t unit : text) {
        value.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    value.data.push_back(0);
    value.data.push_back(0);
    return value;
}

std::uint32_t RegValue::AsDword() const {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
        number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return number;
}

std::u16string RegValue::AsString() const {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

namespace {

constexpr std::string_view kExportHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldExportHeader = "REGEDIT4";
constexpr std::string_view kRootName = "HKEY_CURRENT_USER";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxLineWidth = 80; // where an export wraps long hex lists

// Every hive file of the process shares one lock: two Registry objects may name one file.
std::mutex& HiveMutex() {
    static std::mutex mutex;
    return mutex;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && ascii::SameNoCase(text.substr(0, prefix.size()), prefix);
}

// A key path relative to the root: components joined by "\", empty components dropped.
std::string NormalizeKeyPath(std::string_view path) {
    std::string normalized;
    while (!path.empty()) {
        std::size_t separator = path.find('\\');
        std::string_view component = path.substr(0, separator);
        if (!component.empty()) {
            if (!normalized.empty())
                normalized += '\\';
            normalized += component;
        }
        if (separator == std::string_view::npos)
            break;
        path.remove_prefix(separator + 1);
    }
    return normalized;
}

// True when `path` is `ancestor` or lies below it (both folded).
bool IsWithin(const std::string& path, const std::string& ancestor) {
    if (ancestor.empty())
        return true;
    return path.size() >= ancestor.size() && path.compare(0, ancestor.size(), ancestor) == 0 &&
           (path.size() == ancestor.size() || path[ancestor.size()] == '\\');
}

struct HiveValue {
    std::string name; // "" is the default value (@)
    RegValue value;
};

// A value line, or a line kept as the person wrote it (a comment, something unreadable).
struct HiveEntry {
    std::optional<HiveValue> value;
    std::string keptLine;
};

struct HiveKey {
    std::string header; // between the brackets, as written
    // Relative to HKEY_CURRENT_USER, folded; nullopt for keys of other roots, kept but unused.
    std::optional<std::string> foldedPath;
    std::vector<HiveEntry> entries;

    HiveEntry* FindValue(const std::string& name) {
        std::string folded = ascii::FoldCase(name);
        for (HiveEntry& entry : entries)
            if (entry.value && ascii::FoldCase(entry.value->name) == folded)
                return &entry;
        return nullptr;
    }
};

struct Hive {
    std::vector<std::string> keptPreamble; // comments before the first key
    std::vector<HiveKey> keys;

    HiveKey* FindKey(const std::string& foldedPath) {
        for (HiveKey& key : keys)
            if (key.foldedPath && *key.foldedPath == foldedPath)
                return &key;
        return nullptr;
    }

    // A key exists when it has a block of its own or when a key below it has one: a file
    // may name a key without its parents, as a registry import allows.
    bool KeyPresent(const std::string& foldedPath) const {
        if (foldedPath.empty())
            return true;
        for (const HiveKey& key : keys)
            if (key.foldedPath && IsWithin(*key.foldedPath, foldedPath))
                return true;
        return false;
    }

    // New blocks go before the first block below them, else at the end: the file stays in
    // tree order when it was.
    HiveKey& AddKey(const std::string& path) {
        std::string folded = ascii::FoldCase(path);
        auto position = keys.begin();
        while (position != keys.end() &&
               !(position->foldedPath && IsWithin(*position->foldedPath, folded)))
            ++position;
        HiveKey key;
        key.header = path.empty() ? std::string(kRootName) : std::string(kRootName) + "\\" + path;
        key.foldedPath = folded;
        return *keys.insert(position, std::move(key));
    }
};

// --- Reading -------------------------------------------------------------------------------

std::string DecodeHiveText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string wide;
        wide.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text::WideToAnsi(wide);
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return bytes.substr(3);
    return bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view text) {
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (char c : text) {
        int digit = ascii::HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return number;
}

// "01,ff,0a" with spaces anywhere and a trailing comma tolerated; "" is no bytes.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    text = ascii::Trim(text);
    if (text.empty())
        return bytes;
    while (true) {
        std::size_t comma = text.find(',');
        std::string_view token = ascii::Trim(text.substr(0, comma));
        bool last = comma == std::string_view::npos;
        if (token.empty() && last && !bytes.empty())
            return bytes; // the comma before a continuation that never came
        if (token.empty() || token.size() > 2)
            return std::nullopt;
        auto number = ParseHexNumber(token);
        if (!number)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*number));
        if (last)
            return bytes;
        text.remove_prefix(comma + 1);
    }
}

// A quoted text with the export's two escapes, \\ and \"; `text` starts after the opening
// quote and is advanced past the closing one.
std::optional<std::string> ParseQuoted(std::string_view& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
            c = text[++i];
        result += c;
    }
    return std::nullopt;
}

// The name part of a value line up to and including "="; nullopt when the line is no value.
std::optional<std::string> ParseValueName(std::string_view& line) {
    std::string name;
    if (!line.empty() && line.front() == '@') {
        line.remove_prefix(1);
    } else if (!line.empty() && line.front() == '"') {
        line.remove_prefix(1);
        auto quoted = ParseQuoted(line);
        if (!quoted)
            return std::nullopt;
        name = std::move(*quoted);
    } else {
        return std::nullopt;
    }
    line = ascii::Trim(line);
    if (line.empty() || line.front() != '=')
        return std::nullopt;
    line = ascii::Trim(line.substr(1));
    return name;
}

std::optional<RegValue> ParseValueData(std::string_view data) {
    RegValue value;
    if (!data.empty() && data.front() == '"') {
        data.remove_prefix(1);
        auto text = ParseQuoted(data);
        if (!text || !ascii::Trim(data).empty())
            return std::nullopt;
        return RegValue::String(text::AnsiToWide(*text), RegType::Sz);
    }
    if (StartsWithNoCase(data, "dword:")) {
        auto number = ParseHexNumber(ascii::Trim(data.substr(6)));
        if (!number)
            return std::nullopt;
        return RegValue::Dword(*number);
    }
    if (StartsWithNoCase(data, "hex:")) {
        value.type = RegType::Binary;
        data.remove_prefix(4);
    } else if (StartsWithNoCase(data, "hex(")) {
        std::size_t close = data.find("):");
        if (close == std::string_view::npos)
            return std::nullopt;
        auto type = ParseHexNumber(data.substr(4, close - 4));
        if (!type)
            return std::nullopt;
        value.type = static_cast<RegType>(*type);
        data.remove_prefix(close + 2);
    } else {
        return std::nullopt; // includes "-", an import's deletion mark, which a hive cannot hold
    }
    auto bytes = ParseHexBytes(data);
    if (!bytes)
        return std::nullopt;
    value.data = std::move(*bytes);
    return value;
}

std::optional<HiveValue> ParseValueLine(std::string_view line) {
    auto name = ParseValueName(line);
    if (!name)
        return std::nullopt;
    auto value = ParseValueData(line);
    if (!value)
        return std::nullopt;
    return HiveValue{std::move(*name), std::move(*value)};
}

// A hex list ending in "\" goes on in the next line.
bool ContinuesOnNextLine(std::string_view line) {
    line = ascii::Trim(line);
    if (line.empty() || line.back() != '\\')
        return false;
    std::string_view rest = line;
    if (!ParseValueName(rest))
        return false;
    return StartsWithNoCase(rest, "hex");
}

class HiveParser {
public:
    Hive Parse(const std::string& text) {
        std::vector<std::string> lines = SplitLines(text);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string_view line = ascii::Trim(lines[i]);
            if (line.empty())
                continue;
            if (line.front() == ';') {
                Keep(lines[i]);
            } else if (line.front() == '[' && line.back() == ']' && line.size() > 2 &&
                       line[1] != '-') {
                // A key's name may end in a blank, as the registry allows.
                std::string_view header = line.substr(1, line.size() - 2);
                header.remove_prefix(std::min(header.find_first_not_of(" \t"), header.size()));
                StartKey(header);
            } else if (current_ == nullptr) {
                if (line != kExportHeader && line != kOldExportHeader)
                    Keep(lines[i]);
            } else {
                std::size_t first = i;
                std::string joined(line);
                while (ContinuesOnNextLine(joined)) {
                    joined = std::string(ascii::Trim(joined));
                    joined.pop_back();
                    // A list goes on in a line of its own block, never past a blank line or the
                    // file's end: there the continuation never came.
                    const std::string_view next =
                        i + 1 < lines.size() ? ascii::Trim(lines[i + 1]) : std::string_view();
                    if (next.empty() || next.starts_with('['))
                        break;
                    joined += next;
                    ++i;
                }
                if (auto value = ParseValueLine(joined)) {
                    AddValue(std::move(*value));
                } else {
                    // Only this line is broken: the lines it seemed to go on into are read on
                    // their own, so that no value after it is taken into it.
                    Keep(lines[first]);
                    i = first;
                }
            }
        }
        return std::move(hive_);
    }

private:
    void Keep(const std::string& line) {
        if (current_ == nullptr)
            hive_.keptPreamble.push_back(line);
        else
            current_->entries.push_back(HiveEntry{std::nullopt, line});
    }

    // A key named twice is one key, as an import would make it.
    void StartKey(std::string_view header) {
        std::optional<std::string> foldedPath;
        std::size_t separator = header.find('\\');
        if (ascii::FoldCase(header.substr(0, separator)) == ascii::FoldCase(kRootName))
            foldedPath = ascii::FoldCase(NormalizeKeyPath(
                separator == std::string_view::npos ? "" : header.substr(separator + 1)));
        // Keys of HKEY_CURRENT_USER by their path, the others by their whole header: apart, so
        // that no header of another root ("[\\Software]") is taken for one of ours.
        const KeyIdentity identity{foldedPath.has_value(),
                                   foldedPath ? *foldedPath : ascii::FoldCase(header)};
        auto known = keyIndex_.find(identity);
        if (known != keyIndex_.end()) {
            current_ = &hive_.keys[known->second];
            return;
        }
        keyIndex_.emplace(identity, hive_.keys.size());
        hive_.keys.push_back(HiveKey{std::string(header), foldedPath, {}});
        current_ = &hive_.keys.back();
    }

    // A later line for the same name wins and takes the earlier one's place.
    void AddValue(HiveValue value) {
        if (HiveEntry* existing = current_->FindValue(value.name))
            existing->value->value = std::move(value.value);
        else
            current_->entries.push_back(HiveEntry{std::move(value), {}});
    }

    Hive hive_;
    HiveKey* current_ = nullptr;
    using KeyIdentity = std::pair<bool, std::string>; // of HKEY_CURRENT_USER, path or header
    std::map<KeyIdentity, std::size_t> keyIndex_;
};

// --- Writing -------------------------------------------------------------------------------

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// The text of a REG_SZ when it survives the quoted form unchanged: exactly one terminating
// NUL, no line breaks, no unpaired surrogates.
std::optional<std::string> PlainText(const RegValue& value) {
    const auto& data = value.data;
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 ||
        data[data.size() - 2] != 0)
        return std::nullopt;
    std::u16string wide = value.AsString();
    if ((wide.size() + 1) * 2 != data.size())
        return std::nullopt;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char16_t unit = wide[i];
        if (unit == u'\r' || unit == u'\n')
            return std::nullopt;
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (low)
            return std::nullopt;
        if (high) {
            if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF)
                return std::nullopt;
            ++i;
        }
    }
    return text::WideToAnsi(wide);
}

void AppendHexList(std::string& out, std::string line, const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // Room for "xx," and the "\" that may follow it.
        if (i > 0 && line.size() + 4 > kMaxLineWidth) {
            out += line + "\\";
            out += kLineEnd;
            line = "  ";
        }
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
        if (i + 1 < bytes.size())
            line += ',';
    }
    out += line;
}

void AppendValue(std::string& out, const HiveValue& value) {
    std::string line = value.name.empty() ? "@=" : Quote(value.name) + "=";
    const RegValue& data = value.value;
    if (data.type == RegType::Sz) {
        if (auto text = PlainText(data)) {
            out += line + Quote(*text);
            return;
        }
    }
    if (data.type == RegType::Dword && data.data.size() == 4) {
        char number[9];
        std::snprintf(number, sizeof number, "%08x", data.AsDword());
        out += line + "dword:" + number;
        return;
    }
    if (data.type == RegType::Binary) {
        line += "hex:";
    } else {
        char type[16];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(data.type));
        line += type;
    }
    AppendHexList(out, std::move(line), data.data);
}

std::string FormatHive(const Hive& hive) {
    std::string out(kExportHeader);
    out += kLineEnd;
    out += kLineEnd;
    for (const std::string& line : hive.keptPreamble) {
        out += line;
        out += kLineEnd;
    }
    if (!hive.keptPreamble.empty())
        out += kLineEnd;
    for (const HiveKey& key : hive.keys) {
        out += "[" + key.header + "]";
        out += kLineEnd;
        for (const HiveEntry& entry : key.entries) {
            if (entry.value)
                AppendValue(out, *entry.value);
            else
                out += entry.keptLine;
            out += kLineEnd;
        }
        out += kLineEnd;
    }
    return out;
}

// --- The file ------------------------------------------------------------------------------

std::string Reason() {
    return std::strerror(errno);
}

// The file's bytes; nullopt when there is no file (an empty hive).
std::optional<std::string> ReadHiveBytes(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw OsError("Cannot read the registry file " + path + ": " + Reason());
    }
    std::string bytes;
    char buffer[65536];
    while (true) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            std::string reason = Reason();
            close(fd);
            throw OsError("Cannot read the registry file " + path + ": " + reason);
        }
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    return bytes;
}

Hive LoadHive(const std::string& path) {
    auto bytes = ReadHiveBytes(path);
    if (!bytes)
        return {};
    return HiveParser().Parse(DecodeHiveText(*bytes));
}

// A crash or a failure leaves either the old hive or the new one.
void SaveHive(const std::string& path, const Hive& hive) {
    files::WriteHostFileAtomically(path, FormatHive(hive));
}

std::mutex& CurrentUserMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<Registry>& CurrentUserSlot() {
    static std::unique_ptr<Registry> registry;
    return registry;
}

// What an installer does: the key, and ExeFile naming the folder of the layout file and log.
void Install(Registry& registry, const std::string& dataFolder) {
    const std::string key = "Software\\Quillmere";
    registry.CreateKey(key);
    auto folder = Drives().ToWindowsPath(dataFolder);
    if (!folder)
        throw OsError("Cannot install Quillmere: the data folder " + dataFolder +
                      " is on no drive");
    if (!registry.SetValue(key, "ExeFile", RegValue::String(text::AnsiToWide(*folder))))
        throw OsError("Cannot install Quillmere: ExeFile cannot be saved in " +
                      registry.HiveFile());
}

} // namespace

// --- Registry --------------------------------------------------------------------------------

Registry::Registry(std::string hiveFile) : hiveFile_(std::move(hiveFile)) {}

bool Registry::HiveExists() const {
    struct stat status {};
    return stat(hiveFile_.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool Registry::KeyExists(const std::string& key) const {
    std::lock_guard lock(HiveMutex());
    return LoadHive(hiveFile_).KeyPresent(ascii::FoldCase(NormalizeKeyPath(key)));
}

void Registry::CreateKey(const std::string& key) {
    std::lock_guard lock(HiveMutex());
    Hive hive = LoadHive(hiveFile_);
    const std::string path = NormalizeKeyPath(key);
    bool changed = false;
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('\\', end + 1);
        std::string prefix = path.substr(0, end);
        if (!prefix.empty() && !hive.KeyPresent(ascii::FoldCase(prefix))) {
            hive.AddKey(prefix);
            changed = true;
        }
    }
    if (changed)
        SaveHive(hiveFile_, hive);
}

std::optional<RegValue> Registry::QueryValue(const std::string& key,
                                             const std::string& name) const {
    std::lock_guard lock(HiveMutex());
    Hive hive = LoadHive(hiveFile_);
    HiveKey* found = hive.FindKey(ascii::FoldCase(NormalizeKeyPath(key)));
    if (found == nullptr)
        return std::nullopt;
    HiveEntry* entry = found->FindValue(name);
    if (entry == nullptr)
        return std::nullopt;
    return entry->value->value;
}

bool Registry::SetValue(const std::string& key, const std::string& name, const RegValue& value) {
    std::lock_guard lock(HiveMutex());
    try {
        Hive hive = LoadHive(hiveFile_);
        const std::string path = NormalizeKeyPath(key);
        const std::string folded = ascii::FoldCase(path);
        if (!hive.KeyPresent(folded))
            return false;
        HiveKey* target = hive.FindKey(folded);
        if (target == nullptr)
            target = &hive.AddKey(path);
        // An existing value keeps its place and the spelling of its name.
        if (HiveEntry* entry = target->FindValue(name))
            entry->value->value = value;
        else
            target->entries.push_back(HiveEntry{HiveValue{name, value}, {}});
        SaveHive(hiveFile_, hive);
        return true;
    } catch (const OsError&) {
        return false;
    }
}

bool Registry::DeleteValue(const std::string& key, const std::string& name) {
    std::lock_guard lock(HiveMutex());
    try {
        Hive hive = LoadHive(hiveFile_);
        HiveKey* target = hive.FindKey(ascii::FoldCase(NormalizeKeyPath(key)));
        if (target == nullptr)
            return false;
        HiveEntry* entry = target->FindValue(name);
        if (entry == nullptr)
            return false;
        target->entries.erase(target->entries.begin() + (entry - target->entries.data()));
        SaveHive(hiveFile_, hive);
        return true;
    } catch (const OsError&) {
        return false;
    }
}

Registry& CurrentUser() {
    std::lock_guard lock(CurrentUserMutex());
    std::unique_ptr<Registry>& slot = CurrentUserSlot();
    if (!slot) {
        const std::string folder = DataFolder();
        auto registry = std::make_unique<Registry>(folder + "/user.reg");
        if (!registry->HiveExists())
            Install(*registry, folder);
        slot = std::move(registry);
    }
    return *slot;
}

void SetCurrentUser(std::unique_ptr<Registry> registry) {
    std::lock_guard lock(CurrentUserMutex());
    CurrentUserSlot() = std::move(registry);
}

} // namespace platform

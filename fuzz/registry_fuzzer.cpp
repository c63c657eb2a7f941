// The registry file: a value set reads back as it was set, every other value and key of the
// file reads as it did before, and reading is the same every time. The input is the key, the
// value's name and its text, then the file's content, separated by NULs.
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_drive.h"
#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using platform::ascii::Trim;

constexpr std::size_t kMostProbes = 32;
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

struct Probe {
    std::string key;
    std::string name;
};

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The text of a quoted name with the export's escapes undone; `line` starts after the quote.
std::string Unquoted(std::string_view line) {
    std::string name;
    for (std::size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        name += line[i];
    }
    return name;
}

// The key of every block and the name of every value line, as a person reads the file.
std::vector<Probe> ProbesOf(std::string_view content) {
    std::vector<Probe> probes;
    std::optional<std::string> key;
    while (!content.empty() && probes.size() < kMostProbes) {
        const std::size_t end = std::min(content.find('\n'), content.size());
        std::string_view line = Trim(content.substr(0, end), " \t\r");
        content.remove_prefix(std::min(end + 1, content.size()));
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            std::string_view header = line.substr(1, line.size() - 2);
            header.remove_prefix(std::min(header.find_first_not_of(" \t"), header.size()));
            key.reset();
            if (platform::ascii::SameNoCase(header.substr(0, kRoot.size()), kRoot))
                key = std::string(header.substr(std::min(header.size(), kRoot.size() + 1)));
            if (key)
                probes.push_back({*key, "\x01no value"});
        } else if (key && line.starts_with('"')) {
            probes.push_back({*key, Unquoted(line.substr(1))});
        } else if (key && line.starts_with('@')) {
            probes.push_back({*key, ""});
        }
    }
    return probes;
}

using Value = std::optional<platform::RegValue>;

bool Same(const Value& a, const Value& b) {
    return a.has_value() == b.has_value() && (!a || (a->type == b->type && a->data == b->data));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitAtNul(fuzz::AsText(data, size), 4);
    const Probe written{std::string(parts[0]), std::string(parts[1])};
    const std::u16string text = platform::text::AnsiToWide(parts[2]);
    const std::string_view content = parts[3];
    // A key or a name is one line of the file.
    if (HasLineBreak(written.key) || HasLineBreak(written.name))
        return 0;

    const fuzz::ScratchDrive& drive = fuzz::ScratchDrive::Get();
    drive.Write("user.reg", content);
    platform::Registry registry(drive.HostPath("user.reg"));
    const std::vector<Probe> probes = ProbesOf(content);
    std::vector<bool> keyBefore;
    std::vector<Value> valueBefore;
    for (const Probe& probe : probes) {
        keyBefore.push_back(registry.KeyExists(probe.key));
        valueBefore.push_back(registry.QueryValue(probe.key, probe.name));
        FUZZ_CHECK(Same(registry.QueryValue(probe.key, probe.name), valueBefore.back()));
    }

    registry.CreateKey(written.key);
    const platform::RegValue value = platform::RegValue::String(text);
    FUZZ_CHECK(registry.SetValue(written.key, written.name, value));

    FUZZ_CHECK(registry.KeyExists(written.key));
    FUZZ_CHECK(Same(registry.QueryValue(written.key, written.name), value));
    const std::string writtenName = platform::ascii::FoldCase(written.name);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        FUZZ_CHECK(!keyBefore[i] || registry.KeyExists(probes[i].key));
        // A value of the same name may be the one just set, under another spelling of its key.
        if (platform::ascii::FoldCase(probes[i].name) != writtenName)
            FUZZ_CHECK(Same(registry.QueryValue(probes[i].key, probes[i].name), valueBefore[i]));
    }
    return 0;
}

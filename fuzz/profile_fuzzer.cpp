// Profile (INI) files: a value written reads back as it was written (its line breaks as spaces),
// every other value of the file reads as it did before, a name with a line break is refused,
// and reading is the same every time. The input is the section, the key and the value to
// write, then the file's content, separated by NULs.
#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_drive.h"
#include "platform/ascii.h"
#include "platform/profile.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

using platform::ascii::SameNoCase;
using platform::ascii::Trim;

constexpr std::size_t kMostProbes = 32;
constexpr const char* kMissing = "\x01missing";

struct Probe {
    std::string section;
    std::string key;
};

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The section and key of every line that looks like one, as a person reads the file.
std::vector<Probe> ProbesOf(std::string_view content) {
    std::vector<Probe> probes;
    std::string section;
    bool inSection = false;
    while (!content.empty() && probes.size() < kMostProbes) {
        const std::size_t end = std::min(content.find('\n'), content.size());
        std::string_view line = Trim(content.substr(0, end), " \t\r");
        content.remove_prefix(std::min(end + 1, content.size()));
        if (line.starts_with('[') && line.find(']') != std::string_view::npos) {
            section = std::string(Trim(line.substr(1, line.rfind(']') - 1)));
            inSection = true;
        } else if (const std::size_t equals = line.find('='); inSection && equals != line.npos) {
            probes.push_back({section, std::string(Trim(line.substr(0, equals)))});
        }
    }
    return probes;
}

// Whether a value reads back unchanged: without the blanks and the enclosing quotes that reading
// removes, and short enough for the read's buffer.
bool ReadsBackAsWritten(std::string_view value) {
    if (value.size() >= 2048 || Trim(value) != value)
        return false;
    return value.size() < 2 ||
           !(value.front() == value.back() && (value.front() == '"' || value.front() == '\''));
}

// A key that no reader takes for a comment or a section, without "=" inside it.
bool CanBeNamed(std::string_view key) {
    key = Trim(key);
    return key.find('=') == key.npos && !key.starts_with(';') && !key.starts_with('[');
}

std::string Read(const Probe& probe, const std::string& file) {
    return platform::profile::GetPrivateProfileString(probe.section, probe.key, kMissing, file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitAtNul(fuzz::AsText(data, size), 4);
    const Probe written{std::string(parts[0]), std::string(parts[1])};
    const std::string value(parts[2]);
    const std::string_view content = parts[3];
    if (!CanBeNamed(written.key))
        return 0;

    const fuzz::ScratchDrive& drive = fuzz::ScratchDrive::Get();
    drive.Write("fuzz.ini", content);
    const std::string file = drive.WindowsPath("fuzz.ini");
    namespace profile = platform::profile;
    if (HasLineBreak(written.section) || HasLineBreak(written.key)) {
        FUZZ_CHECK(!profile::WritePrivateProfileString(written.section, written.key, value, file));
        FUZZ_CHECK(drive.Read("fuzz.ini") == content);
        return 0;
    }
    std::vector<Probe> probes = ProbesOf(content);
    std::vector<std::string> before;
    for (const Probe& probe : probes) {
        before.push_back(Read(probe, file));
        FUZZ_CHECK(Read(probe, file) == before.back());
    }

    FUZZ_CHECK(profile::WritePrivateProfileString(written.section, written.key, value, file));

    std::string oneLine = value;
    std::replace(oneLine.begin(), oneLine.end(), '\r', ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    if (ReadsBackAsWritten(oneLine))
        FUZZ_CHECK(Read(written, file) == oneLine);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const bool same = SameNoCase(Trim(probes[i].section), Trim(written.section)) &&
                          SameNoCase(Trim(probes[i].key), Trim(written.key));
        if (!same)
            FUZZ_CHECK(Read(probes[i], file) == before[i]);
    }
    return 0;
}

// Mount-table lines: any line parses the same every time, and fields written as the kernel
// writes them (its four escapes, single spaces between) read back exactly. The input is a line,
// and also three fields separated by NULs.
#include "fuzz/fuzz_check.h"
#include "platform/mount_table.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// A field as the kernel's mount table shows it.
std::string Escaped(std::string_view field) {
    std::string escaped;
    for (char c : field) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
            escaped += octal;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    const auto parsed = platform::ParseMountLine(input);
    FUZZ_CHECK(platform::ParseMountLine(input) == parsed);

    // The kernel's fields are C strings: the input's NULs separate them, and the rest of the
    // input after the third is not used.
    const auto fields = fuzz::SplitAtNul(input, 4);
    const platform::MountLine original{std::string(fields[0]), std::string(fields[1]),
                                       std::string(fields[2])};
    const std::string line = Escaped(original.device) + " " + Escaped(original.folder) + " " +
                             Escaped(original.type) + " rw,relatime 0 0";
    FUZZ_CHECK(platform::ParseMountLine(line) == original);
    return 0;
}

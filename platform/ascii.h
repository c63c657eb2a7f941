#pragma once

#include <string>
#include <string_view>

// The ASCII syntax of the files and tables the platform layer reads and writes itself (the mount
// table, the drive map, registry exports, INI files): there only ASCII letters have a case and
// only ASCII blanks are blanks, whatever the user's locale.
namespace platform::ascii {

// `text` without the leading and trailing characters that are in `blanks`.
constexpr std::string_view Trim(std::string_view text, std::string_view blanks = " \t") {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// 0 to 15 for a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A to Z as a to z; every other byte as it is.
constexpr char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = FoldCase(c);
    return folded;
}

constexpr bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

} // namespace platform::ascii

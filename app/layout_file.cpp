#include "app/layout_file.h"

#include "platform/error.h"
#include "platform/profile.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace {

constexpr const char* VisibleSection = "Visible";
constexpr const char* WidthSection = "COLWIDTH";

std::optional<int> ParseInteger(const std::string& text) {
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    bool negative = false;
    if (base == 10 && !digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    // Hexadecimal spans the full 32 bits, as 0xFFFFFFFF is -1.
    if (base == 16) {
        if (magnitude > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        return static_cast<int>(static_cast<std::uint32_t>(magnitude));
    }
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

TLayoutFile::TLayoutFile(const std::string& appDir) : fileName_(appDir + "\\ipodpos.dll") {}

int TLayoutFile::ReadInteger(const std::string& section, const std::string& key,
                             int fallback) const {
    const std::string text =
        platform::profile::GetPrivateProfileString(section, key, "", fileName_, 2048);
    return ParseInteger(text).value_or(fallback);
}

void TLayoutFile::WriteInteger(const std::string& section, const std::string& key,
                               long long value) const {
    WriteText(section, key, std::to_string(value));
}

void TLayoutFile::WriteText(const std::string& section, const std::string& key,
                            const std::string& value) const {
    if (!platform::profile::WritePrivateProfileString(section, key, value, fileName_))
        throw platform::OsError(platform::FormatMessage("Unable to write to %s", fileName_));
}

TWindowLayout TLayoutFile::Read() const {
    TWindowLayout layout;
    layout.iPodSelector = ReadInteger(VisibleSection, "iPodSelector", 1) != 0;
    layout.SearchBox = ReadInteger(VisibleSection, "SearchBox", 1) != 0;
    layout.ArtistList = ReadInteger(VisibleSection, "ArtistList", 1) != 0;
    layout.AlbumList = ReadInteger(VisibleSection, "AlbumList", 1) != 0;
    layout.FileTypeList = ReadInteger(VisibleSection, "FileTypeList", 1) != 0;
    for (int column = 0; column < ColumnCount; ++column) {
        const int width = ReadInteger(WidthSection, std::to_string(column), DefaultColumnWidth);
        layout.ColumnWidths.push_back(column == 0 ? "0" : std::to_string(width));
    }
    return layout;
}

void TLayoutFile::Write(const TWindowLayout& layout) const {
    WriteInteger(VisibleSection, "iPodSelector", layout.iPodSelector);
    WriteInteger(VisibleSection, "SearchBox", layout.SearchBox);
    WriteInteger(VisibleSection, "ArtistList", layout.ArtistList);
    WriteInteger(VisibleSection, "AlbumList", layout.AlbumList);
    WriteInteger(VisibleSection, "FileTypeList", layout.FileTypeList);
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string width = column < static_cast<int>(layout.ColumnWidths.size())
                                      ? layout.ColumnWidths[static_cast<std::size_t>(column)]
                                      : "0";
        WriteText(WidthSection, std::to_string(column), width);
    }
}

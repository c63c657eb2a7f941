#pragma once

#include <array>
#include <string>
#include <vector>

// Which panes the main window shows and how wide the song table's columns are.
struct TWindowLayout {
    bool iPodSelector = true;
    bool SearchBox = true;
    bool ArtistList = true;
    bool AlbumList = true;
    bool FileTypeList = true;
    // Decimal widths of the song table's columns 0 to 10; entry 0 is always "0" when read.
    std::vector<std::string> ColumnWidths;
};

// The layout file, ipodpos.dll in AppDir: an INI file with the sections Visible and COLWIDTH.
class TLayoutFile {
public:
    static constexpr int ColumnCount = 11;
    static constexpr int DefaultColumnWidth = 80;

    explicit TLayoutFile(const std::string& appDir);
    const std::string& FileName() const { return fileName_; }

    // Missing file, section or key: the defaults (every pane shown, columns 80 wide).
    TWindowLayout Read() const;
    // Writes the Visible keys, then COLWIDTH 0 to 10; the first refused write raises
    // "Unable to write to %s" and nothing after it is written.
    void Write(const TWindowLayout& layout) const;

    // A whole number: hexadecimal after "0x" or "0X", else decimal; `fallback` when the key is
    // missing or holds no 32-bit whole number.
    int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
    void WriteInteger(const std::string& section, const std::string& key, long long value) const;

private:
    void WriteText(const std::string& section, const std::string& key,
                   const std::string& value) const;

    std::string fileName_;
};

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
};

// A value as the registry keeps it: its type and raw bytes (strings as UTF-16LE with their
// terminating NUL, a DWORD as four little-endian bytes).
struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;

    static RegValue Dword(std::uint32_t number);
    static RegValue String(const std::u16string& text, RegType type = RegType::Sz);
    std::uint32_t AsDword() const;       // the first four bytes (fewer read as zero)
    std::u16string AsString() const;     // up to the first NUL
};

// HKEY_CURRENT_USER, kept in one text file in the registry-export syntax
// ("Windows Registry Editor Version 5.00"), re-read on every call and rewritten atomically on
// every change. Key paths are relative to the root ("Software\Quillmere") and match without
// regard to case.
class Registry {
public:
    explicit Registry(std::string hiveFile);

    const std::string& HiveFile() const { return hiveFile_; }
    bool HiveExists() const;

    bool KeyExists(const std::string& key) const;
    void CreateKey(const std::string& key); // with its parents; OsError when it cannot be saved
    std::optional<RegValue> QueryValue(const std::string& key, const std::string& name) const;
    // False when the key does not exist or the hive cannot be saved; nothing changes then.
    bool SetValue(const std::string& key, const std::string& name, const RegValue& value);
    bool DeleteValue(const std::string& key, const std::string& name);

private:
    std::string hiveFile_;
};

// The user's hive: user.reg in the data folder. The first use in a data folder without a hive
// installs Quillmere: it creates Software\Quillmere with ExeFile naming the data folder.
Registry& CurrentUser();
void SetCurrentUser(std::unique_ptr<Registry> registry);

} // namespace platform

#include "app/settings_store.h"

#include "app/error_log.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/text.h"

#include <optional>

namespace {

// A REG_DWORD's truth; nullopt for a missing value or one of another type.
std::optional<bool> ReadFlag(const platform::Registry& registry, const char* name) {
    auto value = registry.QueryValue(TSettingsStore::Key, name);
    if (!value || value->type != platform::RegType::Dword)
        return std::nullopt;
    return value->AsDword() != 0;
}

std::string ReadFolder(const platform::Registry& registry, const char* name) {
    auto value = registry.QueryValue(TSettingsStore::Key, name);
    if (!value || value->data.empty())
        return {};
    if (value->type != platform::RegType::Sz && value->type != platform::RegType::ExpandSz)
        throw platform::OsError(platform::FormatMessage("Invalid data type for '%s'", name));
    return platform::text::WideToAnsi(value->AsString());
}

void WriteFlag(platform::Registry& registry, const char* name, bool flag) {
    if (!registry.SetValue(TSettingsStore::Key, name, platform::RegValue::Dword(flag ? 1 : 0)))
        throw platform::OsError(platform::FormatMessage("Failed to set data for '%s'", name));
}

} // namespace

void TSettingsStore::ReadRegistry() {
    // What a missing key gives holds as well when the registry cannot be used at all.
    PlayOnDoubleClick = false;
    OverwriteExisting = true;
    SortIntoFolders = false;
    AppDir.clear();
    try {
        const platform::Registry& registry = platform::CurrentUser();
        PlayOnDoubleClick = ReadFlag(registry, "DBClickPlaySong").value_or(false);
        OverwriteExisting = ReadFlag(registry, "OverWriteExistFile").value_or(true);
        SortIntoFolders = ReadFlag(registry, "SortIntoFolders").value_or(false);
        AppDir = ReadFolder(registry, "ExeFile");
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("ReadRegistry:") + error.what());
    }
}

void TSettingsStore::WriteRegistry() const {
    try {
        platform::Registry& registry = platform::CurrentUser();
        WriteFlag(registry, "DBClickPlaySong", PlayOnDoubleClick);
        WriteFlag(registry, "OverWriteExistFile", OverwriteExisting);
        WriteFlag(registry, "SortIntoFolders", SortIntoFolders);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("WriteRegistry:") + error.what());
    }
}

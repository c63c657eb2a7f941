#include "platform/data_folder.h"

#include "platform/error.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

std::optional<std::string> NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

std::filesystem::path HomeFolder() {
    if (auto home = NonEmptyVariable("HOME"))
        return *home;
    // A service started without HOME still has an account entry.
    if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_dir)
        return account->pw_dir;
    throw OsError("Cannot find the data folder: neither QUILLMERE_HOME nor HOME is set");
}

std::filesystem::path ChosenFolder() {
    if (auto home = NonEmptyVariable("QUILLMERE_HOME"))
        return *home;
    // Relative XDG paths are invalid by the base-directory rules and are ignored.
    if (auto xdg = NonEmptyVariable("XDG_DATA_HOME"); xdg && xdg->front() == '/')
        return std::filesystem::path(*xdg) / "quillmere";
    return HomeFolder() / ".local" / "share" / "quillmere";
}

} // namespace

std::string DataFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(ChosenFolder(), error);
    if (error)
        throw OsError("Cannot find the data folder: " + error.message());
    std::string text = folder.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();

    std::filesystem::create_directories(text, error);
    if (error)
        throw OsError("Cannot create the data folder " + text + ": " + error.message());
    if (!std::filesystem::is_directory(text, error))
        throw OsError("Cannot create the data folder " + text + ": something else has its name");
    return text;
}

} // namespace platform

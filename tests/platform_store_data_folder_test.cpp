#include "platform/data_folder.h"

#include "platform/error.h"
#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace {

using testsupport::TempFolder;

// Sets or clears the variables the data folder depends on, and puts them back afterwards.
class ScopedVariables {
public:
    ScopedVariables() {
        for (const char* name : kNames)
            if (const char* value = std::getenv(name))
                saved_.emplace_back(name, value);
            else
                saved_.emplace_back(name, std::nullopt);
    }
    ~ScopedVariables() {
        for (const auto& [name, value] : saved_)
            Set(name, value);
    }
    ScopedVariables(const ScopedVariables&) = delete;
    ScopedVariables& operator=(const ScopedVariables&) = delete;

    static void Set(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

private:
    static constexpr const char* kNames[] = {"QUILLMERE_HOME", "XDG_DATA_HOME", "HOME"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(DataFolderTest, FollowsTheEnvironmentInItsOrder) {
    TempFolder temp;
    const std::string base = temp.Str();
    struct Case {
        const char* label;
        std::optional<std::string> quillmereHome, xdgDataHome, home;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"own variable first", base + "/own//deep/", base + "/xdg", base + "/home",
         base + "/own/deep"},
        {"empty own variable", "", base + "/xdg", base + "/home", base + "/xdg/quillmere"},
        {"XDG", std::nullopt, base + "/xdg", base + "/home", base + "/xdg/quillmere"},
        {"empty XDG", std::nullopt, "", base + "/home", base + "/home/.local/share/quillmere"},
        {"relative XDG", std::nullopt, "relative", base + "/home",
         base + "/home/.local/share/quillmere"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        ScopedVariables restore;
        ScopedVariables::Set("QUILLMERE_HOME", item.quillmereHome);
        ScopedVariables::Set("XDG_DATA_HOME", item.xdgDataHome);
        ScopedVariables::Set("HOME", item.home);
        EXPECT_EQ(platform::DataFolder(), item.expected);
        EXPECT_TRUE(std::filesystem::is_directory(item.expected));
    }
}

TEST(DataFolderTest, AFileInTheWayIsAnError) {
    TempFolder temp;
    ScopedVariables restore;
    auto file = temp.WriteFile("taken", "not a folder");
    setenv("QUILLMERE_HOME", file.c_str(), 1);
    try {
        platform::DataFolder();
        FAIL() << "a file was taken for the data folder";
    } catch (const platform::OsError& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    }
}

} // namespace

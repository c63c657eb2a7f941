#include "app/settings_store.h"

#include "app/error_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/support/scoped_platform.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using platform::RegType;
using platform::RegValue;

class SettingsStoreTest : public testing::Test {
protected:
    platform::Registry& Registry() { return platform::CurrentUser(); }
    std::string RootLog() const {
        return testsupport::ReadFile(platform_.Root().Path() / "app.cnt");
    }
    void CreateKey() { Registry().CreateKey(TSettingsStore::Key); }
    void Set(const std::string& name, const RegValue& value) {
        ASSERT_TRUE(Registry().SetValue(TSettingsStore::Key, name, value));
    }

    testsupport::ScopedPlatform platform_;
};

} // namespace

TEST_F(SettingsStoreTest, MissingKeyGivesDefaultsAndIsNeverCreated) {
    platform::CurrentUser(); // install, then remove the key the installation made
    std::filesystem::remove(platform_.HiveFile());
    TSettingsStore store;
    store.ReadRegistry();
    EXPECT_FALSE(store.PlayOnDoubleClick);
    EXPECT_TRUE(store.OverwriteExisting);
    EXPECT_FALSE(store.SortIntoFolders);
    EXPECT_EQ(store.AppDir, "");

    store.WriteRegistry();
    EXPECT_FALSE(Registry().KeyExists(TSettingsStore::Key));
    EXPECT_NE(RootLog().find("=WriteRegistry:Failed to set data for 'DBClickPlaySong'"),
              std::string::npos);
}

// A first start whose registry file cannot be saved.
class RefuseHiveReplacement : public platform::files::FaultHook {
public:
    bool FailRename(const std::string& path) override { return path.ends_with("/user.reg"); }
};

TEST_F(SettingsStoreTest, AnUnusableRegistryGivesTheDefaultsAndIsLogged) {
    struct Case {
        const char* label;
        std::function<void()> breakRegistry;
        const char* logged;
    };
    const std::string savedHome = std::getenv("QUILLMERE_HOME");
    RefuseHiveReplacement refuse;
    const Case cases[] = {
        {"unreadable", [&] { std::filesystem::create_directory(platform_.HiveFile()); },
         "=ReadRegistry:Cannot read the registry file "},
        {"first start cannot save it",
         [&] {
             setenv("QUILLMERE_HOME", (platform_.Root().Path() / "fresh").c_str(), 1);
             platform::SetCurrentUser(nullptr);
             platform::files::SetFaultHook(&refuse);
         },
         "=ReadRegistry:Cannot write file "},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        std::filesystem::remove(platform_.Root().Path() / "app.cnt");
        item.breakRegistry();
        TSettingsStore store;
        // As the main window's construction does before reading.
        store.SetPlayOnDoubleClick(true);
        store.SetOverwriteExisting(false);
        store.SetSortIntoFolders(true);
        store.AppDir = "c:\\stale";
        store.ReadRegistry();
        platform::files::SetFaultHook(nullptr);
        setenv("QUILLMERE_HOME", savedHome.c_str(), 1);
        EXPECT_FALSE(store.PlayOnDoubleClick);
        EXPECT_TRUE(store.OverwriteExisting);
        EXPECT_FALSE(store.SortIntoFolders);
        EXPECT_EQ(store.AppDir, "");
        EXPECT_NE(RootLog().find(item.logged), std::string::npos) << RootLog();
    }
}

TEST_F(SettingsStoreTest, FlagsAreTrueOnlyForNonZeroDwords) {
    struct Case {
        RegValue play, overwrite, sort;
        bool expectedPlay, expectedOverwrite, expectedSort;
    };
    const Case cases[] = {
        {RegValue::Dword(1), RegValue::Dword(5), RegValue::Dword(7), true, true, true},
        {RegValue::Dword(0), RegValue::Dword(0), RegValue::Dword(0), false, false, false},
        {RegValue::String(u"1"), RegValue::String(u"0"), RegValue::String(u"1"), false, true,
         false},
    };
    CreateKey();
    for (const Case& c : cases) {
        Set("DBClickPlaySong", c.play);
        Set("OverWriteExistFile", c.overwrite);
        Set("SortIntoFolders", c.sort);
        TSettingsStore store;
        store.ReadRegistry();
        EXPECT_EQ(store.PlayOnDoubleClick, c.expectedPlay);
        EXPECT_EQ(store.OverwriteExisting, c.expectedOverwrite);
        EXPECT_EQ(store.SortIntoFolders, c.expectedSort);
    }
}

TEST_F(SettingsStoreTest, WritesEveryFlagAsZeroOrOneAndNeverExeFile) {
    CreateKey();
    Set("OverWriteExistFile", RegValue::Dword(5));
    Set("ExeFile", RegValue::String(u"c:\\data"));
    TSettingsStore store;
    store.ReadRegistry();
    store.WriteRegistry();
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "OverWriteExistFile")->AsDword(), 1u);
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "DBClickPlaySong")->AsDword(), 0u);
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "SortIntoFolders")->AsDword(), 0u);
    store.SetSortIntoFolders(true);
    store.WriteRegistry();
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "SortIntoFolders")->AsDword(), 1u);
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "SortIntoFolders")->type,
              platform::RegType::Dword);
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "ExeFile")->AsString(), u"c:\\data");
}

TEST_F(SettingsStoreTest, ExeFileIsTakenVerbatim) {
    CreateKey();
    Set("ExeFile", RegValue::String(u"%USERPROFILE%\\Quillmere", RegType::ExpandSz));
    TSettingsStore store;
    store.ReadRegistry();
    EXPECT_EQ(store.AppDir, "%USERPROFILE%\\Quillmere");
}

TEST_F(SettingsStoreTest, ExeFileOfAnotherTypeFailsAfterTheFlags) {
    CreateKey();
    Set("DBClickPlaySong", RegValue::Dword(1));
    Set("ExeFile", RegValue::Dword(7));
    TSettingsStore store;
    store.ReadRegistry();
    EXPECT_TRUE(store.PlayOnDoubleClick);
    EXPECT_EQ(store.AppDir, "");
    EXPECT_NE(RootLog().find("=ReadRegistry:Invalid data type for 'ExeFile'"), std::string::npos);
}

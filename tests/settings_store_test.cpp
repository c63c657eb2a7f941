#include "app/settings_store.h"

#include "app/error_log.h"
#include "platform/registry.h"
#include "tests/support/scoped_platform.h"

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
    EXPECT_EQ(store.AppDir, "");

    store.WriteRegistry();
    EXPECT_FALSE(Registry().KeyExists(TSettingsStore::Key));
    EXPECT_NE(RootLog().find("=WriteRegistry:Failed to set data for 'DBClickPlaySong'"),
              std::string::npos);
}

TEST_F(SettingsStoreTest, FlagsAreTrueOnlyForNonZeroDwords) {
    struct Case {
        RegValue play, overwrite;
        bool expectedPlay, expectedOverwrite;
    };
    const Case cases[] = {
        {RegValue::Dword(1), RegValue::Dword(5), true, true},
        {RegValue::Dword(0), RegValue::Dword(0), false, false},
        {RegValue::String(u"1"), RegValue::String(u"0"), false, true},
    };
    CreateKey();
    for (const Case& c : cases) {
        Set("DBClickPlaySong", c.play);
        Set("OverWriteExistFile", c.overwrite);
        TSettingsStore store;
        store.ReadRegistry();
        EXPECT_EQ(store.PlayOnDoubleClick, c.expectedPlay);
        EXPECT_EQ(store.OverwriteExisting, c.expectedOverwrite);
    }
}

TEST_F(SettingsStoreTest, WritesBothFlagsAsZeroOrOneAndNeverExeFile) {
    CreateKey();
    Set("OverWriteExistFile", RegValue::Dword(5));
    Set("ExeFile", RegValue::String(u"c:\\data"));
    TSettingsStore store;
    store.ReadRegistry();
    store.WriteRegistry();
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "OverWriteExistFile")->AsDword(), 1u);
    EXPECT_EQ(Registry().QueryValue(TSettingsStore::Key, "DBClickPlaySong")->AsDword(), 0u);
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

#include "app/layout_file.h"

#include "platform/error.h"
#include "platform/files.h"
#include "tests/support/scoped_platform.h"

#include <gtest/gtest.h>

namespace {

class LayoutFileTest : public testing::Test {
protected:
    std::filesystem::path FilePath() const { return platform_.Root().Path() / "ipodpos.dll"; }
    void WriteFile(const std::string& content) {
        platform_.Root().WriteFile("ipodpos.dll", content);
    }
    TLayoutFile File() const { return TLayoutFile("c:"); }

    testsupport::ScopedPlatform platform_;
};

class Refuse : public platform::files::FaultHook {
public:
    Refuse(bool creation, bool rename) : creation_(creation), rename_(rename) {}
    bool FailCreate(const std::string&) override { return creation_; }
    bool FailRename(const std::string&) override { return rename_; }

private:
    bool creation_;
    bool rename_;
};

} // namespace

TEST_F(LayoutFileTest, MissingFileGivesDefaultsAndAWriteCompletesIt) {
    TWindowLayout layout = File().Read();
    EXPECT_TRUE(layout.iPodSelector && layout.SearchBox && layout.ArtistList && layout.AlbumList &&
                layout.FileTypeList);
    EXPECT_EQ(layout.ColumnWidths, (std::vector<std::string>{"0", "80", "80", "80", "80", "80",
                                                             "80", "80", "80", "80", "80"}));
    layout.AlbumList = false;
    layout.ColumnWidths[3] = "120";
    File().Write(layout);
    EXPECT_EQ(testsupport::ReadFile(FilePath()),
              "[Visible]\r\niPodSelector=1\r\nSearchBox=1\r\nArtistList=1\r\nAlbumList=0\r\n"
              "FileTypeList=1\r\n[COLWIDTH]\r\n0=0\r\n1=80\r\n2=80\r\n3=120\r\n4=80\r\n5=80\r\n"
              "6=80\r\n7=80\r\n8=80\r\n9=80\r\n10=80\r\n");
}

TEST_F(LayoutFileTest, ReadsNumbersByTheProfileRules) {
    WriteFile("[visible]\r\nAlbumList=abc\r\nSearchBox=0\r\niPodSelector=1\r\n"
              "FILETYPELIST = 2\r\n[COLWIDTH]\r\n0=120\r\n3=0x64\r\n4=0\r\n5=99999999999\r\n"
              "6=-5\r\n7=\r\n");
    const TWindowLayout layout = File().Read();
    EXPECT_TRUE(layout.AlbumList);
    EXPECT_FALSE(layout.SearchBox);
    EXPECT_TRUE(layout.iPodSelector);
    EXPECT_TRUE(layout.FileTypeList);
    EXPECT_EQ(layout.ColumnWidths[0], "0");
    EXPECT_EQ(layout.ColumnWidths[3], "100");
    EXPECT_EQ(layout.ColumnWidths[4], "0");
    EXPECT_EQ(layout.ColumnWidths[5], "80");
    EXPECT_EQ(layout.ColumnWidths[6], "-5");
    EXPECT_EQ(layout.ColumnWidths[7], "80");
}

TEST_F(LayoutFileTest, WriteKeepsOtherSectionsAndKeys) {
    WriteFile("; kept\r\n[Other]\r\nx=1\r\n[Visible]\r\nExtra=7\r\nArtistList=1\r\n");
    TWindowLayout layout = File().Read();
    layout.ArtistList = false;
    File().Write(layout);
    const std::string text = testsupport::ReadFile(FilePath());
    EXPECT_EQ(text.rfind("; kept\r\n[Other]\r\nx=1\r\n[Visible]\r\nExtra=7\r\nArtistList=0\r\n", 0),
              0u)
        << text;
}

TEST_F(LayoutFileTest, RefusedWriteNamesTheFileAndChangesNothing) {
    const std::string before = "[Visible]\r\nAlbumList=1\r\n";
    struct Case {
        const char* label;
        std::filesystem::perms mode;
        bool refuseRename;
        bool refuseCreation;
    };
    const Case cases[] = {
        {"read-only", std::filesystem::perms(0444), false, false},
        {"creation refused", std::filesystem::perms(0644), false, true},
        {"rename refused", std::filesystem::perms(0644), true, false},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        WriteFile(before);
        std::filesystem::permissions(FilePath(), item.mode);
        Refuse refuse(item.refuseCreation, item.refuseRename);
        platform::files::SetFaultHook(&refuse);
        TWindowLayout layout = File().Read();
        layout.AlbumList = false;
        try {
            File().Write(layout);
            ADD_FAILURE() << "the write was not refused";
        } catch (const platform::OsError& error) {
            EXPECT_STREQ(error.what(), "Unable to write to c:\\ipodpos.dll");
        }
        platform::files::SetFaultHook(nullptr);
        EXPECT_EQ(testsupport::ReadFile(FilePath()), before);
        EXPECT_EQ(std::filesystem::status(FilePath()).permissions(), item.mode);
        std::filesystem::permissions(FilePath(), std::filesystem::perms(0644));
    }
}

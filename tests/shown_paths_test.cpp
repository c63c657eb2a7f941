// Paths as a person reads them: the host file behind a drive letter.
#include "app/shown_paths.h"

#include "platform/drives.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class ShownPathsTest : public testing::Test {
protected:
    void SetUp() override {
        ipod_.WriteFile("iPod_Control/Music/F00/ABCD.mp3", "x");
        platform::Drives().Attach('e', ipod_.Str());
    }
    std::string Root() const { return platform_.Root().Str(); }
    std::string IPod() const { return ipod_.Str(); }

    testsupport::ScopedPlatform platform_;
    testsupport::TempFolder ipod_;
};

TEST_F(ShownPathsTest, AWindowsPathIsShownAsTheHostFileItNames) {
    struct Case {
        std::string path;
        std::string shown;
    };
    const Case cases[] = {
        {"c:\\Music\\Intro.mp3", Root() + "/Music/Intro.mp3"},
        {"c:\\\\Root.mp3", Root() + "/Root.mp3"}, // a drive-root destination
        // Letter case as the files have it, as far as they exist.
        {"E:\\IPOD_CONTROL\\music\\f00\\abcd.MP3", IPod() + "/iPod_Control/Music/F00/ABCD.mp3"},
        // On no drive: the path itself, each run of backslashes shown as one.
        {"q:\\\\Far\\\\Away.mp3", "q:\\Far\\Away.mp3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShownPath(c.path), c.shown) << c.path;
}

TEST_F(ShownPathsTest, AMessageShowsTheFileItEndsInAsAHostPath) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"Cannot create file c:\\out\\Intro.mp3", "Cannot create file " + Root() + "/out/Intro.mp3"},
        {"Source file not found: e:\\iPod_Control\\Music\\F00\\ABCD.mp3",
         "Source file not found: " + IPod() + "/iPod_Control/Music/F00/ABCD.mp3"},
        {"Only 10 of 20 bytes could be written to c:\\My Music\\A b.mp3",
         "Only 10 of 20 bytes could be written to " + Root() + "/My Music/A b.mp3"},
        {"c:\\out\\Intro.mp3", Root() + "/out/Intro.mp3"},
        {"Stream read error", "Stream read error"},
        {"Cannot create file q:\\out\\Intro.mp3", "Cannot create file q:\\out\\Intro.mp3"},
        {"Ratio 1:\\2", "Ratio 1:\\2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithShownPath(c.text), c.shown) << c.text;
}

} // namespace

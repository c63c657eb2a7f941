#include "app/ipod_discovery.h"
#include "platform/drives.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::uint32_t Bits(std::string_view letters) {
    std::uint32_t bits = 0;
    for (const char letter : letters) {
        bits |= 1u << (letter - 'a');
    }
    return bits;
}

TEST(IpodDiscoveryTest, SearchesCToZInLetterOrder) {
    const struct {
        std::string drives;
        std::string searched;
    } cases[] = {
        {"", ""},
        {"ab", ""},
        {"abc", "c"},
        {"zgec", "cegz"},
        {"abcdefghijklmnopqrstuvwxyz", "cdefghijklmnopqrstuvwxyz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drives);
        const std::vector<char> letters = SearchedDriveLetters(Bits(c.drives));
        EXPECT_EQ(std::string(letters.begin(), letters.end()), c.searched);
    }
    EXPECT_EQ(SearchedDriveLetters(0xFFFFFFFFu).size(), 24u);
    EXPECT_EQ(DriveRootOf('e'), "e:");
}

class IpodDiscoveryDriveTest : public testing::Test {
protected:
    void SetUp() override {
        temp_.WriteFile("mounts", "/dev/sdq1 " + Folder("media/ipod") + " vfat rw 0 0\n");
        fs::create_directories(temp_.Path() / "labels");
        fs::create_symlink("/dev/sdq1", temp_.Path() / "labels" / "Café\\x20Pod");
        platform::DriveTableConfig config;
        config.mountsFile = (temp_.Path() / "mounts").string();
        config.labelsFolder = (temp_.Path() / "labels").string();
        config.rootFolder = Folder("c");
        platform::SetDrives(std::make_unique<platform::DriveTable>(config));
        platform::Drives().Refresh();
    }
    void TearDown() override { platform::SetDrives(nullptr); }

    std::string Folder(const std::string& relative) {
        fs::create_directories(temp_.Path() / relative);
        return (temp_.Path() / relative).string();
    }

    testsupport::TempFolder temp_;
};

TEST_F(IpodDiscoveryDriveTest, AniPodIsADriveWithTheITunesFolder) {
    const struct {
        char letter;
        std::string made; // below the drive's folder; a trailing "/" makes a folder
        bool ipod;
    } cases[] = {
        {'e', "iPod_Control/iTunes/", true},
        {'f', "IPOD_CONTROL/ITUNES/", true},
        {'g', "ipod_control/itunes/iTunesDB", true},
        {'h', "iPod_Control/iTunes", false}, // a file, not a folder
        {'i', "iPod_Control/Music/", false},
        {'j', "iTunes/", false},
        {'k', "", false},
    };
    for (const auto& c : cases) {
        const fs::path drive = Folder(std::string("drive-") + c.letter);
        if (c.made.ends_with('/')) {
            fs::create_directories(drive / c.made);
        } else if (!c.made.empty()) {
            temp_.WriteFile(fs::path(std::string("drive-") + c.letter) / c.made, "x");
        }
        platform::Drives().Attach(c.letter, drive.string());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.made);
        EXPECT_EQ(HasiPodFolder(DriveRootOf(c.letter)), c.ipod);
    }
}

TEST_F(IpodDiscoveryDriveTest, TheLabelTakesTheCaseOfTheLetter) {
    platform::Drives().Attach('e', Folder("media/ipod"));
    platform::Drives().Attach('g', Folder("No Label Here"));
    EXPECT_EQ(SelectorLabel('e'), "café pod");
    EXPECT_EQ(SelectorLabel('E'), "CAFÉ POD");
    EXPECT_EQ(SelectorLabel('g'), "no label here"); // the folder's name stands in
    EXPECT_EQ(SelectorLabel('c'), "");
    EXPECT_EQ(SelectorLabel('q'), ""); // no such drive
}

} // namespace

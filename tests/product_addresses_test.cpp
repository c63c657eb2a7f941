#include "app/product_addresses.h"

#include "product_addresses_build.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

// The build copy of the guide; the running test sits beside it. /proc/self/exe names the
// program with every link resolved, hence the canonical form in the comparisons.
constexpr const char* BuildGuide = QUILLMERE_BUILD_FOLDER "/guide.html";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ProductAddressesTest, HomePageIsTheGuideBesideTheProgram) {
    if (std::string(QUILLMERE_BUILD_HOME_PAGE).size() > 0) {
        EXPECT_EQ(HomePageAddress(), QUILLMERE_BUILD_HOME_PAGE);
        return;
    }
    const std::string address = HomePageAddress();
    EXPECT_TRUE(address.starts_with("file:///")) << address;
    EXPECT_TRUE(EndsWith(address, "guide.html")) << address;
    EXPECT_EQ(address, FileAddress(fs::weakly_canonical(BuildGuide).string()));
    EXPECT_TRUE(fs::is_regular_file(BuildGuide)) << BuildGuide;
}

TEST(ProductAddressesTest, SupportPageIsTheGuidesTroubleshootingSection) {
    if (std::string(QUILLMERE_BUILD_SUPPORT_PAGE).size() > 0) {
        EXPECT_EQ(SupportPageAddress(), QUILLMERE_BUILD_SUPPORT_PAGE);
        return;
    }
    const std::string address = SupportPageAddress();
    EXPECT_TRUE(EndsWith(address, "guide.html#troubleshooting")) << address;
    EXPECT_EQ(address,
              FileAddress(fs::weakly_canonical(BuildGuide).string()) + "#troubleshooting");
}

TEST(ProductAddressesTest, TheBuildCopyOfTheGuideHasTheTroubleshootingSection) {
    const std::string guide = testsupport::ReadFile(BuildGuide);
    EXPECT_NE(guide.find("id=\"troubleshooting\""), std::string::npos);
}

TEST(ProductAddressesTest, InstalledLayoutIsFoundBelowShareDoc) {
    testsupport::TempFolder prefix;
    prefix.WriteFile("bin/quillmere", "");
    prefix.WriteFile("share/doc/quillmere/guide.html", "<html></html>");
    EXPECT_EQ(GuideAddressFor((prefix.Path() / "bin" / "quillmere").string()),
              FileAddress((prefix.Path() / "share/doc/quillmere/guide.html").string()));
}

TEST(ProductAddressesTest, GuideBesideTheProgramComesFirst) {
    testsupport::TempFolder prefix;
    prefix.WriteFile("bin/guide.html", "<html></html>");
    prefix.WriteFile("share/doc/quillmere/guide.html", "<html></html>");
    EXPECT_EQ(GuideAddressFor((prefix.Path() / "bin" / "quillmere").string()),
              FileAddress((prefix.Path() / "bin/guide.html").string()));
}

TEST(ProductAddressesTest, NoGuideAnywhereGivesTheInstalledPlace) {
    testsupport::TempFolder prefix;
    EXPECT_EQ(GuideAddressFor((prefix.Path() / "bin" / "quillmere").string()),
              FileAddress(QUILLMERE_INSTALLED_GUIDE));
}

TEST(ProductAddressesTest, FileAddressEncodesWhatAnAddressCannotHold) {
    EXPECT_EQ(FileAddress("/home/ann/My Music/#1 100%/guide.html"),
              "file:///home/ann/My%20Music/%231%20100%25/guide.html");
    EXPECT_EQ(FileAddress("/opt/caf\xc3\xa9/guide.html"), "file:///opt/caf%C3%A9/guide.html");
}

} // namespace

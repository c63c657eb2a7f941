#include "app/error_log.h"

#include "platform/profile.h"
#include "tests/support/scoped_platform.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

class ErrorLogTest : public testing::Test {
protected:
    void TearDown() override { TLogClass::SetAppDirSource(nullptr); }

    testsupport::ScopedPlatform platform_;
};

} // namespace

TEST_F(ErrorLogTest, KeyIsShortDateAndLongTimeOrTheDateAloneAtMidnight) {
    EXPECT_EQ(TLogClass::KeyFor(LocalTime(2024, 12, 9, 15, 54, 12)), "12/9/2024 3:54:12 PM");
    EXPECT_EQ(TLogClass::KeyFor(LocalTime(2024, 12, 9, 0, 0, 0)), "12/9/2024");
    EXPECT_EQ(TLogClass::KeyFor(LocalTime(2024, 12, 9, 0, 0, 1)), "12/9/2024 12:00:01 AM");
}

TEST_F(ErrorLogTest, FirstEntryCreatesTheFileInAppDir) {
    std::filesystem::create_directories(platform_.Root().Path() / "app");
    const std::string appDir = "c:\\app";
    TLogClass::SetAppDirSource(&appDir);

    TLogClass::WriteErrorLog("FormShow:Cannot open file e:\\x");

    const std::string log = testsupport::ReadFile(platform_.Root().Path() / "app" / "app.cnt");
    EXPECT_EQ(log.rfind("[Error Log]\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("=FormShow:Cannot open file e:\\x\r\n"), std::string::npos) << log;
}

TEST_F(ErrorLogTest, EmptyAppDirLogsToTheRootOfTheCurrentDrive) {
    TLogClass::WriteErrorLog("ReadRegistry:Invalid data type for 'ExeFile'");
    const std::string log = testsupport::ReadFile(platform_.Root().Path() / "app.cnt");
    EXPECT_NE(log.find("=ReadRegistry:Invalid data type for 'ExeFile'"), std::string::npos);
}

TEST_F(ErrorLogTest, EmptyMessageStillWritesItsKey) {
    TLogClass::WriteErrorLog("");
    const std::string log = testsupport::ReadFile(platform_.Root().Path() / "app.cnt");
    ASSERT_NE(log.find("[Error Log]\r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 3), "=\r\n");
}

TEST_F(ErrorLogTest, AReadOnlyLogIsLeftAsItIs) {
    const std::string before = "[Error Log]\r\n12/9/2024 3:54:12 PM=FormShow:earlier\r\n";
    const auto log = platform_.Root().WriteFile("app.cnt", before);
    std::filesystem::permissions(log, std::filesystem::perms(0444));
    EXPECT_NO_THROW(TLogClass::WriteErrorLog("dropped"));
    EXPECT_EQ(testsupport::ReadFile(log), before);
    EXPECT_EQ(std::filesystem::status(log).permissions(), std::filesystem::perms(0444));
}

TEST_F(ErrorLogTest, UnwritableLogIsDroppedSilently) {
    const std::string appDir = "c:\\missing\\folder";
    TLogClass::SetAppDirSource(&appDir);
    EXPECT_NO_THROW(TLogClass::WriteErrorLog("lost"));
    EXPECT_FALSE(std::filesystem::exists(platform_.Root().Path() / "missing"));
}

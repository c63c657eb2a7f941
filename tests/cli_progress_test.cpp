// The CLI's progress line: its texts from given figures, and how it follows a job's steps.
#include "cli/copy_progress.h"
#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using cli::CopyFigures;
using cli::CopyProgress;
using namespace std::chrono_literals;

TEST(ProgressTexts, BytesInThreeFiguresAndDurationsInClockForm) {
    const std::pair<std::uint64_t, std::string> bytes[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1.00 kB"},
        {1234, "1.23 kB"},
        {9994, "9.99 kB"},
        {9996, "10.0 kB"},
        {45'200'000, "45.2 MB"},
        {128'000'000, "128 MB"},
        {999'400'000, "999 MB"},
        {999'600'000, "1.00 GB"}, // never "1000 MB"
        {1'300'000'000, "1.30 GB"},
        {18'446'744'073'709'551'615ull, "18.4 EB"},
    };
    for (const auto& [count, text] : bytes)
        EXPECT_EQ(cli::ByteText(count), text) << count;

    const std::pair<double, std::string> durations[] = {
        {0, "0:00"},      {-3, "0:00"},        {4.6, "0:05"},         {59.4, "0:59"},
        {83, "1:23"},     {754, "12:34"},      {3723, "1:02:03"},     {36000, "10:00:00"},
    };
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(cli::DurationText(seconds), text) << seconds;
}

TEST(ProgressLine, ShowsSongsBytesSpeedAndTimeLeftOnceTheyAreKnown) {
    struct Case {
        const char* what;
        CopyFigures figures;
        std::string line;
    };
    const Case cases[] = {
        {"at the start", {0, 340, 0, 1'300'000'000, 0, ""}, "0/340 songs  0 B of 1.30 GB"},
        {"within the first second",
         {1, 340, 5'000'000, 1'300'000'000, 0.5, ""},
         "1/340 songs  5.00 MB of 1.30 GB"},
        {"a second in, nothing copied",
         {0, 340, 0, 1'300'000'000, 2, ""},
         "0/340 songs  0 B of 1.30 GB"},
        {"under way",
         {12, 340, 45'200'000, 1'300'000'000, 4, ""},
         "12/340 songs  45.2 MB of 1.30 GB  11.3 MB/s  1:51 left"},
        {"done", {3, 3, 9000, 9000, 2, ""}, "3/3 songs  9.00 kB of 9.00 kB  4.50 kB/s  0:00 left"},
        {"one song", {0, 1, 0, 100, 0, ""}, "0/1 song  0 B of 100 B"},
        {"with the song's title",
         {12, 340, 45'200'000, 1'300'000'000, 4, "Intro"},
         "12/340 songs  45.2 MB of 1.30 GB  11.3 MB/s  1:51 left  Intro"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::ProgressLine(c.figures, 200), c.line) << c.what;
}

TEST(ProgressLine, NeverWiderThanTheTerminalTitleGivesWayFirstThenTheLastFigures) {
    const CopyFigures figures{12, 340, 45'200'000, 1'300'000'000, 4, "A Rather Long Title"};
    const std::string full = "12/340 songs  45.2 MB of 1.30 GB  11.3 MB/s  1:51 left";
    struct Case {
        std::size_t columns;
        std::string line;
    };
    const Case cases[] = {
        {80, full + "  A Rather Long Title"},
        {full.size() + 2 + 19, full + "  A Rather Long Title"},
        {full.size() + 2 + 18, full + "  A Rather Long T..."},
        {full.size() + 6, full + "  A..."},
        {full.size() + 5, full}, // no room for a useful piece of the title
        {full.size(), full},
        {full.size() - 1, "12/340 songs  45.2 MB of 1.30 GB  11.3 MB/s"},
        {33, "12/340 songs  45.2 MB of 1.30 GB"},
        {20, "12/340 songs"},
        {5, "12/34"},
    };
    for (const Case& c : cases) {
        const std::string line = cli::ProgressLine(figures, c.columns);
        EXPECT_EQ(line, c.line) << c.columns;
        EXPECT_LE(line.size(), c.columns);
    }

    // Characters beyond ASCII count as two columns and are never cut in half.
    const CopyFigures wide{0, 1, 0, 100, 0, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"}; // 3 CJK
    const std::string figuresOnly = "0/1 song  0 B of 100 B";
    EXPECT_EQ(cli::ProgressLine(wide, 40), figuresOnly + "  \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e");
    EXPECT_EQ(cli::ProgressLine(wide, 30), figuresOnly + "  \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e");
    EXPECT_EQ(cli::ProgressLine(wide, 29), figuresOnly + "  \xe6\x97\xa5...");
    EXPECT_EQ(cli::ProgressLine(wide, 28), figuresOnly);
}

class CopyProgressTest : public testing::Test {
protected:
    CopyProgress::Clock::time_point At(std::chrono::milliseconds offset) const {
        return start_ + offset;
    }
    // The lines drawn so far, each as it was drawn over the one before.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> lines;
        const std::string text = terminal_.str();
        const std::string wipe = "\r\x1b[K";
        for (std::size_t at = text.find(wipe); at != std::string::npos;) {
            const std::size_t next = text.find(wipe, at + wipe.size());
            lines.push_back(text.substr(at + wipe.size(), next - at - wipe.size()));
            at = next;
        }
        return lines;
    }

    std::ostringstream terminal_;
    const CopyProgress::Clock::time_point start_ = CopyProgress::Clock::now();
    std::size_t columns_ = 200;
};

TEST_F(CopyProgressTest, CountsBytesFromTheSourcesSizesWhateverTheBlocksSay) {
    // The second entry's source is missing: the worker passes over it without a word.
    CopyProgress progress(terminal_, {3000, 0, 5000}, [this] { return columns_; }, start_);
    progress.FileStarted(0, "One", At(0ms));
    progress.BlockCopied(2048, At(1ms));
    EXPECT_EQ(progress.Figures(At(1ms)).bytesDone, 2048u);
    progress.BlockCopied(2048, At(2ms)); // the last short block counts 2048
    progress.BlockCopied(2048, At(3ms)); // and so does the final empty read
    EXPECT_EQ(progress.Figures(At(3ms)).bytesDone, 3000u);
    EXPECT_EQ(progress.Figures(At(3ms)).songsDone, 0u);

    progress.FileStarted(2, "Three", At(4ms));
    const CopyFigures third = progress.Figures(At(2000ms));
    EXPECT_EQ(third.songsDone, 2u);
    EXPECT_EQ(third.songsTotal, 3u);
    EXPECT_EQ(third.bytesDone, 3000u);
    EXPECT_EQ(third.bytesTotal, 8000u);
    EXPECT_EQ(third.song, "Three");
    EXPECT_DOUBLE_EQ(third.seconds, 2.0);
    for (int i = 0; i < 5; ++i)
        progress.BlockCopied(2048, At(2001ms));
    EXPECT_EQ(progress.Figures(At(2001ms)).bytesDone, 8000u);
}

TEST_F(CopyProgressTest, RewritesOneLineAtMostTenTimesASecondAndClearsIt) {
    CopyProgress progress(terminal_, {1'000'000}, [this] { return columns_; }, start_);
    progress.FileStarted(0, "Intro", At(0ms)); // the first step is always drawn
    for (int block = 1; block <= 100; ++block)
        progress.BlockCopied(2048, At(std::chrono::milliseconds(block)));
    progress.BlockCopied(2048, At(100ms));
    progress.BlockCopied(2048, At(150ms));
    progress.BlockCopied(2048, At(200ms));
    columns_ = 13; // a narrower terminal: the next line fits it
    progress.BlockCopied(2048, At(1000ms));

    EXPECT_EQ(Drawn(), (std::vector<std::string>{"0/1 song  0 B of 1.00 MB  Intro",
                                                 "0/1 song  205 kB of 1.00 MB  Intro",
                                                 "0/1 song  211 kB of 1.00 MB  Intro",
                                                 "0/1 song"}));
    EXPECT_EQ(terminal_.str().find('\n'), std::string::npos);

    progress.Clear();
    EXPECT_TRUE(terminal_.str().ends_with("0/1 song\r\x1b[K"));
    const std::size_t cleared = terminal_.str().size();
    progress.Clear(); // nothing left to clear
    EXPECT_EQ(terminal_.str().size(), cleared);
}

} // namespace

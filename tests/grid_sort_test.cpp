#include "tests/grid_test_fixture.h"

#include <QTest>
#include <algorithm>
#include <gmock/gmock.h>
#include <random>
#include <string>
#include <vector>

namespace gridtest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Rows = std::vector<std::vector<std::string>>;

class GridSortTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        grid.SortSettings.Show = true;
    }

    void ClickHeader(int col) { QTest::mouseClick(View(), Qt::LeftButton, {}, CellCenter(col, 0)); }

    Rows AllRows() const {
        Rows rows;
        for (int row = 1; row < grid.RowCount(); ++row)
            rows.push_back({grid.GetCell(0, row), grid.GetCell(1, row), grid.GetCell(2, row)});
        return rows;
    }
};

struct ColumnSortCase {
    const char* name;
    std::vector<std::string> texts;
    std::vector<std::string> ascending;
};

class GridColumnSortTest : public GridSortTest,
                           public ::testing::WithParamInterface<ColumnSortCase> {};

TEST_P(GridColumnSortTest, HeaderClickSortsByTheKindOfTheColumn) {
    const ColumnSortCase& test = GetParam();
    Rows rows;
    for (const std::string& text : test.texts)
        rows.push_back({"", text, ""});
    Fill(rows);
    ClickHeader(1);
    EXPECT_THAT(Column(1), ElementsAreArray(test.ascending));
    ClickHeader(1);
    std::vector<std::string> descending(test.ascending.rbegin(), test.ascending.rend());
    EXPECT_THAT(Column(1), ElementsAreArray(descending));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridColumnSortTest,
    ::testing::Values(
        ColumnSortCase{"NumbersByValue", {"10", "9", "100", "2"}, {"2", "9", "10", "100"}},
        ColumnSortCase{"NumbersWithSignSeparatorsAndEmptyCells",
                       {"1,200", "-5", "", "300", "0.5", "-12.25"},
                       {"-12.25", "-5", "", "0.5", "300", "1,200"}},
        ColumnSortCase{
            "SizeTextsAsText", {"9.8MB", "10.5MB", "1.2MB"}, {"1.2MB", "10.5MB", "9.8MB"}},
        ColumnSortCase{"TextsByCharacterCode",
                       {"beta", "Beta", "", "alpha", "Alpha", "\xC3\xA9t\xC3\xA9", "zoo"},
                       {"", "Alpha", "Beta", "alpha", "beta", "zoo", "\xC3\xA9t\xC3\xA9"}},
        ColumnSortCase{"DatesOfTheLocale",
                       {"12/1/2023", "3/2/2024", "", "1/15/2024"},
                       {"", "12/1/2023", "1/15/2024", "3/2/2024"}},
        // One text among numbers makes the whole column compare as text.
        ColumnSortCase{
            "NumbersMixedWithTextAsText", {"9", "10", "1a", "100"}, {"10", "100", "1a", "9"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(GridSortTest, TiesAreBrokenByTheColumnsToTheRightAndDescendingReversesAll) {
    Fill({{"p", "b", "2"}, {"q", "a", "10"}, {"r", "b", "1"}, {"s", "a", "2"}, {"t", "a", "2"}});
    ClickHeader(1);
    EXPECT_THAT(Column(0), ElementsAre("s", "t", "q", "r", "p"));
    EXPECT_TRUE(grid.SortAscending());
    ClickHeader(1);
    EXPECT_THAT(Column(0), ElementsAre("p", "r", "q", "t", "s"));
    EXPECT_FALSE(grid.SortAscending());
}

TEST_F(GridSortTest, ColumnsToTheLeftDoNotBreakTies) {
    Fill({{"z", "same"}, {"a", "same"}, {"m", "same"}});
    ClickHeader(1);
    EXPECT_THAT(Column(0), ElementsAre("z", "a", "m"));
}

TEST_F(GridSortTest, ANewColumnStartsAscendingAndTheFirstSortColumnIsZero) {
    Fill({{"2", "x"}, {"1", "y"}, {"3", "z"}});
    ClickHeader(0); // column 0 is already the ascending sort column: this reverses it
    EXPECT_THAT(Column(0), ElementsAre("3", "2", "1"));
    ClickHeader(1);
    EXPECT_THAT(Column(1), ElementsAre("x", "y", "z"));
    EXPECT_EQ(grid.SortColumn(), 1);
    ClickHeader(0);
    EXPECT_THAT(Column(0), ElementsAre("1", "2", "3"));
}

TEST_F(GridSortTest, MarksStayAtTheirPositionsWhileTagsTravelWithTheRows) {
    Fill({{"", "c"}, {"", "a"}, {"", "b"}});
    for (int row = 1; row <= 3; ++row)
        grid.SetRowTag(row, 100 + row);
    grid.SetRowMarked(1, true);
    ClickHeader(1);
    EXPECT_THAT(Column(1), ElementsAre("a", "b", "c"));
    EXPECT_THAT(MarkedRows(), ElementsAre(1));
    EXPECT_EQ(grid.RowTag(1), 102);
    EXPECT_EQ(grid.RowTag(2), 103);
    EXPECT_EQ(grid.RowTag(3), 101);
    EXPECT_EQ(grid.RowHeights(1), TITunesStringGrid::DefaultRowHeight);
}

TEST_F(GridSortTest, VetoIsAskedWithTheColumnAndCancelsTheSort) {
    Fill({{"", "b"}, {"", "a"}});
    std::vector<int> asked;
    grid.OnCanSort = [&](int col, bool& allow) {
        asked.push_back(col);
        EXPECT_TRUE(allow);
        allow = false;
    };
    ClickHeader(1);
    EXPECT_THAT(asked, ElementsAre(1));
    EXPECT_THAT(Column(1), ElementsAre("b", "a"));
    EXPECT_EQ(grid.SortColumn(), 0);
}

TEST_F(GridSortTest, ClicksThatDoNotSort) {
    const Rows unsorted = {{"", "b"}, {"", "c"}, {"", "a"}};
    struct Attempt {
        const char* name;
        std::function<void()> act;
    };
    const int border = ColLeft(2);
    const std::vector<Attempt> attempts = {
        {"near the right border",
         [&] { QTest::mouseClick(View(), Qt::LeftButton, {}, HeaderAt(border - 2)); }},
        {"near the left border",
         [&] { QTest::mouseClick(View(), Qt::LeftButton, {}, HeaderAt(ColLeft(1) + 1)); }},
        {"pressed on a cell, released on the header",
         [&] {
             QTest::mousePress(View(), Qt::LeftButton, {}, CellCenter(1, 2));
             QTest::mouseRelease(View(), Qt::LeftButton, {}, CellCenter(1, 0));
         }},
        {"pressed on the header, released on a cell",
         [&] {
             QTest::mousePress(View(), Qt::LeftButton, {}, CellCenter(1, 0));
             QTest::mouseRelease(View(), Qt::LeftButton, {}, CellCenter(1, 2));
         }},
        {"sorting turned off",
         [&] {
             grid.SortSettings.Show = false;
             ClickHeader(1);
             grid.SortSettings.Show = true;
         }},
        {"only one data row",
         [&] {
             grid.SetRowCount(2);
             ClickHeader(1);
             grid.SetRowCount(4);
             Fill(unsorted);
         }},
    };
    int asked = 0;
    grid.OnCanSort = [&](int, bool&) { ++asked; };
    for (const Attempt& attempt : attempts) {
        Fill(unsorted);
        attempt.act();
        EXPECT_THAT(Column(1), ElementsAre("b", "c", "a")) << attempt.name;
        EXPECT_EQ(asked, 0) << attempt.name;
        EXPECT_EQ(grid.SortColumn(), 0) << attempt.name;
    }
    ClickHeader(1); // the same table does sort on a proper click
    EXPECT_THAT(Column(1), ElementsAre("a", "b", "c"));
}

TEST_F(GridSortTest, LargeTablesSortCompletelyWithTies) {
    constexpr int kRows = 50000;
    std::mt19937 random(7);
    grid.SetRowCount(kRows + 1);
    for (int row = 1; row <= kRows; ++row) {
        grid.SetCell(1, row, "Album " + std::to_string(random() % 300));
        grid.SetCell(2, row, std::to_string(random() % 1000));
    }
    ClickHeader(1);
    for (int row = 2; row <= kRows; ++row) {
        const std::string& album = grid.GetCell(1, row);
        const std::string& previous = grid.GetCell(1, row - 1);
        ASSERT_LE(previous, album) << row;
        if (album == previous) {
            ASSERT_LE(std::stoi(grid.GetCell(2, row - 1)), std::stoi(grid.GetCell(2, row))) << row;
        }
    }
}

} // namespace
} // namespace gridtest

#include "tests/grid_test_fixture.h"

#include <gmock/gmock.h>
#include <stdexcept>

namespace gridtest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using GridModelTest = GridFixture;

TEST_F(GridModelTest, RowCountOfOneKeepsTheHeaderAndLaterGrowthAddsEmptyRows) {
    grid.SetCell(1, 0, "Title");
    grid.SetRowHeights(0, 16);
    grid.SetCell(1, 3, "old text");

    grid.SetRowCount(0);
    EXPECT_EQ(grid.RowCount(), 1);
    grid.SetRowCount(-7);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.GetCell(1, 0), "Title");
    EXPECT_EQ(grid.RowHeights(0), 16);

    grid.SetCell(1, 1, "beyond the last row"); // dropped: the table does not grow by writing
    EXPECT_EQ(grid.RowCount(), 1);

    grid.SetRowCount(5);
    EXPECT_EQ(grid.RowCount(), 5);
    for (int row = 1; row < 5; ++row) {
        EXPECT_EQ(grid.RowHeights(row), TITunesStringGrid::DefaultRowHeight) << row;
        EXPECT_EQ(grid.GetCell(1, row), "") << row;
    }
    EXPECT_EQ(grid.GetCell(1, 0), "Title");
}

TEST_F(GridModelTest, ReadsOutsideTheTableGiveEmptyTextAndWritesAreDropped) {
    grid.SetCell(2, 10, "last cell");
    for (auto [col, row] : {std::pair{-1, 1}, {3, 1}, {1, -1}, {1, 11}, {500, 500}}) {
        grid.SetCell(col, row, "x");
        EXPECT_EQ(grid.GetCell(col, row), "") << col << "," << row;
    }
    EXPECT_EQ(grid.GetCell(2, 10), "last cell");
    EXPECT_EQ(grid.RowCount(), 11);
    EXPECT_EQ(grid.ColCount(), 3);
}

TEST_F(GridModelTest, ColumnCountShrinkDropsTextsAndRegrowthShowsThemEmpty) {
    grid.SetCell(2, 1, "third");
    grid.SetCell(0, 1, "first");
    grid.SetColCount(2);
    EXPECT_EQ(grid.GetCell(2, 1), "");
    grid.SetColCount(4);
    EXPECT_EQ(grid.GetCell(2, 1), "");
    EXPECT_EQ(grid.GetCell(0, 1), "first");
    grid.SetCell(3, 1, "fourth");
    EXPECT_EQ(grid.GetCell(3, 1), "fourth");
}

TEST_F(GridModelTest, ClearCellsEmptiesEveryTextButKeepsMarksAndSizes) {
    grid.SetCell(1, 0, "Header");
    grid.SetCell(1, 2, "two");
    grid.SetCell(2, 5, "five");
    grid.SetRowHeights(5, 30);
    SetMarks({2, 5});

    grid.ClearCells();

    EXPECT_EQ(grid.GetCell(1, 0), "");
    EXPECT_EQ(grid.GetCell(1, 2), "");
    EXPECT_EQ(grid.GetCell(2, 5), "");
    EXPECT_THAT(MarkedRows(), ElementsAre(2, 5));
    EXPECT_EQ(grid.RowCount(), 11);
    EXPECT_EQ(grid.ColWidths(2), 100);
    EXPECT_EQ(grid.RowHeights(5), 30);
}

TEST_F(GridModelTest, RowTagsAreClearedWithTheTextsAndByRegrowth) {
    grid.SetRowTag(2, 42);
    grid.SetRowTag(9, 7);
    grid.SetRowTag(11, 5); // beyond the last row: dropped
    EXPECT_EQ(grid.RowTag(2), 42);
    grid.SetRowCount(5);
    grid.SetRowCount(11);
    EXPECT_EQ(grid.RowTag(2), 42);
    EXPECT_EQ(grid.RowTag(9), 0);
    grid.ClearCells();
    EXPECT_EQ(grid.RowTag(2), 0);
    EXPECT_EQ(grid.RowTag(-1), 0);
}

TEST_F(GridModelTest, MarksOfCutRowsReturnWhenTheRowsComeBack) {
    grid.MarkRows(1, 10);
    EXPECT_EQ(grid.MarkedRowCount(), 10);

    grid.SetRowCount(4);
    EXPECT_EQ(grid.MarkedRowCount(), 10);
    EXPECT_THAT(MarkedRows(), ElementsAre(1, 2, 3));

    grid.SetRowCount(12);
    EXPECT_EQ(grid.MarkedRowCount(), 10);
    EXPECT_THAT(MarkedRows(), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
}

TEST_F(GridModelTest, MarkRowsSkipsPositionsBeyondTheLastRow) {
    grid.MarkRows(9, 5);
    EXPECT_THAT(MarkedRows(), ElementsAre(9, 10));
    EXPECT_EQ(grid.MarkedRowCount(), 2);
    grid.SetRowCount(20);
    EXPECT_THAT(MarkedRows(), ElementsAre(9, 10));
}

TEST_F(GridModelTest, RowsOutsideTheTableRaiseInvalidRowAccessed) {
    for (int row : {-1, 11, 1000}) {
        for (bool setting : {false, true}) {
            try {
                if (setting)
                    grid.SetRowMarked(row, true);
                else
                    (void)grid.IsRowMarked(row);
                ADD_FAILURE() << "no error for row " << row;
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "Invalid row accessed") << row;
            }
        }
    }
    EXPECT_EQ(grid.MarkedRowCount(), 0);
    EXPECT_NO_THROW(grid.SetRowMarked(0, false));
    EXPECT_NO_THROW(grid.SetRowMarked(10, true));
}

TEST_F(GridModelTest, SettingAMarkTwiceCountsItOnce) {
    grid.SetRowMarked(4, true);
    grid.SetRowMarked(4, true);
    EXPECT_EQ(grid.MarkedRowCount(), 1);
    grid.SetRowMarked(4, false);
    grid.SetRowMarked(4, false);
    EXPECT_EQ(grid.MarkedRowCount(), 0);
    EXPECT_THAT(MarkedRows(), IsEmpty());
}

TEST_F(GridModelTest, GrowingOneRowAtATimeKeepsEveryText) {
    constexpr int kRows = 50000;
    grid.SetRowCount(1);
    for (int row = 1; row <= kRows; ++row) {
        grid.SetRowCount(row + 1);
        grid.SetRowHeights(row, 16);
        grid.SetCell(1, row, std::to_string(row));
    }
    ASSERT_EQ(grid.RowCount(), kRows + 1);
    for (int row : {1, 2, 12345, kRows})
        EXPECT_EQ(grid.GetCell(1, row), std::to_string(row));
    EXPECT_EQ(grid.RowHeights(kRows), 16);
}

TEST_F(GridModelTest, RewrittenCellsKeepTheirLatestTexts) {
    // Enough rewriting of long texts that the store drops the replaced ones more than once,
    // some of them copied from the table's own cells.
    std::vector<std::string> expected(33);
    const auto at = [](int i) { return std::pair{i % 3, i / 3}; };
    for (int step = 0; step < 6000; ++step) {
        const int target = (step * 7) % 33;
        const auto [col, row] = at(target);
        if (step % 5 == 4) {
            const int source = (step * 11) % 33;
            const auto [fromCol, fromRow] = at(source);
            grid.SetCell(col, row, grid.CellText(fromCol, fromRow));
            expected[target] = expected[source];
        } else {
            std::string text(500 + step % 300, static_cast<char>('a' + step % 26));
            text += std::to_string(step);
            grid.SetCell(col, row, text);
            expected[target] = text;
        }
        if (step == 3000) {
            grid.SetRowCount(6); // cut rows leave their texts behind too
            grid.SetRowCount(11);
            for (int i = 18; i < 33; ++i)
                expected[i].clear();
        }
    }
    for (int i = 0; i < 33; ++i) {
        const auto [col, row] = at(i);
        ASSERT_EQ(grid.GetCell(col, row), expected[i]) << col << "," << row;
    }
}

} // namespace
} // namespace gridtest

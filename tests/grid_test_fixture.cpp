#include "tests/grid_test_fixture.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

namespace gridtest {

void GridFixture::SetUp() {
    grid.SetScrollBars(TITunesStringGrid::ssNone);
    grid.MouseActions.DisjunctRowSelect = true;
    grid.SetColCount(3);
    grid.SetColWidths(0, 60);
    grid.SetColWidths(1, 80);
    grid.SetColWidths(2, 100);
    grid.SetRowCount(11);
    grid.resize(300, 400);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    QApplication::processEvents();
}

int GridFixture::ColLeft(int col) const {
    int left = 0;
    for (int c = 0; c < col; ++c)
        left += grid.ColWidths(c);
    return left - grid.horizontalScrollBar()->value();
}

QPoint GridFixture::CellCenter(int col, int row) const {
    const int x = ColLeft(col) + grid.ColWidths(col) / 2;
    if (row == 0)
        return {x, grid.RowHeights(0) / 2};
    int top = grid.RowHeights(0);
    for (int r = grid.TopRow(); r < row; ++r)
        top += grid.RowHeights(r);
    return {x, top + grid.RowHeights(row) / 2};
}

QPoint GridFixture::HeaderAt(int x) const {
    return {x, grid.RowHeights(0) / 2};
}

QPoint GridFixture::BelowLastRow() const {
    const QPoint last = CellCenter(1, grid.RowCount() - 1);
    return {last.x(), last.y() + grid.RowHeights(grid.RowCount() - 1)};
}

void GridFixture::Click(int row, Qt::KeyboardModifiers modifiers, int col) {
    QTest::mouseClick(View(), Qt::LeftButton, modifiers, CellCenter(col, row));
}

void GridFixture::Key(int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&grid, static_cast<Qt::Key>(key), modifiers);
}

std::vector<int> GridFixture::MarkedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < grid.RowCount(); ++row)
        if (grid.IsRowMarked(row))
            rows.push_back(row);
    return rows;
}

void GridFixture::SetMarks(const std::vector<int>& rows) {
    for (int row : rows)
        grid.SetRowMarked(row, true);
}

void GridFixture::Fill(const std::vector<std::vector<std::string>>& rows) {
    grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            grid.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
}

std::vector<std::string> GridFixture::Column(int col) const {
    std::vector<std::string> texts;
    for (int row = 1; row < grid.RowCount(); ++row)
        texts.push_back(grid.GetCell(col, row));
    return texts;
}

} // namespace gridtest

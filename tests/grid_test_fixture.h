#pragma once

#include "app/component/ITunesStringGrid.h"

#include <QPoint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace gridtest {

// A shown grid with three columns 60, 80 and 100 pixels wide, a header and ten data rows of
// the default height, no scroll bars, and marks set by mouse and keys.
class GridFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // Positions in viewport coordinates, computed from the grid's own sizes and scrolling.
    int ColLeft(int col) const;
    QPoint CellCenter(int col, int row) const;
    QPoint HeaderAt(int x) const;
    QPoint BelowLastRow() const;

    void Click(int row, Qt::KeyboardModifiers modifiers = {}, int col = 1);
    void Key(int key, Qt::KeyboardModifiers modifiers = {});

    std::vector<int> MarkedRows() const;
    void SetMarks(const std::vector<int>& rows);
    // Replaces the data rows; the header row is left alone.
    void Fill(const std::vector<std::vector<std::string>>& rows);
    std::vector<std::string> Column(int col) const;

    QWidget* View() const { return grid.viewport(); }

    TITunesStringGrid grid;
};

} // namespace gridtest

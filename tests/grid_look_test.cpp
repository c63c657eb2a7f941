#include "tests/grid_test_fixture.h"

#include <QImage>
#include <QPalette>
#include <QTest>
#include <gmock/gmock.h>

namespace gridtest {
namespace {

class GridLookTest : public GridFixture {
protected:
    QColor PixelAt(QPoint pos) const { return View()->grab().toImage().pixelColor(pos); }

    // A point inside an empty cell, clear of any text.
    QPoint EmptySpotOfRow(int row) const { return {ColLeft(2) + 50, CellCenter(2, row).y()}; }
};

TEST_F(GridLookTest, RowsAreBandedFromRowOneAndMarkedRowsTakeTheSelectionColour) {
    const QColor primary(237, 243, 254);
    const QColor window = grid.palette().color(QPalette::Base);
    grid.SetRowMarked(4, true);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(1)), primary);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(2)), window);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(3)), primary);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(4)), QColor(215, 228, 242));
    EXPECT_EQ(PixelAt(EmptySpotOfRow(5)), primary);

    grid.SetSelectionColor(QColor(10, 20, 30));
    EXPECT_EQ(PixelAt(EmptySpotOfRow(4)), QColor(10, 20, 30));
}

TEST_F(GridLookTest, HeaderShowsThePictureOverItsColourAndStaysWhenScrolled) {
    const QColor skyBlue(166, 202, 240);
    grid.SetHeaderColor(skyBlue);
    grid.SetRowCount(300);
    const int x = ColLeft(2) + 50;
    const auto checkHeader = [&] {
        EXPECT_EQ(PixelAt({x, 0}), QColor(255, 255, 255));
        EXPECT_EQ(PixelAt({x, 7}), QColor(232, 232, 232));
        EXPECT_EQ(PixelAt({x, 8}), QColor(236, 236, 236));
        EXPECT_EQ(PixelAt({x, 14}), QColor(255, 255, 255));
        EXPECT_EQ(PixelAt({x, 15}), skyBlue); // the header is 21 high, the picture 15
    };
    checkHeader();
    Click(1);
    QTest::keyClick(&grid, Qt::Key_End);
    ASSERT_GT(grid.TopRow(), 1);
    checkHeader();
}

TEST_F(GridLookTest, RaisedHeaderCellsLookPressedWhileTheButtonIsHeld) {
    grid.SetHeaderButtons(true);
    const int left = ColLeft(1);
    const QPoint topLeft(left + 5, 0);
    const QColor raised = PixelAt(topLeft);
    QTest::mousePress(View(), Qt::LeftButton, {}, CellCenter(1, 0));
    const QColor pressed = PixelAt(topLeft);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, CellCenter(1, 0));
    EXPECT_EQ(raised, QColor(255, 255, 255));
    EXPECT_NE(pressed, raised);
    EXPECT_EQ(PixelAt(topLeft), raised);
}

TEST_F(GridLookTest, WithoutMarksTheSelectionRangeIsHighlighted) {
    grid.MouseActions.DisjunctRowSelect = false;
    grid.SetOption(TITunesStringGrid::goRowSelect, true);
    Click(3);
    Click(4, Qt::ShiftModifier);
    const QColor selection(215, 228, 242);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(3)), selection);
    EXPECT_EQ(PixelAt(EmptySpotOfRow(4)), selection);
    EXPECT_NE(PixelAt(EmptySpotOfRow(5)), selection);
}

} // namespace
} // namespace gridtest

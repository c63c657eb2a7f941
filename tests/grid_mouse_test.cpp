#include "tests/grid_test_fixture.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace gridtest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using GridMouseTest = GridFixture;

struct ClickStep {
    int row;
    Qt::KeyboardModifiers modifiers;
};

struct MouseMarkCase {
    const char* name;
    std::vector<int> marked;
    std::vector<ClickStep> clicks;
    std::vector<int> expected;
};

class GridMouseMarkTest : public GridFixture,
                          public ::testing::WithParamInterface<MouseMarkCase> {};

TEST_P(GridMouseMarkTest, ClicksSetTheMarks) {
    const MouseMarkCase& test = GetParam();
    SetMarks(test.marked);
    for (const ClickStep& click : test.clicks)
        Click(click.row, click.modifiers);
    EXPECT_THAT(MarkedRows(), ElementsAreArray(test.expected));
    EXPECT_EQ(grid.MarkedRowCount(), static_cast<int>(test.expected.size()));
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, GridMouseMarkTest,
    ::testing::Values(
        MouseMarkCase{"PlainClickMarksOnlyTheClickedRow", {2, 3, 9}, {{5, kNone}}, {5}},
        MouseMarkCase{"ShiftClickMarksFromTheAnchor", {}, {{5, kNone}, {8, kShift}}, {5, 6, 7, 8}},
        MouseMarkCase{
            "ShiftClickUpwardsMarksFromTheAnchor", {9}, {{8, kNone}, {5, kShift}}, {5, 6, 7, 8}},
        MouseMarkCase{"CtrlClickAddsARow", {2}, {{4, kCtrl}}, {2, 4}},
        MouseMarkCase{"CtrlClickTwiceRemovesItAgain", {2, 7}, {{4, kCtrl}, {4, kCtrl}}, {2, 7}},
        MouseMarkCase{"CtrlShiftClickAddsTheRange",
                      {},
                      {{2, kNone}, {5, kCtrl}, {7, kCtrlShift}},
                      {2, 5, 6, 7}},
        MouseMarkCase{"CtrlShiftClickOnAMarkedRowLeavesItUnmarked",
                      {},
                      {{4, kNone}, {9, kCtrl}, {4, kCtrlShift}},
                      {5, 6, 7, 8, 9}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(GridMouseTest, DraggingMarksTheDraggedRows) {
    SetMarks({9});
    QTest::mousePress(View(), Qt::LeftButton, {}, CellCenter(1, 2));
    QTest::mouseMove(View(), CellCenter(1, 4));
    QTest::mouseMove(View(), CellCenter(2, 6));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, CellCenter(2, 6));
    EXPECT_THAT(MarkedRows(), ElementsAre(2, 3, 4, 5, 6));
    EXPECT_EQ(grid.Row(), 6);
    EXPECT_EQ(grid.Col(), 2);
}

TEST_F(GridMouseTest, ReleaseOnTheHeaderOrBelowTheLastRowMarksTheRangeAgain) {
    grid.SetRowCount(6); // leaves room below the last row
    Click(2);
    Click(4, Qt::ShiftModifier);
    for (QPoint where : {CellCenter(1, 0), BelowLastRow()}) {
        for (int row = 1; row < grid.RowCount(); ++row)
            grid.SetRowMarked(row, false);
        SetMarks({5});
        QTest::mouseClick(View(), Qt::LeftButton, {}, where);
        EXPECT_THAT(MarkedRows(), ElementsAre(2, 3, 4, 5));
        EXPECT_EQ(grid.Row(), 4); // the press did not move the cursor
    }
}

TEST_F(GridMouseTest, ClickFiresBeforeTheMarksAndMouseUpAfterThem) {
    SetMarks({2});
    std::vector<std::string> events;
    grid.OnClick = [&] {
        events.push_back("click marked=" + std::to_string(grid.MarkedRowCount()));
    };
    grid.OnMouseUp = [&](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
        events.push_back("up marked=" + std::to_string(grid.MarkedRowCount()) +
                         " row4=" + std::to_string(grid.IsRowMarked(4)));
        EXPECT_EQ(button, Qt::LeftButton);
        EXPECT_EQ(modifiers, Qt::ShiftModifier);
        EXPECT_EQ(pos, CellCenter(1, 4));
    };
    Click(4, Qt::ShiftModifier);
    // The press cleared row 2; row 4 is marked only after OnClick.
    EXPECT_THAT(events, ElementsAre("click marked=0", "up marked=4 row4=1"));
}

TEST_F(GridMouseTest, ReleaseOnAHeaderBorderSkipsOnClickOnlyWhereColumnsCanBeResized) {
    // The border is where the resize pointer shows: nowhere in a grid without column sizing.
    for (const bool sizing : {true, false}) {
        SCOPED_TRACE(sizing ? "column sizing" : "no column sizing");
        grid.SetOption(TITunesStringGrid::goColSizing, sizing);
        int clicks = 0;
        int ups = 0;
        grid.OnClick = [&] { ++clicks; };
        grid.OnMouseUp = [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++ups; };
        QTest::mouseClick(View(), Qt::LeftButton, {}, HeaderAt(ColLeft(2) - 1));
        EXPECT_EQ(clicks, sizing ? 0 : 1);
        EXPECT_EQ(ups, 1);
        QTest::mouseClick(View(), Qt::LeftButton, {}, CellCenter(1, 0));
        EXPECT_EQ(clicks, sizing ? 1 : 2);
        EXPECT_EQ(ups, 2);
    }
}

TEST_F(GridMouseTest, RightClickReportsTheCellLeavesMarksAndOpensThePopup) {
    Click(3);
    SetMarks({7});
    QMenu menu;
    menu.addAction("Select All");
    grid.SetPopupMenu(&menu);
    std::vector<std::string> events;
    grid.OnRightClickCell = [&](int row, int col) {
        events.push_back("cell " + std::to_string(row) + "," + std::to_string(col));
    };
    grid.OnMouseUp = [&](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
        events.push_back(button == Qt::RightButton ? "up right" : "up other");
    };
    grid.OnPopup = [&] { events.push_back(menu.isVisible() ? "popup shown" : "popup before"); };

    QTest::mousePress(View(), Qt::RightButton, {}, CellCenter(2, 6));
    EXPECT_THAT(MarkedRows(), ElementsAre(3, 7));
    EXPECT_EQ(grid.Row(), 3);
    QTest::mouseRelease(View(), Qt::RightButton, {}, CellCenter(2, 6));

    EXPECT_THAT(events, ElementsAre("cell 6,2", "up right", "popup before"));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_THAT(MarkedRows(), ElementsAre(3, 7));
    menu.hide();
}

TEST_F(GridMouseTest, RightPressOutsideTheCellsReportsMinusOne) {
    grid.SetRowCount(4);
    std::vector<std::pair<int, int>> cells;
    grid.OnRightClickCell = [&](int row, int col) { cells.emplace_back(row, col); };
    const int pastLastColumn = ColLeft(2) + grid.ColWidths(2) + 10;
    QTest::mouseClick(View(), Qt::RightButton, {}, BelowLastRow());
    QTest::mouseClick(View(), Qt::RightButton, {}, {pastLastColumn, CellCenter(0, 2).y()});
    QTest::mouseClick(View(), Qt::RightButton, {}, CellCenter(0, 0));
    EXPECT_THAT(cells, ElementsAre(std::pair{-1, 1}, std::pair{2, -1}, std::pair{0, 0}));
}

TEST_F(GridMouseTest, DoubleClickOnAHeaderBorderFitsTheColumnInsteadOfReportingTheCell) {
    const std::string longest = "a much longer text than the others";
    grid.SetCell(1, 0, "Title");
    grid.SetCell(1, 2, "short");
    grid.SetCell(1, 7, longest);
    const int textWidth =
        QFontMetrics(grid.font()).horizontalAdvance(QString::fromStdString(longest));
    for (const bool sizing : {true, false}) {
        SCOPED_TRACE(sizing ? "column sizing" : "no column sizing");
        grid.SetOption(TITunesStringGrid::goColSizing, sizing);
        grid.SetColWidths(1, 80);
        std::vector<std::pair<int, int>> cells;
        int doubleClicks = 0;
        grid.OnDblClickCell = [&](int row, int col) { cells.emplace_back(row, col); };
        grid.OnDblClick = [&] { ++doubleClicks; };

        const QPoint border = HeaderAt(ColLeft(2) + 2);
        QTest::mouseClick(View(), Qt::LeftButton, {}, border);
        QTest::mouseDClick(View(), Qt::LeftButton, {}, border);
        QTest::mouseRelease(View(), Qt::LeftButton, {}, border);

        if (sizing) {
            EXPECT_GE(grid.ColWidths(1), textWidth);
            EXPECT_LE(grid.ColWidths(1), textWidth + 12);
            EXPECT_TRUE(cells.empty());
        } else {
            // Nothing to grab: a double-click on the header cell like any other.
            EXPECT_EQ(grid.ColWidths(1), 80);
            EXPECT_EQ(cells, (std::vector<std::pair<int, int>>{{0, 2}}));
        }
        EXPECT_EQ(grid.ColWidths(2), 100);
        EXPECT_EQ(doubleClicks, 1);
    }
}

TEST_F(GridMouseTest, DoubleClickOnACellReportsRowAndColumn) {
    std::vector<std::pair<int, int>> cells;
    grid.OnDblClickCell = [&](int row, int col) { cells.emplace_back(row, col); };
    QTest::mouseClick(View(), Qt::LeftButton, {}, CellCenter(2, 5));
    QTest::mouseDClick(View(), Qt::LeftButton, {}, CellCenter(2, 5));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, CellCenter(2, 5));
    EXPECT_THAT(cells, ElementsAre(std::pair{5, 2}));
    EXPECT_THAT(MarkedRows(), ElementsAre(5));
}

TEST_F(GridMouseTest, DraggingAHeaderBorderResizesTheColumnWhenSizingIsOn) {
    int clicks = 0;
    grid.OnClick = [&] { ++clicks; };
    const auto drag = [&] {
        const int border = ColLeft(2);
        QTest::mousePress(View(), Qt::LeftButton, {}, HeaderAt(border - 1));
        QTest::mouseMove(View(), HeaderAt(border + 30));
        QTest::mouseRelease(View(), Qt::LeftButton, {}, HeaderAt(border + 30));
    };
    drag();
    EXPECT_EQ(grid.ColWidths(1), 80); // sizing is off
    clicks = 0;

    grid.SetOption(TITunesStringGrid::goColSizing, true);
    drag();
    EXPECT_EQ(grid.ColWidths(1), 110);
    EXPECT_EQ(grid.ColWidths(2), 100);
    EXPECT_EQ(clicks, 0);
}

TEST_F(GridMouseTest, HoveringAHeaderBorderShowsTheResizePointer) {
    grid.SetOption(TITunesStringGrid::goColSizing, true);
    const auto hover = [&](QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, View()->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(View(), &move);
        return View()->cursor().shape();
    };
    EXPECT_EQ(hover(HeaderAt(ColLeft(1) + 1)), Qt::SplitHCursor);
    EXPECT_EQ(hover(HeaderAt(ColLeft(1) + 20)), Qt::ArrowCursor);
    EXPECT_EQ(hover(CellCenter(1, 3)), Qt::ArrowCursor);
}

TEST_F(GridMouseTest, WithoutDisjunctRowSelectClicksOnlyMoveTheCursor) {
    grid.MouseActions.DisjunctRowSelect = false;
    SetMarks({2});
    Click(4);
    Click(7, Qt::ShiftModifier);
    EXPECT_THAT(MarkedRows(), ElementsAre(2));
    EXPECT_EQ(grid.Row(), 7);
    EXPECT_EQ(grid.SelectionTopRow(), 4);
    EXPECT_EQ(grid.SelectionBottomRow(), 7);
}

TEST_F(GridMouseTest, ClicksHitTheRightRowAfterScrolling) {
    grid.SetRowCount(200);
    Key(Qt::Key_End);
    ASSERT_GT(grid.TopRow(), 100);
    const int row = grid.TopRow() + 2;
    Click(row);
    EXPECT_THAT(MarkedRows(), ElementsAre(row));
}

} // namespace
} // namespace gridtest

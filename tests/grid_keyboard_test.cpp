#include "tests/grid_test_fixture.h"

#include <QApplication>
#include <QWheelEvent>
#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace gridtest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using GridKeyboardTest = GridFixture;

struct KeyStep {
    int key;
    Qt::KeyboardModifiers modifiers;
};

struct KeyMarkCase {
    const char* name;
    int clickedRow;
    std::vector<int> markedAfterClick;
    std::vector<KeyStep> keys;
    std::vector<int> expected;
    int expectedRow;
};

class GridKeyMarkTest : public GridFixture, public ::testing::WithParamInterface<KeyMarkCase> {};

TEST_P(GridKeyMarkTest, KeysMoveTheCursorAndSetTheMarks) {
    const KeyMarkCase& test = GetParam();
    Click(test.clickedRow);
    SetMarks(test.markedAfterClick);
    for (const KeyStep& step : test.keys)
        Key(step.key, step.modifiers);
    EXPECT_THAT(MarkedRows(), ElementsAreArray(test.expected));
    EXPECT_EQ(grid.Row(), test.expectedRow);
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, GridKeyMarkTest,
    ::testing::Values(
        KeyMarkCase{"DownMarksOnlyTheNewRow", 3, {8}, {{Qt::Key_Down, kNone}}, {4}, 4},
        KeyMarkCase{"ShiftDownMarksExactlyTheRange",
                    3,
                    {8},
                    {{Qt::Key_Down, kShift}, {Qt::Key_Down, kShift}},
                    {3, 4, 5},
                    5},
        KeyMarkCase{"ShiftUpPastTheAnchorShrinksAndFlips",
                    5,
                    {},
                    {{Qt::Key_Down, kShift}, {Qt::Key_Up, kShift}, {Qt::Key_Up, kShift}},
                    {4, 5},
                    4},
        KeyMarkCase{"CtrlDownAddsTheNewRow", 3, {8}, {{Qt::Key_Down, kCtrl}}, {3, 4, 8}, 4},
        KeyMarkCase{"UpOnTheFirstRowStillResetsTheMarks", 1, {6}, {{Qt::Key_Up, kNone}}, {1}, 1},
        KeyMarkCase{"EndGoesToTheLastRow", 2, {}, {{Qt::Key_End, kNone}}, {10}, 10},
        KeyMarkCase{
            "ShiftHomeMarksUpToTheFirstRow", 4, {9}, {{Qt::Key_Home, kShift}}, {1, 2, 3, 4}, 1},
        KeyMarkCase{"RightKeepsTheRowAndResetsTheMarks", 3, {6}, {{Qt::Key_Right, kNone}}, {3}, 3},
        KeyMarkCase{"SpaceTogglesTheCurrentRow", 3, {6}, {{Qt::Key_Space, kNone}}, {6}, 3},
        KeyMarkCase{"SpaceTwiceRestoresTheMark",
                    3,
                    {},
                    {{Qt::Key_Space, kNone}, {Qt::Key_Space, kNone}},
                    {3},
                    3},
        KeyMarkCase{"OtherKeysLeaveTheMarks", 3, {6}, {{Qt::Key_X, kNone}}, {3, 6}, 3}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(GridKeyboardTest, OnKeyDownSeesTheKeyBeforeTheCursorMoves) {
    Click(3);
    std::vector<std::string> events;
    grid.OnKeyDown = [&](int& key, Qt::KeyboardModifiers modifiers) {
        events.push_back("key " + std::to_string(key) + " row " + std::to_string(grid.Row()) +
                         (modifiers & Qt::ControlModifier ? " ctrl" : ""));
    };
    grid.OnClick = [&] { events.push_back("click row " + std::to_string(grid.Row())); };

    Key(Qt::Key_Down);
    Key(Qt::Key_A, Qt::ControlModifier);

    // The Ctrl key itself comes first, as a key of its own.
    EXPECT_THAT(events, ElementsAre("key " + std::to_string(Qt::Key_Down) + " row 3", "click row 4",
                                    "key " + std::to_string(Qt::Key_Control) + " row 4 ctrl",
                                    "key 65 row 4 ctrl"));
    EXPECT_THAT(MarkedRows(), ElementsAre(4)); // Ctrl+A is the owner's
}

TEST_F(GridKeyboardTest, OnClickFiresOnlyWhenTheCursorMoved) {
    Click(10);
    int clicks = 0;
    grid.OnClick = [&] { ++clicks; };
    Key(Qt::Key_Down);
    Key(Qt::Key_End);
    EXPECT_EQ(clicks, 0);
    Key(Qt::Key_Up);
    EXPECT_EQ(clicks, 1);
}

TEST_F(GridKeyboardTest, AnOwnerCanSwallowAKey) {
    Click(3);
    grid.OnKeyDown = [](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Down)
            key = 0;
    };
    Key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_THAT(MarkedRows(), ElementsAre(3));
}

TEST_F(GridKeyboardTest, KeysWithoutDisjunctRowSelectLeaveTheMarks) {
    grid.MouseActions.DisjunctRowSelect = false;
    SetMarks({6});
    Click(3);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Space);
    EXPECT_THAT(MarkedRows(), ElementsAre(6));
    EXPECT_EQ(grid.SelectionTopRow(), 3);
    EXPECT_EQ(grid.SelectionBottomRow(), 4);
}

TEST_F(GridKeyboardTest, KeysOnATableWithoutDataRowsMarkNothing) {
    grid.SetRowCount(1);
    SetMarks({0});
    for (int key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Space})
        Key(key);
    EXPECT_EQ(grid.MarkedRowCount(), 0);
}

int FullyVisibleRows(const TITunesStringGrid& grid) {
    int space = grid.viewport()->height() - grid.RowHeights(0);
    int rows = 0;
    for (int row = grid.TopRow(); row < grid.RowCount() && space >= grid.RowHeights(row); ++row) {
        space -= grid.RowHeights(row);
        ++rows;
    }
    return rows;
}

TEST_F(GridKeyboardTest, MovingWithKeysKeepsTheCurrentRowInView) {
    grid.SetRowCount(300);
    Click(1);
    const int page = FullyVisibleRows(grid);
    ASSERT_GT(page, 5);

    Key(Qt::Key_End);
    EXPECT_EQ(grid.Row(), 299);
    EXPECT_EQ(grid.TopRow(), 299 - page + 1); // last row at the bottom, nothing beyond

    Key(Qt::Key_PageUp);
    EXPECT_EQ(grid.Row(), 299 - page);
    EXPECT_LE(grid.TopRow(), grid.Row());
    EXPECT_LT(grid.Row(), grid.TopRow() + page);

    Key(Qt::Key_Home);
    EXPECT_EQ(grid.TopRow(), 1);
    for (int step = 0; step < page; ++step)
        Key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 1 + page);
    EXPECT_EQ(grid.TopRow(), 2);

    Key(Qt::Key_PageDown);
    EXPECT_EQ(grid.Row(), 1 + 2 * page);
    EXPECT_LT(grid.Row(), grid.TopRow() + page);
}

TEST_F(GridKeyboardTest, TheWheelScrollsByRowsUnlessTurnedOff) {
    grid.SetRowCount(300);
    const auto wheel = [&](int notches) {
        const QPointF pos = CellCenter(1, grid.TopRow());
        QWheelEvent event(pos, grid.viewport()->mapToGlobal(pos), QPoint(),
                          QPoint(0, -120 * notches), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &event);
    };
    wheel(2);
    EXPECT_EQ(grid.TopRow(), 1 + 2 * QApplication::wheelScrollLines());
    grid.SetWheelScrolls(false);
    wheel(2);
    EXPECT_EQ(grid.TopRow(), 1 + 2 * QApplication::wheelScrollLines());
    EXPECT_THAT(MarkedRows(), IsEmpty());
}

} // namespace
} // namespace gridtest

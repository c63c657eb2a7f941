#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The table behind every list of the program: texts in rows and columns under one fixed
// header row, a mark per row position that mouse and keys set, and header-click sorting.
// Cells live here: every text in one store, each cell an offset and a length into it, so 50,000
// rows cost no widget items and no allocation per cell, a sort moves small cells only, and only
// the rows in view are painted.
class TITunesStringGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int FixedRows = 1;
    static constexpr int FixedCols = 0;
    static constexpr int DefaultRowHeight = 21;
    static constexpr int DefaultColWidth = 64;

    enum GridOption : unsigned {
        goRowSelect = 1u << 0,   // the current row is highlighted and framed as a whole
        goColSizing = 1u << 1,   // header borders can be dragged
        goRangeSelect = 1u << 2, // Shift and dragging extend the selection range
    };
    enum ScrollStyle { ssNone, ssVertical, ssBoth };

    struct TMouseActions {
        bool DisjunctRowSelect = false; // mouse and keys set the marks
    };
    struct TSortSettings {
        bool Show = false; // a click on a header cell sorts
    };

    explicit TITunesStringGrid(QWidget* parent = nullptr);

    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int count);
    int ColWidths(int col) const;
    void SetColWidths(int col, int pixels);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int pixels);

    // Any column and row is accepted: outside the table reads give "" and writes are dropped.
    std::string GetCell(int col, int row) const;
    // The same text without a copy; valid until the next change of the table's texts or shape.
    std::string_view CellText(int col, int row) const;
    void SetCell(int col, int row, std::string_view text);
    void ClearCells();
    // A number the owner keeps with a row: it moves with the row's texts when sorting and is 0
    // for new rows and after ClearCells.
    std::int64_t RowTag(int row) const;
    void SetRowTag(int row, std::int64_t tag);

    // Both throw std::runtime_error("Invalid row accessed") outside 0..RowCount-1.
    bool IsRowMarked(int row) const;
    void SetRowMarked(int row, bool marked);
    void MarkRows(int firstRow, int count);
    // Counts the whole mark store, positions beyond RowCount included.
    int MarkedRowCount() const { return markedCount_; }
    void Refresh();

    // The keyboard cursor, the anchor of the selection range, and the range's rows.
    int Row() const { return currentRow_; }
    int Col() const { return currentCol_; }
    int SelectionTopRow() const;
    int SelectionBottomRow() const;
    // The first data row shown under the header.
    int TopRow() const;

    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }

    void SetOption(GridOption option, bool on);
    bool HasOption(GridOption option) const { return (options_ & option) != 0; }
    void SetHeaderButtons(bool raised);
    void SetHeaderColor(const QColor& color);
    void SetSelectionColor(const QColor& color);
    // An invalid colour keeps the normal text colour on marked rows.
    void SetSelectionTextColor(const QColor& color);
    void SetShowFocusRect(bool show);
    void SetScrollBars(ScrollStyle style);
    void SetWheelScrolls(bool scrolls) { wheelScrolls_ = scrolls; }

    // Shown without blocking on a right-button release, after OnPopup.
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    QMenu* PopupMenu() const { return popupMenu_; }

    TMouseActions MouseActions;
    TSortSettings SortSettings;

    std::function<void()> OnClick;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> OnMouseUp;
    // Runs before the grid handles the key; setting the key to 0 keeps the grid out of it.
    std::function<void(int& key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(int row, int col)> OnRightClickCell;
    std::function<void(int row, int col)> OnDblClickCell;
    std::function<void()> OnDblClick;
    std::function<void(int col, bool& allow)> OnCanSort;
    std::function<void()> OnPopup;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class PressKind { None, Cell, Header, ColSizing };

    // Layout is recomputed lazily so that filling 50,000 rows one at a time stays linear.
    void RequestRepaint();
    void InvalidateLayout();
    void EnsureLayout();
    int HeaderHeight() const;
    int DataHeight() const;
    int TotalColWidth() const;
    int ColLeft(int col) const;
    int ColAtX(int x) const;
    int RowAtY(int y) const;
    int LastTopRow() const;
    int FullyVisibleRowCount() const;
    int LastVisibleRow() const;
    QRect RowRectInView(int row) const;
    // The column whose right border is under `x` in the header, where columns can be resized.
    int SizingColumnAt(int x) const;
    bool NearHeaderCellBorder(int x) const;
    void SetTopRow(int row);
    void EnsureRowVisible(int row);
    void EnsureColVisible(int col);

    bool MarkAt(int row) const;
    bool PutMark(int row, bool marked); // true when the flag changed
    void ClearAllMarks();
    void MarkSelectionRange();
    void CheckRow(int row) const;
    void ClampCursor();

    void PressCell(int row, int col, Qt::KeyboardModifiers modifiers);
    void DragTo(QPoint pos);
    void FinishLeftRelease(QMouseEvent* event);
    bool MoveByKey(int key, bool extend);
    void ApplyKeyboardMarks(Qt::KeyboardModifiers modifiers);
    void ShowPopup(QPoint globalPos);
    void AutoFitColumn(int col);
    void SortByHeaderClick(int col);
    void SortRows();

    void PaintHeader(QPainter& painter, int xOffset) const;
    void PaintDataRow(QPainter& painter, int row, int top, int xOffset) const;
    void PaintFocusRect(QPainter& painter, int xOffset) const;
    QColor TextColor() const;

    struct Cell {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    std::size_t CellIndex(int col, int row) const {
        return static_cast<std::size_t>(row) * colWidths_.size() + static_cast<std::size_t>(col);
    }
    std::string_view TextOf(const Cell& cell) const {
        return std::string_view(texts_.data() + cell.offset, cell.length);
    }
    Cell StoreText(std::string_view text);
    void CompactTexts();

    int rowCount_ = 0;
    std::vector<Cell> cells_;   // RowCount × ColCount, row by row
    std::string texts_;         // the cells' texts, one after another
    std::size_t liveBytes_ = 0; // bytes of texts_ that cells refer to
    std::vector<std::int64_t> rowTags_;
    std::vector<int> rowHeights_;
    std::vector<int> colWidths_;
    std::vector<unsigned char> marks_; // grows on demand, never shrinks
    int markedCount_ = 0;

    int currentRow_ = 1;
    int currentCol_ = 0;
    int anchorRow_ = 1;
    int anchorCol_ = 0;
    int sortColumn_ = 0;
    bool sortAscending_ = true;

    unsigned options_ = goRangeSelect;
    bool headerButtons_ = false;
    QColor headerColor_;
    QColor selectionColor_;
    QColor selectionTextColor_;
    QColor primaryBandColor_;
    bool showFocusRect_ = true;
    bool wheelScrolls_ = true;
    QPixmap headerPicture_;
    QPointer<QMenu> popupMenu_;

    bool repaintPending_ = false;
    bool layoutDirty_ = true;
    bool layoutQueued_ = false;
    Qt::MouseButtons heldButtons_;
    PressKind pressKind_ = PressKind::None;
    int notedRow_ = -1;
    int sizingCol_ = -1;
    int pressedHeaderCol_ = -1;
    bool headerShownDown_ = false;
};

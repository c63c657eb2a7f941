#include "app/component/ITunesStringGrid.h"

#include "platform/text.h"
#include "platform/ui/design_fonts.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace {

// A press or release this close to a header border belongs to the border, not the cell.
constexpr int kBorderZone = 4;
constexpr int kTextMargin = 2;
constexpr int kArrowWidth = 7;
const std::string kEmptyText;

QPixmap MakeHeaderPicture() {
    static constexpr int kGreys[] = {255, 249, 245, 242, 241, 242, 240, 232,
                                     236, 242, 243, 247, 249, 254, 255};
    constexpr int kWidth = 9;
    constexpr int kHeight = static_cast<int>(std::size(kGreys));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image.setPixel(x, y, qRgb(kGreys[y], kGreys[y], kGreys[y]));
    return QPixmap::fromImage(image);
}

void PaintButtonFrame(QPainter& painter, const QRect& cell, bool down) {
    const QColor light(255, 255, 255);
    const QColor shadow(160, 160, 160);
    painter.setPen(down ? shadow : light);
    painter.drawLine(cell.topLeft(), cell.topRight());
    painter.drawLine(cell.topLeft(), cell.bottomLeft());
    painter.setPen(down ? light : shadow);
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.drawLine(cell.topRight(), cell.bottomRight());
}

void PaintSortArrow(QPainter& painter, const QRect& cell, bool ascending, const QColor& color) {
    const int right = cell.right() - kTextMargin - 1;
    const int left = right - kArrowWidth + 1;
    const int middle = cell.top() + cell.height() / 2;
    const int half = kArrowWidth / 2;
    QPolygon triangle;
    if (ascending)
        triangle << QPoint(left, middle + 2) << QPoint(right, middle + 2)
                 << QPoint(left + half, middle - 2);
    else
        triangle << QPoint(left, middle - 2) << QPoint(right, middle - 2)
                 << QPoint(left + half, middle + 2);
    painter.setPen(color);
    painter.setBrush(color);
    painter.drawPolygon(triangle);
    painter.setBrush(Qt::NoBrush);
}

struct Separators {
    std::string decimal;
    std::string thousands;
};

bool HasPieceAt(std::string_view text, std::size_t pos, const std::string& piece) {
    return !piece.empty() && text.compare(pos, piece.size(), piece) == 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits with at most one '-' and one decimal separator; thousands separators are skipped.
bool ParseNumber(std::string_view text, const Separators& separators, double& value) {
    std::string plain;
    plain.reserve(text.size() + 2);
    bool negative = false;
    bool decimal = false;
    bool digit = false;
    bool significantWhole = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (IsDigit(c)) {
            digit = true;
            significantWhole = significantWhole || (!decimal && c != '0');
            plain += c;
            ++i;
        } else if (c == '-') {
            if (negative)
                return false;
            negative = true;
            ++i;
        } else if (HasPieceAt(text, i, separators.decimal)) {
            if (decimal)
                return false;
            decimal = true;
            plain += '.';
            i += separators.decimal.size();
        } else if (HasPieceAt(text, i, separators.thousands)) {
            i += separators.thousands.size();
        } else {
            return false;
        }
    }
    if (!digit)
        return false;
    if (plain.front() == '.')
        plain.insert(plain.begin(), '0');
    if (plain.back() == '.')
        plain += '0';
    double parsed = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (result.ec == std::errc::result_out_of_range)
        parsed = significantWhole ? HUGE_VAL : 0.0;
    value = negative ? -parsed : parsed;
    return true;
}

bool LooksLikeDate(std::string_view text) {
    for (std::size_t slash : {1u, 2u}) {
        if (text.size() > slash + 1 && text[slash] == '/' && IsDigit(text[slash - 1]) &&
            IsDigit(text[slash + 1]))
            return true;
    }
    return false;
}

enum class CellKind { Empty, Number, Date, Text };

CellKind Classify(std::string_view text, const Separators& separators, double& value) {
    value = 0;
    if (text.empty())
        return CellKind::Empty;
    if (ParseNumber(text, separators, value))
        return CellKind::Number;
    if (LooksLikeDate(text)) {
        if (!platform::text::ParseShortDate(text, value))
            value = 0;
        return CellKind::Date;
    }
    return CellKind::Text;
}

using CellRows = std::vector<std::vector<std::string>>;

// Data rows are counted from 0 here: index i is grid row i + 1.
std::string_view CellText(const CellRows& cells, std::size_t index, int col) {
    const auto& texts = cells[index + 1];
    const auto column = static_cast<std::size_t>(col);
    return column < texts.size() ? std::string_view(texts[column]) : std::string_view();
}

// Integers in the same order as the doubles, so value keys compare as plain integers.
std::uint64_t OrderedBits(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value + 0.0); // -0 becomes +0
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Eight bytes from `from` on, big-endian and padded with zeros: their order is the texts' order
// as far as those bytes go.
std::uint64_t PrefixBits(std::string_view text, std::size_t from) {
    std::uint64_t bits = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        bits = (bits << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return bits;
}

// One column prepared for one sort. The kind of comparison is settled for the whole column: a
// column whose filled cells are all numbers (or all dates) compares by value with empty cells
// as 0; any other column compares as text. Deciding per pair would let 9 < 10 (numbers),
// "10" < "1a" and "1a" < "9" (texts) form a cycle that no sort can order.
struct PreparedColumn {
    bool byValue = false;
    std::vector<std::uint64_t> keys; // per row; equal keys are equal values
    std::vector<std::uint32_t> ids;  // per row, texts only: equal ids are equal texts
};

PreparedColumn PrepareColumn(const CellRows& cells, int col, const Separators& separators) {
    const std::size_t count = cells.size() - 1;
    PreparedColumn column;
    column.keys.resize(count);
    std::vector<double> values(count);
    bool anyNumber = false;
    bool anyDate = false;
    bool anyText = false;
    for (std::size_t i = 0; i < count; ++i) {
        switch (Classify(CellText(cells, i, col), separators, values[i])) {
        case CellKind::Number:
            anyNumber = true;
            break;
        case CellKind::Date:
            anyDate = true;
            break;
        case CellKind::Text:
            anyText = true;
            break;
        case CellKind::Empty:
            break;
        }
    }
    column.byValue = !anyText && !(anyNumber && anyDate);
    if (column.byValue) {
        for (std::size_t i = 0; i < count; ++i)
            column.keys[i] = OrderedBits(values[i]);
        return column;
    }
    // Keys start after the bytes every cell shares, where the texts differ.
    const std::string_view first = CellText(cells, 0, col);
    std::size_t shared = first.size();
    for (std::size_t i = 1; i < count && shared > 0; ++i) {
        const std::string_view text = CellText(cells, i, col);
        const std::size_t length = std::min(shared, text.size());
        shared = static_cast<std::size_t>(
            std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(length),
                          text.begin())
                .first -
            first.begin());
    }
    std::unordered_map<std::string_view, std::uint32_t> idOf;
    idOf.reserve(count);
    column.ids.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = CellText(cells, i, col);
        column.keys[i] = PrefixBits(text, shared);
        column.ids[i] =
            idOf.try_emplace(text, static_cast<std::uint32_t>(idOf.size())).first->second;
    }
    return column;
}

struct SortEntry {
    std::uint64_t key;
    std::uint32_t id;
    std::uint32_t index;
};
using SortEntries = std::vector<SortEntry>;

// Sorts by one column at a time, then each run of equal cells by the next column, and the runs
// left at the last column by position. The entries carry their keys, so the sort itself reads
// texts only when two different texts share a key; that keeps 50,000 rows well under a tenth
// of a second.
struct RowSort {
    const CellRows& cells;
    Separators separators;
    int lastCol;
    bool ascending;
    std::vector<std::optional<PreparedColumn>> columns;

    const PreparedColumn& Column(int col) {
        auto& slot = columns[static_cast<std::size_t>(col)];
        if (!slot)
            slot = PrepareColumn(cells, col, separators); // only columns a tie reaches
        return *slot;
    }

    void Sort(SortEntries::iterator begin, SortEntries::iterator end, int col) {
        const PreparedColumn& column = Column(col);
        for (auto entry = begin; entry != end; ++entry) {
            entry->key = column.keys[entry->index];
            entry->id = column.byValue ? 0 : column.ids[entry->index];
        }
        const auto compare = [&](const SortEntry& a, const SortEntry& b) {
            if (a.key != b.key)
                return a.key < b.key ? -1 : 1;
            if (a.id == b.id)
                return 0;
            // Byte order of UTF-8 is code point order: upper case before lower case.
            return CellText(cells, a.index, col).compare(CellText(cells, b.index, col));
        };
        std::sort(begin, end, [&](const SortEntry& a, const SortEntry& b) {
            const int result = compare(a, b);
            return ascending ? result < 0 : result > 0;
        });
        for (auto run = begin; run != end;) {
            auto runEnd = std::next(run);
            while (runEnd != end && compare(*run, *runEnd) == 0)
                ++runEnd;
            if (std::distance(run, runEnd) > 1) {
                if (col < lastCol)
                    Sort(run, runEnd, col + 1);
                else
                    std::sort(run, runEnd, [&](const SortEntry& a, const SortEntry& b) {
                        return ascending ? a.index < b.index : a.index > b.index;
                    });
            }
            run = runEnd;
        }
    }
};

} // namespace

TITunesStringGrid::TITunesStringGrid(QWidget* parent)
    : QAbstractScrollArea(parent), headerColor_(palette().color(QPalette::Button)),
      selectionColor_(215, 228, 242), primaryBandColor_(237, 243, 254),
      headerPicture_(MakeHeaderPicture()) {
    setFont(platform::ui::TableFont());
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { RequestRepaint(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { RequestRepaint(); });
    SetColCount(5);
    SetRowCount(5);
}

void TITunesStringGrid::SetRowCount(int count) {
    count = std::max(1, count);
    if (count == RowCount())
        return;
    // std::vector grows its capacity geometrically, so adding rows one by one stays linear.
    cells_.resize(static_cast<std::size_t>(count));
    rowTags_.resize(static_cast<std::size_t>(count), 0);
    rowHeights_.resize(static_cast<std::size_t>(count), DefaultRowHeight);
    ClampCursor();
    InvalidateLayout();
}

void TITunesStringGrid::SetColCount(int count) {
    count = std::max(1, count);
    if (count == ColCount())
        return;
    const auto size = static_cast<std::size_t>(count);
    colWidths_.resize(size, DefaultColWidth);
    for (auto& row : cells_)
        if (row.size() > size)
            row.resize(size);
    currentCol_ = std::min(currentCol_, count - 1);
    anchorCol_ = std::min(anchorCol_, count - 1);
    InvalidateLayout();
}

int TITunesStringGrid::ColWidths(int col) const {
    return col >= 0 && col < ColCount() ? colWidths_[static_cast<std::size_t>(col)] : 0;
}

void TITunesStringGrid::SetColWidths(int col, int pixels) {
    if (col < 0 || col >= ColCount())
        return;
    int& width = colWidths_[static_cast<std::size_t>(col)];
    pixels = std::max(0, pixels);
    if (width == pixels)
        return;
    width = pixels;
    InvalidateLayout();
}

int TITunesStringGrid::RowHeights(int row) const {
    return row >= 0 && row < RowCount() ? rowHeights_[static_cast<std::size_t>(row)] : 0;
}

void TITunesStringGrid::SetRowHeights(int row, int pixels) {
    if (row < 0 || row >= RowCount())
        return;
    int& height = rowHeights_[static_cast<std::size_t>(row)];
    pixels = std::max(0, pixels);
    if (height == pixels)
        return;
    height = pixels;
    InvalidateLayout();
}

const std::string& TITunesStringGrid::GetCell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0)
        return kEmptyText;
    const auto& texts = cells_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < texts.size() ? texts[static_cast<std::size_t>(col)]
                                                        : kEmptyText;
}

void TITunesStringGrid::SetCell(int col, int row, std::string text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount())
        return;
    auto& texts = cells_[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(col) >= texts.size()) {
        if (text.empty())
            return;
        texts.resize(static_cast<std::size_t>(ColCount()));
    }
    texts[static_cast<std::size_t>(col)] = std::move(text);
    RequestRepaint();
}

void TITunesStringGrid::ClearCells() {
    for (auto& row : cells_)
        row.clear();
    std::fill(rowTags_.begin(), rowTags_.end(), 0);
    RequestRepaint();
}

std::int64_t TITunesStringGrid::RowTag(int row) const {
    return row >= 0 && row < RowCount() ? rowTags_[static_cast<std::size_t>(row)] : 0;
}

void TITunesStringGrid::SetRowTag(int row, std::int64_t tag) {
    if (row >= 0 && row < RowCount())
        rowTags_[static_cast<std::size_t>(row)] = tag;
}

bool TITunesStringGrid::IsRowMarked(int row) const {
    CheckRow(row);
    return MarkAt(row);
}

void TITunesStringGrid::SetRowMarked(int row, bool marked) {
    CheckRow(row);
    if (PutMark(row, marked)) {
        const QRect rect = RowRectInView(row);
        if (!rect.isNull())
            viewport()->update(rect);
    }
}

void TITunesStringGrid::MarkRows(int firstRow, int count) {
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{firstRow} + count, RowCount());
    for (std::int64_t row = std::max(firstRow, 0); row < end; ++row)
        PutMark(static_cast<int>(row), true);
    RequestRepaint();
}

void TITunesStringGrid::Refresh() {
    EnsureLayout();
    viewport()->repaint();
}

int TITunesStringGrid::SelectionTopRow() const {
    return HasOption(goRangeSelect) ? std::min(anchorRow_, currentRow_) : currentRow_;
}

int TITunesStringGrid::SelectionBottomRow() const {
    return HasOption(goRangeSelect) ? std::max(anchorRow_, currentRow_) : currentRow_;
}

int TITunesStringGrid::TopRow() const {
    return 1 + verticalScrollBar()->value();
}

void TITunesStringGrid::SetOption(GridOption option, bool on) {
    options_ = on ? (options_ | option) : (options_ & ~static_cast<unsigned>(option));
    if (option == goColSizing && !on)
        viewport()->unsetCursor();
    RequestRepaint();
}

void TITunesStringGrid::SetHeaderButtons(bool raised) {
    headerButtons_ = raised;
    RequestRepaint();
}

void TITunesStringGrid::SetHeaderColor(const QColor& color) {
    headerColor_ = color;
    RequestRepaint();
}

void TITunesStringGrid::SetSelectionColor(const QColor& color) {
    selectionColor_ = color;
    RequestRepaint();
}

void TITunesStringGrid::SetSelectionTextColor(const QColor& color) {
    selectionTextColor_ = color;
    RequestRepaint();
}

void TITunesStringGrid::SetShowFocusRect(bool show) {
    showFocusRect_ = show;
    RequestRepaint();
}

void TITunesStringGrid::SetScrollBars(ScrollStyle style) {
    setVerticalScrollBarPolicy(style == ssNone ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(style == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

// ---- layout -------------------------------------------------------------------------------

void TITunesStringGrid::RequestRepaint() {
    // One pending update covers the whole viewport; filling 50,000 cells then costs one paint.
    if (repaintPending_ || !viewport()->isVisible())
        return;
    repaintPending_ = true;
    viewport()->update();
}

void TITunesStringGrid::InvalidateLayout() {
    layoutDirty_ = true;
    RequestRepaint();
    if (!layoutQueued_) {
        layoutQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                layoutQueued_ = false;
                EnsureLayout();
            },
            Qt::QueuedConnection);
    }
}

void TITunesStringGrid::EnsureLayout() {
    if (!layoutDirty_)
        return;
    layoutDirty_ = false;
    // The vertical bar counts rows: its value is the number of rows scrolled off the top.
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, LastTopRow() - 1);
    vertical->setPageStep(std::max(1, FullyVisibleRowCount()));
    QScrollBar* horizontal = horizontalScrollBar();
    const int viewWidth = viewport()->width();
    horizontal->setRange(0, std::max(0, TotalColWidth() - viewWidth));
    horizontal->setPageStep(std::max(1, viewWidth));
}

int TITunesStringGrid::HeaderHeight() const {
    return rowHeights_.front();
}

int TITunesStringGrid::DataHeight() const {
    return std::max(0, viewport()->height() - HeaderHeight());
}

int TITunesStringGrid::TotalColWidth() const {
    return std::accumulate(colWidths_.begin(), colWidths_.end(), 0);
}

int TITunesStringGrid::ColLeft(int col) const {
    int left = 0;
    for (int c = 0; c < col && c < ColCount(); ++c)
        left += colWidths_[static_cast<std::size_t>(c)];
    return left;
}

int TITunesStringGrid::ColAtX(int x) const {
    const int contentX = x + horizontalScrollBar()->value();
    int left = 0;
    for (int c = 0; c < ColCount(); ++c) {
        const int width = colWidths_[static_cast<std::size_t>(c)];
        if (width > 0 && contentX >= left && contentX < left + width)
            return c;
        left += width;
    }
    return -1;
}

int TITunesStringGrid::RowAtY(int y) const {
    if (y < 0)
        return -1;
    int top = HeaderHeight();
    if (y < top)
        return 0;
    for (int row = TopRow(); row < RowCount(); ++row) {
        top += rowHeights_[static_cast<std::size_t>(row)];
        if (y < top)
            return row;
    }
    return -1;
}

int TITunesStringGrid::LastTopRow() const {
    const int last = RowCount() - 1;
    if (last < 1)
        return 1;
    const int space = DataHeight();
    int top = last;
    int used = rowHeights_[static_cast<std::size_t>(top)];
    while (top > 1 && used + rowHeights_[static_cast<std::size_t>(top - 1)] <= space) {
        --top;
        used += rowHeights_[static_cast<std::size_t>(top)];
    }
    return top;
}

int TITunesStringGrid::FullyVisibleRowCount() const {
    const int space = DataHeight();
    int used = 0;
    int count = 0;
    for (int row = TopRow(); row < RowCount(); ++row) {
        used += rowHeights_[static_cast<std::size_t>(row)];
        if (used > space)
            break;
        ++count;
    }
    return count;
}

int TITunesStringGrid::LastVisibleRow() const {
    return std::max(1, std::min(RowCount() - 1, TopRow() + FullyVisibleRowCount() - 1));
}

QRect TITunesStringGrid::RowRectInView(int row) const {
    if (row < TopRow() || row >= RowCount())
        return {};
    const int bottom = viewport()->height();
    int top = HeaderHeight();
    for (int r = TopRow(); r < row; ++r) {
        top += rowHeights_[static_cast<std::size_t>(r)];
        if (top >= bottom)
            return {};
    }
    return QRect(0, top, viewport()->width(), rowHeights_[static_cast<std::size_t>(row)]);
}

int TITunesStringGrid::SizingColumnAt(int x) const {
    const int contentX = x + horizontalScrollBar()->value();
    int best = -1;
    int bestDistance = kBorderZone;
    int right = 0;
    for (int c = 0; c < ColCount(); ++c) {
        const int width = colWidths_[static_cast<std::size_t>(c)];
        right += width;
        const int distance = std::abs(contentX - right);
        if (width > 0 && distance < bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return best;
}

bool TITunesStringGrid::NearHeaderCellBorder(int x) const {
    const int col = ColAtX(x);
    if (col < 0)
        return false;
    const int contentX = x + horizontalScrollBar()->value();
    const int left = ColLeft(col);
    const int right = left + colWidths_[static_cast<std::size_t>(col)];
    return contentX - left < kBorderZone || right - contentX < kBorderZone;
}

void TITunesStringGrid::SetTopRow(int row) {
    verticalScrollBar()->setValue(row - 1);
}

void TITunesStringGrid::EnsureRowVisible(int row) {
    EnsureLayout();
    if (row < 1 || row >= RowCount())
        return;
    if (row < TopRow()) {
        SetTopRow(row);
        return;
    }
    if (row < TopRow() + FullyVisibleRowCount())
        return;
    const int space = DataHeight();
    int top = row;
    int used = rowHeights_[static_cast<std::size_t>(row)];
    while (top > 1 && used + rowHeights_[static_cast<std::size_t>(top - 1)] <= space) {
        --top;
        used += rowHeights_[static_cast<std::size_t>(top)];
    }
    SetTopRow(top);
}

void TITunesStringGrid::EnsureColVisible(int col) {
    if (ColWidths(col) <= 0)
        return;
    EnsureLayout();
    QScrollBar* horizontal = horizontalScrollBar();
    const int left = ColLeft(col);
    const int right = left + ColWidths(col);
    const int viewWidth = viewport()->width();
    if (left < horizontal->value())
        horizontal->setValue(left);
    else if (right > horizontal->value() + viewWidth)
        horizontal->setValue(std::min(left, right - viewWidth));
}

// ---- marks --------------------------------------------------------------------------------

bool TITunesStringGrid::MarkAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < marks_.size() &&
           marks_[static_cast<std::size_t>(row)] != 0;
}

bool TITunesStringGrid::PutMark(int row, bool marked) {
    if (row < 0 || MarkAt(row) == marked)
        return false;
    const auto index = static_cast<std::size_t>(row);
    if (index >= marks_.size())
        marks_.resize(std::max(index + 1, marks_.size() * 2));
    marks_[index] = marked ? 1 : 0;
    markedCount_ += marked ? 1 : -1;
    return true;
}

void TITunesStringGrid::ClearAllMarks() {
    if (markedCount_ == 0)
        return;
    std::fill(marks_.begin(), marks_.end(), 0);
    markedCount_ = 0;
    RequestRepaint();
}

void TITunesStringGrid::MarkSelectionRange() {
    const int last = std::min(SelectionBottomRow(), RowCount() - 1);
    for (int row = std::max(1, SelectionTopRow()); row <= last; ++row)
        PutMark(row, true);
    RequestRepaint();
}

void TITunesStringGrid::CheckRow(int row) const {
    if (row < 0 || row >= RowCount())
        throw std::runtime_error("Invalid row accessed");
}

void TITunesStringGrid::ClampCursor() {
    const int last = std::max(1, RowCount() - 1);
    currentRow_ = std::clamp(currentRow_, 1, last);
    anchorRow_ = std::clamp(anchorRow_, 1, last);
}

// ---- mouse --------------------------------------------------------------------------------

void TITunesStringGrid::mousePressEvent(QMouseEvent* event) {
    EnsureLayout();
    heldButtons_ |= event->button();
    const QPoint pos = event->position().toPoint();
    const int row = RowAtY(pos.y());
    const int col = ColAtX(pos.x());
    if (event->button() == Qt::RightButton) {
        if (OnRightClickCell)
            OnRightClickCell(row, col);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    pressKind_ = PressKind::None;
    notedRow_ = -1;
    pressedHeaderCol_ = -1;
    headerShownDown_ = false;
    if (row == 0) {
        sizingCol_ = HasOption(goColSizing) ? SizingColumnAt(pos.x()) : -1;
        if (sizingCol_ >= 0) {
            pressKind_ = PressKind::ColSizing;
            return;
        }
        pressKind_ = PressKind::Header;
        pressedHeaderCol_ = col;
        headerShownDown_ = col >= 0;
        if (headerButtons_)
            viewport()->update(0, 0, viewport()->width(), HeaderHeight());
        return;
    }
    if (row >= 1 && col >= 0) {
        pressKind_ = PressKind::Cell;
        PressCell(row, col, event->modifiers());
    }
}

void TITunesStringGrid::PressCell(int row, int col, Qt::KeyboardModifiers modifiers) {
    if (MouseActions.DisjunctRowSelect) {
        if (!(modifiers & Qt::ControlModifier))
            ClearAllMarks();
        else if (MarkAt(row))
            notedRow_ = row;
    }
    const bool extend = (modifiers & Qt::ShiftModifier) && HasOption(goRangeSelect);
    currentRow_ = row;
    currentCol_ = col;
    if (!extend) {
        anchorRow_ = row;
        anchorCol_ = col;
    }
    RequestRepaint();
}

void TITunesStringGrid::mouseMoveEvent(QMouseEvent* event) {
    EnsureLayout();
    const QPoint pos = event->position().toPoint();
    const bool dragging = (event->buttons() & Qt::LeftButton) && (heldButtons_ & Qt::LeftButton);
    if (!dragging) {
        const bool onBorder = HasOption(goColSizing) && pos.y() >= 0 && pos.y() < HeaderHeight() &&
                              SizingColumnAt(pos.x()) >= 0;
        if (onBorder)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        return;
    }
    switch (pressKind_) {
    case PressKind::ColSizing:
        SetColWidths(sizingCol_, pos.x() + horizontalScrollBar()->value() - ColLeft(sizingCol_));
        break;
    case PressKind::Cell:
        if (HasOption(goRangeSelect))
            DragTo(pos);
        break;
    case PressKind::Header: {
        const bool down = RowAtY(pos.y()) == 0 && ColAtX(pos.x()) == pressedHeaderCol_;
        if (down != headerShownDown_) {
            headerShownDown_ = down;
            if (headerButtons_)
                viewport()->update(0, 0, viewport()->width(), HeaderHeight());
        }
        break;
    }
    case PressKind::None:
        break;
    }
}

void TITunesStringGrid::DragTo(QPoint pos) {
    int row;
    if (pos.y() < HeaderHeight()) {
        SetTopRow(TopRow() - 1);
        row = TopRow();
    } else if (pos.y() >= viewport()->height()) {
        SetTopRow(TopRow() + 1);
        row = LastVisibleRow();
    } else {
        row = RowAtY(pos.y());
        if (row < 1)
            row = RowCount() - 1;
    }
    if (row < 1)
        return;
    currentRow_ = row;
    const int col = ColAtX(pos.x());
    if (col >= 0)
        currentCol_ = col;
    RequestRepaint();
}

void TITunesStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    EnsureLayout();
    const Qt::MouseButton button = event->button();
    if (!(heldButtons_ & button))
        return; // its press went to another widget
    heldButtons_ &= ~button;
    if (button == Qt::LeftButton) {
        FinishLeftRelease(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (OnMouseUp)
        OnMouseUp(button, event->modifiers(), pos);
    if (button == Qt::RightButton)
        ShowPopup(pos);
}

void TITunesStringGrid::FinishLeftRelease(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const PressKind kind = pressKind_;
    const int noted = notedRow_;
    pressKind_ = PressKind::None;
    notedRow_ = -1;
    pressedHeaderCol_ = -1;
    if (headerShownDown_ && headerButtons_)
        viewport()->update(0, 0, viewport()->width(), HeaderHeight());
    headerShownDown_ = false;

    const bool inHeader = RowAtY(pos.y()) == 0;
    const bool onBorder =
        kind == PressKind::ColSizing || (inHeader && SizingColumnAt(pos.x()) >= 0);
    if (!onBorder && viewport()->rect().contains(pos) && OnClick)
        OnClick();
    if (MouseActions.DisjunctRowSelect) {
        MarkSelectionRange();
        if (noted >= 0)
            PutMark(noted, false);
    }
    if (OnMouseUp)
        OnMouseUp(Qt::LeftButton, event->modifiers(), pos);
    if (kind == PressKind::Header && inHeader) {
        const int col = ColAtX(pos.x());
        if (col >= 0 && !NearHeaderCellBorder(pos.x()) && SortSettings.Show && RowCount() > 2)
            SortByHeaderClick(col);
    }
}

void TITunesStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    EnsureLayout();
    // A double-click normally follows its own press; one that comes alone acts as the press.
    if (!(heldButtons_ & event->button()))
        mousePressEvent(event);
    if (OnDblClick)
        OnDblClick();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const int row = RowAtY(pos.y());
    if (row == 0) {
        const int sizingCol = SizingColumnAt(pos.x());
        if (sizingCol >= 0) {
            AutoFitColumn(sizingCol);
            return;
        }
    }
    if (OnDblClickCell)
        OnDblClickCell(row, ColAtX(pos.x()));
}

void TITunesStringGrid::wheelEvent(QWheelEvent* event) {
    if (!wheelScrolls_) {
        event->ignore();
        return;
    }
    EnsureLayout();
    QAbstractScrollArea::wheelEvent(event);
}

void TITunesStringGrid::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu opens on the right-button release; only the menu key is handled here.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect rect = RowRectInView(currentRow_);
        ShowPopup(rect.isNull() ? QPoint(0, HeaderHeight()) : rect.bottomLeft());
    }
    event->accept();
}

void TITunesStringGrid::ShowPopup(QPoint viewportPos) {
    if (!popupMenu_)
        return;
    if (OnPopup)
        OnPopup();
    popupMenu_->popup(viewport()->mapToGlobal(viewportPos));
}

void TITunesStringGrid::AutoFitColumn(int col) {
    const QFontMetrics metrics(font());
    const auto index = static_cast<std::size_t>(col);
    int widest = 0;
    for (const auto& row : cells_)
        if (index < row.size() && !row[index].empty())
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(row[index])));
    // The margins on both sides and the button frame.
    SetColWidths(col, widest + 2 * kTextMargin + 2);
}

// ---- keyboard -----------------------------------------------------------------------------

void TITunesStringGrid::keyPressEvent(QKeyEvent* event) {
    EnsureLayout();
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (OnKeyDown)
        OnKeyDown(key, modifiers);
    switch (key) {
    case 0:
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        const bool extend = (modifiers & Qt::ShiftModifier) && HasOption(goRangeSelect);
        if (MoveByKey(key, extend) && OnClick)
            OnClick();
        ApplyKeyboardMarks(modifiers);
        RequestRepaint();
        break;
    }
    case Qt::Key_Space:
        if (MouseActions.DisjunctRowSelect && currentRow_ < RowCount())
            SetRowMarked(currentRow_, !MarkAt(currentRow_));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

bool TITunesStringGrid::MoveByKey(int key, bool extend) {
    const int last = RowCount() - 1;
    if (last < 1)
        return false;
    const int oldRow = currentRow_;
    const int oldCol = currentCol_;
    const int page = std::max(1, FullyVisibleRowCount());
    switch (key) {
    case Qt::Key_Up:
        currentRow_ = std::max(1, currentRow_ - 1);
        break;
    case Qt::Key_Down:
        currentRow_ = std::min(last, currentRow_ + 1);
        break;
    case Qt::Key_PageUp:
        currentRow_ = std::max(1, currentRow_ - page);
        SetTopRow(TopRow() - page);
        break;
    case Qt::Key_PageDown:
        currentRow_ = std::min(last, currentRow_ + page);
        SetTopRow(TopRow() + page);
        break;
    // The tables are lists, so Home and End go to the first and last row.
    case Qt::Key_Home:
        currentRow_ = 1;
        break;
    case Qt::Key_End:
        currentRow_ = last;
        break;
    case Qt::Key_Left:
        for (int col = currentCol_ - 1; col >= 0; --col)
            if (ColWidths(col) > 0) {
                currentCol_ = col;
                break;
            }
        break;
    case Qt::Key_Right:
        for (int col = currentCol_ + 1; col < ColCount(); ++col)
            if (ColWidths(col) > 0) {
                currentCol_ = col;
                break;
            }
        break;
    default:
        break;
    }
    if (!extend) {
        anchorRow_ = currentRow_;
        anchorCol_ = currentCol_;
    }
    EnsureRowVisible(currentRow_);
    EnsureColVisible(currentCol_);
    return currentRow_ != oldRow || currentCol_ != oldCol;
}

void TITunesStringGrid::ApplyKeyboardMarks(Qt::KeyboardModifiers modifiers) {
    if (!MouseActions.DisjunctRowSelect)
        return;
    const bool currentExists = currentRow_ < RowCount();
    if (modifiers & Qt::ShiftModifier) {
        ClearAllMarks();
        MarkSelectionRange();
    } else if (modifiers & Qt::ControlModifier) {
        if (currentExists)
            PutMark(currentRow_, true);
    } else {
        ClearAllMarks();
        if (currentExists)
            PutMark(currentRow_, true);
    }
    RequestRepaint();
}

// ---- sorting ------------------------------------------------------------------------------

void TITunesStringGrid::SortByHeaderClick(int col) {
    if (OnCanSort) {
        bool allow = true;
        OnCanSort(col, allow);
        if (!allow)
            return;
    }
    if (col == sortColumn_) {
        sortAscending_ = !sortAscending_;
    } else {
        sortColumn_ = col;
        sortAscending_ = true;
    }
    SortRows();
    RequestRepaint();
}

void TITunesStringGrid::SortRows() {
    if (RowCount() <= 2 || sortColumn_ >= ColCount())
        return;
    const auto count = static_cast<std::size_t>(RowCount() - 1);
    RowSort sort{cells_,
                 {platform::text::DecimalSeparator(), platform::text::ThousandsSeparator()},
                 ColCount() - 1,
                 sortAscending_,
                 std::vector<std::optional<PreparedColumn>>(static_cast<std::size_t>(ColCount()))};
    SortEntries entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {0, 0, static_cast<std::uint32_t>(i)};
    sort.Sort(entries.begin(), entries.end(), sortColumn_);
    sort.columns.clear(); // they point into the rows about to move

    CellRows sorted;
    std::vector<std::int64_t> sortedTags;
    sorted.reserve(count);
    sortedTags.reserve(count);
    for (const SortEntry& entry : entries) {
        sorted.push_back(std::move(cells_[entry.index + 1]));
        sortedTags.push_back(rowTags_[entry.index + 1]);
    }
    std::move(sorted.begin(), sorted.end(), cells_.begin() + 1);
    std::copy(sortedTags.begin(), sortedTags.end(), rowTags_.begin() + 1);
}

// ---- painting -----------------------------------------------------------------------------

QColor TITunesStringGrid::TextColor() const {
    return palette().color(QPalette::WindowText);
}

void TITunesStringGrid::paintEvent(QPaintEvent* event) {
    repaintPending_ = false;
    EnsureLayout();
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    const int xOffset = -horizontalScrollBar()->value();
    const int bottom = viewport()->height();
    int top = HeaderHeight();
    for (int row = TopRow(); row < RowCount() && top < bottom; ++row) {
        const int height = rowHeights_[static_cast<std::size_t>(row)];
        if (height > 0 && top + height > dirty.top() && top <= dirty.bottom())
            PaintDataRow(painter, row, top, xOffset);
        top += height;
    }
    if (dirty.top() < HeaderHeight())
        PaintHeader(painter, xOffset);
    PaintFocusRect(painter, xOffset);
}

void TITunesStringGrid::PaintHeader(QPainter& painter, int xOffset) const {
    const int height = HeaderHeight();
    if (height <= 0)
        return;
    const int viewWidth = viewport()->width();
    const auto& captions = cells_.front();
    const QColor text = TextColor();
    // The picture covers its own 15 pixel rows; a taller header shows the colour below it.
    const int pictureHeight = std::min(height, headerPicture_.height());
    int left = xOffset;
    for (int col = 0; col < ColCount() && left < viewWidth; ++col) {
        const int width = colWidths_[static_cast<std::size_t>(col)];
        if (width > 0 && left + width > 0) {
            const QRect cell(left, 0, width, height);
            painter.fillRect(cell, headerColor_);
            painter.drawTiledPixmap(QRect(left, 0, width, pictureHeight), headerPicture_);
            const bool down = headerButtons_ && headerShownDown_ && col == pressedHeaderCol_;
            if (headerButtons_)
                PaintButtonFrame(painter, cell, down);
            QRect textRect = cell.adjusted(kTextMargin, 0, -kTextMargin, 0);
            if (SortSettings.Show && col == sortColumn_) {
                PaintSortArrow(painter, cell, sortAscending_, QColor(96, 96, 96));
                textRect.setRight(textRect.right() - kArrowWidth - kTextMargin);
            }
            if (down)
                textRect.translate(1, 1);
            const auto index = static_cast<std::size_t>(col);
            if (index < captions.size() && !captions[index].empty()) {
                painter.setPen(text);
                painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                                 QString::fromUtf8(captions[index]));
            }
        }
        left += width;
    }
}

void TITunesStringGrid::PaintDataRow(QPainter& painter, int row, int top, int xOffset) const {
    const int height = rowHeights_[static_cast<std::size_t>(row)];
    const int viewWidth = viewport()->width();
    const bool inRange = row >= SelectionTopRow() && row <= SelectionBottomRow();
    const bool rowLit =
        MouseActions.DisjunctRowSelect ? MarkAt(row) : (HasOption(goRowSelect) && inRange);
    // Without marks or whole-row selection, the selection is the block of cells in the range.
    const bool cellsLit = !MouseActions.DisjunctRowSelect && !HasOption(goRowSelect) && inRange;
    const int firstLitCol = std::min(anchorCol_, currentCol_);
    const int lastLitCol = std::max(anchorCol_, currentCol_);
    const QColor band = (row - 1) % 2 == 0 ? primaryBandColor_ : palette().color(QPalette::Base);
    const QColor normalText = TextColor();
    const QColor litText = selectionTextColor_.isValid() ? selectionTextColor_ : normalText;
    painter.fillRect(QRect(xOffset, top, TotalColWidth(), height), rowLit ? selectionColor_ : band);
    const auto& texts = cells_[static_cast<std::size_t>(row)];
    int left = xOffset;
    for (int col = 0; col < ColCount() && left < viewWidth; ++col) {
        const int width = colWidths_[static_cast<std::size_t>(col)];
        if (width > 0 && left + width > 0) {
            const QRect cell(left, top, width, height);
            bool lit = rowLit;
            if (cellsLit && col >= firstLitCol && col <= lastLitCol) {
                painter.fillRect(cell, selectionColor_);
                lit = true;
            }
            const auto index = static_cast<std::size_t>(col);
            if (index < texts.size() && !texts[index].empty()) {
                painter.setPen(lit ? litText : normalText);
                painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin, 0),
                                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                                 QString::fromUtf8(texts[index]));
            }
        }
        left += width;
    }
}

void TITunesStringGrid::PaintFocusRect(QPainter& painter, int xOffset) const {
    if (!showFocusRect_ || !hasFocus())
        return;
    const QRect rowRect = RowRectInView(currentRow_);
    if (rowRect.isNull())
        return;
    QRect frame;
    if (HasOption(goRowSelect)) {
        frame = QRect(xOffset, rowRect.top(), TotalColWidth(), rowRect.height());
    } else {
        const int width = ColWidths(currentCol_);
        if (width <= 0)
            return;
        frame = QRect(xOffset + ColLeft(currentCol_), rowRect.top(), width, rowRect.height());
    }
    painter.setPen(QPen(TextColor(), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

void TITunesStringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    InvalidateLayout();
    EnsureLayout();
}

void TITunesStringGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RequestRepaint();
}

void TITunesStringGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RequestRepaint();
}

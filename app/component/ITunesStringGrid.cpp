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
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string_view>

namespace {

// A press or release this close to a header border belongs to the border, not the cell.
constexpr int kBorderZone = 4;
constexpr int kTextMargin = 2;
constexpr int kArrowWidth = 7;
// Bytes of replaced texts the store may keep before it is compacted, beyond one byte per byte
// in use.
constexpr std::size_t kCompactionSlack = std::size_t{1} << 20;

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
    std::string plain; // most cells fail at their first character, before it ever grows
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

struct SortEntry {
    std::uint64_t key;  // the part of the cell this pass compares
    std::uint32_t rest; // texts: bytes left from the pass's position, 9 standing for "more"
    std::uint32_t index;
};
using SortEntries = std::vector<SortEntry>;
using EntryIt = SortEntries::iterator;

constexpr std::uint32_t kMoreBytes = 9;

// Sorts by one column at a time, then each run of equal cells by the next column, and the runs
// left at the last column by position. Texts are sorted eight bytes at a time: a pass orders a
// run by the next eight bytes (and the bytes left, which orders a text before its extensions),
// and only the runs that still agree go on to the next eight. Every pass reads each text of its
// run once, in a row, instead of comparing texts pair by pair all over the memory; that keeps
// 50,000 rows well under a tenth of a second.
//
// The kind of comparison is settled for a whole column: a column whose filled cells are all
// numbers (or all dates) compares by value with empty cells as 0; any other column compares as
// text. Deciding per pair would let 9 < 10 (numbers), "10" < "1a" and "1a" < "9" (texts) form a
// cycle that no sort can order.
// `TextOf(index, col)` is the text of data row `index` (grid row index + 1).
template <typename TextOf> class RowSort {
public:
    RowSort(TextOf textOf, std::size_t rows, int colCount, bool ascending)
        : textOf_(textOf), rows_(rows), lastCol_(colCount - 1),
          ascending_(ascending), separators_{platform::text::DecimalSeparator(),
                                             platform::text::ThousandsSeparator()},
          values_(static_cast<std::size_t>(colCount)),
          byValue_(static_cast<std::size_t>(colCount), -1) {}

    // The data rows' indexes (row - 1) in sorted order.
    std::vector<std::uint32_t> Order(int col) {
        SortEntries entries(rows_);
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i] = {0, 0, static_cast<std::uint32_t>(i)};
        SortColumn(entries.begin(), entries.end(), col);
        std::vector<std::uint32_t> order(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            order[i] = entries[i].index;
        return order;
    }

private:
    // Decided on the first cell that is plain text, so text columns are rarely read through.
    bool ByValue(int col) {
        signed char& known = byValue_[static_cast<std::size_t>(col)];
        if (known >= 0)
            return known != 0;
        const std::size_t count = rows_;
        std::vector<double> values(count);
        bool anyNumber = false;
        bool anyDate = false;
        known = 1;
        for (std::size_t i = 0; i < count && known != 0; ++i) {
            switch (Classify(textOf_(i, col), separators_, values[i])) {
            case CellKind::Number:
                anyNumber = true;
                break;
            case CellKind::Date:
                anyDate = true;
                break;
            case CellKind::Text:
                known = 0;
                break;
            case CellKind::Empty:
                break;
            }
            if (anyNumber && anyDate)
                known = 0;
        }
        if (known != 0)
            values_[static_cast<std::size_t>(col)] = std::move(values);
        return known != 0;
    }

    void SortBy(EntryIt begin, EntryIt end) const {
        const auto less = [](const SortEntry& a, const SortEntry& b) {
            return a.key != b.key ? a.key < b.key : a.rest < b.rest;
        };
        if (ascending_)
            std::sort(begin, end, less);
        else
            std::sort(begin, end,
                      [&](const SortEntry& a, const SortEntry& b) { return less(b, a); });
    }

    // Calls `next` on every run of two or more entries with the same key and rest.
    template <typename Next> void ForEachTie(EntryIt begin, EntryIt end, Next next) {
        for (EntryIt run = begin; run != end;) {
            EntryIt runEnd = std::next(run);
            while (runEnd != end && runEnd->key == run->key && runEnd->rest == run->rest)
                ++runEnd;
            if (runEnd - run > 1)
                next(run, runEnd);
            run = runEnd;
        }
    }

    void SortColumn(EntryIt begin, EntryIt end, int col) {
        if (!ByValue(col)) {
            SortText(begin, end, col, 0);
            return;
        }
        const std::vector<double>& values = values_[static_cast<std::size_t>(col)];
        for (EntryIt entry = begin; entry != end; ++entry)
            *entry = {OrderedBits(values[entry->index]), 0, entry->index};
        SortBy(begin, end);
        ForEachTie(begin, end, [&](EntryIt run, EntryIt runEnd) { NextColumn(run, runEnd, col); });
    }

    // All texts of the run agree in their first `depth` bytes.
    void SortText(EntryIt begin, EntryIt end, int col, std::size_t depth) {
        // Skip at once the bytes the whole run shares (long equal texts, common beginnings).
        const std::string_view first = textOf_(begin->index, col);
        std::size_t shared = first.size();
        for (EntryIt entry = std::next(begin); entry != end && shared > depth; ++entry) {
            const std::string_view text = textOf_(entry->index, col);
            const std::size_t limit = std::min(shared, text.size());
            std::size_t i = depth;
            while (i < limit && text[i] == first[i])
                ++i;
            shared = i;
        }
        depth = std::max(depth, shared);
        for (EntryIt entry = begin; entry != end; ++entry) {
            const std::string_view text = textOf_(entry->index, col);
            const std::size_t left = text.size() - depth;
            entry->key = PrefixBits(text, depth);
            entry->rest = static_cast<std::uint32_t>(std::min<std::size_t>(left, kMoreBytes));
        }
        SortBy(begin, end);
        ForEachTie(begin, end, [&](EntryIt run, EntryIt runEnd) {
            if (run->rest == kMoreBytes)
                SortText(run, runEnd, col, depth + 8);
            else
                NextColumn(run, runEnd, col); // equal texts
        });
    }

    void NextColumn(EntryIt begin, EntryIt end, int col) {
        if (col < lastCol_) {
            SortColumn(begin, end, col + 1);
            return;
        }
        std::sort(begin, end, [&](const SortEntry& a, const SortEntry& b) {
            return ascending_ ? a.index < b.index : a.index > b.index;
        });
    }

    TextOf textOf_;
    std::size_t rows_;
    int lastCol_;
    bool ascending_;
    Separators separators_;
    std::vector<std::vector<double>> values_; // per column compared by value
    std::vector<signed char> byValue_;        // per column: -1 not yet known
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
    const auto cols = static_cast<std::size_t>(ColCount());
    const auto kept = static_cast<std::size_t>(count) * cols;
    for (std::size_t i = kept; i < cells_.size(); ++i)
        liveBytes_ -= cells_[i].length;
    // std::vector grows its capacity geometrically, so adding rows one by one stays linear.
    cells_.resize(kept);
    rowCount_ = count;
    rowTags_.resize(static_cast<std::size_t>(count), 0);
    rowHeights_.resize(static_cast<std::size_t>(count), DefaultRowHeight);
    ClampCursor();
    InvalidateLayout();
}

void TITunesStringGrid::SetColCount(int count) {
    count = std::max(1, count);
    if (count == ColCount())
        return;
    const auto oldCols = static_cast<std::size_t>(ColCount());
    const auto newCols = static_cast<std::size_t>(count);
    std::vector<Cell> cells(static_cast<std::size_t>(RowCount()) * newCols);
    for (std::size_t row = 0; row < static_cast<std::size_t>(RowCount()); ++row) {
        for (std::size_t col = 0; col < oldCols; ++col) {
            const Cell& cell = cells_[row * oldCols + col];
            if (col < newCols)
                cells[row * newCols + col] = cell;
            else
                liveBytes_ -= cell.length;
        }
    }
    cells_ = std::move(cells);
    colWidths_.resize(newCols, DefaultColWidth);
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

std::string TITunesStringGrid::GetCell(int col, int row) const {
    return std::string(CellText(col, row));
}

std::string_view TITunesStringGrid::CellText(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount())
        return {};
    return TextOf(cells_[CellIndex(col, row)]);
}

void TITunesStringGrid::SetCell(int col, int row, std::string_view text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount())
        return;
    Cell& cell = cells_[CellIndex(col, row)];
    if (cell.length == 0 && text.empty())
        return;
    liveBytes_ -= cell.length;
    cell = Cell{};
    if (!text.empty()) {
        // A text taken from this table would move while the store grows.
        const std::less<const char*> before;
        const bool own = !before(text.data(), texts_.data()) &&
                         before(text.data(), texts_.data() + texts_.size());
        cell = own ? StoreText(std::string(text)) : StoreText(text);
    }
    RequestRepaint();
}

TITunesStringGrid::Cell TITunesStringGrid::StoreText(std::string_view text) {
    const std::size_t unused = texts_.size() - liveBytes_;
    if (unused > std::max<std::size_t>(liveBytes_, kCompactionSlack) ||
        texts_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        CompactTexts();
    if (texts_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("The texts of the table exceed 4 GB");
    const Cell cell{static_cast<std::uint32_t>(texts_.size()),
                    static_cast<std::uint32_t>(text.size())};
    texts_.append(text);
    liveBytes_ += text.size();
    return cell;
}

// Texts replaced or cut off leave their bytes behind; this drops them, in row order.
void TITunesStringGrid::CompactTexts() {
    std::string texts;
    texts.reserve(liveBytes_);
    for (Cell& cell : cells_) {
        if (cell.length == 0)
            continue;
        const std::size_t offset = texts.size();
        texts.append(TextOf(cell));
        cell.offset = static_cast<std::uint32_t>(offset);
    }
    texts_ = std::move(texts);
}

void TITunesStringGrid::ClearCells() {
    std::fill(cells_.begin(), cells_.end(), Cell{});
    texts_.clear();
    liveBytes_ = 0;
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
    // Without column sizing there is no border to grab, and no resize pointer shows.
    if (!HasOption(goColSizing))
        return -1;
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
        sizingCol_ = SizingColumnAt(pos.x());
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
        const bool onBorder =
            pos.y() >= 0 && pos.y() < HeaderHeight() && SizingColumnAt(pos.x()) >= 0;
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
    // Where the pointer is on the screen, as the event reports it: a window's own idea of its
    // place can lag behind the window manager's.
    if (button == Qt::RightButton)
        ShowPopup(event->globalPosition().toPoint());
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
        ShowPopup(
            viewport()->mapToGlobal(rect.isNull() ? QPoint(0, HeaderHeight()) : rect.bottomLeft()));
    }
    event->accept();
}

void TITunesStringGrid::ShowPopup(QPoint globalPos) {
    if (!popupMenu_)
        return;
    if (OnPopup)
        OnPopup();
    popupMenu_->popup(globalPos);
}

void TITunesStringGrid::AutoFitColumn(int col) {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row) {
        const std::string_view text = CellText(col, row);
        if (!text.empty())
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(
                                          text.data(), static_cast<qsizetype>(text.size()))));
    }
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
    const auto cols = static_cast<std::size_t>(ColCount());
    const auto textOf = [this, cols](std::size_t index, int col) {
        return TextOf(cells_[(index + 1) * cols + static_cast<std::size_t>(col)]);
    };
    const std::vector<std::uint32_t> order =
        RowSort(textOf, static_cast<std::size_t>(RowCount() - 1), ColCount(), sortAscending_)
            .Order(sortColumn_);
    // Only the cells move; their texts stay where they are in the store.
    std::vector<Cell> sorted(cells_.size());
    std::vector<std::int64_t> sortedTags(rowTags_.size());
    std::copy_n(cells_.begin(), cols, sorted.begin());
    sortedTags[0] = rowTags_[0];
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t from = order[i] + 1;
        std::copy_n(cells_.begin() + static_cast<std::ptrdiff_t>(from * cols), cols,
                    sorted.begin() + static_cast<std::ptrdiff_t>((i + 1) * cols));
        sortedTags[i + 1] = rowTags_[from];
    }
    cells_ = std::move(sorted);
    rowTags_ = std::move(sortedTags);
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
            const std::string_view caption = CellText(col, 0);
            if (!caption.empty()) {
                painter.setPen(text);
                painter.drawText(
                    textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
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
            const std::string_view text = CellText(col, row);
            if (!text.empty()) {
                painter.setPen(lit ? litText : normalText);
                painter.drawText(
                    cell.adjusted(kTextMargin, 0, -kTextMargin, 0),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
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

#include "app/component/StretchSkinBitmap.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Every source pixel is distinct and names its own coordinates, so any misplaced pixel shows.
QRgb CoordinateColour(int x, int y) {
    return qRgb(10 * x + 5, 30 * y + 5, 200);
}

QImage CoordinateSource(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, CoordinateColour(x, y));
    return image;
}

std::string Describe(QRgb pixel) {
    if (qBlue(pixel) != 200)
        return "foreign colour " + std::to_string(pixel);
    return "(" + std::to_string((qRed(pixel) - 5) / 10) + ", " +
           std::to_string((qGreen(pixel) - 5) / 30) + ")";
}

std::vector<int> Sequence(int first, int last) {
    std::vector<int> values;
    for (int value = first; value <= last; ++value)
        values.push_back(value);
    return values;
}

std::vector<int> Repeat(int value, int count) {
    return std::vector<int>(count, value);
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> joined;
    for (const auto& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Checks every pixel of image against the source column and row each of its columns and rows
// should show; reports the first few mismatches.
void ExpectShowsSource(const QImage& image, const std::vector<int>& columns,
                       const std::vector<int>& rows) {
    ASSERT_EQ(image.width(), static_cast<int>(columns.size()));
    ASSERT_EQ(image.height(), static_cast<int>(rows.size()));
    int mismatches = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = CoordinateColour(columns[x], rows[y]);
            const QRgb actual = image.pixel(x, y);
            if (actual != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") shows " << Describe(actual)
                              << ", expected " << Describe(expected);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(StretchSkinBitmapTest, MainWindowBarFromTheTrack) {
    const QImage source = CoordinateSource(22, 8);
    QImage target(225, 11, QImage::Format_RGB32);
    target.fill(Qt::black);
    StretchSkinBitmap(source, target, QRect(0, 0, 225, 11));
    // Columns 0-10 the left half, 11-213 column 11, 214-224 columns 11-21; rows 0-3 the top
    // half, 4-5 row 4, 6-10 rows 4-7 stretched to five rows.
    ExpectShowsSource(target, Join({Sequence(0, 10), Repeat(11, 203), Sequence(11, 21)}),
                      Join({Sequence(0, 3), Repeat(4, 2), {4, 4, 5, 6, 7}}));
}

struct StretchCase {
    const char* name;
    QSize source;
    QSize target;
    std::vector<int> columns;
    std::vector<int> rows;
};

void PrintTo(const StretchCase& test, std::ostream* out) {
    *out << test.name;
}

class StretchSizesTest : public testing::TestWithParam<StretchCase> {};

TEST_P(StretchSizesTest, EachPixelComesFromItsPart) {
    const StretchCase& sizes = GetParam();
    const QImage source = CoordinateSource(sizes.source.width(), sizes.source.height());
    ExpectShowsSource(StretchedSkinImage(source, sizes.target), sizes.columns, sizes.rows);
}

const std::vector<int> EvenRowsAtOwnHeight = {0, 1, 2, 4, 4, 5, 6, 7};

INSTANTIATE_TEST_SUITE_P(
    Sizes, StretchSizesTest,
    testing::Values(
        // An even source at its own height still gives the lower half one row more, so its
        // row 3 is covered.
        StretchCase{"OwnSizeEven", {22, 8}, {22, 8}, Sequence(0, 21), EvenRowsAtOwnHeight},
        StretchCase{"OwnSizeOdd", {5, 5}, {5, 5}, Sequence(0, 4), Sequence(0, 4)},
        StretchCase{
            "OddSourceGrown", {5, 5}, {9, 7}, {0, 1, 2, 2, 2, 2, 2, 3, 4}, {0, 1, 2, 2, 2, 3, 4}},
        StretchCase{"OneRowTaller",
                    {22, 8},
                    {30, 9},
                    Join({Sequence(0, 10), Repeat(11, 8), Sequence(11, 21)}),
                    Join({Sequence(0, 3), {4, 4, 5, 6, 7}})},
        StretchCase{"SinglePixelSource", {1, 1}, {4, 3}, Repeat(0, 4), Repeat(0, 3)},
        // Narrower than the source: the left half, then as much of the right end as fits.
        StretchCase{"NarrowerThanSource",
                    {22, 8},
                    {15, 8},
                    Join({Sequence(0, 10), Sequence(18, 21)}),
                    EvenRowsAtOwnHeight},
        StretchCase{"NarrowerThanHalf", {22, 8}, {6, 8}, Sequence(0, 5), EvenRowsAtOwnHeight},
        // Lower than the source: the bottom rows win.
        StretchCase{"LowerThanSource",
                    {22, 8},
                    {30, 3},
                    Join({Sequence(0, 10), Repeat(11, 8), Sequence(11, 21)}),
                    {5, 6, 7}},
        StretchCase{"SinglePixelTarget", {22, 8}, {1, 1}, {0}, {7}}),
    [](const testing::TestParamInfo<StretchCase>& test) { return std::string(test.param.name); });

TEST(StretchSkinBitmapTest, PlacesAtTheRectAndClipsToTheTarget) {
    const QImage source = CoordinateSource(22, 8);
    const QRgb untouched = qRgb(1, 2, 3);
    struct Placement {
        QRect rect;
        const char* name;
    };
    for (const Placement& placement :
         {Placement{{4, 2, 12, 5}, "inside"}, Placement{{-5, -3, 40, 12}, "over every edge"},
          Placement{{25, 8, 30, 9}, "past the bottom right"},
          Placement{{100, 100, 20, 20}, "outside"}}) {
        SCOPED_TRACE(placement.name);
        QImage target(30, 10, QImage::Format_RGB32);
        target.fill(untouched);
        StretchSkinBitmap(source, target, placement.rect);
        const QImage expected = StretchedSkinImage(source, placement.rect.size());
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QPoint inRect = QPoint(x, y) - placement.rect.topLeft();
                const QRgb want =
                    placement.rect.contains(x, y) ? expected.pixel(inRect) : untouched;
                ASSERT_EQ(target.pixel(x, y), want) << "at (" << x << ", " << y << ")";
            }
        }
    }
}

TEST(StretchSkinBitmapTest, NothingToDrawLeavesTheTargetAlone) {
    const QImage source = CoordinateSource(22, 8);
    QImage target(30, 10, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    const QImage before = target.copy();

    StretchSkinBitmap(source, target, QRect(3, 3, 0, 5));
    StretchSkinBitmap(source, target, QRect(3, 3, 5, -2));
    StretchSkinBitmap(QImage(), target, QRect(0, 0, 30, 10));
    CopyStretched(source, QRect(20, 0, 3, 8), target, QRect(0, 0, 30, 10)); // one column beyond
    CopyStretched(source, QRect(0, -1, 2, 2), target, QRect(0, 0, 30, 10));

    EXPECT_TRUE(target == before);
    EXPECT_TRUE(StretchedSkinImage(source, QSize(0, 4)).isNull());
}

TEST(StretchSkinBitmapTest, EveryTargetKindGetsTheSameColours) {
    const QImage source = CoordinateSource(22, 8);
    const QRect rect(3, 2, 40, 11);
    const QImage expected = StretchedSkinImage(source, rect.size());

    QImage premultiplied(50, 20, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(Qt::black);
    StretchSkinBitmap(source, premultiplied, rect);

    QImage packed(50, 20, QImage::Format_RGB888);
    packed.fill(Qt::black);
    StretchSkinBitmap(source, packed, rect);

    QImage painted(50, 20, QImage::Format_RGB32);
    painted.fill(Qt::black);
    {
        QPainter canvas(&painted);
        StretchSkinBitmap(source, canvas, rect);
    }

    for (const QImage* target : {&premultiplied, &packed, &painted})
        EXPECT_TRUE(target->copy(rect).convertToFormat(QImage::Format_RGB32) == expected);
    EXPECT_EQ(painted.pixel(2, 2), qRgb(0, 0, 0)) << "drew left of the rect";
}

} // namespace

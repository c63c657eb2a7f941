#include "app/component/StretchSkinBitmap.h"
#include "app/component/XP_ProgressBar_Itunes.h"

#include <QApplication>
#include <QMouseEvent>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

static void InitSkinResources() {
    Q_INIT_RESOURCE(skin);
}

namespace {

QImage SkinBitmap(const char* name) {
    InitSkinResources();
    return QImage(QString::fromLatin1(":/skin/") + QString::fromLatin1(name))
        .convertToFormat(QImage::Format_RGB32);
}

const QImage& Track() {
    static const QImage image = SkinBitmap("PROGRESSBARITUNES_GRAY");
    return image;
}
const QImage& Tile() {
    static const QImage image = SkinBitmap("PROGRESSBARITUNES_COLOR");
    return image;
}
const QImage& Marker() {
    static const QImage image = SkinBitmap("PROGRESSBARITUNES_ARR");
    return image;
}

// What the bar paints, without any background drawn first: a pixel the bar leaves alone keeps
// the sentinel colour.
QImage Render(TProgressBarItunes& bar) {
    QImage image(bar.size(), QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    bar.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The track, stripes from x = 1 to stripesEnd (none when 0) over rows 1 to height - 4, and the
// marker with its top-left corner at (markerLeft, 1). For heights where the tile is unscaled.
QImage ExpectedBar(QSize size, int stripesEnd, std::optional<int> markerLeft) {
    QImage image = StretchedSkinImage(Track(), size);
    for (int x = 1; x <= stripesEnd; ++x)
        for (int y = 1; y <= size.height() - 4; ++y)
            image.setPixel(x, y, Tile().pixel((x - 1) % 2, y - 1));
    if (markerLeft)
        for (int y = 0; y < Marker().height(); ++y)
            for (int x = 0; x < Marker().width(); ++x)
                if (image.rect().contains(*markerLeft + x, 1 + y))
                    image.setPixel(*markerLeft + x, 1 + y, Marker().pixel(x, y));
    return image;
}

void ExpectSamePicture(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    std::vector<int> wrongColumns;
    for (int x = 0; x < actual.width(); ++x)
        for (int y = 0; y < actual.height(); ++y)
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                wrongColumns.push_back(x);
                break;
            }
    std::string columns;
    for (std::size_t i = 0; i < wrongColumns.size() && i < 12; ++i)
        columns += std::to_string(wrongColumns[i]) + " ";
    EXPECT_TRUE(wrongColumns.empty()) << "wrong pixels in columns " << columns;
}

// Counts the paints the bar receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Receives the mouse moves that reach it.
class MouseMoveSink : public QWidget {
public:
    int moves = 0;

protected:
    void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

constexpr std::int64_t Int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();

TEST(ProgressBarTest, StartsEmptyAtItsDefaultSize) {
    TProgressBarItunes bar;
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.size(), QSize(150, 16));
    EXPECT_EQ(bar.sizeHint(), QSize(150, 16));
    ExpectSamePicture(Render(bar), StretchedSkinImage(Track(), QSize(150, 16)));
}

TEST(ProgressBarTest, SkinBitmapsHaveTheirSizesAndNoTransparency) {
    struct Expected {
        const QImage* image;
        QSize size;
    };
    for (const Expected& bitmap :
         {Expected{&Track(), {22, 8}}, Expected{&Tile(), {2, 7}}, Expected{&Marker(), {8, 7}}}) {
        EXPECT_EQ(bitmap.image->size(), bitmap.size);
        EXPECT_FALSE(bitmap.image->hasAlphaChannel());
    }
}

struct BarCase {
    const char* name;
    int width;
    std::int64_t min;
    std::int64_t max;
    std::int64_t position;
    int stripesEnd;                // last striped column, 0 for none
    std::optional<int> markerLeft; // none when out of sight or not drawn
};

void PrintTo(const BarCase& test, std::ostream* out) {
    *out << test.name;
}

class BarPictureTest : public testing::TestWithParam<BarCase> {};

TEST_P(BarPictureTest, PaintsTrackStripesAndMarker) {
    const BarCase& values = GetParam();
    TProgressBarItunes bar;
    bar.resize(values.width, 11);
    bar.SetMin(values.min);
    bar.SetMax(values.max);
    bar.SetPosition(values.position);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), values.stripesEnd, values.markerLeft));
}

INSTANTIATE_TEST_SUITE_P(
    Values, BarPictureTest,
    testing::Values(
        BarCase{"BelowMin", 225, 0, 100, -5, 0, std::nullopt},
        BarCase{"AtMin", 225, 10, 100, 10, 0, std::nullopt},
        // fill 1: no stripe, only the marker's rightmost column shows, at x = 0.
        BarCase{"JustAboveMin", 225, 0, 1000, 1, 0, -7},
        BarCase{"Halfway", 225, 0, 221, 50, 50, 43},
        // Even width: the marker ends exactly at the inner edge; odd width: one pixel further.
        BarCase{"AtMaxEvenWidth", 150, 0, 100, 100, 146, 139},
        BarCase{"AtMaxOddWidth", 225, 0, 100, 100, 221, 215},
        BarCase{"MarkerOverRightBorder", 225, 0, 221, 224, 221, 217},
        // The end of a 3000-byte job: far beyond Max, the right border untouched.
        BarCase{"FarAboveMaxEvenWidth", 150, 0, 3000, 6144, 146, std::nullopt},
        BarCase{"FarAboveMaxOddWidth", 225, 0, 100, 100000, 221, std::nullopt},
        BarCase{"AtInt64Max", 225, 0, 100, Int64Max, 221, std::nullopt},
        // 146 / 4 * 1 = 36.5 goes to the even 36; 146 / 10 * 1 = 14.6 to the nearer 15.
        BarCase{"TieRoundsToEven", 150, 0, 4, 1, 36, 29},
        BarCase{"RoundsToNearest", 150, 0, 10, 1, 16, 9},
        BarCase{"MaxBelowMinAboveMin", 225, 100, 0, 150, 0, -7},
        BarCase{"MaxBelowMinAtMin", 225, 100, 0, 50, 0, std::nullopt},
        // A job of total 0: full once it moves, empty before.
        BarCase{"MaxEqualsMinAbove", 225, 0, 0, 2048, 221, 215},
        BarCase{"MaxEqualsMinAt", 225, 0, 0, 0, 0, std::nullopt},
        // Totals beyond 32 bits: 3,000,000,000 of 6,000,000,000 is half of 146 columns.
        BarCase{"SixGigabytesHalfDone", 150, 0, 6'000'000'000, 3'000'000'000, 74, 67},
        BarCase{"WholeInt64Range", 150, Int64Min, Int64Max, 0, 74, 67}),
    [](const testing::TestParamInfo<BarCase>& test) { return std::string(test.param.name); });

TEST(ProgressBarTest, FillTileStretchesOverTheInnerHeight) {
    TProgressBarItunes bar; // 150 x 16: the tile's 7 rows cover rows 1 to 12
    bar.SetPosition(100);
    const QImage picture = Render(bar);
    const QImage track = StretchedSkinImage(Track(), bar.size());
    for (int y = 1; y <= 12; ++y)
        EXPECT_EQ(picture.pixel(1, y), Tile().pixel(0, (y - 1) * 7 / 12)) << "row " << y;
    for (const int y : {0, 13, 14, 15})
        EXPECT_EQ(picture.pixel(1, y), track.pixel(1, y)) << "row " << y;
    EXPECT_EQ(picture.pixel(146, 8), Tile().pixel(1, 7 * 7 / 12)) << "below the marker";
}

TEST(ProgressBarTest, ResizedBarPaintsAtItsNewSize) {
    TProgressBarItunes bar;
    bar.resize(225, 11);
    bar.SetPosition(100);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 221, 215));
    bar.resize(150, 11);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 146, 139));
}

TEST(ProgressBarTest, ANewRangePaintsThePositionOnTheNewScale) {
    TProgressBarItunes bar;
    bar.resize(225, 11);
    bar.SetMax(221);
    bar.SetPosition(50);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 50, 43));
    bar.SetMax(442); // as when the first message of the next job brings its total
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 26, 19));
    bar.SetMin(-442);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 124, 117));
}

class ProgressBarRepaintTest : public testing::Test {
protected:
    void SetUp() override {
        bar.resize(225, 11);
        bar.show();
        QApplication::processEvents();
    }

    int PaintsAfter(const std::function<void()>& change) {
        PaintCounter counter(&bar);
        change();
        QApplication::processEvents();
        return counter.paints;
    }

    TProgressBarItunes bar;
};

TEST_F(ProgressBarRepaintTest, RewritingTheCurrentValuesSchedulesNoPaint) {
    bar.SetPosition(30);
    QApplication::processEvents();
    EXPECT_EQ(PaintsAfter([&] {
                  bar.SetMin(0);
                  bar.SetMax(100);
                  bar.SetPosition(30);
              }),
              0);
    EXPECT_EQ(PaintsAfter([&] { bar.SetPosition(60); }), 1);
}

TEST_F(ProgressBarRepaintTest, ChangesThatKeepThePictureScheduleNoPaint) {
    bar.SetMax(1'000'000);
    QApplication::processEvents();
    // fill stays at 1 while the position creeps up from Min; the first step shows the marker.
    EXPECT_EQ(PaintsAfter([&] { bar.SetPosition(1); }), 1);
    EXPECT_EQ(PaintsAfter([&] {
                  for (std::int64_t position = 2; position < 2000; ++position)
                      bar.SetPosition(position);
              }),
              0);
    EXPECT_EQ(bar.Position(), 1999);
    // Past the right end the marker is gone and stays gone.
    bar.SetPosition(100'000'000);
    QApplication::processEvents();
    EXPECT_EQ(PaintsAfter([&] { bar.SetPosition(200'000'000); }), 0);
}

TEST_F(ProgressBarRepaintTest, ManyBlocksCoalesceIntoOnePaint) {
    constexpr std::int64_t Blocks = 5000;
    bar.SetMax(Blocks * 2048);
    QApplication::processEvents();
    const int paints = PaintsAfter([&] {
        for (std::int64_t block = 1; block <= Blocks; ++block) {
            bar.SetPosition(bar.Position() + 2048);
            ASSERT_EQ(bar.Position(), block * 2048);
        }
    });
    EXPECT_EQ(paints, 1);
    ExpectSamePicture(Render(bar), ExpectedBar(bar.size(), 221, 215));
}

TEST(ProgressBarTest, MouseMovesGoToTheReceiverOrElseToTheParent) {
    MouseMoveSink parent;
    TProgressBarItunes bar(&parent);
    const auto leftDragMove = [&] {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), bar.mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&bar, &move);
    };

    leftDragMove();
    EXPECT_EQ(parent.moves, 1);

    int signalled = 0;
    QObject::connect(&bar, &TProgressBarItunes::mouseMoved, [&](QMouseEvent* event) {
        ++signalled;
        EXPECT_EQ(event->position(), QPointF(5, 5));
    });
    leftDragMove();
    EXPECT_EQ(signalled, 1);
    EXPECT_EQ(parent.moves, 1);
}

} // namespace

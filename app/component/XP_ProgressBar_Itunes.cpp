#include "app/component/XP_ProgressBar_Itunes.h"

#include "app/component/StretchSkinBitmap.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

// Outside any namespace, as the resource initialiser requires.
static void InitSkinResources() {
    Q_INIT_RESOURCE(skin);
}

namespace {

constexpr QSize DefaultSize(150, 16);
constexpr int TileWidth = 2;   // the fill grows by one tile at a time
constexpr int MarkerWidth = 8; // the marker's right edge meets the head

struct ProgressSkin {
    QImage track;
    QImage tile;
    QImage marker;
};

QImage LoadSkinBitmap(const char* name) {
    return QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_RGB32);
}

// Loaded once: every paint of every bar uses the same three pictures.
const ProgressSkin& Skin() {
    static const ProgressSkin skin = [] {
        InitSkinResources();
        return ProgressSkin{LoadSkinBitmap(":/skin/PROGRESSBARITUNES_GRAY"),
                            LoadSkinBitmap(":/skin/PROGRESSBARITUNES_COLOR"),
                            LoadSkinBitmap(":/skin/PROGRESSBARITUNES_ARR")};
    }();
    return skin;
}

// To the nearest whole number, a tie to the even one (the default rounding of the FPU).
long double RoundHalfEven(long double value) {
    return std::rint(value);
}

} // namespace

TProgressBarItunes::TProgressBarItunes(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the off-screen picture: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(DefaultSize);
}

void TProgressBarItunes::SetMin(std::int64_t value) {
    if (value == min_)
        return;
    min_ = value;
    ValuesChanged();
}

void TProgressBarItunes::SetMax(std::int64_t value) {
    if (value == max_)
        return;
    max_ = value;
    ValuesChanged();
}

void TProgressBarItunes::SetPosition(std::int64_t value) {
    if (value == position_)
        return;
    position_ = value;
    ValuesChanged();
}

QSize TProgressBarItunes::sizeHint() const {
    return DefaultSize;
}

std::optional<int> TProgressBarItunes::HeadPosition() {
    if (position_ <= min_)
        return std::nullopt;
    const int barWidth = width();
    long double fill = barWidth - 3; // a job of total 0 is complete as soon as it moves
    if (max_ != min_) {
        // Long double holds every 64-bit value exactly, so the differences cannot overflow.
        // The scale is kept: Position changes with every copied block, the rest hardly ever.
        if (scaleWidth_ != barWidth || scaleMin_ != min_ || scaleMax_ != max_) {
            const long double span =
                static_cast<long double>(max_) - static_cast<long double>(min_);
            scale_ = static_cast<long double>(barWidth - 4) / span;
            scaleWidth_ = barWidth;
            scaleMin_ = min_;
            scaleMax_ = max_;
        }
        const long double done =
            static_cast<long double>(position_) - static_cast<long double>(min_);
        fill = RoundHalfEven(scale_ * done) + 1.0L;
    }
    // Below 1 the marker stays at -7; from Width + 8 on it is out of sight.
    const int clamped =
        static_cast<int>(std::clamp(fill, 1.0L, static_cast<long double>(barWidth) + 8.0L));
    return clamped % 2 == 1 ? clamped : clamped + 1;
}

void TProgressBarItunes::ValuesChanged() {
    const std::optional<int> head = HeadPosition();
    if (head == scheduledHead_)
        return;
    scheduledHead_ = head;
    update();
}

QImage TProgressBarItunes::Picture(std::optional<int> head) {
    const ProgressSkin& skin = Skin();
    if (track_.size() != size())
        track_ = StretchedSkinImage(skin.track, size());
    QImage picture = track_;
    if (picture.isNull()) {
        picture = QImage(size(), QImage::Format_RGB32);
        picture.fill(palette().window().color());
    }
    if (!head)
        return picture;

    const int innerRight = width() - 3;
    for (int d = 1; d < *head && d < innerRight; d += TileWidth)
        CopyStretched(skin.tile, skin.tile.rect(), picture,
                      QRect(d, 1, std::min(d + TileWidth, innerRight) - d, height() - 4));
    CopyStretched(skin.marker, skin.marker.rect(), picture,
                  QRect(QPoint(*head - MarkerWidth, 1), skin.marker.size()));
    return picture;
}

void TProgressBarItunes::paintEvent(QPaintEvent*) {
    scheduledHead_ = HeadPosition();
    QPainter painter(this);
    painter.drawImage(0, 0, Picture(scheduledHead_));
}

void TProgressBarItunes::mouseMoveEvent(QMouseEvent* event) {
    if (isSignalConnected(QMetaMethod::fromSignal(&TProgressBarItunes::mouseMoved))) {
        event->accept();
        emit mouseMoved(event);
    } else {
        event->ignore();
    }
}

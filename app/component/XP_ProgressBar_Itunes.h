#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <optional>

class QMouseEvent;

// The skinned horizontal progress bar: a stretched track, a striped fill growing in steps of two
// pixels and a marker at its head. Values are 64-bit so that a copy job of many gigabytes still
// shows a correct bar. Nothing ties them together: Position may lie outside Min..Max and Min may
// exceed Max. With Max equal to Min the bar is full whenever Position is above Min.
//
// A change of value takes effect at once but only schedules a paint, and only when the picture
// changes, so that a stream of small steps costs one paint per screen refresh.
class TProgressBarItunes : public QWidget {
    Q_OBJECT

public:
    explicit TProgressBarItunes(QWidget* parent = nullptr);

    std::int64_t Min() const { return min_; }
    std::int64_t Max() const { return max_; }
    std::int64_t Position() const { return position_; }
    void SetMin(std::int64_t value);
    void SetMax(std::int64_t value);
    void SetPosition(std::int64_t value);

    QSize sizeHint() const override;

signals:
    // Every mouse move over the bar (tracking is on), so that the owner can drag its window by
    // it. While a receiver is connected the event stays with the bar; otherwise it goes on to
    // the parent, as for a plain widget.
    void mouseMoved(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The first tile position at or beyond the fill; the picture depends on nothing else.
    // Empty when Position is not above Min: only the track shows.
    std::optional<int> HeadPosition();
    void ValuesChanged();
    QImage Picture(std::optional<int> head);

    std::int64_t min_ = 0;
    std::int64_t max_ = 100;
    std::int64_t position_ = 0;
    std::optional<int> scheduledHead_; // of the picture on screen or already asked for
    // (Width - 4) / (Max - Min) for the width and values it was computed for.
    long double scale_ = 0;
    int scaleWidth_ = -1;
    std::int64_t scaleMin_ = 0;
    std::int64_t scaleMax_ = 0;
    QImage track_; // the stretched track at the current size
};

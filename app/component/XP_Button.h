#pragma once

#include <QAbstractButton>
#include <QImage>
#include <array>

class QEnterEvent;

// The skinned push button. Its face comes from a strip of five equal frames, side by side:
// normal, pressed, disabled, under the mouse, focused. The frame is fitted to the button with
// its borders kept and its middle stretched, and the caption is centred on it. A click fires when
// Enter or Space is released, or when the mouse button is released over the button.
class TXP_Button : public QAbstractButton {
    Q_OBJECT

public:
    enum Frame { Normal = 1, Pressed = 2, Disabled = 3, Hot = 4, Focused = 5 };

    explicit TXP_Button(QWidget* parent = nullptr);
    explicit TXP_Button(const QString& caption, QWidget* parent = nullptr);

    const QImage& FaceStrip() const { return strip_; }
    void SetFaceStrip(const QImage& strip);

    // The frame for the button's state: disabled wins, then pressed, then under the mouse;
    // focus shows only when none of those applies.
    Frame FaceFrame() const;

    // Kept for the window's hint texts; hints are never shown.
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint) { hint_ = hint; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void PaintFace(QPainter& painter);
    QColor CaptionColor() const;

private:
    QImage strip_;
    std::array<QImage, 5> faces_; // each frame fitted to the current size, made on first need
    QString hint_;
    bool hot_ = false;
};

#pragma once

#include <QImage>
#include <QWidget>

class QMouseEvent;

// A picture piece of a skinned window: one bitmap drawn at its own size from the top-left
// corner, or scaled to fill the piece (nearest neighbour, so the art stays crisp). It takes no
// input; its mouse moves are passed on so that the window can be dragged by it.
class TSunImage : public QWidget {
    Q_OBJECT

public:
    explicit TSunImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

signals:
    // Every mouse move over the piece, a button held or not. While a receiver is connected the
    // event stays with the piece; otherwise it goes on to the parent, as for a plain widget.
    void mouseMoved(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    QImage stretched_; // the picture at the piece's size, made on first need
    bool stretch_ = false;
};

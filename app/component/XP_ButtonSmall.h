#pragma once

#include "app/component/XP_Button.h"

// The small title-bar button (18 x 18): a face strip of five 16 x 16 frames and a picture
// centred above the caption, which the title bars leave empty. Pure red pixels of the picture
// are transparent.
class TXP_ButtonSmall : public TXP_Button {
    Q_OBJECT

public:
    static constexpr int Size = 18;
    static constexpr int PictureSpacing = 2; // between picture and caption

    explicit TXP_ButtonSmall(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);

    QSize sizeHint() const override { return QSize(Size, Size); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_; // with its pure red made transparent
};

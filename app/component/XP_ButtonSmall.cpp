#include "app/component/XP_ButtonSmall.h"

#include "app/component/SkinBitmaps.h"

#include <QPainter>

namespace {

QImage RedMadeTransparent(const QImage& picture) {
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparentKey = qRgb(255, 0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) == 255 && (line[x] & RGB_MASK) == (transparentKey & RGB_MASK))
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

} // namespace

TXP_ButtonSmall::TXP_ButtonSmall(QWidget* parent) : TXP_Button(parent) {
    SetFaceStrip(SkinBitmap("XP_BUTTONSMALL"));
    resize(Size, Size);
}

void TXP_ButtonSmall::SetPicture(const QImage& picture) {
    picture_ = picture.isNull() ? QImage() : RedMadeTransparent(picture);
    update();
}

void TXP_ButtonSmall::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFace(painter);

    // Picture above caption, the pair centred on the face.
    const int captionHeight = text().isEmpty() ? 0 : fontMetrics().height();
    const int blockHeight = picture_.height() + PictureSpacing + captionHeight;
    const int pictureTop = (height() - blockHeight) / 2;
    if (!picture_.isNull())
        painter.drawImage(QPoint((width() - picture_.width()) / 2, pictureTop), picture_);
    if (captionHeight > 0) {
        painter.setPen(CaptionColor());
        const int captionTop = pictureTop + picture_.height() + PictureSpacing;
        painter.drawText(QRect(0, captionTop, width(), captionHeight),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, text());
    }
}

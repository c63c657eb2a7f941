#include "app/component/XP_GroupBox.h"

#include <QPainter>

namespace {

const QColor GreyedCaption(128, 128, 128);

} // namespace

TXP_GroupBox::TXP_GroupBox(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    setAttribute(Qt::WA_NoMousePropagation);
}

void TXP_GroupBox::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TXP_GroupBox::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TXP_GroupBox::SetBorderColor(const QColor& color) {
    borderColor_ = color;
    update();
}

void TXP_GroupBox::SetCaptionColor(const QColor& color) {
    captionColor_ = color;
    update();
}

void TXP_GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_);

    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const int textWidth = metrics.horizontalAdvance(caption_);

    // A one-pixel outline on the box's edge pixels, right and bottom included.
    const int borderTop = textHeight / 2;
    const qreal radius = CornerEllipse / 2.0;
    painter.setPen(borderColor_);
    painter.setBrush(color_);
    painter.drawRoundedRect(QRect(0, borderTop, width() - 1, height() - borderTop - 1), radius,
                            radius);

    const QRect band(CaptionLeft, 0, textWidth + CaptionMargin, textHeight);
    painter.fillRect(band, color_);
    painter.setPen(isEnabled() ? captionColor_ : GreyedCaption);
    painter.drawText(band, Qt::AlignCenter, caption_);
}

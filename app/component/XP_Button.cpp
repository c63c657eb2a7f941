#include "app/component/XP_Button.h"

#include "app/component/SkinBitmaps.h"
#include "app/component/StretchSkinBitmap.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int FrameCount = 5;
const QColor GreyedCaption(128, 128, 128);

bool IsEnterKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Enter works the button exactly as Space does, so it goes through the same steps.
QKeyEvent AsSpace(const QKeyEvent* event) {
    return QKeyEvent(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                     event->isAutoRepeat(), static_cast<quint16>(event->count()));
}

} // namespace

TXP_Button::TXP_Button(QWidget* parent) : TXP_Button(QString(), parent) {}

TXP_Button::TXP_Button(const QString& caption, QWidget* parent)
    : QAbstractButton(parent), strip_(SkinBitmap("XP_BUTTON")) {
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
}

void TXP_Button::SetFaceStrip(const QImage& strip) {
    strip_ = strip;
    faces_ = {};
    update();
}

TXP_Button::Frame TXP_Button::FaceFrame() const {
    if (!isEnabled())
        return Disabled;
    if (isDown())
        return Pressed;
    if (hot_)
        return Hot;
    if (hasFocus())
        return Focused;
    return Normal;
}

QSize TXP_Button::sizeHint() const {
    const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, text());
    return QSize(std::max(75, caption.width() + 16), std::max(25, caption.height() + 10));
}

void TXP_Button::PaintFace(QPainter& painter) {
    const int frameWidth = strip_.width() / FrameCount;
    if (frameWidth == 0)
        return;
    const int index = FaceFrame() - 1;
    QImage& face = faces_[index];
    if (face.size() != size()) {
        const QImage frame = strip_.copy(index * frameWidth, 0, frameWidth, strip_.height());
        face = StretchedSkinImage(frame, size());
    }
    painter.drawImage(QPoint(0, 0), face);
}

QColor TXP_Button::CaptionColor() const {
    return isEnabled() ? palette().color(QPalette::ButtonText) : GreyedCaption;
}

void TXP_Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFace(painter);
    painter.setPen(CaptionColor());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

void TXP_Button::keyPressEvent(QKeyEvent* event) {
    if (!IsEnterKey(event)) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    QKeyEvent space = AsSpace(event);
    QAbstractButton::keyPressEvent(&space);
    event->setAccepted(space.isAccepted());
}

void TXP_Button::keyReleaseEvent(QKeyEvent* event) {
    if (!IsEnterKey(event)) {
        QAbstractButton::keyReleaseEvent(event);
        return;
    }
    QKeyEvent space = AsSpace(event);
    QAbstractButton::keyReleaseEvent(&space);
    event->setAccepted(space.isAccepted());
}

void TXP_Button::enterEvent(QEnterEvent* event) {
    hot_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TXP_Button::leaveEvent(QEvent* event) {
    hot_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TXP_Button::resizeEvent(QResizeEvent* event) {
    faces_ = {};
    QAbstractButton::resizeEvent(event);
}

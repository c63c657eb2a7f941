#include "app/component/SunImage.h"

#include "app/component/StretchSkinBitmap.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

TSunImage::TSunImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void TSunImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    stretched_ = QImage();
    update();
}

void TSunImage::SetStretch(bool stretch) {
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    update();
}

void TSunImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    if (!stretch_) {
        painter.drawImage(QPoint(0, 0), picture_);
        return;
    }
    if (stretched_.size() != size()) {
        stretched_ = QImage(size(), picture_.format());
        CopyStretched(picture_, picture_.rect(), stretched_, stretched_.rect());
    }
    painter.drawImage(QPoint(0, 0), stretched_);
}

void TSunImage::mouseMoveEvent(QMouseEvent* event) {
    static const QMetaMethod signal = QMetaMethod::fromSignal(&TSunImage::mouseMoved);
    if (!isSignalConnected(signal)) {
        event->ignore();
        return;
    }
    emit mouseMoved(event);
}

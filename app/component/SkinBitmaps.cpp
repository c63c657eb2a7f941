#include "app/component/SkinBitmaps.h"

#include <QString>

// Outside any namespace, as the resource initialiser requires.
static void InitSkinResources() {
    Q_INIT_RESOURCE(skin);
}

QImage SkinBitmap(const char* name) {
    static const bool registered = [] {
        InitSkinResources();
        return true;
    }();
    (void)registered;
    const QImage image(QString::fromLatin1(":/skin/") + QString::fromLatin1(name));
    if (image.isNull())
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

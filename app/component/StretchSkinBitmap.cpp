#include "app/component/StretchSkinBitmap.h"

#include <QPainter>
#include <cstdint>
#include <vector>

namespace {

// Skin pieces are worked on as 32-bit pixels, so that every step is a plain pixel copy.
QImage ThirtyTwoBit(const QImage& image) {
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return image.format() == format ? image : image.convertToFormat(format);
}

int SourceIndex(int first, int sourceCount, int offset, int targetCount) {
    return first + static_cast<int>(static_cast<std::int64_t>(offset) * sourceCount / targetCount);
}

} // namespace

void CopyStretched(const QImage& source, const QRect& sourceRect, QImage& target,
                   const QRect& targetRect) {
    if (sourceRect.isEmpty() || targetRect.isEmpty() || !source.rect().contains(sourceRect))
        return;
    const QRect visible = targetRect & target.rect();
    if (visible.isEmpty())
        return;

    if (target.depth() != 32) {
        QImage piece(visible.size(), QImage::Format_ARGB32_Premultiplied);
        CopyStretched(source, sourceRect, piece, targetRect.translated(-visible.topLeft()));
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(visible.topLeft(), piece);
        return;
    }

    const QImage pixels =
        source.format() == target.format() ? source : source.convertToFormat(target.format());
    std::vector<int> columns(static_cast<std::size_t>(visible.width()));
    for (int x = visible.left(); x <= visible.right(); ++x)
        columns[static_cast<std::size_t>(x - visible.left())] = SourceIndex(
            sourceRect.left(), sourceRect.width(), x - targetRect.left(), targetRect.width());

    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int sourceY = SourceIndex(sourceRect.top(), sourceRect.height(), y - targetRect.top(),
                                        targetRect.height());
        const auto* from = reinterpret_cast<const QRgb*>(pixels.constScanLine(sourceY));
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(y)) + visible.left();
        for (const int sourceX : columns)
            *to++ = from[sourceX];
    }
}

QImage StretchedSkinImage(const QImage& source, QSize size) {
    if (source.isNull() || size.isEmpty())
        return {};
    const QImage skin = ThirtyTwoBit(source);
    const int sourceWidth = skin.width();
    const int sourceHeight = skin.height();
    const int halfWidth = sourceWidth / 2;
    const int halfHeight = sourceHeight / 2;
    const int width = size.width();
    const int height = size.height();

    // Columns first, into a strip as high as the source; the later steps overwrite the earlier.
    QImage strip(width, sourceHeight, skin.format());
    CopyStretched(skin, skin.rect(), strip,
                  QRect(width - sourceWidth, 0, sourceWidth, sourceHeight));
    CopyStretched(skin, QRect(halfWidth, 0, 1, sourceHeight), strip,
                  QRect(0, 0, width - halfWidth, sourceHeight));
    CopyStretched(skin, QRect(0, 0, halfWidth, sourceHeight), strip,
                  QRect(0, 0, halfWidth, sourceHeight));

    // Then rows. The bottom part takes one row more than the source's lower half has when the
    // source height is even.
    QImage result(width, height, skin.format());
    CopyStretched(strip, QRect(0, 0, width, halfHeight), result, QRect(0, 0, width, halfHeight));
    const int bottomTop = height - halfHeight - 1;
    CopyStretched(strip, QRect(0, halfHeight, width, sourceHeight - halfHeight), result,
                  QRect(0, bottomTop, width, halfHeight + 1));
    CopyStretched(strip, QRect(0, halfHeight, width, 1), result,
                  QRect(0, halfHeight, width, bottomTop - halfHeight));
    return result;
}

void StretchSkinBitmap(const QImage& source, QImage& target, const QRect& rect) {
    const QImage stretched = StretchedSkinImage(source, rect.size());
    if (!stretched.isNull())
        CopyStretched(stretched, stretched.rect(), target, QRect(rect.topLeft(), rect.size()));
}

void StretchSkinBitmap(const QImage& source, QPainter& canvas, const QRect& rect) {
    const QImage stretched = StretchedSkinImage(source, rect.size());
    if (!stretched.isNull())
        canvas.drawImage(rect.topLeft(), stretched);
}

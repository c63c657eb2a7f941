#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// Nine-part stretch of a skin bitmap S (W x H) to w x h: S's left W/2 columns and its columns
// from W/2 to the end keep their size, column W/2 fills the middle; then the top H/2 rows keep
// their size, rows H/2 to the end fill the bottom H/2 + 1 rows and row H/2 the middle.
//
// A target narrower than W or lower than H goes through the same steps, each clipped to the
// target: the left W/2 columns win, then as much of S's right end as fits; the bottom H/2 + 1
// rows win over the top ones. Nothing outside S is ever read. An empty size or a null source
// gives a null image.
QImage StretchedSkinImage(const QImage& source, QSize size);

// Replaces the pixels of target inside rect (clipped to target) with the stretched source.
void StretchSkinBitmap(const QImage& source, QImage& target, const QRect& rect);
// Draws the stretched source at rect's top-left corner with the canvas's current settings.
void StretchSkinBitmap(const QImage& source, QPainter& canvas, const QRect& rect);

// Fits sourceRect of source onto targetRect of target, nearest neighbour without smoothing:
// every target pixel takes the source pixel that its top-left corner falls on. Clipped to the
// target; does nothing unless sourceRect lies inside source. Pixels are replaced, not blended.
void CopyStretched(const QImage& source, const QRect& sourceRect, QImage& target,
                   const QRect& targetRect);

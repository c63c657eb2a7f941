#include "tools/skin_art_pictures.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <array>
#include <functional>

namespace {

// Light grey frame with soft bevels, lit from the top left; the display matches the progress
// bar's pale green.
const QRgb WindowBody = qRgb(224, 224, 224);
const QRgb Outline = qRgb(120, 124, 120);
const QRgb Highlight = qRgb(250, 250, 250);
const QRgb EdgeInner = qRgb(238, 238, 238);
const QRgb EdgeShade = qRgb(212, 212, 212);
const QRgb EdgeShadow = qRgb(196, 196, 196);
const QRgb Engraved = qRgb(208, 208, 208);
const QRgb EngravedLight = qRgb(242, 242, 242);
const QRgb BottomShadow = qRgb(200, 200, 200);
const QRgb DisplayPale = qRgb(218, 228, 210);
const QRgb DisplayShade = qRgb(204, 216, 196);
const QRgb FieldShadow = qRgb(150, 158, 148);
const QRgb FieldRim = qRgb(196, 200, 196);
const QRgb FieldWhite = qRgb(255, 255, 255);
const QRgb TextGrey = qRgb(88, 96, 88);
const QRgb TitleRed = qRgb(196, 32, 28);
const QRgb AddressBlue = qRgb(70, 88, 128);
const QRgb PictureInk = qRgb(72, 80, 72);
const QRgb TransparentRed = qRgb(255, 0, 0);

constexpr int TopBandHeight = 78;
constexpr int BottomBandHeight = 33;

QRgb Grey(int level) {
    return qRgb(level, level, level);
}

// Top band, row by row: outline, highlight, a soft fall from light to the body's grey, and an
// engraved line that parts the band from the window's body.
QRgb TopBandRow(int row) {
    if (row <= 0)
        return Outline;
    if (row == 1)
        return Highlight;
    if (row == TopBandHeight - 2)
        return Engraved;
    if (row >= TopBandHeight - 1)
        return EngravedLight;
    return Grey(246 - (row - 2) * 18 / (TopBandHeight - 5));
}

// Bottom band: the same engraved line, a gentle fall, a shadow and the outline.
QRgb BottomBandRow(int row) {
    if (row <= 0)
        return Engraved;
    if (row == 1)
        return EngravedLight;
    if (row == BottomBandHeight - 2)
        return BottomShadow;
    if (row >= BottomBandHeight - 1)
        return Outline;
    return Grey(234 - (row - 2) * 14 / (BottomBandHeight - 5));
}

QImage Canvas(int width, int height, QRgb ground) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ground);
    return image;
}

// A piece of a band: every row in the band's colour of that row, starting at firstRow.
QImage BandCanvas(int width, int height, int firstRow, const std::function<QRgb(int)>& bandRow) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, bandRow(firstRow + y));
    return image;
}

QImage TopBandCanvas(int width, int height, int firstRow) {
    return BandCanvas(width, height, firstRow, TopBandRow);
}

QImage BottomBandCanvas(int width, int height) {
    return BandCanvas(width, height, 0, BottomBandRow);
}

QImage Finished(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888);
}

QPainterPath Rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QFont SkinFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({"Liberation Sans", "DejaVu Sans"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Text with a one-pixel light edge below it, as if pressed into the frame.
void EngravedText(QImage& image, const QRect& box, int flags, const QString& text,
                  const QFont& font, QRgb ink) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(Highlight));
    painter.drawText(box.translated(0, 1), flags, text);
    painter.setPen(QColor(ink));
    painter.drawText(box, flags, text);
}

// A rounded field pressed into its ground: shadow above and at the sides, a softer rim below.
void RecessedField(QImage& image, const QRectF& rect, qreal radius, QRgb lip, QRgb inside) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(Rounded(rect, radius), QColor(FieldRim));
    painter.fillPath(Rounded(rect.adjusted(0, 0, 0, -1), radius), QColor(FieldShadow));
    const qreal inner = radius > 1 ? radius - 1 : radius;
    painter.fillPath(Rounded(rect.adjusted(1, 1, -1, -1), inner), QColor(lip));
    painter.fillPath(Rounded(rect.adjusted(1, 2, -1, -1), inner), QColor(inside));
}

// Left and right frame edges; the corners repeat them so that an edge laid over a corner
// shows no seam.
constexpr std::array<QRgb, 3> LeftEdgeColumns = {Outline, Highlight, EdgeInner};
constexpr std::array<QRgb, 3> RightEdgeColumns = {EdgeShade, EdgeShadow, Outline};

void PaintLeftEdge(QImage& image, int fromRow, int toRow) {
    for (int y = fromRow; y <= toRow; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, LeftEdgeColumns[x]);
}

void PaintRightEdge(QImage& image, int fromRow, int toRow) {
    const int first = image.width() - 3;
    for (int y = fromRow; y <= toRow; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(first + x, y, RightEdgeColumns[x]);
}

// The display's field, wide enough to cut its two ends and its middle from.
QImage DisplayStrip() {
    QImage image = TopBandCanvas(40, TopBandHeight, 0);
    RecessedField(image, QRectF(0, 24, 40, 48), 5, DisplayShade, DisplayPale);
    return image;
}

struct FaceLook {
    QColor border;
    QColor top;
    QColor bottom;
    bool focusRing;
};

// Normal, pressed, disabled, under the mouse, focused.
const std::array<FaceLook, 5>& FaceLooks() {
    static const std::array<FaceLook, 5> looks = {{
        {QColor(132, 136, 132), QColor(252, 252, 252), QColor(226, 226, 226), false},
        {QColor(104, 114, 104), QColor(212, 218, 208), QColor(234, 238, 232), false},
        {QColor(184, 184, 184), QColor(236, 236, 236), QColor(236, 236, 236), false},
        {QColor(116, 132, 112), QColor(248, 252, 244), QColor(214, 226, 206), false},
        {QColor(104, 114, 104), QColor(252, 252, 252), QColor(226, 226, 226), true},
    }};
    return looks;
}

void PaintFace(QImage& image, const QRectF& rect, qreal radius, const FaceLook& look) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(Rounded(rect, radius), look.border);
    QRectF inside = rect.adjusted(1, 1, -1, -1);
    if (look.focusRing) {
        painter.fillPath(Rounded(inside, radius - 1), QColor(150, 172, 144));
        inside = inside.adjusted(1, 1, -1, -1);
    }
    QLinearGradient fall(inside.topLeft(), inside.bottomLeft());
    fall.setColorAt(0, look.top);
    fall.setColorAt(1, look.bottom);
    painter.fillPath(Rounded(inside, radius - 1), fall);
}

// Five faces side by side, each on the ground given row by row.
QImage FaceStrip(int frameWidth, int frameHeight, qreal radius,
                 const std::function<QRgb(int)>& groundRow) {
    QImage image = BandCanvas(frameWidth * 5, frameHeight, 0, groundRow);
    for (int frame = 0; frame < 5; ++frame)
        PaintFace(image, QRectF(frame * frameWidth, 0, frameWidth, frameHeight), radius,
                  FaceLooks()[frame]);
    return image;
}

// A 10 x 10 picture from rows of '#' (ink) and '.' (transparent).
QImage PixelPicture(const std::array<const char*, 10>& rows) {
    QImage image = Canvas(10, 10, TransparentRed);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (rows[y][x] == '#')
                image.setPixel(x, y, PictureInk);
    return Finished(image);
}

} // namespace

QImage FrameTop() {
    return Finished(TopBandCanvas(1, TopBandHeight, 0));
}

QImage FrameTopLeft() {
    QImage image = TopBandCanvas(6, TopBandHeight, 0);
    PaintLeftEdge(image, 2, TopBandHeight - 1);
    for (int x = 2; x < 6; ++x)
        image.setPixel(x, 0, Outline);
    image.setPixel(1, 1, Outline);
    // Outside the rounded outline; the window's region cuts these off.
    image.setPixel(0, 0, WindowBody);
    image.setPixel(1, 0, WindowBody);
    image.setPixel(0, 1, WindowBody);
    return Finished(image);
}

QImage FrameTopRight() {
    QImage image = TopBandCanvas(6, TopBandHeight, 0);
    PaintRightEdge(image, 2, TopBandHeight - 1);
    for (int x = 0; x < 4; ++x)
        image.setPixel(x, 0, Outline);
    image.setPixel(3, 1, Highlight);
    image.setPixel(4, 1, Outline);
    image.setPixel(5, 0, WindowBody);
    image.setPixel(4, 0, WindowBody);
    image.setPixel(5, 1, WindowBody);
    return Finished(image);
}

QImage FrameLeft() {
    QImage image = Canvas(3, 65, WindowBody);
    PaintLeftEdge(image, 0, image.height() - 1);
    return Finished(image);
}

QImage FrameRight() {
    QImage image = Canvas(3, 65, WindowBody);
    PaintRightEdge(image, 0, image.height() - 1);
    return Finished(image);
}

QImage FrameBottom() {
    return Finished(BottomBandCanvas(2, BottomBandHeight));
}

QImage FrameBottomLeft() {
    QImage image = BottomBandCanvas(6, BottomBandHeight);
    const int last = BottomBandHeight - 1;
    PaintLeftEdge(image, 0, last - 2);
    image.setPixel(1, last - 1, Outline);
    image.setPixel(2, last - 1, BottomShadow);
    image.setPixel(0, last - 1, WindowBody);
    image.setPixel(0, last, WindowBody);
    image.setPixel(1, last, WindowBody);
    return Finished(image);
}

QImage FrameBottomRight() {
    QImage image = BottomBandCanvas(6, BottomBandHeight);
    const int last = BottomBandHeight - 1;
    PaintRightEdge(image, 0, last - 2);
    image.setPixel(3, last - 1, BottomShadow);
    image.setPixel(4, last - 1, Outline);
    image.setPixel(5, last - 1, WindowBody);
    image.setPixel(5, last, WindowBody);
    image.setPixel(4, last, WindowBody);
    return Finished(image);
}

QImage DisplayLeft() {
    return Finished(DisplayStrip().copy(0, 0, 6, TopBandHeight));
}

QImage DisplayMiddle() {
    return Finished(DisplayStrip().copy(19, 0, 2, TopBandHeight));
}

QImage DisplayRight() {
    return Finished(DisplayStrip().copy(34, 0, 6, TopBandHeight));
}

QImage ProductName() {
    QImage image = BottomBandCanvas(185, 32);
    EngravedText(image, QRect(4, 2, 181, 28), Qt::AlignLeft | Qt::AlignVCenter, "Quillmere",
                 SkinFont(16, true), TextGrey);
    return Finished(image);
}

QImage ProductTitle() {
    QImage image = TopBandCanvas(239, 22, 30);
    EngravedText(image, QRect(0, 0, 239, 21), Qt::AlignLeft | Qt::AlignVCenter, "Quillmere",
                 SkinFont(18, true), TitleRed);
    return Finished(image);
}

QImage HomePage() {
    QImage image = BottomBandCanvas(171, 32);
    EngravedText(image, QRect(0, 2, 167, 28), Qt::AlignRight | Qt::AlignVCenter,
                 "Quillmere user guide", SkinFont(11, false), AddressBlue);
    return Finished(image);
}

QImage WordIPod() {
    QImage image = TopBandCanvas(22, 17, 61);
    EngravedText(image, QRect(0, 0, 22, 14), Qt::AlignCenter, "iPod", SkinFont(10, false),
                 TextGrey);
    return Finished(image);
}

QImage WordSearch() {
    QImage image = TopBandCanvas(38, 17, 61);
    EngravedText(image, QRect(0, 0, 38, 14), Qt::AlignCenter, "Search", SkinFont(10, false),
                 TextGrey);
    return Finished(image);
}

QImage GridHeader() {
    static constexpr std::array<int, 15> levels = {255, 249, 245, 242, 241, 242, 240, 232,
                                                   236, 242, 243, 247, 249, 254, 255};
    QImage image = Canvas(9, static_cast<int>(levels.size()), WindowBody);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, Grey(levels[static_cast<std::size_t>(y)]));
    return Finished(image);
}

QImage SelectorFrame() {
    QImage image = TopBandCanvas(130, 24, 36);
    RecessedField(image, QRectF(0, 0, 130, 24), 4, qRgb(236, 236, 236), FieldWhite);
    // The list's button: the list lies 2 pixels in and leaves its last 16 columns to it.
    for (int y = 5; y <= 19; ++y)
        image.setPixel(111, y, FieldRim);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(PictureInk));
    const QPointF arrow[] = {{116, 10.5}, {124, 10.5}, {120, 14.5}};
    painter.drawPolygon(arrow, 3);
    painter.end();
    return Finished(image);
}

QImage SearchFrame() {
    // The last row stays band: the word under the field overlaps it.
    QImage image = TopBandCanvas(130, 26, 36);
    RecessedField(image, QRectF(0, 0, 130, 25), 9, qRgb(236, 236, 236), FieldWhite);
    // A magnifier in front of the search field.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 128, 120), 1.5));
    painter.drawEllipse(QPointF(12, 12), 3.5, 3.5);
    painter.drawLine(QPointF(14.8, 14.8), QPointF(18, 18));
    return Finished(image);
}

QImage ButtonFaces() {
    return Finished(FaceStrip(18, 27, 4, [](int) { return WindowBody; }));
}

QImage SmallButtonFaces() {
    // The title-bar buttons sit on the top band at row 10 and are fitted to 18 rows.
    return Finished(FaceStrip(16, 16, 3, [](int row) { return TopBandRow(10 + row); }));
}

QImage MinimizePicture() {
    return PixelPicture({"..........", "..........", "..........", "..........", "..........",
                         "..........", "..........", ".########.", ".########.", ".........."});
}

QImage ClosePicture() {
    return PixelPicture({"..........", ".##....##.", "..##..##..", "...####...", "....##....",
                         "...####...", "..##..##..", ".##....##.", "..........", ".........."});
}

QImage HelpPicture() {
    return PixelPicture({"...####...", "..##..##..", "......##..", ".....##...", "....##....",
                         "....##....", "..........", "....##....", "....##....", ".........."});
}

// The application's icon: a pocket player with a note on its screen, and an arrow that carries
// the music out of it, on a green tile. One list of shapes on a 256 x 256 grid is both painted
// into the PNGs and written as the SVG, so that every size shows the same drawing.

#include "tools/skin_art_pictures.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <vector>

namespace {

constexpr qreal Grid = 256;

struct Shape {
    enum Kind { RoundedRect, Ellipse, Polygon };
    Kind kind;
    QRectF box;               // rounded rectangle and ellipse
    qreal radius = 0;         // rounded rectangle
    std::vector<QPointF> points; // polygon
    QColor top;               // the fill runs from `top` at the shape's top to `bottom`
    QColor bottom;
    QColor stroke;
    qreal strokeWidth = 0; // 0: no outline

    QRectF Bounds() const { return kind == Polygon ? QPolygonF(points.begin(), points.end()).boundingRect() : box; }
};

const QColor Outline(47, 95, 69);
const QColor Ink(62, 74, 64);
const QColor Rim(138, 148, 140);

const std::vector<Shape>& Drawing() {
    static const std::vector<Shape> shapes = {
        // The tile.
        {Shape::RoundedRect, {20, 20, 216, 216}, 44, {}, {111, 181, 138}, {62, 125, 90}, Outline, 4},
        // The player, its screen and its wheel.
        {Shape::RoundedRect, {46, 44, 92, 164}, 18, {}, {255, 255, 255}, {226, 232, 224}, Outline, 3},
        {Shape::RoundedRect, {58, 58, 68, 54}, 6, {}, {218, 228, 210}, {196, 212, 188}, {104, 114, 106}, 2},
        {Shape::Ellipse, {62, 132, 60, 60}, 0, {}, {244, 246, 242}, {214, 220, 212}, Rim, 2},
        {Shape::Ellipse, {82, 152, 20, 20}, 0, {}, {232, 236, 230}, {232, 236, 230}, Rim, 2},
        // A note on the screen: head, stem and flag.
        {Shape::Ellipse, {76, 91, 19, 13}, 0, {}, Ink, Ink, {}, 0},
        {Shape::Polygon, {}, 0, {{91, 67}, {95, 67}, {95, 97}, {91, 97}}, Ink, Ink, {}, 0},
        {Shape::Polygon, {}, 0, {{95, 67}, {109, 75}, {109, 84}, {95, 76}}, Ink, Ink, {}, 0},
        // The arrow out of the player.
        {Shape::Polygon,
         {},
         0,
         {{146, 112}, {180, 112}, {180, 90}, {220, 126}, {180, 162}, {180, 140}, {146, 140}},
         {255, 255, 255},
         {226, 238, 230},
         Outline,
         3},
    };
    return shapes;
}

QPainterPath PathOf(const Shape& shape) {
    QPainterPath path;
    switch (shape.kind) {
    case Shape::RoundedRect:
        path.addRoundedRect(shape.box, shape.radius, shape.radius);
        break;
    case Shape::Ellipse:
        path.addEllipse(shape.box);
        break;
    case Shape::Polygon:
        path.addPolygon(QPolygonF(shape.points.begin(), shape.points.end()));
        path.closeSubpath();
        break;
    }
    return path;
}

QString Number(qreal value) {
    return QString::number(value, 'g', 6);
}

QString Colour(const QColor& colour) {
    return colour.name(QColor::HexRgb);
}

} // namespace

QImage ApplicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Grid, size / Grid);
    for (const Shape& shape : Drawing()) {
        const QRectF bounds = shape.Bounds();
        QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
        fill.setColorAt(0, shape.top);
        fill.setColorAt(1, shape.bottom);
        painter.setBrush(fill);
        if (shape.strokeWidth > 0)
            painter.setPen(QPen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::FlatCap,
                                Qt::MiterJoin));
        else
            painter.setPen(Qt::NoPen);
        painter.drawPath(PathOf(shape));
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray ApplicationIconSvg() {
    QString gradients;
    QString body;
    int index = 0;
    for (const Shape& shape : Drawing()) {
        QString paint = QString("fill=\"%1\"").arg(Colour(shape.top));
        if (shape.bottom != shape.top) {
            const QString id = "fill" + QString::number(index++);
            gradients += QString("    <linearGradient id=\"%1\" x1=\"0\" y1=\"0\" x2=\"0\" "
                                 "y2=\"1\"><stop offset=\"0\" stop-color=\"%2\"/>"
                                 "<stop offset=\"1\" stop-color=\"%3\"/></linearGradient>\n")
                             .arg(id, Colour(shape.top), Colour(shape.bottom));
            paint = QString("fill=\"url(#%1)\"").arg(id);
        }
        if (shape.strokeWidth > 0)
            paint += QString(" stroke=\"%1\" stroke-width=\"%2\" stroke-linejoin=\"miter\" "
                             "stroke-miterlimit=\"2\"")
                         .arg(Colour(shape.stroke), Number(shape.strokeWidth));
        else
            paint += " stroke=\"none\"";
        switch (shape.kind) {
        case Shape::RoundedRect:
            body += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                            "ry=\"%5\" %6/>\n")
                        .arg(Number(shape.box.x()), Number(shape.box.y()),
                             Number(shape.box.width()), Number(shape.box.height()),
                             Number(shape.radius), paint);
            break;
        case Shape::Ellipse:
            body += QString("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" %5/>\n")
                        .arg(Number(shape.box.center().x()), Number(shape.box.center().y()),
                             Number(shape.box.width() / 2), Number(shape.box.height() / 2),
                             paint);
            break;
        case Shape::Polygon: {
            QStringList points;
            for (const QPointF& point : shape.points)
                points << Number(point.x()) + "," + Number(point.y());
            body += QString("  <polygon points=\"%1\" %2/>\n").arg(points.join(' '), paint);
            break;
        }
        }
    }
    const QString size = Number(Grid);
    return QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                   "viewBox=\"0 0 %1 %1\">\n"
                   "  <defs>\n%2  </defs>\n%3</svg>\n")
        .arg(size, gradients, body)
        .toUtf8();
}

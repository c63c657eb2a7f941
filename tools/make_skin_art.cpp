// Paints the skin's bitmaps, pixel by pixel, as 24-bit PNG files:
//   quillmere-skin-art [output folder]   (default: app/resources/skin)
// One function per picture; the PNGs it writes are committed and compiled in as resources.
// Draws the application's icon into a hicolor theme folder, as the build does:
//   quillmere-skin-art --icon FOLDER NAME   (FOLDER/hicolor/{scalable,NxN}/apps/NAME.{svg,png})

#include "tools/skin_art_pictures.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

// The calm light-grey skin with its pale greenish display.
const QRgb DisplayPale = qRgb(218, 228, 210);
const QRgb DisplayShade = qRgb(204, 216, 196); // just under the track's top edge
const QRgb FrameDark = qRgb(104, 114, 104);
const QRgb FrameLight = qRgb(248, 250, 246);
const QRgb FillLight = qRgb(150, 172, 144);
const QRgb FillDark = qRgb(116, 136, 112);
const QRgb MarkerDark = qRgb(64, 76, 64);

QImage Canvas(int width, int height, QRgb ground) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(ground);
    return image;
}

// 22 x 8: pale interior, dark top row and side columns, a dark row and a light row at the bottom.
QImage ProgressTrack() {
    QImage image = Canvas(22, 8, DisplayPale);
    for (int x = 0; x < image.width(); ++x) {
        image.setPixel(x, 0, FrameDark);
        image.setPixel(x, 1, DisplayShade);
        image.setPixel(x, 6, FrameDark);
        image.setPixel(x, 7, FrameLight);
    }
    for (int y = 0; y < 7; ++y) {
        image.setPixel(0, y, FrameDark);
        image.setPixel(image.width() - 1, y, FrameDark);
    }
    return image;
}

// 2 x 7: a light and a darker column, slightly lighter towards the top.
QImage ProgressFillTile() {
    QImage image = Canvas(2, 7, FillLight);
    for (int y = 0; y < image.height(); ++y) {
        const int lift = (image.height() - 1 - y) * 3;
        image.setPixel(0, y, QColor(FillLight).lighter(100 + lift).rgb());
        image.setPixel(1, y, QColor(FillDark).lighter(100 + lift).rgb());
    }
    return image;
}

// 8 x 7: a dark diamond on the pale ground, widest in its middle row.
QImage ProgressMarker() {
    QImage image = Canvas(8, 7, DisplayPale);
    for (int y = 0; y < image.height(); ++y) {
        const int inset = y < 3 ? 3 - y : y - 3;
        for (int x = inset; x < image.width() - inset; ++x)
            image.setPixel(x, y, MarkerDark);
    }
    return image;
}

const std::vector<std::pair<const char*, std::function<QImage()>>>& Pictures() {
    static const std::vector<std::pair<const char*, std::function<QImage()>>> pictures = {
        {"progressbaritunes_gray.png", ProgressTrack},
        {"progressbaritunes_color.png", ProgressFillTile},
        {"progressbaritunes_arr.png", ProgressMarker},
        {"frame_topleft.png", FrameTopLeft},
        {"frame_top.png", FrameTop},
        {"frame_topright.png", FrameTopRight},
        {"frame_left.png", FrameLeft},
        {"frame_right.png", FrameRight},
        {"frame_bottomleft.png", FrameBottomLeft},
        {"frame_bottom.png", FrameBottom},
        {"frame_bottomright.png", FrameBottomRight},
        {"display_left.png", DisplayLeft},
        {"display_middle.png", DisplayMiddle},
        {"display_right.png", DisplayRight},
        {"product_name.png", ProductName},
        {"product_title.png", ProductTitle},
        {"home_page.png", HomePage},
        {"word_ipod.png", WordIPod},
        {"word_search.png", WordSearch},
        {"grid_header.png", GridHeader},
        {"selector_frame.png", SelectorFrame},
        {"search_frame.png", SearchFrame},
        {"xp_button.png", ButtonFaces},
        {"xp_buttonsmall.png", SmallButtonFaces},
        {"glyph_minimize.png", MinimizePicture},
        {"glyph_close.png", ClosePicture},
        {"glyph_help.png", HelpPicture},
    };
    return pictures;
}

// The sizes of the icon's pictures, as the desktop's menus, docks and task switchers ask.
constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256};

// A picture at a fixed 100 dpi, so that the files do not depend on the screen of the machine.
bool SavePicture(QImage picture, const QString& path) {
    picture.setDotsPerMeterX(3937);
    picture.setDotsPerMeterY(3937);
    if (picture.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(content) == content.size())
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

int DrawIcon(const QString& folder, const QString& name) {
    const QDir theme(QDir(folder).filePath("hicolor"));
    const QString scalable = theme.filePath("scalable/apps");
    if (!QDir().mkpath(scalable) || !WriteFile(scalable + "/" + name + ".svg", ApplicationIconSvg()))
        return 1;
    for (const int size : IconSizes) {
        const QString sized = theme.filePath(QString("%1x%1/apps").arg(size));
        if (!QDir().mkpath(sized) || !SavePicture(ApplicationIcon(size), sized + "/" + name + ".png"))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Text in the pictures needs the font machinery, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--icon") {
        if (argc != 4) {
            std::fprintf(stderr, "usage: quillmere-skin-art --icon FOLDER NAME\n");
            return 2;
        }
        return DrawIcon(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "app/resources/skin";
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    for (const auto& [fileName, paint] : Pictures()) {
        if (!SavePicture(paint(), QDir(folder).filePath(QString::fromLatin1(fileName))))
            return 1;
    }
    return 0;
}

#include "platform/ui/design_fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QString>

namespace platform::ui {
namespace {

constexpr int DesignPixelSize = 11;
constexpr const char* FontFolder = "/usr/share/wine/fonts/";

QFont FontOf(const QString& family) {
    QFont font;
    font.setFamilies({family, "DejaVu Sans", "Liberation Sans", "Sans Serif"});
    font.setPixelSize(DesignPixelSize);
    return font;
}

} // namespace

void RegisterDesignFonts() {
    static const bool registered = [] {
        for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
            const QString path = QString::fromLatin1(FontFolder) + QString::fromLatin1(file);
            if (QFile::exists(path))
                QFontDatabase::addApplicationFont(path);
        }
        return true;
    }();
    (void)registered;
}

QFont TableFont() {
    RegisterDesignFonts();
    return FontOf("Tahoma");
}

QFont DialogFont() {
    RegisterDesignFonts();
    return FontOf("MS Sans Serif");
}

} // namespace platform::ui

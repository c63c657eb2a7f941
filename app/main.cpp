#include "app/FrmMain.h"
#include "app/FrmOption.h"
#include "app/FrmReport.h"
#include "app/component/SkinnedWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmere");
    QApplication::setApplicationDisplayName("Quillmere");
    // The desktop matches the windows to the installed entry and icon by this name.
    QGuiApplication::setDesktopFileName(QUILLMERE_APP_ID);
    QApplication::setWindowIcon(SkinnedWindow::ApplicationIcon());

    TFormMain main;
    TFormOption options(main);
    TFormReport report(main);
    main.FormOption = &options;
    main.FormReport = &report;
    main.show();
    return QApplication::exec();
}

#include "app/FrmMain.h"
#include "app/FrmOption.h"
#include "app/FrmReport.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmere");
    QApplication::setApplicationDisplayName("Quillmere");

    TFormMain main;
    TFormOption options(main);
    TFormReport report(main);
    main.FormOption = &options;
    main.FormReport = &report;
    main.show();
    return QApplication::exec();
}

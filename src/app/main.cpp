#include "app/ManagerApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Okapel"));
    QApplication::setApplicationVersion(QStringLiteral(OKAPEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("okapel"));
    static CManagerApp theApp;
    theApp.InitInstance();
    return 0;
}

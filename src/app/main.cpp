#include "app/ManagerApp.h"

#include <QApplication>

#include <cstdlib>

// The one application object, alive from static initialisation to program exit.
CManagerApp theApp;

int main(int argc, char** argv) {
    theApp.SetStyleNamedByUser(
        CManagerApp::StyleNamedByUser(argc, argv, std::getenv("QT_STYLE_OVERRIDE")));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Okapel"));
    QApplication::setApplicationVersion(QStringLiteral(OKAPEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("okapel"));
    theApp.InitInstance(); // runs the main dialog; the program ends with it
    return 0;
}

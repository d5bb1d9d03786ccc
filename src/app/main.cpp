#include "app/ManagerApp.h"
#include "snmpapi/SnmpApi.h"

#include <QApplication>

#include <cstdlib>

// The one application object, alive from static initialisation to program exit.
CManagerApp theApp;

int main(int argc, char** argv) {
    // The MIB modules are read beside the window's start, by a process of their own; until
    // they are read the built-in names serve.
    SnmpMgrLoadMibModules();
    theApp.SetStyleNamedByUser(
        CManagerApp::StyleNamedByUser(argc, argv, std::getenv("QT_STYLE_OVERRIDE")));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Okapel"));
    QApplication::setApplicationVersion(QStringLiteral(OKAPEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("okapel"));
    theApp.InitInstance(); // runs the main dialog; the program ends with it
    return 0;
}

// Prints the size of Okapel's main window on this display, in the desktop's font and
// style and before any fitting to a screen, as WIDTHxHEIGHT: scripts/run.sh makes its
// virtual display large enough for it.
#include "app/ManagerApp.h"
#include "ui/ManagerDlg.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const bool named = CManagerApp::StyleNamedByUser(argc, argv, std::getenv("QT_STYLE_OVERRIDE"));
    QApplication app(argc, argv);
    CManagerApp::ApplyStyle(named);
    // Built but never shown, so that no trap listener starts.
    CManagerDlg dlg(nullptr);
    std::printf("%dx%d\n", dlg.width(), dlg.height());
    return 0;
}

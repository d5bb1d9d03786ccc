#include "app/ManagerApp.h"

#include "ui/ManagerDlg.h"

#include <QApplication>
#include <QStyleFactory>

int CManagerApp::InitInstance() {
    // The framework's control hosting and three-dimensional look are the toolkit's own
    // here; the Fusion style gives the same look on every desktop.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    CManagerDlg dlg(nullptr);
    dlg.DoModal();
    return 0; // FALSE
}

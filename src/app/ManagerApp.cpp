#include "app/ManagerApp.h"

#include "ui/ManagerDlg.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <cstring>

int CManagerApp::InitInstance() {
    // The framework's control hosting and three-dimensional look are the toolkit's own
    // here: the style the user or the desktop asks for, Fusion where neither names one.
    ApplyStyle(m_bStyleNamedByUser);
    CManagerDlg dlg(nullptr);
    dlg.DoModal();
    return 0; // FALSE
}

bool CManagerApp::StyleNamedByUser(int argc, const char* const* argv, const char* styleOverride) {
    if (styleOverride && *styleOverride)
        return true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-style") == 0 || std::strcmp(arg, "--style") == 0 ||
            std::strncmp(arg, "-style=", 7) == 0 || std::strncmp(arg, "--style=", 8) == 0)
            return true;
    }
    return false;
}

void CManagerApp::ApplyStyle(bool namedByUser) {
    const QString current = QApplication::style()->name();
    const QString chosen = ChooseStyle(current, namedByUser);
    if (chosen.compare(current, Qt::CaseInsensitive) == 0)
        return;
    if (QStyle* style = QStyleFactory::create(chosen))
        QApplication::setStyle(style);
}

QString CManagerApp::ChooseStyle(const QString& toolkitChoice, bool namedByUser) {
    if (namedByUser || toolkitChoice.compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0)
        return toolkitChoice;
    return QStringLiteral("Fusion");
}

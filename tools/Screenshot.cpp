// Grabs the real main dialog (and optionally the About box over it) into PNG files for the
// README: okapel_screenshot <main.png> [<about.png>]. Runs on any Qt platform; the
// offscreen one needs no display.
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"

#include <QApplication>
#include <QPixmap>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MAIN.png [SCRIPT...]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& m) {
        std::fprintf(stderr, "box: %s: %s\n", m.caption.c_str(), m.text.c_str());
    });
    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    // Optional steps: agent=ADDR community=TEXT open get=OID walk=OID select=N
    for (int i = 2; i < argc; ++i) {
        const QString step = QString::fromLocal8Bit(argv[i]);
        const QString arg = step.section('=', 1);
        if (step.startsWith("agent="))
            dlg.SetDlgItemText(IDC_IPADDRESS, arg.toLatin1().constData());
        else if (step.startsWith("community="))
            dlg.SetDlgItemText(IDC_COMMUNITY, arg.toLatin1().constData());
        else if (step == "open")
            dlg.OnOpen();
        else if (step.startsWith("get=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnGet();
        } else if (step.startsWith("walk=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnGetAll();
        }
        QApplication::processEvents();
    }
    const QPixmap shot = dlg.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    dlg.done(QDialog::Rejected);
    return 0;
}

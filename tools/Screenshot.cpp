// Grabs the real main dialog (or, with the step "about" or "settings", the About box or the
// Session Settings dialog over it, with "settings-on-screen" the whole screen with both, with
// "walking=OID" a walk in progress, with "browser" the MIB browser, or with "table=OID" the
// table view of that table, with "watch=OID for=SECONDS" the live counters watching it at 1 s
// while traffic of changing size crosses the loopback, or with "notifications" the
// Notifications window) into a PNG file for the README: okapel_screenshot OUT.png [STEP...].
// Runs on any Qt platform; the offscreen one needs no display. With hold=SECONDS the windows
// stay on the screen that long before the tool ends, with their sizes and frames told, so that
// a picture of the real desktop, title bars drawn by its window manager, can be taken
// meanwhile.
#include "app/ManagerApp.h"
#include "testing/SnmpTesting.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/MibBrowser.h"
#include "ui/NotificationsDlg.h"
#include "ui/Resource.h"
#include "ui/TableViewDlg.h"
#include "ui/WatchDlg.h"
#include "values/LineBinding.h"

#include <QLineEdit>
#include <QTreeView>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

// The offscreen platform draws no window decorations, so the picture gives each window a
// plain frame: a border and a title bar with its icon, caption and title bar buttons.
static constexpr int kBorder = 1;
static constexpr int kTitle = 24;

// hold=SECONDS: how long the windows stay shown before the tool ends (0: not at all).
static int g_holdMs = 0;

// Tells the size of every window shown, its client area and its frame as the window system
// gives them, and whether the frame lies whole on its screen.
static void TellWindows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::Popup ||
            window->windowType() == Qt::ToolTip)
            continue;
        const QRect client = window->geometry();
        const QRect frame = window->frameGeometry();
        const QRect screen = window->screen() ? window->screen()->geometry() : QRect();
        std::fprintf(stderr,
                     "window %s \"%s\": client %dx%d at %d,%d; frame %dx%d at %d,%d; %s%s\n",
                     window->objectName().toUtf8().constData(),
                     window->windowTitle().toUtf8().constData(), client.width(), client.height(),
                     client.x(), client.y(), frame.width(), frame.height(), frame.x(), frame.y(),
                     screen.contains(frame) ? "whole on its screen" : "NOT whole on its screen",
                     window->windowState() & Qt::WindowMaximized ? "; maximized" : "");
    }
}

// Keeps the windows shown for g_holdMs, then tells them.
static void Hold() {
    if (g_holdMs <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(g_holdMs, &loop, &QEventLoop::quit);
    loop.exec();
    TellWindows();
}

static QRect FramedRect(const QWidget* window) {
    return window->geometry().adjusted(-kBorder, -kTitle - kBorder, kBorder, kBorder);
}

static void PaintFramed(QPainter& painter, QWidget* window, const QPoint& origin) {
    const QRect frame = FramedRect(window).translated(-origin);
    const QPalette palette = window->palette();
    painter.fillRect(frame, palette.color(QPalette::Dark));
    const QRect bar(frame.left() + kBorder, frame.top() + kBorder, frame.width() - 2 * kBorder,
                    kTitle);
    painter.fillRect(bar, palette.color(QPalette::Highlight));
    int textLeft = bar.left() + 6;
    if (!window->windowIcon().isNull()) {
        window->windowIcon().paint(&painter,
                                   QRect(textLeft, bar.top() + (kTitle - 16) / 2, 16, 16));
        textLeft += 22;
    }
    QFont font = window->font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::HighlightedText));
    painter.drawText(QRect(textLeft, bar.top(), bar.width(), kTitle),
                     Qt::AlignLeft | Qt::AlignVCenter, window->windowTitle());
    // The close box, and the minimize box where the window has one.
    QPen pen(palette.color(QPalette::HighlightedText), 1.5);
    painter.setPen(pen);
    const QPoint close(bar.right() - 14, bar.center().y());
    painter.drawLine(close + QPoint(-4, -4), close + QPoint(4, 4));
    painter.drawLine(close + QPoint(-4, 4), close + QPoint(4, -4));
    if (window->windowFlags() & Qt::WindowMinimizeButtonHint) {
        const QPoint minimize(bar.right() - 38, bar.center().y());
        painter.drawLine(minimize + QPoint(-4, 4), minimize + QPoint(4, 4));
    }
    window->render(&painter, window->geometry().topLeft() - origin);
}

// Opens a modal dialog through the system menu command `id` and pictures it over the main
// dialog, or with `wholeScreen` the whole screen of the dialog with both windows where they
// stand on it.
static QPixmap GrabModalOverDialog(CManagerDlg& dlg, unsigned id, bool wholeScreen = false) {
    QPixmap picture;
    QTimer::singleShot(0, &dlg, [&dlg, &picture, wholeScreen] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || box == &dlg)
            return;
        Hold();
        std::fprintf(stderr, "%s: %dx%d at %d,%d; %s: %dx%d at %d,%d\n",
                     dlg.windowTitle().toUtf8().constData(), dlg.width(), dlg.height(), dlg.x(),
                     dlg.y(), box->windowTitle().toUtf8().constData(), box->width(), box->height(),
                     box->x(), box->y());
        const QRect area =
            wholeScreen ? dlg.screen()->geometry() : FramedRect(&dlg).united(FramedRect(box));
        picture = QPixmap(area.size());
        picture.fill(wholeScreen ? QColor(0x2e, 0x34, 0x40) : QColor(Qt::transparent));
        QPainter painter(&picture);
        PaintFramed(painter, &dlg, area.topLeft());
        PaintFramed(painter, box, area.topLeft());
        painter.end();
        box->reject();
    });
    dlg.OnSysCommand(id, 0);
    return picture;
}

// Starts a walk of `root` and pictures the window two seconds after the walk shows its
// progress, then cancels the walk.
static QPixmap GrabWalkInProgress(CManagerDlg& dlg, const QString& root) {
    QPixmap picture;
    auto* poll = new QTimer(&dlg);
    QElapsedTimer sinceProgress;
    QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, &picture, &sinceProgress, poll] {
        const QWidget* cancel = dlg.findChild<QWidget*>(QStringLiteral("IDC_CANCEL_REQUEST"));
        if (!cancel || !cancel->isVisible())
            return;
        if (!sinceProgress.isValid())
            sinceProgress.start();
        if (sinceProgress.elapsed() < 2000)
            return;
        poll->stop();
        picture = dlg.grab();
        dlg.CancelRequest();
    });
    poll->start(50);
    dlg.SetDlgItemText(IDC_OID, root.toLatin1().constData());
    dlg.OnGetAll();
    delete poll;
    return picture;
}

// Serves the live counters for `seconds` at the 1 s interval while datagrams cross the
// loopback, a few kilobytes more or less in each second, so that the graph has a shape.
static void WatchWithTraffic(int seconds) {
    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // discard: nobody listens, and the loopback carries it all the same
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::vector<char> datagram(1000, 'x');
    QElapsedTimer time;
    time.start();
    while (time.elapsed() < seconds * 1000LL) {
        const double phase = static_cast<double>(time.elapsed()) / 1000.0;
        const int count = static_cast<int>(20 + 15 * std::sin(phase / 4.0));
        for (int i = 0; i < count && sender >= 0; ++i)
            sendto(sender, datagram.data(), datagram.size(), 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        const qint64 until = time.elapsed() + 100;
        while (time.elapsed() < until)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (sender >= 0)
        close(sender);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MAIN.png [SCRIPT...]\n", argv[0]);
        return 2;
    }
    // The program's own choice of style and its desktop font, as the picture should show.
    const bool styleNamed =
        CManagerApp::StyleNamedByUser(argc, argv, std::getenv("QT_STYLE_OVERRIDE"));
    QApplication app(argc, argv);
    CManagerApp::ApplyStyle(styleNamed);
    // font=FAMILY:POINTS, anywhere among the steps: the desktop font the picture shows.
    for (int i = 2; i < argc; ++i) {
        const QString step = QString::fromLocal8Bit(argv[i]);
        if (step.startsWith("font="))
            QApplication::setFont(
                QFont(step.section('=', 1).section(':', 0, 0), step.section(':', 1).toInt()));
        else if (step.startsWith("hold="))
            g_holdMs = step.section('=', 1).toInt() * 1000;
    }
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& m) {
        std::fprintf(stderr, "box: %s: %s\n", m.caption.c_str(), m.text.c_str());
    });
    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    // Optional steps: agent=ADDR community=TEXT version=2c|3 user=NAME open get=OID walk=OID,
    // mibs (the MIB modules read, before the next step), browser (the MIB browser opened and
    // pictured), find=TEXT in the browser, line=N (the walk list's line N selected and followed),
    // modules (the browser's module list opened), table=OID (the table view of that table,
    // pictured), notifications (the Notifications window, pictured), maximize (the main window
    // asked to maximize, as by its title bar's button), and last of all walking=OID,
    // about or settings, which picture the About box or the Session Settings over the dialog, or
    // settings-on-screen, the whole screen with the Session Settings over the dialog.
    QPixmap shot;
    for (int i = 2; i < argc; ++i) {
        const QString step = QString::fromLocal8Bit(argv[i]);
        const QString arg = step.section('=', 1);
        if (step.startsWith("agent="))
            dlg.SetDlgItemText(IDC_IPADDRESS, arg.toLatin1().constData());
        else if (step.startsWith("community="))
            dlg.SetDlgItemText(IDC_COMMUNITY, arg.toLatin1().constData());
        else if (step == "version=2c" || step == "version=3" || step.startsWith("user=")) {
            // user=NAME: the SNMPv3 user, with no key made yet.
            SnmpMgrSessionSettings settings = dlg.SessionSettings();
            settings.version = step == "version=2c" ? SNMP_MGR_VERSION_2C : SNMP_MGR_VERSION_3;
            if (step.startsWith("user="))
                settings.userName = arg.toStdString();
            dlg.SetSessionSettings(settings);
        } else if (step == "open")
            dlg.OnOpen();
        else if (step.startsWith("get=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnGet();
        } else if (step.startsWith("walk=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnGetAll();
        } else if (step.startsWith("walking=")) {
            shot = GrabWalkInProgress(dlg, arg);
            if (shot.isNull()) {
                std::fprintf(stderr, "the walk ended before it showed its progress\n");
                return 1;
            }
        } else if (step == "mibs") {
            SnmpMgrLoadMibModules();
            SnmpMgrWaitMibModulesForTesting(60000);
        } else if (step.startsWith("table=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnSysCommand(IDM_TABLEVIEW, 0);
        } else if (step.startsWith("watch=")) {
            dlg.SetDlgItemText(IDC_OID, arg.toLatin1().constData());
            dlg.OnSysCommand(IDM_WATCH, 0);
            if (dlg.WatchWindow())
                dlg.WatchWindow()->SetInterval(1);
        } else if (step.startsWith("for=") && dlg.WatchWindow()) {
            WatchWithTraffic(arg.toInt());
        } else if (step == "maximize") {
            // What a title bar's maximize button asks of the main window.
            dlg.windowHandle()->setWindowStates(Qt::WindowMaximized);
        } else if (step == "notifications") {
            dlg.OnSysCommand(IDM_NOTIFICATIONS, 0);
        } else if (step == "browser") {
            dlg.OnMibBrowser();
        } else if (step.startsWith("find=") && dlg.MibBrowser()) {
            dlg.MibBrowser()->findChild<QLineEdit*>("IDC_MIB_FIND")->setText(arg);
            dlg.MibBrowser()->Find(false);
        } else if (step.startsWith("line=") && dlg.MibBrowser()) {
            CListBox* walk = dlg.ListBox(IDC_WALK_LIST);
            CLineBinding line;
            walk->SetCurSel(arg.toInt());
            if (walk->GetBinding(arg.toInt(), &line))
                dlg.MibBrowser()->FollowLine(line);
        } else if (step == "modules" && dlg.MibBrowser()) {
            dlg.MibBrowser()->Refresh();
            // The first module that failed, opened with the parser's words.
            auto* modules = dlg.MibBrowser()->findChild<QTreeView*>("IDC_MIB_MODULES");
            QAbstractItemModel* model = modules->model();
            for (int row = 0; row < model->rowCount(); ++row) {
                const QModelIndex index = model->index(row, 0);
                if (index.data().toString().contains(" failed: ")) {
                    modules->expand(index);
                    modules->setCurrentIndex(index);
                    modules->scrollTo(index, QAbstractItemView::PositionAtTop);
                    break;
                }
            }
        } else if (step == "about" || step == "settings" || step == "settings-on-screen") {
            shot = GrabModalOverDialog(dlg, step == "about" ? IDM_ABOUTBOX : IDM_SESSIONSETTINGS,
                                       step == "settings-on-screen");
            if (shot.isNull()) {
                std::fprintf(stderr, "the %s did not open\n", argv[i]);
                return 1;
            }
        }
        QApplication::processEvents();
    }
    if (shot.isNull())
        Hold();
    if (shot.isNull() && dlg.WatchWindow() && dlg.WatchWindow()->isVisible()) {
        QWidget* watch = dlg.WatchWindow();
        shot = QPixmap(FramedRect(watch).size());
        QPainter painter(&shot);
        PaintFramed(painter, watch, FramedRect(watch).topLeft());
    }
    if (shot.isNull() && dlg.TableView() && dlg.TableView()->isVisible()) {
        QWidget* table = dlg.TableView();
        shot = QPixmap(FramedRect(table).size());
        QPainter painter(&shot);
        PaintFramed(painter, table, FramedRect(table).topLeft());
    }
    if (QWidget* log = dlg.NotificationsWindow(); shot.isNull() && log && log->isVisible()) {
        shot = QPixmap(FramedRect(log).size());
        QPainter painter(&shot);
        PaintFramed(painter, log, FramedRect(log).topLeft());
    }
    if (shot.isNull() && dlg.MibBrowser()) {
        QWidget* browser = dlg.MibBrowser();
        shot = QPixmap(FramedRect(browser).size());
        QPainter painter(&shot);
        PaintFramed(painter, browser, FramedRect(browser).topLeft());
    }
    if (shot.isNull())
        shot = dlg.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    dlg.done(QDialog::Rejected);
    return 0;
}

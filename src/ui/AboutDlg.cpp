#include "ui/AboutDlg.h"

#include "ui/DialogTemplate.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QWindow>

// The images live in a static library; registering its resources by name makes the linker
// keep them, which nothing else in the program would.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

QIcon LoadResourceIcon(int id) {
    static const bool registered = (InitResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    if (id == IDR_MAINFRAME) {
        // Images read now rather than files named for later: Qt 6.8 answers a scaled screen's
        // request (16 at 2, 32 at 1.5) from named files with the 24-pixel image, where
        // images already read give the one drawn for that size, as on Qt 6.4.
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/okapel.png")));
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/okapel-16.png")));
        // Images drawn at the sizes that scaled screens and the desktop ask for, so that the
        // icon is never an image blown up.
        for (int side : kLargerIconSizes)
            icon.addPixmap(QPixmap(QStringLiteral(":/icons/okapel-%1.png").arg(side)));
    }
    return icon;
}

QString LoadResourceString(int id) {
    if (id == IDS_ABOUTBOX)
        return QStringLiteral("&About Okapel...");
    if (id == IDS_SESSIONSETTINGS)
        return QStringLiteral("&Session Settings...");
    if (id == IDS_MIBBROWSER)
        return QStringLiteral("MIB &Browser...");
    if (id == IDS_TABLEVIEW)
        return QStringLiteral("&Table View...");
    if (id == IDS_WATCH)
        return QStringLiteral("&Watch...");
    if (id == IDS_NOTIFICATIONS)
        return QStringLiteral("&Notifications...");
    return QString();
}

CAboutDlg::CAboutDlg() : QDialog(nullptr) {
    // Caption and close box, no minimize or maximize box, fixed in size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kAboutDialogTemplate.caption));
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    KeepOutOfMaximized(this);
    CreateControls();
    ConnectButtons();
}

void CAboutDlg::CreateControls() {
    CreateDialogControls(this, kAboutDialogTemplate);

    // The controls were created in table order; the icon statics get the application icon.
    // An icon static sizes itself to its icon, whatever size the template gives it: only
    // its top-left corner comes from the template.
    const QIcon icon = LoadResourceIcon(IDR_MAINFRAME);
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    const QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qsizetype index = 0;
    for (const DlgItemTemplate& item : kAboutDialogTemplate.items) {
        QWidget* control = index < controls.size() ? controls[index++] : nullptr;
        auto* label = qobject_cast<QLabel*>(control);
        if (item.kind != DlgItemKind::Icon || !label)
            continue;
        label->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatioF()));
        label->setGeometry(QRect(label->geometry().topLeft(), QSize(side, side)));
    }
}

void CAboutDlg::ConnectButtons() {
    // OK ends the box as the framework's OnOK does; Enter reaches it as the default
    // button, and Escape and the close box end the box through QDialog's reject().
    for (auto* button : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        if (button->property("dlgId").toInt() == IDOK)
            connect(button, &QAbstractButton::clicked, this, &QDialog::accept);
    }
}

int CAboutDlg::DoModal() {
    // The owner is the window that was active when the box was asked for (the main
    // dialog): the box opens centred over it and stays above it, and application
    // modality keeps input away from it until the box ends.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    setWindowModality(Qt::ApplicationModal);
    if (owner && owner != this) {
        winId();
        if (QWindow* handle = windowHandle())
            handle->setTransientParent(owner->window()->windowHandle());
    }
    PlaceOverOwner(owner);
    return exec();
}

void CAboutDlg::PlaceOverOwner(QWidget* owner) {
    const QSize frame = frameGeometry().size();
    QPoint centre;
    if (owner && owner->isVisible())
        centre = owner->window()->frameGeometry().center();
    else if (const QScreen* screen = this->screen())
        centre = screen->availableGeometry().center();
    else
        return;
    move(centre - QPoint(frame.width() / 2, frame.height() / 2));
}

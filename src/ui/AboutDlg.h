// The About box: the program's name, version, copyright and author beside its icon; and
// the resources that it and the system menu's About entry are made of.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

// The sizes, beyond 32 x 32 and 16 x 16, at which the application icon has images of its
// own: the small and large icons at scale factors 1.25, 1.5 and 2, and the desktop's menus
// and docks.
inline constexpr int kLargerIconSizes[] = {20, 24, 40, 48, 64, 128, 256};

// The icon resource `id` with all its images (IDR_MAINFRAME: 32 x 32 and 16 x 16, and the
// larger sizes), or a null icon for an id that names no icon.
QIcon LoadResourceIcon(int id);

// The string resource `id` (IDS_ABOUTBOX, IDS_SESSIONSETTINGS, IDS_MIBBROWSER,
// IDS_NOTIFICATIONS), or the empty text for an id that names none.
QString LoadResourceString(int id);

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // Always without a parent: DoModal makes the application's active window its owner.
    CAboutDlg();

    // Runs the box application-modal over the window that was active when it was called,
    // which takes no input until the box has ended. The result is QDialog::Accepted for
    // OK and Enter, QDialog::Rejected for Escape and the close box.
    int DoModal();

private:
    void CreateControls();
    void ConnectButtons();
    void PlaceOverOwner(QWidget* owner);
};

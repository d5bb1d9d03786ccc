// The dialog's system menu, the About entry, and the icon of the minimized window.
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"

#include <QContextMenuEvent>
#include <QPaintEvent>

void CManagerDlg::AddAboutMenuEntry() {}

void CManagerDlg::ShowSystemMenu(const QPoint&) {}

void CManagerDlg::contextMenuEvent(QContextMenuEvent* event) { ShowSystemMenu(event->globalPos()); }

void CManagerDlg::OnSysCommand(unsigned, long) {}

void CManagerDlg::paintEvent(QPaintEvent* event) { QDialog::paintEvent(event); }

void CManagerDlg::OnPaint() {}

QIcon CManagerDlg::OnQueryDragIcon() const { return m_hIcon; }

void CManagerDlg::IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight,
                               int* x, int* y) {
    *x = (clientWidth - iconWidth + 1) / 2;
    *y = (clientHeight - iconHeight + 1) / 2;
}

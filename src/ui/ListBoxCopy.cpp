// Copying from a list box: Ctrl+C copies the selected line, and the list's context menu
// offers Copy and Copy All, each line as the list shows it.
#include "ui/ListBox.h"

#include "ui/PopupMenu.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>

void CListBox::CopySelectedLine() const {
    const int index = GetCurSel();
    if (index < 0)
        return; // nothing selected: the clipboard keeps what it had
    QGuiApplication::clipboard()->setText(LineText(index));
}

void CListBox::CopyAllLines() const {
    const int count = GetCount();
    if (count == 0)
        return;
    QString text;
    for (int i = 0; i < count; ++i) {
        text += LineText(i);
        text += QLatin1Char('\n');
    }
    QGuiApplication::clipboard()->setText(text);
}

void CListBox::contextMenuEvent(QContextMenuEvent* event) {
    // The menu belongs to the list and goes when it closes; it opens without changing the
    // selection, so a right-click raises no notification.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ListBoxMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(tr("&Copy"), this, &CListBox::CopySelectedLine);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(GetCurSel() >= 0);
    QAction* copyAll = menu->addAction(tr("Copy &All"), this, &CListBox::CopyAllLines);
    copyAll->setEnabled(GetCount() > 0);

    QPoint pos = event->globalPos();
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    if (fromKeyboard) {
        // From the keyboard, the menu opens at the selected line when it is in view, else
        // at the list's top-left corner.
        const QRect line = ItemRect(GetCurSel());
        pos = viewport()->mapToGlobal(
            GetCurSel() >= 0 && viewport()->rect().contains(line.topLeft()) ? line.bottomLeft()
                                                                            : QPoint(0, 0));
    }
    OpenPopupMenu(menu, pos, fromKeyboard);
    event->accept();
}

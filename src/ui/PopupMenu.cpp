#include "ui/PopupMenu.h"

#include <QAction>
#include <QMenu>

void OpenPopupMenu(QMenu* menu, const QPoint& globalPos, bool fromKeyboard) {
    menu->popup(globalPos);
    if (!fromKeyboard)
        return;
    for (QAction* action : menu->actions()) {
        if (action->isEnabled() && action->isVisible() && !action->isSeparator()) {
            menu->setActiveAction(action);
            break;
        }
    }
}

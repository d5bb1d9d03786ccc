// Opening a popup menu the way the platform does.
#pragma once

class QMenu;
class QPoint;

// Opens `menu` at `globalPos`. Opened from the keyboard, its first entry that can be
// chosen is current, so that arrow keys start there and a screen reader names the entry.
void OpenPopupMenu(QMenu* menu, const QPoint& globalPos, bool fromKeyboard);

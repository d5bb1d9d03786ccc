// The dialog's seams: the observers that take its boxes and its lists' accessibility events
// in place of the real ones, and a list's capacity within a test's reach.
#include "ui/ListBox.h"
#include "ui/ListBoxAccessible.h"
#include "ui/ManagerDlg.h"

void CManagerDlg::SetMessageHook(MessageHook hook) {
    MessageHookSlot() = std::move(hook);
}

void CListBox::SetCapacityForTesting(std::size_t lines, std::size_t textBytes) {
    m_lines.SetCapacity(lines, textBytes);
}

void SetListBoxEventObserverForTesting(ListBoxEventObserver observer) {
    ListBoxEventObserverSlot() = observer;
}

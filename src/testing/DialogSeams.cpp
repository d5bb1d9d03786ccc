// The dialog's seams: the observers that take its boxes and its lists' accessibility events
// in place of the real ones, the notification log window's choice of a file, a list's and the
// notification log's capacity, and the slices in which a filter is applied, within a test's
// reach.
#include "ui/ListBox.h"
#include "ui/ListBoxAccessible.h"
#include "ui/ManagerDlg.h"
#include "ui/NotificationLog.h"
#include "ui/NotificationModel.h"
#include "ui/NotificationsDlg.h"

void CManagerDlg::SetMessageHook(MessageHook hook) {
    MessageHookSlot() = std::move(hook);
}

void CListBox::SetCapacityForTesting(std::size_t lines, std::size_t textBytes) {
    m_lines.SetCapacity(lines, textBytes);
}

void SetListBoxEventObserverForTesting(ListBoxEventObserver observer) {
    ListBoxEventObserverSlot() = observer;
}

void CNotificationLog::SetByteLimitForTesting(std::size_t bytes) {
    m_byteLimit = bytes;
}

void CNotificationsDlg::SetFileChooser(FileChooser chooser) {
    FileChooserSlot() = std::move(chooser);
}

void CNotificationModel::SetSliceRowsForTesting(std::size_t rows) {
    s_sliceRows = rows;
}

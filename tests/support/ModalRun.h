// Modal dialogs in tests: each dialog of one class that comes up while a call runs is
// inspected and ended from a timer inside its own loop, with a watchdog that ends it anyway,
// so that no test can hang on a box it did not expect.
#pragma once

#include <QDialog>

#include <functional>

// What happened while the call ran: the dialogs that came up, modal, and were ended.
struct ModalRun {
    int boxesSeen = 0;
    bool watchdogFired = false;
};

// Runs `open`, which may run dialogs modally. Each one that `match` accepts (it gives the
// dialog, or null for another widget) is handed to `inspect` from inside its own loop; if
// still open afterwards, it is rejected. A dialog still open after the watchdog's time is
// rejected too and the run marked.
ModalRun RunWithModalDialog(const std::function<void()>& open,
                            const std::function<QDialog*(QWidget*)>& match,
                            const std::function<void(QDialog*)>& inspect);

// The same for the dialogs of class `Dialog`.
template <class Dialog>
ModalRun RunWithModal(const std::function<void()>& open,
                      const std::function<void(Dialog*)>& inspect = {}) {
    return RunWithModalDialog(
        open, [](QWidget* widget) -> QDialog* { return qobject_cast<Dialog*>(widget); },
        [inspect](QDialog* dialog) {
            if (inspect)
                inspect(static_cast<Dialog*>(dialog));
        });
}

#include "support/ModalRun.h"

#include <QApplication>
#include <QTimer>

#include <memory>

ModalRun RunWithModalDialog(const std::function<void()>& open,
                            const std::function<QDialog*(QWidget*)>& match,
                            const std::function<void(QDialog*)>& inspect) {
    auto run = std::make_shared<ModalRun>();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [run, match, inspect] {
        QDialog* box = match(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("inspected").toBool())
            return;
        box->setProperty("inspected", true);
        ++run->boxesSeen;
        inspect(box);
        if (box->isVisible())
            box->reject();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(30000);
    QObject::connect(&watchdog, &QTimer::timeout, [run] {
        run->watchdogFired = true;
        if (QWidget* modal = QApplication::activeModalWidget())
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
    });
    poll.start();
    watchdog.start();
    open();
    return *run;
}

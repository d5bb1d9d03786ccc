#include "ui/ScreenFit.h"

#include "ui/DialogTemplate.h"
#include "ui/FrameExtents.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// Watches a fixed-size window's state changes; owned by the window.
class MaximizeRefusal : public QObject {
public:
    explicit MaximizeRefusal(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::WindowStateChange &&
            m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen) &&
            m_window->minimumSize() == m_window->maximumSize()) {
            // Changing the state from inside its own change notification is not safe in
            // every platform plugin: the state goes back once this one is delivered.
            QMetaObject::invokeMethod(
                m_window,
                [window = m_window] {
                    window->setWindowState(window->windowState() &
                                           ~(Qt::WindowMaximized | Qt::WindowFullScreen));
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

bool WindowSystemReportsPanels() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QRect WorkAreaOf(const QScreen* screen) {
    if (!screen)
        return QRect();
    return UsableArea(screen->geometry(), screen->availableGeometry(), WindowSystemReportsPanels());
}

QMargins WindowFrame(const QWidget* window) {
    // Borders as wide as the widest of the common frames drawn around every side (Qt's own on
    // Wayland draws 3 pixels), so that a window that takes the whole width keeps its edges.
    const int border = 3;
    QMargins frame(border, 2 * window->fontMetrics().height() + 4, border, border);
    if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
        frame = handle->frameMargins();
    const QScreen* screen = window->screen();
    const bool boundsTold = WindowSystemReportsPanels() ||
                            (screen && screen->availableGeometry() != screen->geometry());
    if (!boundsTold)
        frame.setTop(std::max(frame.top(), kLeastTitleBar));
    return frame;
}

QSize FitClientSize(const QSize& wanted, const QRect& workArea, const QMargins& frame) {
    if (workArea.isEmpty())
        return wanted;
    const QSize room = workArea.size().shrunkBy(frame);
    return wanted.boundedTo(QSize(std::max(room.width(), 1), std::max(room.height(), 1)));
}

void CentreInWorkArea(QWidget* window, const QRect& workArea, const QMargins& frame) {
    if (workArea.isEmpty())
        return;
    // The client area is placed inside the frame as the frame is known (or estimated): the
    // toolkit's own move() takes the frame's size into account only once it has read it.
    const QPoint framePos = PlaceFrame(workArea, window->size().grownBy(frame));
    window->setGeometry(QRect(framePos + QPoint(frame.left(), frame.top()), window->size()));
}

void CentreInWorkArea(QWidget* window, const QRect& workArea, const QMargins& frame,
                      const QPoint& centre) {
    if (workArea.isEmpty())
        return;
    QRect placed(QPoint(0, 0), window->size().grownBy(frame));
    placed.moveCenter(centre);
    // Inside the work area, the top-left corner (the title bar) first where it is too small.
    placed.moveLeft(std::min(placed.left(), workArea.right() + 1 - placed.width()));
    placed.moveTop(std::min(placed.top(), workArea.bottom() + 1 - placed.height()));
    placed.moveLeft(std::max(placed.left(), workArea.left()));
    placed.moveTop(std::max(placed.top(), workArea.top()));
    window->setGeometry(
        QRect(placed.topLeft() + QPoint(frame.left(), frame.top()), window->size()));
}

void FitToScreen(QWidget* window, const QSize& wanted, const QScreen* screen) {
    if (!screen)
        screen = window->screen();
    const QRect workArea = WorkAreaOf(screen);
    QMargins frame = WindowFrame(window);
    // An X11 window manager tells the frame before the window is mapped, where it offers to:
    // a frame that can be sized has a handle below that the estimate may lack.
    if (WindowSystemReportsPanels() && !window->isVisible() && window->isWindow()) {
        window->winId(); // the native window, which the window manager is asked about
        if (const QMargins promised = RequestFrameExtents(window->windowHandle());
            !promised.isNull())
            frame = promised;
    }
    window->resize(FitClientSize(wanted, workArea, frame).expandedTo(window->minimumSize()));
    CentreInWorkArea(window, workArea, frame);
}

void KeepOutOfMaximized(QWidget* window) {
    window->installEventFilter(new MaximizeRefusal(window));
}

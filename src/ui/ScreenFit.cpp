#include "ui/ScreenFit.h"

#include "ui/DialogTemplate.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

bool WindowSystemReportsPanels() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QRect WorkAreaOf(const QScreen* screen) {
    if (!screen)
        return QRect();
    return UsableArea(screen->geometry(), screen->availableGeometry(), WindowSystemReportsPanels());
}

QMargins WindowFrame(const QWidget* window) {
    const int border = 2;
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
    const QMargins frame = WindowFrame(window);
    window->resize(FitClientSize(wanted, workArea, frame).expandedTo(window->minimumSize()));
    CentreInWorkArea(window, workArea, frame);
}

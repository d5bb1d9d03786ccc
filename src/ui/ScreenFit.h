// Fitting a window to the screen it is shown on: the part of the screen that the window may
// cover, the frame that the window system puts around it, and the client size that fits
// inside both, so that every window of Okapel is whole on its screen, title bar included.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

// Whether the window system tells a client where the desktop's panels are. Only X11 among
// the Linux window systems does: on Wayland the toolkit takes the whole output for the work
// area, and the offscreen platform does as Wayland does.
bool WindowSystemReportsPanels();

// The part of `screen` that a window, frame included, may cover (UsableArea); empty without
// a screen.
QRect WorkAreaOf(const QScreen* screen);

// The title bar kept at least where the frame is not known: GNOME's (about 37 pixels), so
// that on the desktop that most laptops run its top bar and a window's title bar (69 pixels
// together) are kept whatever the font.
inline constexpr int kLeastTitleBar = 37;

// The frame that the window system puts around `window`: the one it reports once it knows
// it, otherwise a frame like the common desktops' (a title bar of about two lines of the
// window's font and thin borders), which a compositor that draws the title bar itself never
// tells. Where the window system tells no bounds of its screen either, the title bar is
// taken as kLeastTitleBar at least.
QMargins WindowFrame(const QWidget* window);

// The client size within `wanted` that fits in `workArea` with `frame` around it.
QSize FitClientSize(const QSize& wanted, const QRect& workArea, const QMargins& frame);

// Moves `window`, whose client area has its size already, so that with `frame` around it the
// window is centred in `workArea` (or on `centre`, as far as the work area lets it), its title
// bar inside. A compositor places its windows itself and ignores the position.
void CentreInWorkArea(QWidget* window, const QRect& workArea, const QMargins& frame);
void CentreInWorkArea(QWidget* window, const QRect& workArea, const QMargins& frame,
                      const QPoint& centre);

// Resizes `window` to `wanted`, less what the work area of its screen (or of `screen`, where
// given) lacks for it with its frame, and centres it there: for the windows whose layouts
// can give up room.
void FitToScreen(QWidget* window, const QSize& wanted, const QScreen* screen = nullptr);

// Keeps `window`, fixed in size, out of the maximized and full-screen states, whoever asks for
// them: the window tells the window system that it neither resizes nor maximizes (its flags,
// and a least size equal to its largest), but some draw a maximize button all the same (Qt's
// own title bars on Wayland compositors that leave decorations to the client, and some X11
// window managers), and a compositor may take the window for maximized, pinned to a corner
// of its output with the size it had, until it is restored. The state is dropped as soon as
// it is taken, so that the button does nothing.
void KeepOutOfMaximized(QWidget* window);

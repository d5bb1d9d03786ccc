// The frame that an X11 window manager will put around a top-level window, asked for before
// the window is mapped, so that the window can be placed once, frame included, instead of
// being moved when the frame turns out to differ from a guess.
#pragma once

#include <QMargins>

class QWindow;

// Asks the window manager for the frame it will give `window`, which must exist and not yet
// be mapped (_NET_REQUEST_FRAME_EXTENTS), and waits up to `timeoutMs` for the answer. Null
// margins on other window systems, and where the window manager does not offer the request
// or does not answer in time.
QMargins RequestFrameExtents(QWindow* window, int timeoutMs = 100);

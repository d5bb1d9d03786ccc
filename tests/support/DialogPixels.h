// Where a dialog template puts a control, in pixels, worked out here by the platform's rule
// for dialog units rather than by the code under test, so that a test compares the dialogs
// with an expectation of its own: the base width is the average width of the 52 letters of
// the font, the base height its line height; x and widths are quarters of the first, y and
// heights eighths of the second, rounded half away from zero.
#pragma once

#include <QFont>
#include <QRect>

QRect DialogPixels(const QFont& font, int x, int y, int cx, int cy);

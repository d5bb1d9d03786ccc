// Lines that stay visible: the borders of the boxes and lists and the focus rectangle of a
// list, whatever the palette (a high-contrast one with a black window included) and whatever
// the screen's scale factor.
#pragma once

#include <QColor>

class QPainter;
class QPalette;
class QRect;
class QWidget;

// The contrast of two colours as WCAG 2 defines it: (L1 + 0.05) / (L2 + 0.05) of their
// relative luminances, from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// `preferred` where it has at least `minimum` contrast with each of the two backgrounds it
// is drawn between; otherwise the first mix of it toward `toward` that has, or black or
// white, whichever stands out more.
QColor ContrastingLine(const QColor& preferred, const QColor& toward, const QColor& first,
                       const QColor& second, double minimum = 3.0);

// The border of a box or list: the shade of the window that the desktop's fallback style
// draws it in, where that shows against the window and the box; in a palette where it would
// not (a black or dark window), a colour between it and the window's text that stands out
// 3:1 against both.
QColor BoxBorderColor(const QPalette& palette);

// Whether the style's own border of a box, a shade of the window colour, would be lost in
// this palette, so that the box draws BoxBorderColor over it.
bool StyleBorderIsLost(const QPalette& palette);

// Draws a rectangle's outline `width` logical pixels wide inside `rect`, as four filled
// bands: at any scale factor each band covers at least one device pixel, where a line of the
// same width can fall between them.
void DrawBands(QPainter& painter, const QRect& rect, int width, const QColor& color);

// Draws BoxBorderColor over the outer edge of `box` where its style's border would be lost.
void DrawBorderWhereLost(QWidget* box);

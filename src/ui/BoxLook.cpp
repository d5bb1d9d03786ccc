#include "ui/BoxLook.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// The darker shade of the window colour in which the desktop's fallback style draws the
// borders of boxes and lists.
QColor StyleBorder(const QPalette& palette) {
    return palette.color(QPalette::Window).darker(140);
}

// Below this contrast with the window or the box, a border is as good as gone.
constexpr double kLostBorder = 1.5;

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * Linear(rgb.red()) + 0.7152 * Linear(rgb.green()) + 0.0722 * Linear(rgb.blue());
}

QColor Mix(const QColor& from, const QColor& to, double t) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    const auto channel = [t](int x, int y) {
        return static_cast<int>(std::lround(x + (y - x) * t));
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

double WorseContrast(const QColor& line, const QColor& first, const QColor& second) {
    return std::min(ContrastRatio(line, first), ContrastRatio(line, second));
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ContrastingLine(const QColor& preferred, const QColor& toward, const QColor& first,
                       const QColor& second, double minimum) {
    constexpr int kSteps = 10;
    for (int step = 0; step <= kSteps; ++step) {
        const QColor line = Mix(preferred, toward, static_cast<double>(step) / kSteps);
        if (WorseContrast(line, first, second) >= minimum)
            return line;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return WorseContrast(black, first, second) >= WorseContrast(white, first, second) ? black
                                                                                      : white;
}

bool StyleBorderIsLost(const QPalette& palette) {
    return WorseContrast(StyleBorder(palette), palette.color(QPalette::Window),
                         palette.color(QPalette::Base)) < kLostBorder;
}

QColor BoxBorderColor(const QPalette& palette) {
    if (!StyleBorderIsLost(palette))
        return StyleBorder(palette);
    return ContrastingLine(StyleBorder(palette), palette.color(QPalette::WindowText),
                           palette.color(QPalette::Window), palette.color(QPalette::Base));
}

void DrawBands(QPainter& painter, const QRect& rect, int width, const QColor& color) {
    if (rect.width() < 2 * width || rect.height() < 2 * width) {
        painter.fillRect(rect, color);
        return;
    }
    const int inner = rect.height() - 2 * width;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), width), color);
    painter.fillRect(QRect(rect.left(), rect.bottom() - width + 1, rect.width(), width), color);
    painter.fillRect(QRect(rect.left(), rect.top() + width, width, inner), color);
    painter.fillRect(QRect(rect.right() - width + 1, rect.top() + width, width, inner), color);
}

void DrawBorderWhereLost(QWidget* box) {
    const QPalette& palette = box->palette();
    if (!StyleBorderIsLost(palette))
        return;
    // A box with the focus keeps a border of the highlight colour, as the style marks it.
    const bool focused = box->hasFocus() || box->isAncestorOf(QApplication::focusWidget());
    const QColor color =
        focused ? ContrastingLine(palette.color(QPalette::Highlight),
                                  palette.color(QPalette::WindowText),
                                  palette.color(QPalette::Window), palette.color(QPalette::Base))
                : BoxBorderColor(palette);
    QPainter painter(box);
    DrawBands(painter, box->rect(), 1, color);
}

#include "support/DialogPixels.h"

#include <QFontMetrics>

#include <cmath>

QRect DialogPixels(const QFont& font, int x, int y, int cx, int cy) {
    const QFontMetrics metrics(font);
    const double baseX = std::round(metrics.horizontalAdvance(QStringLiteral(
                                        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                                    52.0);
    const double baseY = metrics.height();
    const auto across = [baseX](int units) {
        return static_cast<int>(std::lround(units * baseX / 4));
    };
    const auto down = [baseY](int units) {
        return static_cast<int>(std::lround(units * baseY / 8));
    };
    return QRect(across(x), down(y), across(cx), down(cy));
}

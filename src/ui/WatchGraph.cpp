#include "ui/WatchGraph.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

// Rates as the list writes them, in hundredths; values as the whole numbers they are.
QString Figure(double value, bool rate) {
    return QString::number(value, 'f', rate || value != std::floor(value) ? 2 : 0);
}

} // namespace

CWatchGraph::CWatchGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("IDC_WATCH_GRAPH"));
    setAccessibleName(QStringLiteral("Graph"));
    setFocusPolicy(Qt::TabFocus); // so that a screen reader's user reaches it by Tab
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void CWatchGraph::Show(const QString& name, const std::deque<CWatchModel::Point>& points,
                       bool rates, qint64 nowMs) {
    m_name = name;
    m_points = points;
    m_rates = rates;
    m_nowMs = nowMs;
    QString summary;
    if (name.isEmpty()) {
        summary = QStringLiteral("No object selected");
    } else if (points.empty()) {
        summary = QStringLiteral("%1: no figures yet").arg(name);
    } else {
        double low = points.front().figure;
        double high = low;
        for (const CWatchModel::Point& p : points) {
            low = std::min(low, p.figure);
            high = std::max(high, p.figure);
        }
        const qint64 minutes = std::max<qint64>(1, (nowMs - points.front().atMs + 59999) / 60000);
        summary = QStringLiteral("%1: latest %2 %3, lowest %4, highest %5 over the last %6 min")
                      .arg(name, Figure(points.back().figure, rates),
                           rates ? QStringLiteral("per second") : QStringLiteral("(value)"),
                           Figure(low, rates), Figure(high, rates))
                      .arg(minutes);
    }
    const bool changed = summary != m_summary;
    m_summary = summary;
    setAccessibleName(name.isEmpty() ? QStringLiteral("Graph")
                                     : QStringLiteral("Graph of %1").arg(name));
    setAccessibleDescription(summary);
    setToolTip(summary);
    if (changed) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void CWatchGraph::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QFontMetrics metrics(font());
    const int margin = metrics.height() / 2 + 2;
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("000000000.00")) + 4;
    const QRect plot = rect().adjusted(labelWidth, margin, -margin, -metrics.height() - margin);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(plot);

    painter.setPen(colours.color(QPalette::Text));
    const QString axis = m_rates ? QStringLiteral("per second") : QStringLiteral("value");
    if (m_points.empty()) {
        painter.drawText(plot, Qt::AlignCenter,
                         m_name.isEmpty() ? QStringLiteral("Select an object")
                                          : QStringLiteral("No figures yet"));
        return;
    }
    double low = m_points.front().figure;
    double high = low;
    for (const CWatchModel::Point& p : m_points) {
        low = std::min(low, p.figure);
        high = std::max(high, p.figure);
    }
    if (m_rates || low > 0)
        low = std::min(low, 0.0); // rates from nought, so that their size reads right
    if (high - low < 1e-9)
        high = low + 1;
    // The last hour to the right edge, or less while there is less.
    const qint64 span =
        std::clamp<qint64>(m_nowMs - m_points.front().atMs, 60 * 1000, CWatchModel::kHistoryMs);
    const qint64 start = m_nowMs - span;
    const auto x = [&](qint64 atMs) {
        return plot.left() +
               static_cast<double>(atMs - start) / static_cast<double>(span) * plot.width();
    };
    const auto y = [&](double figure) {
        return plot.bottom() - (figure - low) / (high - low) * plot.height();
    };
    painter.drawText(QRect(0, plot.top() - margin, labelWidth - 4, 2 * margin),
                     Qt::AlignRight | Qt::AlignVCenter, Figure(high, m_rates));
    painter.drawText(QRect(0, plot.bottom() - margin, labelWidth - 4, 2 * margin),
                     Qt::AlignRight | Qt::AlignVCenter, Figure(low, m_rates));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), metrics.height()),
                     Qt::AlignLeft,
                     span < 5 * 60 * 1000 ? QStringLiteral("-%1 s").arg((span + 999) / 1000)
                                          : QStringLiteral("-%1 min").arg((span + 59999) / 60000));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), metrics.height()),
                     Qt::AlignCenter, axis);
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), metrics.height()),
                     Qt::AlignRight, QStringLiteral("now"));

    QPainterPath line;
    bool open = false;
    for (const CWatchModel::Point& p : m_points) {
        const QPointF at(x(p.atMs), y(p.figure));
        if (!open || p.isBreak)
            line.moveTo(at);
        else
            line.lineTo(at);
        open = true;
    }
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
    QPen pen(colours.color(QPalette::Highlight), 2);
    painter.setPen(pen);
    painter.drawPath(line);
    // A lone figure after a break, and the latest one, as dots.
    painter.setBrush(colours.color(QPalette::Highlight));
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const bool alone = (i == 0 || m_points[i].isBreak) &&
                           (i + 1 == m_points.size() || m_points[i + 1].isBreak);
        if (alone || i + 1 == m_points.size())
            painter.drawEllipse(QPointF(x(m_points[i].atMs), y(m_points[i].figure)), 2.5, 2.5);
    }
}

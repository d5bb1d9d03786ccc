// The graph of one watched object over the last hour: a counter's rate per second, or
// another number's value, against the local clock, with a gap at every break.
//
// Drawn by the widget itself with QPainter: a line of a few thousand points needs no chart
// library, and the program keeps to Qt's base and widgets modules. Screen readers read it by
// its name and description, which tell the object and its latest, lowest and highest
// figures.
#pragma once

#include "ui/WatchModel.h"

#include <QString>
#include <QWidget>

#include <deque>

class CWatchGraph : public QWidget {
    Q_OBJECT

public:
    explicit CWatchGraph(QWidget* parent = nullptr);

    // Shows `points` of the object `name`, rates where `rates`; no object with an empty name.
    void Show(const QString& name, const std::deque<CWatchModel::Point>& points, bool rates,
              qint64 nowMs);
    // What screen readers read: the latest figures in words.
    QString Summary() const { return m_summary; }
    std::size_t PointCount() const { return m_points.size(); }

    QSize sizeHint() const override { return QSize(480, 160); }
    QSize minimumSizeHint() const override { return QSize(160, 80); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    std::deque<CWatchModel::Point> m_points;
    bool m_rates = false;
    qint64 m_nowMs = 0;
    QString m_summary;
};

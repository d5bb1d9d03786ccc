// The rows of the live counters: one per watched object, its name (by the modules where they
// name it), its last value as the Session Settings write values, its change and, for a
// counter, its rate per second since the poll before, timed by the agent's sysUpTime; and
// the last hour of its figures for the graph. Kept in memory only.
#pragma once

#include "snmp/Flows.h"
#include "values/CounterRate.h"

#include <QAbstractTableModel>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

class CWatchModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName, kValue, kChange, kRate, kColumns };

    // One figure of the graph: a counter's rate or another number's value, by the local
    // clock; a break (a restart, a counter reset, a failed poll) stands between two lines.
    struct Point {
        qint64 atMs = 0;
        double figure = 0;
        bool isBreak = false;
    };

    // How long the graph's figures are kept, by the local clock.
    static constexpr qint64 kHistoryMs = 3600 * 1000;

    explicit CWatchModel(QObject* parent = nullptr);

    // Adds a row for `oid` unless one watches it already; returns its row.
    int AddObject(const std::vector<UINT>& oid);
    void RemoveRow(int row);
    // The row watches `oid` from now on, its figures begun anew.
    void ReplaceObject(int row, const std::vector<UINT>& oid);
    void Clear();

    // The objects of the rows polled, and those rows: a row that the agent refused is left
    // out of later polls.
    std::vector<std::vector<UINT>> PolledObjects(std::vector<int>* rows) const;
    // A poll's answer for `rows` (as PolledObjects gave them), come at `atMs`.
    void TakeAnswer(const flows::PollAnswer& answer, const std::vector<int>& rows, qint64 atMs);
    // The agent refused the row's object (`why`): it is polled no more.
    void LeaveOut(int row, const QString& why);
    // A poll that failed as a whole: the next figures follow a break.
    void BreakAll(qint64 atMs);

    const std::vector<UINT>& Object(int row) const { return m_rows[static_cast<size_t>(row)].oid; }
    QString Text(int row, int column) const;
    const std::deque<Point>& History(int row) const {
        return m_rows[static_cast<size_t>(row)].history;
    }
    // Whether the row's figures are rates per second (a counter's), not values.
    bool ShowsRate(int row) const { return m_rows[static_cast<size_t>(row)].counter; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        std::vector<UINT> oid;
        QString name;
        QString value;
        QString change;
        QString rate;
        // The sample the next is compared with: a counter's last change (values::HeldByCache).
        std::optional<values::CounterSample> last;
        qint64 lastAtMs = 0;
        QString heldRate; // the rate shown while a counter is held
        bool counter = false;
        bool leftOut = false;
        bool breakNext = false; // the next figure of the graph follows a break
        std::deque<Point> history;
    };
    static QString NameOf(const std::vector<UINT>& oid);
    void AddPoint(Row& row, Point point);

    std::vector<Row> m_rows;
};

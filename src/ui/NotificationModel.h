// The log window's table: the notifications of the log that its filter shows, one row each,
// oldest first, a column per field. The log keeps every notification; the model holds only
// the numbers of those shown.
//
// A new filter is applied over the whole log in slices of a few milliseconds, between which
// the window's thread takes input and paints, so that a filter changed over a full log never
// holds the window; notifications that come meanwhile are tested as they come.
#pragma once

#include "traps/NotificationFilter.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <cstdint>
#include <deque>

class CNotificationLog;

class CNotificationModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Source, Version, User, Kind, Name, Bindings, ColumnCount };

    explicit CNotificationModel(CNotificationLog* log, QObject* parent = nullptr);

    // Shows what `filter` matches, from the oldest notification on.
    void SetFilter(CNotificationFilter filter);
    // Whether the filter is still being applied to the notifications that were in the log.
    bool Filtering() const { return m_scanned < m_scanEnd; }
    const CNotificationFilter& Filter() const { return m_filter; }

    CNotificationLog* Log() const { return m_log; }
    // The notifications shown, and the log number of the one in `row`.
    std::size_t Shown() const { return m_shown.size(); }
    std::uint64_t NumberAt(int row) const { return m_shown[static_cast<std::size_t>(row)]; }
    // The row of the notification numbered `number`; -1 when it is not shown.
    int RowOf(std::uint64_t number) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The text of a cell as the window shows it, in UTF-8.
    static std::string CellText(const CNotification& notification, int column);

    // Slices of at most `rows` notifications (0: only their time bounds them), so that tests
    // see a filter being applied on a fast machine as on a slow one: a seam of the testing
    // library (src/testing), which the tests link and the program does not.
    static void SetSliceRowsForTesting(std::size_t rows);

signals:
    // The count shown, the log's count or what it removed changed, or a filter was applied
    // whole.
    void countsChanged();

private:
    void OnRowsRemoved(std::uint64_t first);
    void OnRowsAppended(std::uint64_t from);
    void ScanSlice();
    // Shows, of the notifications from..end - 1, those the filter matches.
    void AddMatching(std::uint64_t from, std::uint64_t end);

    CNotificationLog* m_log;
    CNotificationFilter m_filter;
    std::deque<std::uint64_t> m_shown;
    // The notifications below m_scanned were tested against the filter; those up to
    // m_scanEnd, which were in the log when it was set, are still being tested.
    std::uint64_t m_scanned = 0;
    std::uint64_t m_scanEnd = 0;
    QTimer m_scanTimer;
    static std::size_t s_sliceRows;
};

#include "ui/ListBoxAccessible.h"

#include "ui/ListBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

// One line of a list. It knows the line by its index only and reads the text when asked,
// so it never holds a copy of the line; an item past the list's end is no longer valid.
class ListBoxLineAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    ListBoxLineAccessible(CListBox* list, int row) : m_list(list), m_row(row) {}

    bool isValid() const override { return m_list && m_row < m_list->GetCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_list.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && m_list ? m_list->LineText(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return QRect();
        QWidget* viewport = m_list->viewport();
        const QRect line = m_list->ItemRect(m_row);
        return QRect(viewport->mapToGlobal(line.topLeft()), line.size());
    }

    QAccessible::Role role() const override { return QAccessible::Cell; }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = state.selected && m_list->hasFocus();
        const QRect line = m_list->ItemRect(m_row);
        state.offscreen = !m_list->viewport()->rect().intersects(line);
        state.invisible = state.offscreen || !m_list->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return m_list && m_list->GetCurSel() == m_row; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<CListBox> m_list;
    int m_row;
};

// The list itself: a table of one column, one row per line and nothing else (the scroll
// bars are the list's own business). As a table, it tells its size and selection through
// the table interface: a screen reader reads a list's size by visiting every item, which
// for a trap window of 30,000 lines holds it for half a minute, and skips a table's rows
// when it looks through the whole window for its labels.
class ListBoxAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListBoxAccessible(CListBox* list) : QAccessibleWidget(list, QAccessible::Table) {}
    ~ListBoxAccessible() override { ForgetLines(); }

    CListBox* list() const { return static_cast<CListBox*>(widget()); }

    int childCount() const override { return list()->GetCount(); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        // Items are made when first asked for and kept, so that the same line is always
        // the same object to the assistive technology.
        if (const auto found = m_lineIds.constFind(index); found != m_lineIds.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto* line = new ListBoxLineAccessible(list(), index);
        m_lineIds.insert(index, QAccessible::registerAccessibleInterface(line));
        return line;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!cell || child->parent() != this)
            return -1;
        return cell->rowIndex();
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint pos = list()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!list()->viewport()->rect().contains(pos))
            return nullptr;
        return child(list()->IndexAt(pos));
    }

    QAccessibleInterface* focusChild() const override {
        return list()->hasFocus() ? child(list()->GetCurSel()) : nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? child(row) : nullptr;
    }
    int selectedCellCount() const override { return list()->GetCurSel() >= 0 ? 1 : 0; }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        if (QAccessibleInterface* line = child(list()->GetCurSel()))
            cells.append(line);
        return cells;
    }
    QString columnDescription(int) const override { return QString(); }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedCellCount(); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return childCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        return list()->GetCurSel() >= 0 ? QList<int>{list()->GetCurSel()} : QList<int>{};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return row >= 0 && row == list()->GetCurSel(); }
    // The selection is the operator's to make: an assistive technology's request would
    // change it without the notification that the operator's own change raises.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        // Lines are only ever appended or all removed; an item stands for an index, so only
        // a reset leaves items for lines that are gone.
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset)
            ForgetLines();
    }

private:
    void ForgetLines() {
        for (const QAccessible::Id id : std::as_const(m_lineIds))
            QAccessible::deleteAccessibleInterface(id);
        m_lineIds.clear();
    }

    mutable QHash<int, QAccessible::Id> m_lineIds;
};

QAccessibleInterface* ListBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CListBox") && object && object->isWidgetType())
        return new ListBoxAccessible(static_cast<CListBox*>(object));
    return nullptr;
}

void Send(QAccessibleEvent* event) {
    if (ListBoxEventObserver observer = ListBoxEventObserverSlot())
        observer(event);
    else
        QAccessible::updateAccessibility(event);
}

void SendChildEvent(CListBox* list, QAccessible::Event type, int index) {
    QAccessibleEvent event(list, type);
    event.setChild(index);
    Send(&event);
}

} // namespace

void InstallListBoxAccessibility() {
    static const bool installed = (QAccessible::installFactory(ListBoxFactory), true);
    Q_UNUSED(installed);
}

namespace {

// The list tells of added lines when it shows them, at most every 40 ms, so that a storm
// costs a few events a second: the rows for the toolkit's own bookkeeping, and the last new
// line as a new child, which is what the desktop's bridge passes on.
void SendLinesAdded(CListBox* list, int first) {
    const int last = list->GetCount() - 1;
    if (first < 0 || first > last)
        return;
    QAccessibleTableModelChangeEvent rows(list, QAccessibleTableModelChangeEvent::RowsInserted);
    rows.setFirstRow(first);
    rows.setLastRow(last);
    rows.setFirstColumn(0);
    rows.setLastColumn(0);
    Send(&rows);
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list)) {
        if (QAccessibleInterface* line = iface->child(last)) {
            QAccessibleEvent created(line, QAccessible::ObjectCreated);
            Send(&created);
        }
    }
}

// The toolkit announces the list itself as focused once the focus has moved in; the
// selected line is announced after that, so that it is what has the focus.
void SendFocusAfterList(CListBox* list) {
    QMetaObject::invokeMethod(
        list,
        [list] {
            if (list->hasFocus() && list->GetCurSel() >= 0)
                SendChildEvent(list, QAccessible::Focus, list->GetCurSel());
        },
        Qt::QueuedConnection);
}

} // namespace

void NotifyListBoxChange(CListBox* list, ListBoxChange change, int index) {
    // With nothing listening, this is all a change costs.
    if (!QAccessible::isActive() && !ListBoxEventObserverSlot())
        return;
    switch (change) {
    case ListBoxChange::LinesAdded:
        SendLinesAdded(list, index);
        break;
    case ListBoxChange::Reset: {
        QAccessibleTableModelChangeEvent event(list, QAccessibleTableModelChangeEvent::ModelReset);
        Send(&event);
        break;
    }
    case ListBoxChange::Selection:
        if (index < 0)
            break;
        SendChildEvent(list, QAccessible::Selection, index);
        if (list->hasFocus())
            SendChildEvent(list, QAccessible::Focus, index);
        break;
    case ListBoxChange::Deselection:
        // The line reads its state when asked: it now says it is not selected.
        if (index >= 0 && index < list->GetCount())
            SendChildEvent(list, QAccessible::SelectionRemove, index);
        break;
    case ListBoxChange::Focus:
        if (index >= 0)
            SendFocusAfterList(list);
        break;
    }
}

ListBoxEventObserver& ListBoxEventObserverSlot() {
    static ListBoxEventObserver observer = nullptr;
    return observer;
}

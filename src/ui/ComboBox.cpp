#include "ui/ComboBox.h"

#include "ui/BoxLook.h"
#include "ui/DialogText.h"
#include "ui/Resource.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>
#include <QProxyStyle>
#include <QValidator>
#include <QWheelEvent>

#include <limits>

namespace {

// Refuses typed text wider than the edit field, as an edit control without automatic
// horizontal scrolling does. Text the program sets does not pass through a validator.
class VisibleWidthValidator : public QValidator {
public:
    explicit VisibleWidthValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int&) const override {
        const int margins = m_edit->textMargins().left() + m_edit->textMargins().right() + 4;
        const int room = m_edit->width() - margins;
        return m_edit->fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_edit;
};

// The user's style in every respect but one: a drop-down list opens as a list of the
// box's own height (maxVisibleItems) with a scroll bar, where some styles would open a
// menu of all entries over the controls below.
class ListPopupStyle : public QProxyStyle {
public:
    explicit ListPopupStyle(QStyle* user) : QProxyStyle(user->name()) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// How assistive technology sees a combo box: under its own name (its label's) whatever it
// holds, where on Linux the toolkit would name it by its text; that text as its value; its
// list of entries and, where it is editable, its edit field as its children. The drop-down
// list also offers its entry as read-only text, which is where screen readers look for the
// value of a combo box that offers no selection of its own.
class ComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboBoxAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Shown();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->view()->isVisible();
        state.editable = combo()->isEditable();
        return state;
    }
    int childCount() const override { return combo()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->isEditable())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        return combo()->isEditable() && child->object() == combo()->lineEdit() ? 1 : -1;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && !combo()->isEditable())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The read-only text: the entry shown, with no selection and the cursor at its start.
    QString text(int startOffset, int endOffset) const override {
        return Shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Shown().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return rect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return QString();
    }

private:
    QString Shown() const {
        return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
    }
};

QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CComboBox") && object && object->isWidgetType())
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

CComboBox::CComboBox(bool editable, bool sorted, bool autoHScroll, QWidget* parent)
    : QComboBox(parent), m_sorted(sorted) {
    static const bool installed = (QAccessible::installFactory(ComboBoxFactory), true);
    Q_UNUSED(installed);
    setEditable(editable);
    if (editable) {
        // The operator's typing never adds entries; the list is the template's.
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        if (!autoHScroll)
            lineEdit()->setValidator(new VisibleWidthValidator(lineEdit()));
        // The toolkit would cut text set by the program at 32,767 characters; typing is
        // held back by the validator alone.
        lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    } else {
        auto* popupStyle = new ListPopupStyle(style());
        popupStyle->setParent(this);
        setStyle(popupStyle);
    }
    setMaxVisibleItems(10);
}

void CComboBox::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    DrawBorderWhereLost(this);
}

void CComboBox::wheelEvent(QWheelEvent* event) {
    // A wheel turned over a box that the operator is not working in scrolls nothing and
    // picks nothing; the dialog gets it, and it ends there.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

int CComboBox::AddString(const char* text) {
    const QString entry = DialogTextOf(text);
    int index = count();
    if (m_sorted) {
        index = 0;
        while (index < count() && itemText(index).compare(entry, Qt::CaseInsensitive) <= 0)
            ++index;
    }
    // Inserting into an empty editable box would make the new entry current and show it.
    const QString edit = isEditable() ? currentText() : QString();
    const int current = currentIndex();
    insertItem(index, entry);
    if (current < 0) {
        setCurrentIndex(-1);
        if (isEditable())
            setEditText(edit);
    }
    return index;
}

int CComboBox::GetCurSel() const {
    return currentIndex() < 0 ? CB_ERR : currentIndex();
}

int CComboBox::SetCurSel(int index) {
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        return CB_ERR;
    }
    setCurrentIndex(index);
    return index;
}

long CComboBox::GetItemData(int index) const {
    if (index < 0 || index >= count())
        return CB_ERR;
    return itemData(index).toLongLong();
}

int CComboBox::SetItemData(int index, long data) {
    if (index < 0 || index >= count())
        return CB_ERR;
    setItemData(index, QVariant::fromValue<qlonglong>(data));
    return 0;
}

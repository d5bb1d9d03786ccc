#include "ui/ComboBox.h"

#include "ui/BoxLook.h"
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

// How assistive technology sees a drop-down list: under its own name whatever entry it
// shows (on Linux the toolkit would name it by its current entry), that entry as its
// value, and its list of entries as its one child.
class DropDownListAccessible : public QAccessibleWidget {
public:
    explicit DropDownListAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return combo()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->view() ? 0 : -1;
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
};

QAccessibleInterface* DropDownListFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CComboBox") && object && object->isWidgetType() &&
        !static_cast<QComboBox*>(object)->isEditable())
        return new DropDownListAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

CComboBox::CComboBox(bool editable, bool sorted, bool autoHScroll, QWidget* parent)
    : QComboBox(parent), m_sorted(sorted) {
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
        static const bool installed = (QAccessible::installFactory(DropDownListFactory), true);
        Q_UNUSED(installed);
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
    const QString entry = QString::fromLatin1(text);
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

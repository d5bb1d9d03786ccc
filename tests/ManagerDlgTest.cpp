// The main window as the operator first meets it: its controls, presets, type list,
// geometry, and the ways the dialog ends.
#include "support/DialogDriver.h"
#include "support/DialogPixels.h"
#include "support/RowName.h"

#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using rows::PrintTo; // for the rows below, declared outside the unnamed namespace

namespace {

std::vector<std::string> Entries(QComboBox* combo) {
    std::vector<std::string> entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.push_back(combo->itemText(i).toStdString());
    return entries;
}

} // namespace

TEST(ManagerDlg, OpensWithEveryBoxEmptyCloseDisabledAndFocusOnExit) {
    DialogDriver d;
    for (int id : {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID, IDC_VALUE, IDC_OID_NAME})
        EXPECT_EQ(d.Text(id), "") << id;
    EXPECT_EQ(d.dlg().ListBox(IDC_WALK_LIST)->GetCount(), 0);
    EXPECT_EQ(d.dlg().ListBox(IDC_TRAP_LIST)->GetCount(), 0);
    EXPECT_EQ(d.dlg().ComboBox(IDC_TYPE)->currentIndex(), -1);
    EXPECT_TRUE(d.Enabled(IDC_OPEN));
    EXPECT_FALSE(d.Enabled(IDC_CLOSE));
    EXPECT_EQ(d.dlg().focusWidget(), d.dlg().GetDlgItem(IDCANCEL));
    EXPECT_EQ(d.dlg().windowTitle(), "Okapel");
    EXPECT_EQ(d.dlg().ListBox(IDC_WALK_LIST)->GetHorizontalExtent(), 5000);
    EXPECT_EQ(d.dlg().ListBox(IDC_TRAP_LIST)->GetHorizontalExtent(), 5000);
    // No push button is the default: away from the buttons, none takes Enter.
    d.dlg().GetDlgItem(IDC_VALUE)->setFocus();
    for (auto* button : d.dlg().findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
}

TEST(ManagerDlg, PresetsDropDownInSortedOrderWithTheEmptyEntryFirst) {
    DialogDriver d;
    EXPECT_EQ(Entries(d.dlg().ComboBox(IDC_IPADDRESS)),
              (std::vector<std::string>{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(Entries(d.dlg().ComboBox(IDC_COMMUNITY)), (std::vector<std::string>{"", "walnut"}));
    EXPECT_EQ(Entries(d.dlg().ComboBox(IDC_OID)),
              (std::vector<std::string>{"", ".1.3.6.1.2.1.1.5.0", ".1.3.6.1.4.1.15.0.0.1",
                                        ".1.3.6.1.4.1.15.0.0.2"}));

    QComboBox* community = d.dlg().ComboBox(IDC_COMMUNITY);
    community->setCurrentIndex(1);
    EXPECT_EQ(d.Text(IDC_COMMUNITY), "walnut");
    community->setCurrentIndex(0); // the empty entry is a real one, and yields no text
    EXPECT_EQ(d.Text(IDC_COMMUNITY), "");
}

// The type list offers the ten types by the names the operator picks, in that order, with
// none chosen; what each entry sends and shows is the Set and Get tests' concern.
TEST(ManagerDlg, TypeListOffersTheTenTypesWithNoneChosen) {
    DialogDriver d;
    auto* types = d.dlg().ComboBox(IDC_TYPE);
    EXPECT_EQ(Entries(types),
              (std::vector<std::string>{"int32", "Count32", "Gauge32", "Ticks", "Octet", "Seq",
                                        "IpAddr", "Opaque", "Oid", "Null"}));
    // Ten types, ten codes: no two entries stand for one type.
    std::set<long> codes;
    for (int i = 0; i < types->GetCount(); ++i)
        codes.insert(types->GetItemData(i));
    EXPECT_EQ(codes.size(), 10u);
    EXPECT_EQ(types->GetCurSel(), CB_ERR);
    EXPECT_EQ(types->GetItemData(types->GetCurSel()), CB_ERR);
}

// What the window's layout must hold, in the dialog's font: its size in dialog units, the
// columns and rows that the operator reads it by, and nothing outside the window or on top
// of another control.
TEST(ManagerDlg, TheWindowKeepsItsSizeColumnsAndRowsInTheFontsDialogUnits) {
    DialogDriver d;
    const QFont font = d.dlg().font();
    EXPECT_EQ(d.dlg().size(), DialogPixels(font, 0, 0, 312, 303).size());
    const auto at = [&d](int id) { return d.dlg().GetDlgItem(id)->geometry(); };
    const int oneUnit = DialogPixels(font, 0, 0, 1, 1).width();
    struct Row {
        const char* name;
        std::function<bool()> holds;
    };
    const Row rows[] = {
        {"the buttons of the right column share their left edge",
         [&] {
             const int x = at(IDC_OPEN).x();
             for (int id : {IDC_CLOSE, IDC_GET, IDC_SET, IDC_GETALL, IDCANCEL}) {
                 if (std::abs(at(id).x() - x) > oneUnit)
                     return false;
             }
             return true;
         }},
        {"the address, community and OID boxes share their column and width",
         [&] {
             return at(IDC_COMMUNITY).x() == at(IDC_IPADDRESS).x() &&
                    at(IDC_OID).x() == at(IDC_IPADDRESS).x() &&
                    at(IDC_COMMUNITY).width() == at(IDC_IPADDRESS).width() &&
                    at(IDC_OID).width() == at(IDC_IPADDRESS).width();
         }},
        {"the Value box and the type list share the OID box's row span, side by side",
         [&] {
             return at(IDC_VALUE).x() == at(IDC_OID).x() &&
                    at(IDC_TYPE).x() >= at(IDC_VALUE).right() &&
                    at(IDC_TYPE).right() <= at(IDC_OID).right() &&
                    at(IDC_TYPE).top() == at(IDC_VALUE).top();
         }},
        {"the boxes come down the window in the template's order of rows",
         [&] {
             const int order[] = {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID,       IDC_VALUE,
                                  IDC_WALK_LIST, IDC_OID_NAME,  IDC_TRAP_LIST, IDC_CLEAR};
             for (size_t k = 1; k < std::size(order); ++k) {
                 if (at(order[k]).top() < at(order[k - 1]).bottom())
                     return false;
             }
             return true;
         }},
        {"both lists span the same width, 298 dialog units",
         [&] {
             const QRect walk = at(IDC_WALK_LIST);
             const QRect traps = at(IDC_TRAP_LIST);
             return walk.x() == traps.x() && walk.width() == traps.width() &&
                    walk.width() == DialogPixels(font, 7, 0, 298, 1).width();
         }},
        {"each labelled box has its label to its left, on its row",
         [&] {
             for (int id : {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID, IDC_VALUE}) {
                 const QWidget* label = nullptr;
                 for (const QLabel* l : d.dlg().findChildren<QLabel*>()) {
                     if (l->buddy() == d.dlg().GetDlgItem(id))
                         label = l;
                 }
                 const QRect box = at(id);
                 if (!label || label->geometry().right() >= box.x() ||
                     label->geometry().center().y() < box.top() ||
                     label->geometry().center().y() > box.bottom())
                     return false;
             }
             return true;
         }},
        {"every control lies inside the window and none covers another",
         [&] {
             QList<QWidget*> shown;
             for (QWidget* child : d.dlg().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                 if (!child->isVisibleTo(&d.dlg()))
                     continue; // a request's progress and Cancel show only while one runs
                 if (!d.dlg().rect().contains(child->geometry()))
                     return false;
                 for (const QWidget* other : shown) {
                     if (other->geometry().intersects(child->geometry()))
                         return false;
                 }
                 shown.push_back(child);
             }
             // The template's twenty controls, five of them labels.
             return shown.size() == 20 &&
                    std::count_if(shown.begin(), shown.end(), [](const QWidget* w) {
                        return w->objectName() == QLatin1String("IDC_STATIC");
                    }) == 5;
         }},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(row.holds()) << row.name;
}

TEST(ManagerDlg, TabOrderIsCreationOrder) {
    DialogDriver d;
    std::vector<std::string> order;
    QWidget* w = d.dlg().GetDlgItem(IDCANCEL);
    for (int i = 0; i < 15 && w; ++i) {
        order.push_back(w->objectName().toStdString());
        w = w->nextInFocusChain();
        while (w && (w->focusPolicy() == Qt::NoFocus || w->parentWidget() != &d.dlg() ||
                     !w->isVisibleTo(&d.dlg())))
            w = w->nextInFocusChain();
    }
    const std::vector<std::string> expected = {
        "IDCANCEL",      "IDC_GET",       "IDC_OPEN",      "IDC_CLOSE",  "IDC_VALUE",
        "IDC_SET",       "IDC_WALK_LIST", "IDC_TRAP_LIST", "IDC_GETALL", "IDC_IPADDRESS",
        "IDC_COMMUNITY", "IDC_OID",       "IDC_OID_NAME",  "IDC_TYPE",   "IDC_CLEAR"};
    EXPECT_EQ(order, expected);
}

TEST(ManagerDlg, TypedTextStopsAtTheVisibleWidthButProgramTextMayBeLonger) {
    DialogDriver d;
    QComboBox* oid = d.dlg().ComboBox(IDC_OID);
    QLineEdit* edit = oid->lineEdit();
    edit->setFocus();
    QTest::keyClicks(edit, QString(200, QChar('9')));
    const int typed = static_cast<int>(edit->text().size());
    EXPECT_GT(typed, 10);
    EXPECT_LT(typed, 200);
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), edit->width());

    const std::string longText(300, '7');
    d.SetText(IDC_OID, longText);
    EXPECT_EQ(edit->text().size(), 300);
    EXPECT_EQ(d.Text(IDC_OID), std::string(254, '7')); // reads keep 254 characters
}

// How the dialog ends: (what the operator does, the result it ends with, or -1 when it
// must stay open).
struct EndingCase {
    const char* name;
    std::function<void(DialogDriver&)> act;
    int result;
};

class DialogEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(DialogEnding, EndsAsTheDialogsDefaultHandlingSays) {
    DialogDriver d;
    GetParam().act(d);
    QApplication::processEvents();
    // Nothing else happened on the way: no request, no box.
    EXPECT_TRUE(d.TakeBoxes().empty());
    if (GetParam().result < 0) {
        EXPECT_TRUE(d.dlg().isVisible());
        return;
    }
    EXPECT_FALSE(d.dlg().isVisible());
    EXPECT_EQ(d.dlg().result(), GetParam().result);
}

namespace {

// Enter (or the keypad's Enter) pressed in the control `id`, after typing `typed` into it.
std::function<void(DialogDriver&)> EnterIn(int id, const char* typed,
                                           Qt::Key key = Qt::Key_Return) {
    return [id, typed, key](DialogDriver& d) {
        QWidget* control = d.dlg().GetDlgItem(id);
        if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
            control = combo->lineEdit();
        control->setFocus();
        QTest::keyClicks(control, typed);
        QTest::keyClick(control, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    };
}

// Escape pressed in the control `id`, with trap lines in the trap window: the window stays,
// and so do its lines.
std::function<void(DialogDriver&)> EscapeIn(int id) {
    return [id](DialogDriver& d) {
        CListBox* traps = d.dlg().ListBox(IDC_TRAP_LIST);
        for (const char* line : {"trap one", "trap two", "trap three"})
            d.dlg().AddTrapLine(line, nullptr);
        QWidget* control = d.dlg().GetDlgItem(id);
        if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
            control = combo->lineEdit();
        control->setFocus();
        QTest::keyClicks(control, id == IDC_TRAP_LIST || id == IDC_WALK_LIST ? "" : "1");
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_EQ(traps->GetCount(), 3);
    };
}

} // namespace

// Enter confirms what was typed in a box and never ends the dialog: the trap window would go
// with it. Escape, which dismisses what is being typed, never ends it either.
INSTANTIATE_TEST_SUITE_P(
    Keys, DialogEnding,
    ::testing::Values(
        EndingCase{"EnterInTheOidBoxKeepsTheDialog", EnterIn(IDC_OID, ".1.3"), -1},
        EndingCase{"EnterInTheAddressBoxKeepsTheDialog", EnterIn(IDC_IPADDRESS, "127.0.0.1"), -1},
        EndingCase{"EnterInTheCommunityBoxKeepsTheDialog", EnterIn(IDC_COMMUNITY, "walnut"), -1},
        EndingCase{"EnterInTheValueBoxKeepsTheDialog", EnterIn(IDC_VALUE, "42"), -1},
        EndingCase{"KeypadEnterInTheValueBoxKeepsTheDialog",
                   EnterIn(IDC_VALUE, "42", Qt::Key_Enter), -1},
        EndingCase{"EnterInTheOidNameBoxKeepsTheDialog", EnterIn(IDC_OID_NAME, ""), -1},
        EndingCase{"EnterInTheTypeListKeepsTheDialog", EnterIn(IDC_TYPE, ""), -1},
        EndingCase{"EnterInTheTrapWindowKeepsTheDialog", EnterIn(IDC_TRAP_LIST, ""), -1},
        EndingCase{"EscapeOnTheDialogKeepsIt",
                   [](DialogDriver& d) { QTest::keyClick(&d.dlg(), Qt::Key_Escape); }, -1},
        EndingCase{"EscapeInTheAddressBoxKeepsTheDialog", EscapeIn(IDC_IPADDRESS), -1},
        EndingCase{"EscapeInTheCommunityBoxKeepsTheDialog", EscapeIn(IDC_COMMUNITY), -1},
        EndingCase{"EscapeInTheOidBoxKeepsTheDialog", EscapeIn(IDC_OID), -1},
        EndingCase{"EscapeInTheValueBoxKeepsTheDialog", EscapeIn(IDC_VALUE), -1},
        EndingCase{"EscapeInTheTypeListKeepsTheDialog", EscapeIn(IDC_TYPE), -1},
        EndingCase{"EscapeInTheOidNameBoxKeepsTheDialog", EscapeIn(IDC_OID_NAME), -1},
        EndingCase{"EscapeInTheWalkListKeepsTheDialog", EscapeIn(IDC_WALK_LIST), -1},
        EndingCase{"EscapeInTheTrapWindowKeepsTheDialog", EscapeIn(IDC_TRAP_LIST), -1},
        EndingCase{"EscapeOnExitKeepsTheDialog", EscapeIn(IDCANCEL), -1},
        EndingCase{"EscapeInAnOpenTypeListClosesOnlyTheList",
                   [](DialogDriver& d) {
                       QComboBox* types = d.dlg().ComboBox(IDC_TYPE);
                       types->showPopup();
                       ASSERT_TRUE(types->view()->isVisible());
                       QTest::keyClick(types->view(), Qt::Key_Escape);
                       EXPECT_FALSE(types->view()->isVisible());
                   },
                   -1},
        EndingCase{"ExitIsCancel", [](DialogDriver& d) { d.Click(IDCANCEL); }, QDialog::Rejected},
        EndingCase{"CloseBoxIsCancel", [](DialogDriver& d) { d.dlg().close(); }, QDialog::Rejected},
        EndingCase{
            "EnterRightAfterStartClicksExit",
            [](DialogDriver& d) { QTest::keyClick(d.dlg().GetDlgItem(IDCANCEL), Qt::Key_Return); },
            QDialog::Rejected},
        EndingCase{"EnterOnAFocusedButtonClicksIt",
                   [](DialogDriver& d) {
                       QWidget* get = d.dlg().GetDlgItem(IDC_GET);
                       get->setFocus();
                       QTest::keyClick(get, Qt::Key_Return);
                       const auto boxes = d.TakeBoxes(); // Get with no OID text
                       ASSERT_EQ(boxes.size(), 1u);
                       EXPECT_EQ(boxes[0].text, "Invalid Oid");
                   },
                   -1}),
    RowName{});

// The main window as the operator first meets it: its controls, presets, type list,
// geometry, and the ways the dialog ends.
#include "support/DialogDriver.h"
#include "support/DialogPixels.h"
#include "support/RowName.h"

#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QApplication>
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

TEST(ManagerDlg, TypeListHoldsTheTenTypesWithTheirCodes) {
    DialogDriver d;
    auto* types = d.dlg().ComboBox(IDC_TYPE);
    const std::vector<std::pair<std::string, long>> expected = {
        {"int32", 0x02}, {"Count32", 0x41}, {"Gauge32", 0x42}, {"Ticks", 0x43}, {"Octet", 0x04},
        {"Seq", 0x30},   {"IpAddr", 0x40},  {"Opaque", 0x44},  {"Oid", 0x06},   {"Null", 0x05},
    };
    ASSERT_EQ(types->GetCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < types->GetCount(); ++i) {
        EXPECT_EQ(types->itemText(i).toStdString(), expected[i].first);
        EXPECT_EQ(types->GetItemData(i), expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(types->GetCurSel(), CB_ERR);
    EXPECT_EQ(types->GetItemData(types->GetCurSel()), CB_ERR);
}

TEST(ManagerDlg, EveryControlHasTheTemplatesPlaceInTheFontsRealDialogUnits) {
    DialogDriver d;
    const QFont font = d.dlg().font();
    EXPECT_EQ(d.dlg().size(), DialogPixels(font, 0, 0, 312, 303).size());
    // The dialog's template, in creation order: a label may start further left for its
    // text; boxes and buttons keep their columns and take their row's line; the lists keep
    // the whole rectangle.
    enum Kind { kLabel, kControl, kList };
    struct Item {
        const char* name;
        Kind kind;
        int x, y, cx, cy;
    };
    const Item items[] = {
        {"IDCANCEL", kControl, 255, 282, 50, 14},    {"IDC_STATIC", kLabel, 15, 11, 40, 8},
        {"IDC_STATIC", kLabel, 15, 30, 41, 8},       {"IDC_STATIC", kLabel, 16, 47, 32, 8},
        {"IDC_GET", kControl, 254, 44, 51, 15},      {"IDC_OPEN", kControl, 254, 7, 51, 15},
        {"IDC_CLOSE", kControl, 254, 23, 51, 15},    {"IDC_VALUE", kControl, 57, 63, 131, 12},
        {"IDC_SET", kControl, 254, 61, 51, 15},      {"IDC_STATIC", kLabel, 15, 64, 38, 8},
        {"IDC_STATIC", kLabel, 7, 201, 64, 8},       {"IDC_WALK_LIST", kList, 7, 80, 298, 99},
        {"IDC_TRAP_LIST", kList, 7, 211, 298, 70},   {"IDC_GETALL", kControl, 255, 180, 50, 14},
        {"IDC_IPADDRESS", kControl, 57, 7, 190, 51}, {"IDC_COMMUNITY", kControl, 57, 27, 190, 73},
        {"IDC_OID", kControl, 57, 45, 190, 81},      {"IDC_OID_NAME", kControl, 7, 181, 246, 13},
        {"IDC_TYPE", kControl, 189, 63, 58, 57},     {"IDC_CLEAR", kControl, 7, 283, 31, 13},
    };
    const QRect client = d.dlg().rect();
    int labels = 0;
    // The window's controls as the operator sees them: a request's progress and Cancel show
    // only while one is under way.
    QList<QWidget*> children;
    for (QWidget* child : d.dlg().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(&d.dlg()))
            children.push_back(child);
    }
    ASSERT_EQ(children.size(), static_cast<qsizetype>(std::size(items)));
    for (size_t i = 0; i < std::size(items); ++i) {
        const Item& item = items[i];
        QWidget* control = children[static_cast<qsizetype>(i)];
        SCOPED_TRACE(item.name);
        EXPECT_EQ(control->objectName().toStdString(), item.name);
        const QRect expected = DialogPixels(font, item.x, item.y, item.cx, item.cy);
        if (item.kind != kLabel) {
            EXPECT_EQ(control->x(), expected.x());
            EXPECT_EQ(control->width(), expected.width());
        }
        if (item.kind == kList) {
            EXPECT_EQ(control->geometry(), expected);
        }
        EXPECT_TRUE(client.contains(control->geometry())) << "outside the client area";
        labels += control->objectName() == QLatin1String("IDC_STATIC");
    }
    EXPECT_EQ(labels, 5);
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

} // namespace

// Enter confirms what was typed in a box and never ends the dialog: the trap window would go
// with it.
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
        EndingCase{"EscapeIsCancel",
                   [](DialogDriver& d) { QTest::keyClick(&d.dlg(), Qt::Key_Escape); },
                   QDialog::Rejected},
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

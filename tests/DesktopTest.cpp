// The dialog as a Linux desktop user meets it: the wheel, the drop-down list, the scroll
// bars, long program text, the desktop font and style, the keyboard's context-menu keys,
// assistive technology's view of the lists, and copying lines.
#include "support/DialogDriver.h"
#include "support/ScriptedAgent.h"

#include "app/ManagerApp.h"
#include "ui/AboutDlg.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWheelEvent>

namespace {

void Activate(CManagerDlg& dlg) {
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
}

// One notch of the wheel, downwards, over the middle of `target`.
void WheelOver(QWidget* target) {
    const QPointF at = QPointF(target->rect().center());
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

void ClosePopups() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void AddLines(CListBox* list, int count) {
    for (int i = 0; i < count; ++i)
        list->AddString("line " + std::to_string(i));
    list->Flush();
    QApplication::processEvents();
}

} // namespace

TEST(DesktopControls, TheWheelChangesOnlyTheBoxThatHasTheFocus) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    Activate(dlg);
    for (int id : {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID, IDC_TYPE}) {
        SCOPED_TRACE(id);
        QComboBox* combo = dlg.ComboBox(id);
        combo->setCurrentIndex(0);
        const QString before = combo->currentText();
        // The wheel over an editable box's edit field is passed on to the box, so the box is
        // where it arrives either way.
        dlg.GetDlgItem(IDCANCEL)->setFocus(Qt::OtherFocusReason);
        WheelOver(combo);
        EXPECT_EQ(combo->currentIndex(), 0) << "changed without the focus";
        EXPECT_EQ(combo->currentText(), before);

        combo->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(combo->hasFocus());
        WheelOver(combo);
        EXPECT_EQ(combo->currentIndex(), 1) << "the focused box takes the wheel";
    }
}

TEST(DesktopControls, TheTypeListDropsDownAsAScrolledListOfItsTemplateHeight) {
    DialogDriver d;
    QComboBox* types = d.dlg().ComboBox(IDC_TYPE);
    types->showPopup();
    QAbstractItemView* view = types->view();
    ASSERT_TRUE(view->isVisible());
    // 57 dialog units with the closed box taken off leave room for about five entries.
    EXPECT_GE(types->maxVisibleItems(), 3);
    EXPECT_LE(types->maxVisibleItems(), 6);
    const int row = view->sizeHintForRow(0);
    EXPECT_LE(view->viewport()->height(), row * (types->maxVisibleItems() + 1));
    EXPECT_TRUE(view->verticalScrollBar()->isVisible());
    types->hidePopup();
}

TEST(DesktopControls, AListShowsItsVerticalBarOnlyWhenItsLinesOverflow) {
    DialogDriver d;
    for (int id : {IDC_WALK_LIST, IDC_TRAP_LIST}) {
        SCOPED_TRACE(id);
        CListBox* list = d.dlg().ListBox(id);
        const int fits = list->viewport()->height() / list->ItemHeight();
        struct Step {
            int lines; // lines in the list
            bool vertical;
        };
        for (const Step& step :
             {Step{0, false}, Step{fits, false}, Step{fits + 1, true}, Step{0, false}}) {
            SCOPED_TRACE(step.lines);
            list->ResetContent();
            AddLines(list, step.lines);
            EXPECT_EQ(list->verticalScrollBar()->isVisible(), step.vertical);
            // The 5000-pixel extent is always wider than the list.
            EXPECT_TRUE(list->horizontalScrollBar()->isVisible());
        }
    }
}

TEST(DesktopControls, AGetOfA40000ByteStringShowsTheWholeValue) {
    scripted::TableAgent table;
    const std::string value(40000, 'v');
    table.objects[scripted::ParseOid(".1.3.6.1.4.1.99.1.0")] = scripted::Octets(0x04, value);
    scripted::ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    d.Open(agent.Address());
    d.SetText(IDC_OID, ".1.3.6.1.4.1.99.1.0");
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    auto* edit = qobject_cast<QLineEdit*>(d.dlg().GetDlgItem(IDC_VALUE));
    EXPECT_EQ(edit->text(), QString::fromLatin1(value));
}

TEST(DesktopControls, ProgramTextIsKeptWholeWhileTypingStopsAtTheLimit) {
    DialogDriver d;
    for (int id : {IDC_VALUE, IDC_OID_NAME, IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID}) {
        SCOPED_TRACE(id);
        d.SetText(id, std::string(40000, 'x'));
        QWidget* control = d.dlg().GetDlgItem(id);
        auto* edit = qobject_cast<QLineEdit*>(control);
        EXPECT_EQ((edit ? edit : qobject_cast<QComboBox*>(control)->lineEdit())->text().size(),
                  40000);
        EXPECT_EQ(d.Text(id), std::string(254, 'x')); // reads keep 254 characters
    }
    // Typing into the value box: (characters set by the program, key, characters after).
    auto* edit = qobject_cast<QLineEdit*>(d.dlg().GetDlgItem(IDC_VALUE));
    const std::tuple<int, Qt::Key, int> cases[] = {
        {32766, Qt::Key_A, 32767},         {32767, Qt::Key_A, 32767},
        {40000, Qt::Key_A, 40000},         {40000, Qt::Key_Backspace, 39999},
        {32767, Qt::Key_Backspace, 32766},
    };
    for (const auto& [start, key, after] : cases) {
        SCOPED_TRACE(testing::Message() << start << " " << key);
        d.SetText(IDC_VALUE, std::string(static_cast<size_t>(start), '1'));
        edit->setFocus();
        edit->end(false);
        QTest::keyClick(edit, key);
        EXPECT_EQ(edit->text().size(), after);
    }
}

namespace {

// The room a button gives its text, as the style lays the button out.
QRect ButtonTextRoom(QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

// Every label's and button's text against its rectangle; returns what does not fit.
std::vector<std::string> ClippedTexts(QWidget* dialog) {
    std::vector<std::string> clipped;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QFontMetrics metrics(control->font());
        QString text;
        QRect room;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            text = label->text();
            room = label->contentsRect();
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            text = button->text();
            room = ButtonTextRoom(button);
        }
        if (text.isEmpty())
            continue;
        if (metrics.horizontalAdvance(text) > room.width() || metrics.height() > room.height())
            clipped.push_back(
                text.toStdString() + " (" + std::to_string(metrics.horizontalAdvance(text)) + "x" +
                std::to_string(metrics.height()) + " in " + std::to_string(room.width()) + "x" +
                std::to_string(room.height()) + ")");
    }
    return clipped;
}

} // namespace

TEST(DesktopLook, NoTextIsClippedInTheDesktopFontAtTheUsualSizes) {
    const QFont original = QApplication::font();
    const QStringList installed = QFontDatabase::families();
    int measured = 0;
    for (const char* family : {"DejaVu Sans", "Noto Sans", "Cantarell"}) {
        if (!installed.contains(QLatin1String(family))) {
            std::printf("[ SKIPPED  ] %s is not installed\n", family);
            continue;
        }
        for (int points : {9, 10, 11}) {
            SCOPED_TRACE(testing::Message() << family << " " << points << " pt");
            QApplication::setFont(QFont(QLatin1String(family), points));
            {
                DialogDriver d;
                // The dialog is in the desktop's font, as its message boxes are.
                EXPECT_EQ(d.dlg().font(), QApplication::font());
                EXPECT_EQ(ClippedTexts(&d.dlg()), std::vector<std::string>{});
            }
            CAboutDlg about;
            EXPECT_EQ(about.font(), QApplication::font());
            EXPECT_EQ(ClippedTexts(&about), std::vector<std::string>{});
            ++measured;
        }
    }
    QApplication::setFont(original);
    EXPECT_GE(measured, 3) << "DejaVu Sans at least must be installed";
}

TEST(DesktopLook, TheUsersOrTheDesktopsStyleIsKeptAndFusionStandsInForTheFallback) {
    struct Case {
        std::vector<const char*> argv;
        const char* styleOverride; // QT_STYLE_OVERRIDE
        const char* toolkitChoice; // the style the toolkit chose
        const char* shown;
    };
    const Case cases[] = {
        {{"okapel"}, nullptr, "Windows", "Fusion"}, // no desktop style: the toolkit's fallback
        {{"okapel"}, "", "windows", "Fusion"},
        {{"okapel"}, nullptr, "Breeze", "Breeze"},     // the desktop's own
        {{"okapel"}, "Windows", "Windows", "Windows"}, // asked for by name
        {{"okapel", "-style", "Windows"}, nullptr, "Windows", "Windows"},
        {{"okapel", "-style=Windows"}, nullptr, "Windows", "Windows"},
        {{"okapel", "--style=Windows"}, nullptr, "Windows", "Windows"},
        {{"okapel", "-stylesheet", "a.qss"}, nullptr, "Windows", "Fusion"},
        {{"okapel", "-platform", "xcb"}, nullptr, "Windows", "Fusion"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.argv.size() > 1 ? c.argv[1] : "") << " "
                     << (c.styleOverride ? c.styleOverride : "(unset)") << " " << c.toolkitChoice);
        const bool named = CManagerApp::StyleNamedByUser(static_cast<int>(c.argv.size()),
                                                         c.argv.data(), c.styleOverride);
        EXPECT_EQ(CManagerApp::ChooseStyle(QLatin1String(c.toolkitChoice), named),
                  QLatin1String(c.shown));
    }
}

TEST(DesktopKeys, TheContextMenuKeysOpenTheSystemMenuWhereTheControlHasNoMenu) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    Activate(dlg);
    const QMenu* systemMenu = dlg.GetSystemMenu(false);
    ASSERT_NE(systemMenu, nullptr);
    // The windowing system turns the context-menu key into a keyboard request for a menu,
    // delivered to the focused control; Shift+F10 is the dialog's own to turn.
    const auto menuKey = [&dlg] {
        QWidget* focus = dlg.focusWidget();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, focus->rect().center(),
                                  focus->mapToGlobal(focus->rect().center()));
        QApplication::sendEvent(focus, &request);
    };
    const auto shiftF10 = [&dlg] {
        QTest::keyClick(dlg.windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
    };
    struct Case {
        const char* keys;
        std::function<void()> press;
        int focus;
        const char* menu; // the object name of the menu that opens
    };
    const Case cases[] = {
        {"menu key", menuKey, IDCANCEL, "SystemMenu"},
        {"menu key", menuKey, IDC_CLEAR, "SystemMenu"},
        {"Shift+F10", shiftF10, IDCANCEL, "SystemMenu"},
        {"Shift+F10", shiftF10, IDC_GETALL, "SystemMenu"},
        // A list has its own menu, as on the platform.
        {"menu key", menuKey, IDC_WALK_LIST, "ListBoxMenu"},
        {"Shift+F10", shiftF10, IDC_TRAP_LIST, "ListBoxMenu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keys << " on " << c.focus);
        Activate(dlg); // the closed menu may have taken the activation with it
        dlg.GetDlgItem(c.focus)->setFocus(Qt::OtherFocusReason);
        c.press();
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(popup->objectName(), QLatin1String(c.menu));
        ClosePopups();
    }
}

namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

} // namespace

TEST(DesktopAccessibility, EveryBoxAndListHasTheNameOfItsLabel) {
    DialogDriver d;
    struct Case {
        int id;
        const char* name;
        QAccessible::Role role;
        const char* label; // the label it is tied to, or null
    };
    const Case cases[] = {
        {IDC_IPADDRESS, "IPAddress", QAccessible::ComboBox, "IPAddress: "},
        {IDC_COMMUNITY, "Community", QAccessible::ComboBox, "Community :"},
        {IDC_OID, "OID", QAccessible::ComboBox, "OID :"},
        {IDC_VALUE, "Value", QAccessible::EditableText, "Value :"},
        {IDC_TYPE, "Type", QAccessible::ComboBox, nullptr},
        {IDC_OID_NAME, "OID Name", QAccessible::EditableText, nullptr},
        {IDC_WALK_LIST, "Walk List", QAccessible::List, nullptr},
        {IDC_TRAP_LIST, "Trap Window", QAccessible::List, "Trap Window"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* control = d.dlg().GetDlgItem(c.id);
        QAccessibleInterface* iface = Accessible(control);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(control->accessibleName(), QLatin1String(c.name));
        EXPECT_EQ(iface->text(QAccessible::Name), QLatin1String(c.name));
        EXPECT_EQ(iface->role(), c.role);
        QStringList labels;
        for (const auto& relation : iface->relations(QAccessible::Label))
            labels << relation.first->text(QAccessible::Name);
        EXPECT_EQ(labels, c.label ? QStringList{QLatin1String(c.label)} : QStringList{});
    }
    // The read-only box is announced read-only and shows the window's background; the value
    // box, which takes typing, does not.
    for (int id : {IDC_OID_NAME, IDC_VALUE}) {
        QWidget* edit = d.dlg().GetDlgItem(id);
        const bool grey =
            edit->palette().color(QPalette::Base) == edit->palette().color(QPalette::Window);
        EXPECT_EQ(grey, id == IDC_OID_NAME) << id;
        EXPECT_EQ(Accessible(edit)->state().readOnly, id == IDC_OID_NAME) << id;
    }
}

TEST(DesktopAccessibility, EachListIsAListWithOneItemPerLineAndItsSelection) {
    DialogDriver d;
    for (int id : {IDC_WALK_LIST, IDC_TRAP_LIST}) {
        SCOPED_TRACE(id);
        CListBox* list = d.dlg().ListBox(id);
        QAccessibleInterface* iface = Accessible(list);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::List);
        EXPECT_EQ(iface->childCount(), 0);

        // A tab and a byte above 127 are read as the list shows them.
        const std::vector<std::string> lines = {".1.3.6.1.2.1.1.5.0 : okapel", "a\tb",
                                                std::string("caf\xE9")};
        for (const std::string& line : lines)
            list->AddString(line);
        list->SetCurSel(1);
        ASSERT_EQ(iface->childCount(), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            QAccessibleInterface* item = iface->child(i);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->role(), QAccessible::ListItem);
            EXPECT_EQ(
                item->text(QAccessible::Name),
                QString::fromLatin1(lines[static_cast<size_t>(i)].data(),
                                    static_cast<qsizetype>(lines[static_cast<size_t>(i)].size())));
            EXPECT_EQ(item->state().selected, i == 1);
            EXPECT_EQ(iface->indexOfChild(item), i);
            EXPECT_EQ(item->parent(), iface);
            EXPECT_EQ(iface->child(i), item) << "the same line is the same item";
        }
        QAccessibleTableInterface* table = iface->tableInterface();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->selectedRows(), QList<int>{1});
        EXPECT_EQ(table->rowCount(), 3);
        EXPECT_EQ(table->columnCount(), 1);

        // Assistive technology holds items by id: after a reset, the id of a line that is gone
        // names no item (where the reset was told) or an invalid one.
        const QAccessible::Id lastId = QAccessible::uniqueId(iface->child(2));
        list->ResetContent();
        EXPECT_EQ(iface->childCount(), 0);
        EXPECT_TRUE(table->selectedRows().isEmpty());
        QAccessibleInterface* gone = QAccessible::accessibleInterface(lastId);
        EXPECT_TRUE(gone == nullptr || !gone->isValid()) << "an item for a line that is gone";
    }
}

namespace {

std::vector<std::pair<QAccessible::Event, int>>* g_events = nullptr;

void RecordEvent(QAccessibleEvent* event) {
    if (g_events && qobject_cast<CListBox*>(event->object()))
        g_events->emplace_back(event->type(), event->child());
}

} // namespace

TEST(DesktopAccessibility, ListsTellAssistiveTechnologyWhatChanged) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    Activate(dlg);
    CListBox* list = dlg.ListBox(IDC_WALK_LIST);
    std::vector<std::pair<QAccessible::Event, int>> events;
    g_events = &events;
    const auto previous = QAccessible::installUpdateHandler(RecordEvent);
    // Assistive technology listens through the platform's bridge, which the offscreen
    // platform lacks; on a desktop (or under Xvfb with the accessibility bus) it is there.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        (void)QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000);
    if (!QAccessible::isActive()) {
        QAccessible::installUpdateHandler(previous);
        g_events = nullptr;
        GTEST_SKIP() << "no accessibility on this platform";
    }
    using E = std::pair<QAccessible::Event, int>;
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<E> expected;
    };
    const Step steps[] = {
        {"a line added", [&] { list->AddString("one"); }, {{QAccessible::TableModelChanged, -1}}},
        {"program selection", [&] { list->SetCurSel(0); }, {{QAccessible::Selection, 0}}},
        {"focus",
         [&] {
             list->setFocus(Qt::TabFocusReason);
             QApplication::processEvents();
         },
         {{QAccessible::Focus, -1}, {QAccessible::Focus, 0}}},
        {"operator's selection",
         [&] {
             list->AddString("two");
             events.clear();
             QTest::keyClick(list, Qt::Key_Down);
         },
         {{QAccessible::Selection, 1}, {QAccessible::Focus, 1}}},
        {"reset", [&] { list->ResetContent(); }, {{QAccessible::TableModelChanged, -1}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        events.clear();
        step.act();
        EXPECT_EQ(events, step.expected);
    }
    QAccessible::installUpdateHandler(previous);
    g_events = nullptr;
}

TEST(DesktopCopy, CtrlCCopiesTheSelectedLineAndTheMenuCopiesOneOrAll) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    Activate(dlg);
    CListBox* list = d.walkList();
    QClipboard* clipboard = QApplication::clipboard();
    struct Case {
        const char* what;
        int lines;
        int selected;
        std::function<void()> copy;
        const char* clipboard; // what the clipboard holds afterwards
    };
    const auto menuEntry = [list](int index) {
        return [list, index] {
            QTest::mouseClick(list->window()->windowHandle(), Qt::RightButton, {},
                              list->viewport()->mapTo(list->window(), QPoint(5, 5)));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(menu->actions().size(), 2);
            if (menu->actions()[index]->isEnabled())
                menu->actions()[index]->trigger();
            ClosePopups();
        };
    };
    const auto ctrlC = [list] { QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier); };
    const Case cases[] = {
        {"Ctrl+C", 3, 1, ctrlC, "line 1"},
        {"Ctrl+C without a selection", 3, -1, ctrlC, "before"},
        {"Copy", 3, 2, menuEntry(0), "line 2"},
        {"Copy without a selection", 3, -1, menuEntry(0), "before"},
        {"Copy All", 3, 0, menuEntry(1), "line 0\nline 1\nline 2\n"},
        {"Copy All of an empty list", 0, -1, menuEntry(1), "before"},
    };
    QSignalSpy selChanges(list, &CListBox::selChange);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->ResetContent();
        AddLines(list, c.lines);
        list->SetCurSel(c.selected);
        list->setFocus(Qt::OtherFocusReason);
        clipboard->setText(QStringLiteral("before"));
        c.copy();
        EXPECT_EQ(clipboard->text(), QLatin1String(c.clipboard));
        EXPECT_EQ(list->GetCurSel(), c.selected < 0 ? LB_ERR : c.selected);
    }
    EXPECT_EQ(selChanges.count(), 0) << "copying is no selection change";
}

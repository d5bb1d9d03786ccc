// The dialog as a Linux desktop user meets it: the wheel, the drop-down list, the scroll
// bars, long program text, the desktop font and style, the keyboard's context-menu keys,
// assistive technology's view of the lists, and copying lines.
#include "support/DialogDriver.h"
#include "support/ScriptedAgent.h"

#include "app/ManagerApp.h"
#include "ui/AboutDlg.h"
#include "ui/BoxLook.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/ListBoxAccessible.h"
#include "ui/Resource.h"
#include "ui/SecretEdit.h"
#include "ui/SessionSettingsDlg.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
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
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <tuple>

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
    ASSERT_NO_FATAL_FAILURE(Activate(dlg));
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
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
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
    std::string missing;
    for (const char* family : {"DejaVu Sans", "Noto Sans", "Cantarell"}) {
        if (!installed.contains(QLatin1String(family))) {
            missing += std::string(missing.empty() ? "" : ", ") + family;
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
    if (!missing.empty())
        GTEST_SKIP() << "not measured, not installed: " << missing;
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

namespace {

// A high-contrast palette of the kind desktops offer: a black window and boxes, white text.
QPalette HighContrastBlack() {
    QPalette palette;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        palette.setColor(role, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x1a, 0xeb, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    return palette;
}

// The widget as a screen of `scale` device pixels per pixel shows it.
QImage RenderAt(QWidget& widget, qreal scale) {
    QImage image((QSizeF(widget.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

// The edges of `rect` (in the widget's pixels) where no row or column of device pixels
// inside the edge's outermost pixel stands out `contrast`:1 from both the window and the box
// along nine tenths of its length.
std::string MissingEdges(const QImage& image, const QRect& rect, qreal scale,
                         const QPalette& palette, double contrast) {
    const auto standsOut = [&](int x, int y) {
        const QColor pixel = image.pixelColor(x, y);
        return ContrastRatio(pixel, palette.color(QPalette::Window)) >= contrast &&
               ContrastRatio(pixel, palette.color(QPalette::Base)) >= contrast;
    };
    const auto drawn = [&](bool row, int edge, int from, int to) {
        const int first = static_cast<int>(std::ceil(from * scale));
        const int last = static_cast<int>(to * scale);
        for (int at = static_cast<int>(edge * scale); at < std::ceil((edge + 1) * scale); ++at) {
            int out = 0;
            for (int i = first; i <= last; ++i)
                out += row ? standsOut(i, at) : standsOut(at, i);
            if (out * 10 >= (last - first + 1) * 9)
                return true;
        }
        return false;
    };
    const QRect span = rect.adjusted(4, 4, -4, -4);
    std::string missing;
    missing += drawn(true, rect.top(), span.left(), span.right()) ? "" : "top ";
    missing += drawn(true, rect.bottom(), span.left(), span.right()) ? "" : "bottom ";
    missing += drawn(false, rect.left(), span.top(), span.bottom()) ? "" : "left ";
    missing += drawn(false, rect.right(), span.top(), span.bottom()) ? "" : "right ";
    return missing;
}

} // namespace

TEST(DesktopLook, ContrastIsWcagsAndALineIsMadeToStandOutWhereItWouldNot) {
    // WCAG 2's published ratios.
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(ContrastRatio(Qt::white, QColor(0x77, 0x77, 0x77)), 4.48, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(0x94, 0x94, 0x94), Qt::white), 3.03, 0.01);
    // (preferred, toward, background, other background, the line expected or invalid for
    // any that stands out 3:1 from both)
    const std::tuple<QColor, QColor, QColor, QColor, QColor> lines[] = {
        {QColor(0x30, 0x8c, 0xc6), Qt::black, Qt::white, Qt::white, QColor(0x30, 0x8c, 0xc6)},
        {QColor(0xcd, 0xe8, 0xff), Qt::black, Qt::white, Qt::white, QColor()},
        {QColor(0x10, 0x10, 0x10), Qt::white, Qt::black, QColor(0x20, 0x20, 0x20), QColor()},
        // Nothing stands out from both white and a mid grey: black does best.
        {Qt::gray, Qt::gray, Qt::white, QColor(0x76, 0x76, 0x76), QColor(Qt::black)},
    };
    for (const auto& [preferred, toward, first, second, expected] : lines) {
        SCOPED_TRACE(preferred.name().toStdString() + " between " + first.name().toStdString() +
                     " and " + second.name().toStdString());
        const QColor line = ContrastingLine(preferred, toward, first, second);
        if (expected.isValid()) {
            EXPECT_EQ(line, expected);
        } else {
            EXPECT_GE(std::min(ContrastRatio(line, first), ContrastRatio(line, second)), 3.0);
        }
    }
}

TEST(DesktopLook, EveryBoxAndListShowsItsFourBorderLinesAtEveryScaleAndPalette) {
    struct Case {
        const char* palette;
        qreal scale;
        double contrast; // what each border line has at least against the window and the box
    };
    // The desktop's own palette keeps its style's borders, a shade of the window; in a
    // black one, the borders stand out 3:1.
    const Case cases[] = {
        {"desktop", 1.0, 1.5}, {"desktop", 1.25, 1.5},      {"desktop", 1.5, 1.5},
        {"desktop", 2.0, 1.5}, {"high contrast", 1.0, 3.0}, {"high contrast", 1.5, 3.0},
    };
    const QPalette original = QApplication::palette();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.palette << " at " << c.scale);
        QApplication::setPalette(std::string_view(c.palette) == "desktop" ? original
                                                                          : HighContrastBlack());
        DialogDriver d;
        const QImage image = RenderAt(d.dlg(), c.scale);
        for (int id : {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID, IDC_VALUE, IDC_TYPE, IDC_OID_NAME,
                       IDC_WALK_LIST, IDC_TRAP_LIST}) {
            QWidget* box = d.dlg().GetDlgItem(id);
            EXPECT_EQ(MissingEdges(image, box->geometry(), c.scale, box->palette(), c.contrast), "")
                << box->objectName().toStdString();
        }
    }
    QApplication::setPalette(original);
}

TEST(DesktopKeys, TheContextMenuKeysOpenTheSystemMenuWhereTheControlHasNoMenu) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    ASSERT_NO_FATAL_FAILURE(Activate(dlg));
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
        const char* menu;    // the object name of the menu that opens
        const char* current; // its current entry: the first that can be chosen
    };
    const auto altSpace = [&dlg] {
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Space, Qt::AltModifier);
    };
    const Case cases[] = {
        {"menu key", menuKey, IDCANCEL, "SystemMenu", "Mi&nimize"},
        {"menu key", menuKey, IDC_CLEAR, "SystemMenu", "Mi&nimize"},
        {"Shift+F10", shiftF10, IDCANCEL, "SystemMenu", "Mi&nimize"},
        {"Shift+F10", shiftF10, IDC_GETALL, "SystemMenu", "Mi&nimize"},
        {"Alt+Space", altSpace, IDC_OID_NAME, "SystemMenu", "Mi&nimize"},
        // A list has its own menu, as on the platform; Copy needs a selected line.
        {"menu key", menuKey, IDC_WALK_LIST, "ListBoxMenu", "&Copy"},
        {"Shift+F10", shiftF10, IDC_TRAP_LIST, "ListBoxMenu", "Copy &All"},
    };
    AddLines(dlg.ListBox(IDC_WALK_LIST), 2);
    dlg.ListBox(IDC_WALK_LIST)->SetCurSel(0);
    AddLines(dlg.ListBox(IDC_TRAP_LIST), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keys << " on " << c.focus);
        // The closed menu may have taken the activation with it.
        ASSERT_NO_FATAL_FAILURE(Activate(dlg));
        dlg.GetDlgItem(c.focus)->setFocus(Qt::OtherFocusReason);
        c.press();
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(popup->objectName(), QLatin1String(c.menu));
        ASSERT_NE(popup->activeAction(), nullptr);
        EXPECT_EQ(popup->activeAction()->text(), QLatin1String(c.current));
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
        {IDC_WALK_LIST, "Walk List", QAccessible::Table, nullptr},
        {IDC_TRAP_LIST, "Trap Window", QAccessible::Table, "Trap Window"},
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

// A table of one column: a screen reader reads a table's size from the table, where it
// would visit every item of a list to count them.
TEST(DesktopAccessibility, EachListIsATableWithOneRowPerLineAndItsSelection) {
    DialogDriver d;
    for (int id : {IDC_WALK_LIST, IDC_TRAP_LIST}) {
        SCOPED_TRACE(id);
        CListBox* list = d.dlg().ListBox(id);
        QAccessibleInterface* iface = Accessible(list);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Table);
        EXPECT_EQ(iface->childCount(), 0);

        // A tab and a character beyond ASCII are read as the list shows them.
        const std::vector<std::string> lines = {".1.3.6.1.2.1.1.5.0 : okapel", "a\tb",
                                                std::string("caf\xC3\xA9")};
        for (const std::string& line : lines)
            list->AddString(line);
        list->SetCurSel(1);
        ASSERT_EQ(iface->childCount(), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            QAccessibleInterface* item = iface->child(i);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->role(), QAccessible::Cell);
            EXPECT_EQ(
                item->text(QAccessible::Name),
                QString::fromUtf8(lines[static_cast<size_t>(i)].data(),
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

// The list an event is about, and the line (-1 for the list itself): the toolkit names a
// line by its list and index, or, for a new line, by the line's own interface.
std::pair<CListBox*, int> EventSubject(QAccessibleEvent* event) {
    if (auto* list = qobject_cast<CListBox*>(event->object()))
        return {list, event->child()};
    QAccessibleInterface* line = event->accessibleInterface();
    QAccessibleInterface* parent = line ? line->parent() : nullptr;
    if (auto* list = parent ? qobject_cast<CListBox*>(parent->object()) : nullptr)
        return {list, parent->indexOfChild(line)};
    return {nullptr, -1};
}

void RecordEvent(QAccessibleEvent* event) {
    if (const auto [list, child] = EventSubject(event); g_events && list)
        g_events->emplace_back(event->type(), child);
}

// The lists' events go to `handler` for as long as it lives, and so do the toolkit's where
// the platform has assistive technology.
class ListEventRecorder {
public:
    explicit ListEventRecorder(QAccessible::UpdateHandler handler)
        : m_previous(QAccessible::installUpdateHandler(handler)) {
        SetListBoxEventObserverForTesting(handler);
    }
    ~ListEventRecorder() {
        SetListBoxEventObserverForTesting(nullptr);
        QAccessible::installUpdateHandler(m_previous);
    }

private:
    QAccessible::UpdateHandler m_previous;
};

} // namespace

TEST(DesktopAccessibility, ListsTellAssistiveTechnologyWhatChanged) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    ASSERT_NO_FATAL_FAILURE(Activate(dlg));
    CListBox* list = dlg.ListBox(IDC_WALK_LIST);
    std::vector<std::pair<QAccessible::Event, int>> events;
    g_events = &events;
    ListEventRecorder recorder(RecordEvent);
    using E = std::pair<QAccessible::Event, int>;
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<E> expected;
    };
    const Step steps[] = {
        {"lines added, told when shown",
         [&] {
             list->AddString("one");
             list->AddString("two");
             list->Flush();
         },
         {{QAccessible::TableModelChanged, -1}, {QAccessible::ObjectCreated, 1}}},
        {"program selection", [&] { list->SetCurSel(0); }, {{QAccessible::Selection, 0}}},
        {"focus",
         [&] {
             list->setFocus(Qt::TabFocusReason);
             QApplication::processEvents();
         },
         {{QAccessible::Focus, 0}}},
        {"operator's selection",
         [&] { QTest::keyClick(list, Qt::Key_Down); },
         {{QAccessible::SelectionRemove, 0}, {QAccessible::Selection, 1}, {QAccessible::Focus, 1}}},
        {"program selection of none",
         [&] { list->SetCurSel(-1); },
         {{QAccessible::SelectionRemove, 1}}},
        {"reset", [&] { list->ResetContent(); }, {{QAccessible::TableModelChanged, -1}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        events.clear();
        step.act();
        // The toolkit's own announcement of the list as focused comes or not with the
        // platform and the toolkit's version; the line's is the list's own.
        std::erase(events, E{QAccessible::Focus, -1});
        EXPECT_EQ(events, step.expected);
    }
    g_events = nullptr;
}

namespace {

// The events that the toolkit tells assistive technology about the passphrase boxes, in order.
std::vector<std::pair<QAccessible::Event, QObject*>>* g_secretEvents = nullptr;

void RecordSecretEvent(QAccessibleEvent* event) {
    if (g_secretEvents && qobject_cast<CSecretEdit*>(event->object()))
        g_secretEvents->emplace_back(event->type(), event->object());
}

} // namespace

// A screen reader speaks a box as it learns that the box has the focus, unless the box told of
// a caret move first (it moves there silently then): Tab into a passphrase box tells its focus
// before any caret or selection change, with a passphrase typed or not.
TEST(DesktopAccessibility, TabIntoAPassphraseBoxTellsItsFocusBeforeAnyCaretMove) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_3;
    settings.securityLevel = SNMP_MGR_AUTH_PRIV;
    CSessionSettingsDlg box(settings);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    auto* auth = box.findChild<CSecretEdit*>(QStringLiteral("IDC_AUTH_PASSPHRASE"));
    auto* priv = box.findChild<CSecretEdit*>(QStringLiteral("IDC_PRIV_PASSPHRASE"));
    QWidget* authProtocol = box.findChild<QWidget*>(QStringLiteral("IDC_AUTH_PROTOCOL"));
    QWidget* context = box.findChild<QWidget*>(QStringLiteral("IDC_CONTEXT_NAME"));
    ASSERT_TRUE(auth && priv && authProtocol && context);
    struct Case {
        const char* what;
        QWidget* from;
        bool back; // Shift+Tab
        CSecretEdit* to;
        const char* typed; // in the box before, with the focus then taken away
    };
    const Case cases[] = {
        {"Tab into an empty box", authProtocol, false, auth, ""},
        {"Tab into a box with a passphrase", authProtocol, false, auth, "secret-passphrase"},
        {"Shift+Tab into a box with a passphrase", context, true, priv, "other-passphrase"},
    };
    // The toolkit tells assistive technology nothing while none listens: the platform is
    // told that one does, as a screen reader's start tells it.
    QPlatformAccessibility* platform =
        QGuiApplicationPrivate::platformIntegration()->accessibility();
    ASSERT_NE(platform, nullptr);
    const bool wasActive = platform->isActive();
    platform->setActive(true);
    std::vector<std::pair<QAccessible::Event, QObject*>> events;
    g_secretEvents = &events;
    const QAccessible::UpdateHandler previous =
        QAccessible::installUpdateHandler(RecordSecretEvent);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.to->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(c.to, QString::fromLatin1(c.typed));
        c.from->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        events.clear();
        QTest::keyClick(c.from, Qt::Key_Tab, c.back ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), c.to);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front(), std::make_pair(QAccessible::Focus, static_cast<QObject*>(c.to)));
        // The passphrase stays selected, so that what is typed next replaces it.
        EXPECT_EQ(c.to->selectedText().size(), static_cast<qsizetype>(std::strlen(c.typed)));
    }
    QAccessible::installUpdateHandler(previous);
    g_secretEvents = nullptr;
    platform->setActive(wasActive);
}

namespace {

// What a storm or a walk tells assistive technology: events by kind, and the lines that
// the rows-inserted events cover.
struct ListEventCounts {
    std::map<QAccessible::Event, int> byKind;
    int rowsInserted = 0; // events
    long rowsCovered = 0; // lines
    int lastCreated = -1;
};
ListEventCounts* g_counts = nullptr;

void CountEvent(QAccessibleEvent* event) {
    const auto [list, child] = EventSubject(event);
    if (!g_counts || !list)
        return;
    ++g_counts->byKind[event->type()];
    if (event->type() == QAccessible::TableModelChanged) {
        auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
        if (change->modelChangeType() == QAccessibleTableModelChangeEvent::RowsInserted) {
            ++g_counts->rowsInserted;
            g_counts->rowsCovered += change->lastRow() - change->firstRow() + 1;
        }
    }
    if (event->type() == QAccessible::ObjectCreated)
        g_counts->lastCreated = child;
}

} // namespace

TEST(DesktopAccessibility, AStormAndAWalkTellOfTheirLinesAtMostOnceARepaint) {
    constexpr int kObjects = 3000;
    scripted::TableAgent table;
    for (int i = 1; i <= kObjects; ++i)
        table.objects[scripted::ParseOid(".1.3.6.1.4.1.99." + std::to_string(i) + ".0")] =
            scripted::Integer(i);
    scripted::ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    struct Case {
        const char* what;
        int list;
        std::function<void()> run;
        int lines;
    };
    CListBox* traps = d.dlg().ListBox(IDC_TRAP_LIST);
    const Case cases[] = {
        // 10,000 traps of three bindings arrive over about a second, a few at a time
        // between turns of the loop, as the listener's calls bring them.
        {"trap storm", IDC_TRAP_LIST,
         [traps] {
             for (int i = 0; i < 30000; ++i) {
                 traps->AddString("Trap: IP:10.0.0.7 OID:.1.3.6.1.4.1.99.1 Value:" +
                                  std::to_string(i));
                 if (i % 30 == 29)
                     QApplication::processEvents();
                 if (i % 300 == 299)
                     QTest::qWait(8);
             }
         },
         30000},
        {"walk", IDC_WALK_LIST,
         [&d] {
             d.SetText(IDC_OID, ".1.3.6.1.4.1.99");
             d.Click(IDC_GETALL);
         },
         kObjects},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CListBox* list = d.dlg().ListBox(c.list);
        ListEventCounts counts;
        g_counts = &counts;
        ListEventRecorder recorder(CountEvent);
        QElapsedTimer clock;
        clock.start();
        c.run();
        ASSERT_TRUE(QTest::qWaitFor([&] { return counts.rowsCovered == list->GetCount(); }));
        const qint64 elapsed = clock.elapsed();
        g_counts = nullptr;
        ASSERT_EQ(list->GetCount(), c.lines);
        // Every line is covered once, the last new line is announced, and the events come
        // at most once every 40 ms (with one at the start and one at the end).
        EXPECT_EQ(counts.lastCreated, c.lines - 1);
        const int created = counts.byKind[QAccessible::ObjectCreated];
        EXPECT_GE(created, 1);
        EXPECT_LE(created, elapsed / 40 + 2) << elapsed << " ms";
        EXPECT_EQ(counts.rowsInserted, created);
        std::printf("[ COUNTED  ] %s: %d lines in %lld ms, %d rows-inserted and %d "
                    "object-created events\n",
                    c.what, c.lines, static_cast<long long>(elapsed), counts.rowsInserted, created);
    }
}

TEST(DesktopFocus, TheStartButtonShowsItsFocusAndAFocusedListShowsItsLine) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    ASSERT_NO_FATAL_FAILURE(Activate(dlg));
    // Exit has the focus from the start and draws it as after a keyboard move.
    QStyleOptionButton button;
    button.initFrom(dlg.GetDlgItem(IDCANCEL));
    EXPECT_TRUE(button.state & QStyle::State_HasFocus);
    EXPECT_TRUE(button.state & QStyle::State_KeyboardFocusChange);

    CListBox* list = d.walkList();
    struct Case {
        const char* what;
        int lines;
        int selected;
        int focusLine; // where the focus rectangle is drawn
    };
    const Case cases[] = {
        {"empty list", 0, -1, 0},
        {"no selection", 3, -1, 0},
        {"a selected line", 3, 2, 2},
    };
    // The palettes it is drawn in: the desktop's, one whose highlight is too pale to stand
    // out on white, and a high-contrast one.
    QPalette pale = list->palette();
    pale.setColor(QPalette::Highlight, QColor(0xcd, 0xe8, 0xff));
    pale.setColor(QPalette::HighlightedText, Qt::black);
    const std::pair<const char*, QPalette> palettes[] = {{"desktop", list->palette()},
                                                         {"pale highlight", pale},
                                                         {"high contrast", HighContrastBlack()}};
    for (const auto& [paletteName, palette] : palettes) {
        list->setPalette(palette);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << " in the " << paletteName << " palette");
            list->ResetContent();
            AddLines(list, c.lines);
            list->SetCurSel(c.selected);
            dlg.GetDlgItem(IDCANCEL)->setFocus(Qt::TabFocusReason);
            const QImage without = list->viewport()->grab().toImage();
            list->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(list->hasFocus());
            const QImage with = list->viewport()->grab().toImage();
            // The focus changes pixels on the focus line and nowhere else, and what it draws
            // stands out at least 3:1 against what it is drawn over.
            const QRect line = list->ItemRect(c.focusLine);
            int inside = 0;
            int outside = 0;
            int faint = 0;
            for (int y = 0; y < with.height(); ++y) {
                for (int x = 0; x < with.width(); ++x) {
                    if (with.pixel(x, y) == without.pixel(x, y))
                        continue;
                    ++(line.contains(x, y) ? inside : outside);
                    faint += ContrastRatio(with.pixelColor(x, y), without.pixelColor(x, y)) < 3.0;
                }
            }
            EXPECT_GT(inside, line.width()) << "a rectangle, not a dot";
            EXPECT_EQ(outside, 0);
            EXPECT_LE(faint * 10, inside) << faint << " of " << inside << " pixels under 3:1";
        }
    }
}

TEST(DesktopAccessibility, EachComboBoxKeepsItsNameWhateverItHoldsAndTellsItAsItsValue) {
    DialogDriver d;
    // (box, its name, what it holds: an entry of the type list, or text in the others)
    const std::tuple<int, const char*, const char*> cases[] = {
        {IDC_TYPE, "Type", ""},
        {IDC_TYPE, "Type", "Octet"},
        {IDC_TYPE, "Type", "Null"},
        {IDC_IPADDRESS, "IPAddress", "127.0.0.1"},
        {IDC_COMMUNITY, "Community", ""},
        {IDC_COMMUNITY, "Community", "walnut"},
        {IDC_OID, "OID", ".1.3.6.1.2.1.1.5.0"},
    };
    for (const auto& [id, name, holds] : cases) {
        SCOPED_TRACE(testing::Message() << name << " holding '" << holds << "'");
        CComboBox* combo = d.dlg().ComboBox(id);
        if (id == IDC_TYPE)
            d.ChooseType(holds);
        else
            d.SetText(id, holds);
        QAccessibleInterface* iface = Accessible(combo);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::ComboBox);
        EXPECT_EQ(iface->text(QAccessible::Name), QLatin1String(name));
        EXPECT_EQ(iface->text(QAccessible::Value), QLatin1String(holds));
        // Its children: the list of the entries, and the edit field of an editable box, where
        // screen readers read what it holds; the drop-down list offers its entry as text.
        ASSERT_EQ(iface->childCount(), combo->isEditable() ? 2 : 1);
        EXPECT_EQ(iface->child(0)->object(), combo->view());
        EXPECT_EQ(iface->indexOfChild(iface->child(0)), 0);
        if (QAccessibleTextInterface* text = iface->textInterface()) {
            EXPECT_FALSE(combo->isEditable());
            EXPECT_EQ(text->text(0, text->characterCount()), QLatin1String(holds));
        } else {
            EXPECT_EQ(iface->child(1)->object(), combo->lineEdit());
        }
    }
    // The list opens as the drop-down list's action.
    CComboBox* types = d.dlg().ComboBox(IDC_TYPE);
    ASSERT_NE(Accessible(types)->actionInterface(), nullptr);
    Accessible(types)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(Accessible(types)->state().expanded);
    types->hidePopup();
}

TEST(DesktopCopy, CtrlCCopiesTheSelectedLineAndTheMenuCopiesOneOrAll) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    ASSERT_NO_FATAL_FAILURE(Activate(dlg));
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

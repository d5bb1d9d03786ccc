// The window on the screens and in the fonts of today's desktops: rows of one height and
// text line, labels that keep their spacing, and a window that fits the work area with its
// title bar, the lists giving up height first.
#include "support/DialogDriver.h"

#include "ui/AboutDlg.h"
#include "ui/ComboBox.h"
#include "ui/DialogTemplate.h"
#include "ui/ListBox.h"
#include "ui/MibBrowser.h"
#include "ui/NotificationsDlg.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"
#include "ui/SessionSettingsDlg.h"
#include "ui/TableViewDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <iostream>

namespace {

std::size_t ItemIndex(int id) {
    for (std::size_t i = 0; i < kManagerDialogTemplate.items.size(); ++i) {
        if (kManagerDialogTemplate.items[i].id == id)
            return i;
    }
    ADD_FAILURE() << "no item " << id;
    return 0;
}

bool IsList(std::size_t i) {
    return kManagerDialogTemplate.items[i].kind == DlgItemKind::ListBox;
}

// The main template laid out in `font`, with the closed combo box height of that font.
DialogLayout LayoutIn(const QFont& font) {
    CComboBox combo(true, false, false);
    combo.setFont(font);
    return LayoutDialog(kManagerDialogTemplate, DialogUnits::ForFont(font), QFontMetrics(font),
                        combo.sizeHint().height());
}

// The rows of the template: boxes and buttons that share a line.
const std::vector<std::vector<int>> kRows = {
    {IDC_IPADDRESS, IDC_OPEN},      {IDC_COMMUNITY, IDC_CLOSE}, {IDC_OID, IDC_GET},
    {IDC_VALUE, IDC_TYPE, IDC_SET}, {IDC_OID_NAME, IDC_GETALL}, {IDCANCEL, IDC_CLEAR},
};

} // namespace

TEST(WindowFit, TheWholeWindowFitsTheWorkAreasOfTodaysScreensAndFonts) {
    // A title bar of 37 pixels and borders of 1, as a common desktop frames windows.
    const QMargins frame(1, 37, 1, 1);
    constexpr bool kX11 = true;      // the window system reports the panels
    constexpr bool kWayland = false; // it reports the whole output as the work area
    struct Case {
        const char* family;
        int points;
        QRect reported; // the work area the window system reports
        bool reportsPanels;
    };
    const QRect laptop(0, 0, 1280, 720);
    const QRect wideLaptop(0, 0, 1366, 768);
    const Case cases[] = {
        {"Cantarell", 11, QRect(0, 32, 1366, 736), kX11}, // under a top bar of 32 pixels
        {"Noto Sans", 10, QRect(0, 32, 1366, 736), kX11},
        {"Noto Sans", 11, QRect(0, 32, 1366, 736), kX11},
        {"DejaVu Sans", 9, QRect(0, 32, 1366, 736), kX11},
        {"DejaVu Sans", 9, laptop, kX11},
        {"DejaVu Sans", 9, QRect(0, 32, 1280, 688), kX11},
        {"DejaVu Sans", 13, wideLaptop, kX11},
        {"Noto Sans", 13, wideLaptop, kX11},
        {"Noto Sans", 13, QRect(100, 50, 1366, 700), kX11}, // a second screen, offset
        {"DejaVu Sans", 9, QRect(0, 0, 1920, 1080), kX11},  // fits as it is
        // A Wayland output: the whole output is reported, and room is kept for a panel.
        {"Cantarell", 11, laptop, kWayland},
        {"Noto Sans", 10, laptop, kWayland},
        {"Noto Sans", 13, wideLaptop, kWayland},
        {"DejaVu Sans", 9, laptop, kWayland},
        {"DejaVu Sans", 13, QRect(1920, 0, 1280, 720), kWayland}, // the second output
        {"DejaVu Sans", 9, QRect(0, 0, 1920, 1080), kWayland},
        // Laptop outputs at scale factors 1.25 and 1.5, as large as the window sees them.
        {"Cantarell", 11, QRect(0, 0, 1024, 576), kWayland}, // 1280 x 720 at 1.25
        {"Noto Sans", 10, QRect(0, 0, 1024, 576), kWayland},
        {"Cantarell", 11, QRect(0, 0, 853, 480), kWayland}, // at 1.5
        {"Noto Sans", 10, QRect(0, 0, 853, 480), kWayland},
        {"DejaVu Sans", 9, QRect(0, 0, 853, 480), kWayland},
        {"Cantarell", 11, QRect(0, 0, 1093, 614), kWayland}, // 1366 x 768 at 1.25
        {"Cantarell", 11, QRect(0, 0, 911, 512), kWayland},  // at 1.5
        {"Noto Sans", 10, QRect(0, 0, 911, 512), kWayland},
        {"Cantarell", 11, QRect(0, 26, 853, 454), kX11}, // under a bar, at 1.5
    };
    const QStringList installed = QFontDatabase::families();
    for (const Case& c : cases) {
        if (!installed.contains(QLatin1String(c.family)))
            continue;
        SCOPED_TRACE(testing::Message()
                     << c.family << " " << c.points << " in " << c.reported.width() << "x"
                     << c.reported.height() << (c.reportsPanels ? " (X11)" : " (Wayland)"));
        const QRect workArea = UsableArea(c.reported, c.reported, c.reportsPanels);
        const QFont font(QLatin1String(c.family), c.points);
        const DialogLayout full = LayoutIn(font);
        const int minList = 40;
        const DialogLayout fitted =
            FitDialogHeight(kManagerDialogTemplate, full,
                            workArea.height() - frame.top() - frame.bottom(), minList);
        const QSize frameSize = fitted.client.grownBy(frame);
        const QRect placed(PlaceFrame(workArea, frameSize), frameSize);
        EXPECT_TRUE(workArea.contains(placed)) << placed.top() << " " << placed.bottom();
        EXPECT_EQ(fitted.client.width(), full.client.width());
        const bool shrunk = fitted.client.height() < full.client.height();
        EXPECT_EQ(shrunk, full.client.height() + 38 > workArea.height());
        // Only the lists change size; everything below a list moves up with it, in order.
        int listGave = 0;
        for (std::size_t i = 0; i < full.rects.size(); ++i) {
            SCOPED_TRACE(kManagerDialogTemplate.items[i].name);
            EXPECT_EQ(fitted.rects[i].width(), full.rects[i].width());
            EXPECT_EQ(fitted.rects[i].left(), full.rects[i].left());
            if (IsList(i)) {
                EXPECT_GE(fitted.rects[i].height(), minList);
                listGave += full.rects[i].height() - fitted.rects[i].height();
            } else {
                EXPECT_EQ(fitted.rects[i].height(), full.rects[i].height());
            }
            EXPECT_TRUE(QRect(QPoint(0, 0), fitted.client).contains(fitted.rects[i]));
        }
        EXPECT_EQ(listGave, full.client.height() - fitted.client.height());
        for (std::size_t i = 0; i < full.rects.size(); ++i) {
            for (std::size_t j = 0; j < full.rects.size(); ++j) {
                if (full.rects[i].bottom() < full.rects[j].top()) {
                    EXPECT_LT(fitted.rects[i].bottom(), fitted.rects[j].top())
                        << kManagerDialogTemplate.items[i].name << " above "
                        << kManagerDialogTemplate.items[j].name;
                }
            }
        }
    }
}

TEST(WindowFit, WhereEvenTheListsCannotGiveEnoughTheTitleBarStaysOnTheScreen) {
    const QFont font(QStringLiteral("DejaVu Sans"), 13);
    const DialogLayout full = LayoutIn(font);
    struct Case {
        QRect workArea;
        QPoint frameAt; // the frame's top-left corner
    };
    const QSize frameSize(full.client.width() + 2, 300);
    const Case cases[] = {
        {QRect(0, 32, 1366, 200), QPoint((1366 - frameSize.width()) / 2, 32)},
        {QRect(0, 0, 400, 200), QPoint(0, 0)},
        {QRect(-400, 20, 300, 200), QPoint(-400, 20)},
        {QRect(0, 0, 1366, 768), QPoint((1366 - frameSize.width()) / 2, (768 - 300) / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.workArea.x() << "," << c.workArea.y() << " "
                                        << c.workArea.width() << "x" << c.workArea.height());
        EXPECT_EQ(PlaceFrame(c.workArea, frameSize), c.frameAt);
    }
    // The lists stop at their least height; the rest keeps its size.
    const DialogLayout fitted = FitDialogHeight(kManagerDialogTemplate, full, 100, 40);
    EXPECT_EQ(fitted.rects[ItemIndex(IDC_WALK_LIST)].height(), 40);
    EXPECT_EQ(fitted.rects[ItemIndex(IDC_TRAP_LIST)].height(), 40);
    EXPECT_EQ(fitted.client.height(), full.client.height() -
                                          (full.rects[ItemIndex(IDC_WALK_LIST)].height() - 40) -
                                          (full.rects[ItemIndex(IDC_TRAP_LIST)].height() - 40));
}

TEST(WindowFit, TheUsableAreaIsTheReportedWorkAreaOrKeepsRoomForAPanel) {
    const QRect output(0, 0, 1280, 720);
    const QRect underBar(0, 32, 1280, 688);
    // (the work area reported, whether the window system reports panels, the usable area)
    const std::tuple<QRect, bool, QRect> cases[] = {
        {output, true, output},
        {underBar, true, underBar},
        {output, false, QRect(0, kPanelRoom, 1280, 720 - kPanelRoom)},
        {underBar, false, underBar}, // a Wayland work area after all
    };
    for (const auto& [reported, reportsPanels, usable] : cases) {
        EXPECT_EQ(UsableArea(output, reported, reportsPanels), usable);
    }
    // A tiny output keeps most of itself.
    EXPECT_EQ(UsableArea(QRect(0, 0, 320, 120), QRect(0, 0, 320, 120), false),
              QRect(0, 30, 320, 90));
}

TEST(WindowFit, OnALaptopOutputThatReportsNoPanelsTheShownWindowKeepsRoomForOne) {
    const QFont original = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 13));
    QScreen* laptop = nullptr;
    for (QScreen* screen : QApplication::screens()) {
        if (screen->name() == QLatin1String("laptop"))
            laptop = screen;
    }
    ASSERT_NE(laptop, nullptr);
    {
        DialogDriver d(DialogDriver::Shown::Later);
        CManagerDlg& dlg = d.dlg();
        const DialogUnits units = DialogUnits::ForFont(dlg.font());
        const int full =
            units.ToPixels(kManagerDialogTemplate.cx, kManagerDialogTemplate.cy).height();
        dlg.move(laptop->geometry().topLeft()); // the toolkit takes the screen from the place
        dlg.setScreen(laptop);
        d.Show();
        ASSERT_EQ(dlg.screen(), laptop);
        // The lists gave up height, above the window, frame included, there is room for the
        // panel, and below it nothing is cut.
        const QRect output = laptop->geometry();
        EXPECT_LT(dlg.height(), full);
        EXPECT_GE(dlg.frameGeometry().top(), output.top() + kPanelRoom);
        EXPECT_LE(dlg.frameGeometry().bottom(), output.bottom());
        EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    }
    QApplication::setFont(original);
}

TEST(WindowFit, AHeightTheWindowSystemGivesBeforeTheWindowIsFirstDrawnIsKept) {
    // A compositor that bounds its windows (xdg-shell's configure bounds, where the toolkit
    // passes them on) resizes the window before it is first exposed: the lists give up what
    // the window lacks, and the window keeps that height.
    DialogDriver d(DialogDriver::Shown::Later);
    CManagerDlg& dlg = d.dlg();
    dlg.show(); // not yet exposed: that waits for the event loop
    const QSize asked = dlg.size();
    const QSize given(asked.width(), asked.height() - 120);
    QResizeEvent bounded(given, asked);
    QApplication::sendEvent(&dlg, &bounded);
    QApplication::processEvents();
    EXPECT_EQ(dlg.size(), given);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    for (QWidget* control : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(dlg.rect().contains(control->geometry()))
            << control->objectName().toStdString();
    }
    const CListBox* walk = dlg.ListBox(IDC_WALK_LIST);
    const CListBox* traps = dlg.ListBox(IDC_TRAP_LIST);
    const DialogUnits units = DialogUnits::ForFont(dlg.font());
    EXPECT_EQ(walk->height() + traps->height(),
              units.ToPixels(0, 0, 0, 99).height() + units.ToPixels(0, 0, 0, 70).height() - 120);
}

// Where the frame is neither told nor promised before the window is shown, the estimate is
// no smaller on any side than the frames that the desktops of today draw, as measured on
// them at 1280 x 720: a window as wide or as high as the work area keeps its edges on it.
TEST(WindowFit, TheEstimatedFrameCoversTheFramesOfTodaysDesktops) {
    const std::pair<const char*, QMargins> frames[] = {
        {"Qt's own title bar on weston", QMargins(3, 30, 3, 3)},
        {"openbox, fixed in size", QMargins(1, 22, 1, 1)},
        {"sway, floating", QMargins(1, 27, 1, 1)},
        {"GNOME's title bar", QMargins(0, kLeastTitleBar, 0, 0)},
    };
    InEachDesktopFont([&] {
        QWidget window;
        window.setFont(QApplication::font());
        const QMargins estimate = WindowFrame(&window);
        for (const auto& [desktop, frame] : frames) {
            SCOPED_TRACE(desktop);
            EXPECT_GE(estimate.left(), frame.left());
            EXPECT_GE(estimate.top(), frame.top());
            EXPECT_GE(estimate.right(), frame.right());
            EXPECT_GE(estimate.bottom(), frame.bottom());
        }
    });
}

// A title bar may show a maximize button on a fixed-size window whatever its hints say (Qt's
// own on Wayland, some X11 window managers'): asked to maximize or to go full screen, such a
// window stays as it was, with its size; a window that can be sized maximizes as before.
TEST(WindowFit, AFixedSizeWindowAskedToMaximizeKeepsItsStateAndSize) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    CAboutDlg about;
    CSessionSettingsDlg settings(SnmpMgrSessionSettings{}, {}, &dlg);
    settings.FitTo(WorkAreaOf(settings.screen()), WindowFrame(&settings));
    dlg.OnMibBrowser();
    struct Case {
        QWidget* window;
        bool fixed;
    };
    const Case cases[] = {
        {&dlg, true}, {&about, true}, {&settings, true}, {dlg.MibBrowser(), false}};
    for (const Case& c : cases) {
        for (const Qt::WindowState asked : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
            SCOPED_TRACE(testing::Message()
                         << c.window->objectName().toStdString() << " asked "
                         << (asked == Qt::WindowMaximized ? "maximized" : "full screen"));
            c.window->setWindowState(Qt::WindowNoState);
            c.window->show();
            QApplication::processEvents();
            const QSize before = c.window->size();
            if (c.fixed) {
                EXPECT_EQ(c.window->minimumSize(), c.window->maximumSize());
                EXPECT_FALSE(c.window->windowFlags() & Qt::WindowMaximizeButtonHint);
            }
            // As a title bar's button asks it: through the window's own handle.
            c.window->windowHandle()->setWindowStates(asked);
            QApplication::processEvents();
            QApplication::processEvents();
            if (c.fixed) {
                EXPECT_EQ(c.window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen),
                          Qt::WindowNoState);
                EXPECT_EQ(c.window->size(), before);
            } else {
                EXPECT_TRUE(c.window->windowState() & asked);
            }
            c.window->setWindowState(Qt::WindowNoState);
            QApplication::processEvents();
        }
    }
    about.hide();
}

TEST(WindowFit, TheShownWindowHasTheTemplatesSizeAndLiesInTheWorkArea) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    const QRect workArea = dlg.screen()->availableGeometry();
    EXPECT_TRUE(workArea.contains(dlg.frameGeometry()));
    // The test screen is large: nothing is fitted, and the window cannot be resized.
    const DialogUnits units = DialogUnits::ForFont(dlg.font());
    EXPECT_EQ(dlg.size(), units.ToPixels(kManagerDialogTemplate.cx, kManagerDialogTemplate.cy));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
}

TEST(WindowRows, BoxesAndButtonsOfARowShareTopAndHeightAndLabelsDoNotTouchTheirBoxes) {
    InEachDesktopFont([] {
        DialogDriver d;
        CManagerDlg& dlg = d.dlg();
        const DialogUnits units = DialogUnits::ForFont(dlg.font());
        for (const std::vector<int>& row : kRows) {
            SCOPED_TRACE(row.front());
            const QRect first = dlg.GetDlgItem(row.front())->geometry();
            for (int id : row) {
                const QRect rect = dlg.GetDlgItem(id)->geometry();
                EXPECT_EQ(rect.top(), first.top()) << id;
                EXPECT_EQ(rect.height(), first.height()) << id;
                // Left edge and width stay the template's.
                const DlgItemTemplate& item = kManagerDialogTemplate.items[ItemIndex(id)];
                const QRect expected = units.ToPixels(item.x, item.y, item.cx, item.cy);
                EXPECT_EQ(rect.left(), expected.left()) << id;
                EXPECT_EQ(rect.width(), expected.width()) << id;
            }
        }
        // Each label's text ends at least two pixels before the box on its right, and a
        // label keeps its letters' spacing.
        for (QLabel* label : dlg.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            SCOPED_TRACE(label->text().toStdString());
            EXPECT_EQ(label->font().letterSpacing(), 0);
            const int textRight =
                label->x() + label->fontMetrics().horizontalAdvance(label->text());
            EXPECT_LE(textRight, label->geometry().right() + 1);
            EXPECT_GE(label->x(), 0);
            for (QWidget* box : {dlg.GetDlgItem(IDC_IPADDRESS), dlg.GetDlgItem(IDC_COMMUNITY),
                                 dlg.GetDlgItem(IDC_OID), dlg.GetDlgItem(IDC_VALUE)}) {
                const QRect b = box->geometry();
                if (label->geometry().intersects(QRect(0, b.top(), b.left(), b.height()))) {
                    EXPECT_LE(textRight + 2, b.left()) << box->objectName().toStdString();
                }
            }
        }
    });
}

namespace {

// The lowest pixel row of dark text inside `rect` of `image` (frames excluded by a small
// inset and by ignoring rows that are dark across most of the width): the text's baseline
// for text without descenders.
int TextBaseline(const QImage& image, const QRect& rect) {
    const QRect inner = rect.adjusted(4, 3, -4, -3);
    for (int y = inner.bottom(); y >= inner.top(); --y) {
        int dark = 0;
        for (int x = inner.left(); x <= inner.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 110;
        if (dark > 0 && dark < inner.width() * 6 / 10)
            return y;
    }
    return -1;
}

} // namespace

namespace {

void ExpectRowsOnOneLine() {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    // Texts without descenders, so that the lowest dark row is the baseline.
    for (QPushButton* button : dlg.findChildren<QPushButton*>())
        button->setText(QStringLiteral("Hx"));
    for (QLabel* label : dlg.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        label->setText(QStringLiteral("Hx"));
    for (int id : {IDC_IPADDRESS, IDC_COMMUNITY, IDC_OID, IDC_VALUE, IDC_OID_NAME})
        d.SetText(id, "Hx");
    d.ChooseType("Null");
    dlg.EnableDlgItem(IDC_CLOSE, true);
    dlg.ListBox(IDC_WALK_LIST)->setFocus(); // no focus ring on a row
    const QImage image = dlg.grab().toImage();
    const auto labelLeftOf = [&dlg](int id) {
        QWidget* box = dlg.GetDlgItem(id);
        for (QLabel* label : dlg.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label->geometry().right() < box->x() &&
                label->geometry().intersects(QRect(0, box->y(), box->x(), box->height())))
                return static_cast<QWidget*>(label);
        }
        return static_cast<QWidget*>(nullptr);
    };
    for (const std::vector<int>& row : kRows) {
        SCOPED_TRACE(row.front());
        std::vector<QWidget*> controls;
        for (int id : row)
            controls.push_back(dlg.GetDlgItem(id));
        if (QWidget* label = labelLeftOf(row.front()))
            controls.push_back(label);
        const int baseline = TextBaseline(image, controls.front()->geometry());
        ASSERT_GE(baseline, 0);
        for (QWidget* control : controls) {
            // A label has no frame to step over.
            const QRect rect = qobject_cast<QLabel*>(control)
                                   ? control->geometry().adjusted(-4, -3, 4, 3)
                                   : control->geometry();
            EXPECT_EQ(TextBaseline(image, rect), baseline) << control->objectName().toStdString();
        }
    }
}

} // namespace

TEST(WindowRows, TheTextOfEachRowStandsOnOneLineInEveryStyle) {
    for (const char* style : {"Windows", "Fusion"}) {
        SCOPED_TRACE(style);
        QApplication::setStyle(QLatin1String(style));
        ASSERT_NO_FATAL_FAILURE(ExpectRowsOnOneLine());
    }
}

namespace {

QScreen* ScreenNamed(const QString& name) {
    for (QScreen* screen : QApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

// The window with the frame it was fitted with lies in the work area of its screen.
void ExpectWholeOnItsScreen(QWidget& window, QScreen* screen) {
    const QRect workArea = WorkAreaOf(screen);
    const QRect framed = window.geometry().marginsAdded(WindowFrame(&window));
    EXPECT_TRUE(workArea.contains(framed))
        << framed.x() << "," << framed.y() << " " << framed.width() << "x" << framed.height()
        << " in " << workArea.x() << "," << workArea.y() << " " << workArea.width() << "x"
        << workArea.height();
}

} // namespace

// Each window beyond the main one, on laptop screens at the scale factors of today's desktops
// and in their fonts: whole on the screen with its title bar. The Session Settings scroll
// their boxes where the screen is too low, with OK and Cancel below, always in view; the
// windows that lay themselves out take the room there is and no less than their layouts need.
TEST(WindowFit, EveryOtherWindowIsWholeOnLaptopScreensAtEveryScale) {
    const char* const screens[] = {"laptop",     "1280x720@1.25", "1280x720@1.5",
                                   "1366x768@1", "1366x768@1.25", "1366x768@1.5"};
    struct Font {
        const char* family;
        int points;
    };
    const Font fonts[] = {{"Cantarell", 11}, {"Noto Sans", 10}, {"DejaVu Sans", 9}};
    const QFont original = QApplication::font();
    const QStringList installed = QFontDatabase::families();
    for (const Font& font : fonts) {
        if (!installed.contains(QLatin1String(font.family)))
            continue;
        QApplication::setFont(QFont(QLatin1String(font.family), font.points));
        for (const char* name : screens) {
            QScreen* screen = ScreenNamed(QLatin1String(name));
            ASSERT_NE(screen, nullptr) << name;
            SCOPED_TRACE(testing::Message() << font.family << " " << font.points << " on " << name
                                            << " (" << screen->geometry().width() << "x"
                                            << screen->geometry().height() << ")");
            DialogDriver d(DialogDriver::Shown::Later);
            CManagerDlg& dlg = d.dlg();
            dlg.move(screen->geometry().topLeft());
            dlg.setScreen(screen);
            d.Show();
            ASSERT_EQ(dlg.screen(), screen);
            {
                SCOPED_TRACE("Session Settings");
                CSessionSettingsDlg box(SnmpMgrSessionSettings{}, {}, &dlg);
                box.setScreen(screen);
                box.FitTo(WorkAreaOf(screen), WindowFrame(&box));
                box.show();
                ExpectWholeOnItsScreen(box, screen);
                QScrollArea* scroll = box.ScrollArea();
                const QWidget* page = scroll->widget();
                // Nothing of the page is cut on the right, and all of it scrolls into view.
                EXPECT_GE(scroll->viewport()->width(), page->width());
                EXPECT_EQ(scroll->verticalScrollBar()->maximum(),
                          std::max(0, page->height() - scroll->viewport()->height()));
                for (const char* button : {"IDOK", "IDCANCEL"}) {
                    auto* b = box.findChild<QPushButton*>(QLatin1String(button));
                    ASSERT_NE(b, nullptr);
                    EXPECT_EQ(b->parentWidget(), &box) << button;
                    EXPECT_TRUE(box.rect().contains(b->geometry())) << button;
                    EXPECT_GT(b->geometry().top(), scroll->geometry().bottom()) << button;
                }
                // The keyboard reaches the boxes in the template's order, OK and Cancel last.
                std::vector<std::string> order;
                for (QWidget* w = box.nextInFocusChain(); w != &box; w = w->nextInFocusChain()) {
                    if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty() &&
                        w->objectName().startsWith(QLatin1String("ID")))
                        order.push_back(w->objectName().toStdString());
                }
                ASSERT_GE(order.size(), 3u);
                EXPECT_EQ(order.front(), "IDC_SNMP_VERSION");
                EXPECT_EQ(order[order.size() - 3], "IDC_LIST_NAMES");
                EXPECT_EQ(order[order.size() - 2], "IDOK");
                EXPECT_EQ(order.back(), "IDCANCEL");
                // Fixed in size, without a maximize button, scrolled or not.
                EXPECT_EQ(box.minimumSize(), box.maximumSize());
                EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
                const bool scrolls = scroll->verticalScrollBar()->maximum() > 0;
                if (scrolls) {
                    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
                    // The box that takes the focus is scrolled into view.
                    QWidget* context = box.findChild<QWidget*>(QStringLiteral("IDC_CONTEXT_NAME"));
                    box.activateWindow();
                    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
                    context->setFocus(Qt::TabFocusReason);
                    QApplication::processEvents();
                    const QRect shown(context->mapTo(scroll->viewport(), QPoint(0, 0)),
                                      context->size());
                    EXPECT_TRUE(scroll->viewport()->rect().contains(shown));
                }
                std::cout << "[ size ] Session Settings, " << font.family << " " << font.points
                          << ", " << name << ": " << box.width() << "x" << box.height()
                          << (scrolls ? " (scrolls)" : "") << std::endl;
            }
            dlg.OnMibBrowser();
            dlg.OnNotifications();
            dlg.OpenTableView({1, 3, 6, 1, 2, 1, 2, 2}); // ifTable, with no session open
            for (QWidget* window : {static_cast<QWidget*>(dlg.MibBrowser()),
                                    static_cast<QWidget*>(dlg.NotificationsWindow()),
                                    static_cast<QWidget*>(dlg.TableView())}) {
                SCOPED_TRACE(window->objectName().toStdString());
                QApplication::processEvents();
                EXPECT_EQ(window->screen(), screen);
                ExpectWholeOnItsScreen(*window, screen);
                EXPECT_GE(window->width(), window->minimumSizeHint().width());
                EXPECT_GE(window->height(), window->minimumSizeHint().height());
                std::cout << "[ size ] " << window->objectName().toStdString() << ", "
                          << font.family << " " << font.points << ", " << name << ": "
                          << window->width() << "x" << window->height() << std::endl;
            }
        }
    }
    QApplication::setFont(original);
}

// The About box, the dialog's own system menu, the minimized icon and the files that make
// Okapel a desktop application. The dialogs are the real ones on the offscreen platform;
// every modal box is inspected and ended from a timer inside its own loop, with a
// watchdog that ends it anyway, so no test can hang.
#include "support/DialogDriver.h"
#include "support/DialogPixels.h"
#include "support/ModalRun.h"
#include "support/ToolRun.h"

#include "testing/SnmpTesting.h"
#include "ui/AboutDlg.h"
#include "ui/DialogTemplate.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Runs `open`, which may run About boxes modally: see RunWithModal.
ModalRun RunWithAboutBox(const std::function<void()>& open,
                         const std::function<void(CAboutDlg*)>& inspect = {}) {
    return RunWithModal<CAboutDlg>(open, inspect);
}

// A system menu's entries as (text, command id), a separator as ("-", 0).
std::vector<std::pair<QString, unsigned>> Entries(const QMenu* menu) {
    std::vector<std::pair<QString, unsigned>> entries;
    for (const QAction* action : menu->actions())
        entries.emplace_back(action->isSeparator() ? QStringLiteral("-") : action->text(),
                             action->isSeparator() ? 0u : action->data().toUInt());
    return entries;
}

QAction* EntryWithId(const QMenu* menu, unsigned id) {
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->data().toUInt() == id)
            return action;
    return nullptr;
}

// The point of a control's centre in the dialog's window.
QPoint CentreOf(const CManagerDlg& dlg, const QWidget* control) {
    return control->mapTo(&dlg, control->rect().center());
}

} // namespace

TEST(AboutTest, SystemMenuEndsWithSeparatorAndAboutEntry) {
    DialogDriver d;
    const QMenu* menu = d.dlg().GetSystemMenu(false);
    ASSERT_NE(menu, nullptr);
    const std::vector<std::pair<QString, unsigned>> expected = {
        {"Mi&nimize", SC_MINIMIZE},
        {"&Close", SC_CLOSE},
        {"-", 0},
        {"&Session Settings...", IDM_SESSIONSETTINGS},
        {"MIB &Browser...", IDM_MIBBROWSER},
        {"&Table View...", IDM_TABLEVIEW},
        {"&Watch...", IDM_WATCH},
        {"&Notifications...", IDM_NOTIFICATIONS},
        {"-", 0},
        {"&About Okapel...", IDM_ABOUTBOX},
    };
    EXPECT_EQ(Entries(menu), expected);
}

TEST(AboutTest, WindowWithoutSystemMenuGetsNoAboutEntryAndNoPopup) {
    DialogDriver d(DialogDriver::Shown::Later);
    CManagerDlg& dlg = d.dlg();
    // The title bar buttons need the system menu, as on the platform.
    dlg.setWindowFlags(
        dlg.windowFlags() &
        ~(Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint));
    ASSERT_FALSE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
    d.Show();
    EXPECT_EQ(dlg.GetSystemMenu(false), nullptr);
    QTest::mouseClick(dlg.windowHandle(), Qt::RightButton, {}, QPoint(2, 2));
    QTest::keyClick(dlg.windowHandle(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    ClosePopups();
}

TEST(AboutTest, RightClickOpensSystemMenuOnlyOnTheBackground) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    const QMenu* menu = dlg.GetSystemMenu(false);
    ASSERT_NE(menu, nullptr);
    QLabel* label = nullptr;
    for (auto* candidate : dlg.findChildren<QLabel*>())
        if (candidate->text() == QLatin1String("Value :"))
            label = candidate;
    ASSERT_NE(label, nullptr);
    auto* valueEdit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_VALUE));
    ASSERT_NE(valueEdit, nullptr);

    struct Case {
        const char* where;
        QPoint pos;
        bool systemMenu;
    };
    const Case cases[] = {
        {"background, top-left corner", QPoint(2, 2), true},
        {"a static text", CentreOf(dlg, label), true},
        {"a push button", CentreOf(dlg, dlg.GetDlgItem(IDC_GET)), false},
        {"the walk list", CentreOf(dlg, dlg.GetDlgItem(IDC_WALK_LIST)), false},
        {"the trap list", CentreOf(dlg, dlg.GetDlgItem(IDC_TRAP_LIST)), false},
        {"the value edit", CentreOf(dlg, valueEdit), false},
        {"the OID box", CentreOf(dlg, dlg.GetDlgItem(IDC_OID)), false},
        {"the type list", CentreOf(dlg, dlg.GetDlgItem(IDC_TYPE)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        QTest::mouseClick(dlg.windowHandle(), Qt::RightButton, {}, c.pos);
        EXPECT_EQ(menu->isVisible(), c.systemMenu);
        ClosePopups();
    }

    // The edit keeps its own menu of editing commands.
    QTest::mouseClick(dlg.windowHandle(), Qt::RightButton, {}, CentreOf(dlg, valueEdit));
    auto* own = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, menu);
    ClosePopups();
}

TEST(AboutTest, AltSpaceOpensSystemMenuWhereverTheFocusIs) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    const QMenu* menu = dlg.GetSystemMenu(false);
    ASSERT_NE(menu, nullptr);
    // The key is the window's: it works in the active window.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    for (int id : {IDCANCEL, IDC_VALUE, IDC_OID, IDC_WALK_LIST}) {
        SCOPED_TRACE(id);
        dlg.GetDlgItem(id)->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Space, Qt::AltModifier);
        EXPECT_TRUE(menu->isVisible());
        ClosePopups();
    }
    // Typing Alt+Space into the edit did not type a space.
    EXPECT_EQ(d.Text(IDC_VALUE), "");
}

TEST(AboutTest, ChoosingAboutOpensModalBoxAndReturnsToTheDialog) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    QAction* about = EntryWithId(dlg.GetSystemMenu(false), IDM_ABOUTBOX);
    ASSERT_NE(about, nullptr);

    bool blocked = false;
    const ModalRun run =
        RunWithAboutBox([&] { about->trigger(); },
                        [&](CAboutDlg* box) {
                            EXPECT_EQ(box->parentWidget(), nullptr);
                            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
                            // Exit and Escape on the main dialog reach it
                            // not while the box is open.
                            QTest::mouseClick(dlg.windowHandle(), Qt::LeftButton, {},
                                              CentreOf(dlg, dlg.GetDlgItem(IDCANCEL)));
                            QTest::keyClick(dlg.windowHandle(), Qt::Key_Escape);
                            blocked = dlg.isVisible() && box->isVisible();
                            auto* ok = box->findChild<QPushButton*>("IDOK");
                            ASSERT_NE(ok, nullptr);
                            QTest::mouseClick(ok, Qt::LeftButton);
                        });
    EXPECT_FALSE(run.watchdogFired);
    EXPECT_EQ(run.boxesSeen, 1);
    EXPECT_TRUE(blocked);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The box is gone with OnSysCommand's return.
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(),
                             [](QWidget* w) { return qobject_cast<CAboutDlg*>(w) != nullptr; }));
}

TEST(AboutTest, MenuAndBoxWorkWhileTheDialogRunsModally) {
    // As the program runs it: the main dialog in its own modal loop, the menu over it.
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    dlg.hide();
    bool menuShown = false;
    int dialogResult = -1;
    const ModalRun run = RunWithAboutBox([&] {
        QTimer::singleShot(0, &dlg, [&] {
            dlg.activateWindow();
            if (QTest::qWaitForWindowActive(&dlg))
                QTest::keyClick(dlg.windowHandle(), Qt::Key_Space, Qt::AltModifier);
            QMenu* menu = dlg.GetSystemMenu(false);
            menuShown = menu->isVisible();
            if (menuShown)
                QTest::keyClick(menu->windowHandle(), Qt::Key_A);
            ClosePopups();
            dlg.done(QDialog::Rejected);
        });
        dialogResult = dlg.DoModal();
    });
    EXPECT_FALSE(run.watchdogFired);
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(run.boxesSeen, 1);
    EXPECT_EQ(dialogResult, QDialog::Rejected);
}

TEST(AboutTest, SystemCommandsOpenTheBoxForIdsMaskingToAboutOnly) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    for (unsigned id = 0x0010; id <= 0x001F; ++id) {
        SCOPED_TRACE(id);
        const ModalRun run = RunWithAboutBox([&] { dlg.OnSysCommand(id, 0); });
        EXPECT_EQ(run.boxesSeen, 1);
        EXPECT_FALSE(run.watchdogFired);
    }
    // Ids whose command part is not 0x0010: no box, and the dialog carries on.
    for (unsigned id : {0x0000u, 0x000Fu, 0x0020u, 0x0110u, 0xF010u /* move */, 0xF000u /* size */,
                        0xF030u /* maximize */, 0xF120u /* restore */}) {
        SCOPED_TRACE(id);
        const ModalRun run = RunWithAboutBox([&] { dlg.OnSysCommand(id, 0); });
        EXPECT_EQ(run.boxesSeen, 0);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.windowState(), Qt::WindowNoState);
    }
}

TEST(AboutTest, MinimizeAndCloseCommandsDoWhatTheWindowDoes) {
    for (unsigned low : {0u, 2u}) {
        SCOPED_TRACE(low);
        DialogDriver d;
        CManagerDlg& dlg = d.dlg();
        dlg.OnSysCommand(SC_MINIMIZE | low, 0);
        EXPECT_TRUE(dlg.windowState() & Qt::WindowMinimized);
        EXPECT_TRUE(dlg.isVisible());
        dlg.showNormal();

        dlg.setResult(-1);
        dlg.OnSysCommand(SC_CLOSE | low, 0);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
}

TEST(AboutTest, BoxEndsByOkEnterEscapeAndCloseBox) {
    struct Case {
        const char* how;
        std::function<void(CAboutDlg*)> end;
        int result;
    };
    const Case cases[] = {
        {"OK clicked",
         [](CAboutDlg* box) {
             QTest::mouseClick(box->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
         },
         QDialog::Accepted},
        {"Enter", [](CAboutDlg* box) { QTest::keyClick(box->windowHandle(), Qt::Key_Return); },
         QDialog::Accepted},
        {"Escape", [](CAboutDlg* box) { QTest::keyClick(box->windowHandle(), Qt::Key_Escape); },
         QDialog::Rejected},
        {"close box", [](CAboutDlg* box) { box->close(); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        int result = -1;
        bool endedByCase = false;
        const ModalRun run = RunWithAboutBox(
            [&] {
                CAboutDlg box;
                result = box.DoModal();
            },
            [&](CAboutDlg* box) {
                c.end(box);
                endedByCase = !box->isVisible();
            });
        EXPECT_FALSE(run.watchdogFired);
        EXPECT_TRUE(endedByCase);
        EXPECT_EQ(result, c.result);
    }
}

TEST(AboutTest, BoxFollowsItsTemplate) {
    CAboutDlg box;
    box.show();
    QApplication::processEvents();
    EXPECT_EQ(box.windowTitle(), "About Okapel");
    EXPECT_EQ(box.parentWidget(), nullptr);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);

    const QSize size = DialogPixels(box.font(), 0, 0, 235, 57).size();
    ASSERT_FALSE(size.isEmpty());
    EXPECT_EQ(box.size(), size);
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    struct Item {
        const char* className;
        const char* name;
        const char* text;
        int x, y, cx, cy;
    };
    const Item items[] = {
        {"QLabel", "IDC_STATIC", "", 11, 17, 21, 20},
        {"QLabel", "IDC_STATIC", "Okapel Version 1.0", 40, 10, 119, 8},
        {"QLabel", "IDC_STATIC", nullptr, 40, 24, 119, 8},
        {"QPushButton", "IDOK", "OK", 178, 7, 50, 14},
        {"QLabel", "IDC_STATIC", nullptr, 40, 38, 119, 8},
    };
    const QList<QWidget*> controls = box.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), static_cast<qsizetype>(std::size(items)));
    const int iconSide = box.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &box);
    for (size_t i = 0; i < std::size(items); ++i) {
        SCOPED_TRACE(i);
        const Item& item = items[i];
        QWidget* control = controls[static_cast<qsizetype>(i)];
        EXPECT_STREQ(control->metaObject()->className(), item.className);
        EXPECT_EQ(control->objectName(), item.name);
        const QRect rect = DialogPixels(box.font(), item.x, item.y, item.cx, item.cy);
        if (i == 0) {
            // The icon static is sized to its icon; its corner is the template's.
            EXPECT_EQ(control->geometry(), QRect(rect.topLeft(), QSize(iconSide, iconSide)));
            continue;
        }
        EXPECT_EQ(control->geometry(), rect);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(control))
            text = button->text();
        if (item.text) {
            EXPECT_EQ(text, item.text);
        } else {
            EXPECT_FALSE(text.isEmpty());
        }
        // A static text is clipped at its width: the whole line must fit.
        if (qobject_cast<QLabel*>(control)) {
            EXPECT_LE(control->fontMetrics().horizontalAdvance(text), control->width())
                << text.toStdString();
        }
    }
    auto* ok = qobject_cast<QPushButton*>(controls[3]);
    EXPECT_TRUE(ok->isDefault());

    // The icon static shows the application icon's large image, pixel for pixel.
    auto* icon = qobject_cast<QLabel*>(controls[0]);
    const QImage shown =
        icon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(shown.isNull());
    const QImage expected = QImage(":/icons/okapel.png")
                                .scaled(iconSide, iconSide)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(shown, expected);
    box.reject();
}

TEST(AboutTest, IconPositionCentresWithTruncatingDivision) {
    struct Row {
        int cw, ch, iw, ih, x, y;
    };
    const Row rows[] = {
        {36, 36, 32, 32, 2, 2},   {37, 37, 32, 32, 3, 3},
        {0, 0, 32, 32, -15, -15}, // -31 / 2 truncates to -15, floor would give -16
        {32, 32, 32, 32, 0, 0},   {31, 31, 32, 32, 0, 0},   // 0 / 2
        {30, 29, 32, 32, 0, -1},                            // -1 / 2 is 0; -2 / 2 is -1
        {1, 2, 32, 32, -15, -14}, {160, 24, 32, 16, 64, 4}, // width and height taken apart
        {33, 100, 16, 16, 9, 42},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.cw << "x" << r.ch);
        int x = 1000, y = 1000;
        CManagerDlg::IconPosition(r.cw, r.ch, r.iw, r.ih, &x, &y);
        EXPECT_EQ(x, r.x);
        EXPECT_EQ(y, r.y);
    }
}

namespace {

// The dialog's own surface, as its paint handler leaves it (the controls paint themselves).
QImage PaintedSurface(CManagerDlg& dlg) {
    QImage surface(dlg.size(), QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::transparent);
    dlg.render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return surface;
}

} // namespace

TEST(AboutTest, MinimizedDialogPaintsTheCentredIconAndOtherwiseItsDefault) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    const int side = dlg.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &dlg);
    int x = 0, y = 0;
    CManagerDlg::IconPosition(dlg.width(), dlg.height(), side, side, &x, &y);

    QImage plain(dlg.size(), QImage::Format_ARGB32_Premultiplied);
    plain.fill(dlg.palette().window().color());
    QImage withIcon = plain;
    {
        QPainter painter(&withIcon);
        dlg.Icon().paint(&painter, QRect(x, y, side, side));
    }
    ASSERT_NE(withIcon, plain);

    EXPECT_EQ(PaintedSurface(dlg), plain);
    dlg.OnSysCommand(SC_MINIMIZE, 0);
    ASSERT_TRUE(dlg.isMinimized());
    EXPECT_EQ(PaintedSurface(dlg), withIcon);
    dlg.showNormal();
    EXPECT_EQ(PaintedSurface(dlg), plain);

    EXPECT_EQ(dlg.OnQueryDragIcon().cacheKey(), dlg.Icon().cacheKey());
}

TEST(AboutTest, ApplicationIconHasSixteenColourImagesForEverySizeAsked) {
    const std::pair<int, const char*> images[] = {
        {16, ":/icons/okapel-16.png"},   {20, ":/icons/okapel-20.png"},
        {24, ":/icons/okapel-24.png"},   {32, ":/icons/okapel.png"},
        {40, ":/icons/okapel-40.png"},   {48, ":/icons/okapel-48.png"},
        {64, ":/icons/okapel-64.png"},   {128, ":/icons/okapel-128.png"},
        {256, ":/icons/okapel-256.png"},
    };
    const QIcon icon = LoadResourceIcon(IDR_MAINFRAME);
    for (const auto& [size, path] : images) {
        SCOPED_TRACE(size);
        const QImage image(QString::fromLatin1(path));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_LE(image.colorCount(), 16);
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
    }
    EXPECT_TRUE(LoadResourceIcon(IDS_ABOUTBOX).isNull());
    // The small and the large icon on scaled screens are images of their own size, pixel for
    // pixel, never a smaller one blown up.
    struct Scaled {
        int side;
        qreal scale;
        const char* image;
    };
    const Scaled scaled[] = {
        {16, 1.25, ":/icons/okapel-20.png"}, {16, 1.5, ":/icons/okapel-24.png"},
        {16, 2.0, ":/icons/okapel.png"},     {32, 1.25, ":/icons/okapel-40.png"},
        {32, 1.5, ":/icons/okapel-48.png"},  {32, 2.0, ":/icons/okapel-64.png"},
    };
    for (const Scaled& s : scaled) {
        SCOPED_TRACE(testing::Message() << s.side << " at " << s.scale);
        const QPixmap pixmap = icon.pixmap(QSize(s.side, s.side), s.scale);
        EXPECT_EQ(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  QImage(QString::fromLatin1(s.image))
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
}

namespace {

const QString kSource = QStringLiteral(OKAPEL_SOURCE_DIR);

} // namespace

TEST(AboutTest, DesktopEntryPassesDesktopFileValidate) {
    const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
    if (tool.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (Debian: desktop-file-utils)";
    const ToolRun run = RunTool(tool, {kSource + "/packaging/okapel.desktop"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    // The validator reports hints and warnings with success too; there must be none.
    EXPECT_TRUE(run.output.trimmed().isEmpty()) << run.output.toStdString();
}

TEST(AboutTest, MetainfoPassesAppstreamValidate) {
    const QString tool = QStandardPaths::findExecutable("appstreamcli");
    if (tool.isEmpty())
        GTEST_SKIP() << "appstreamcli is not installed (Debian: appstream)";
    const ToolRun run =
        RunTool(tool, {"validate", "--no-net",
                       kSource + "/packaging/io.github.okapel.Okapel.metainfo.xml"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

TEST(AboutTest, MetainfoReleaseIsTheProgramVersion) {
    QFile file(kSource + "/packaging/io.github.okapel.Okapel.metainfo.xml");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpressionMatch latest =
        QRegularExpression(QStringLiteral("<release\\s+version=\"([^\"]+)\"")).match(text);
    ASSERT_TRUE(latest.hasMatch());
    EXPECT_EQ(latest.captured(1), QStringLiteral(OKAPEL_VERSION));
}

TEST(AboutTest, CommittedIconsAreWhatTheScriptDraws) {
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    const ToolRun run = RunTool(python, {kSource + "/scripts/make-icons.py", "--check"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

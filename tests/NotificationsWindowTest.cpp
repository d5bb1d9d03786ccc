// The notification log's window in the real dialog on the offscreen platform, fed through the
// log's inbox as the trap listener feeds it: the system menu's entry, the filter box and the
// choice, the details of the selected notification, the counts and the export.
#include "support/DialogDriver.h"
#include "support/Identifiers.h"
#include "support/Notifications.h"
#include "support/Wait.h"
#include "ui/NotificationLog.h"
#include "ui/NotificationModel.h"
#include "ui/NotificationsDlg.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kLinkUp = {1, 3, 6, 1, 6, 3, 1, 1, 5, 4};
const Ids kIfIndex = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1};

// linkDown and linkUp of interfaces 1 .. `count`, in turn, from two agents in turn.
std::vector<NotificationRef> LinkTraps(int count) {
    std::vector<NotificationRef> traps;
    for (int i = 0; i < count; ++i) {
        TestOrigin origin;
        origin.sender = i % 4 < 2 ? "10.0.0.7" : "10.0.0.8";
        Ids ifIndex = kIfIndex;
        ifIndex.push_back(static_cast<std::uint32_t>(i + 1));
        traps.push_back(NotificationOf(
            V2TrapOf(i % 2 ? kLinkUp : kLinkDown, {ber::Binding(ifIndex, ber::Integer(i + 1))}),
            origin));
    }
    return traps;
}

class NotificationsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_driver = std::make_unique<DialogDriver>();
        m_log = m_driver->dlg().NotificationLog();
        m_driver->dlg().OnSysCommand(IDM_NOTIFICATIONS, 0);
        m_window = m_driver->dlg().NotificationsWindow();
        ASSERT_NE(m_window, nullptr);
        ASSERT_TRUE(m_window->isVisible());
        ASSERT_EQ(m_window->objectName(), "IDD_NOTIFICATIONS");
    }

    void TearDown() override {
        CNotificationsDlg::SetFileChooser(nullptr);
        m_driver.reset();
    }

    template <typename T> T* Control(const char* name) {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }

    // Posts from another thread, as the trap listener does, and serves until the log has
    // taken them all.
    void Arrive(const std::vector<NotificationRef>& notifications) {
        const std::size_t before = m_log->Count() + m_log->Removed();
        std::thread listener([&] {
            for (const NotificationRef& n : notifications)
                m_log->Inbox()->Post(n);
        });
        listener.join();
        ASSERT_TRUE(ServeUntil(
            [&] { return m_log->Count() + m_log->Removed() == before + notifications.size(); }));
    }

    void Filter(const QString& text) {
        auto* box = Control<QLineEdit>("IDC_NOTIFICATION_FILTER");
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
        ASSERT_TRUE(ServeUntil([this] { return !m_window->Model()->Filtering(); }));
    }

    std::string Count() { return Control<QLabel>("IDC_NOTIFICATION_COUNT")->text().toStdString(); }
    std::string Details() {
        return Control<QPlainTextEdit>("IDC_NOTIFICATION_DETAILS")->toPlainText().toStdString();
    }

    std::unique_ptr<DialogDriver> m_driver;
    CNotificationLog* m_log = nullptr;
    CNotificationsDlg* m_window = nullptr;
};

TEST_F(NotificationsWindowTest, EveryControlIsThereWithItsNameForScreenReaders) {
    for (const char* name : {"IDC_NOTIFICATION_FILTER", "IDC_NOTIFICATION_CHOICE",
                             "IDC_NOTIFICATION_LIST", "IDC_NOTIFICATION_DETAILS"}) {
        QWidget* control = Control<QWidget>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
    }
    for (const char* name :
         {"IDC_NOTIFICATION_EXPORT", "IDC_NOTIFICATION_COUNT", "IDC_NOTIFICATION_STATUS"})
        EXPECT_NE(Control<QWidget>(name), nullptr) << name;
    // Opened again, the same window comes back.
    m_driver->dlg().OnSysCommand(IDM_NOTIFICATIONS, 0);
    EXPECT_EQ(m_driver->dlg().NotificationsWindow(), m_window);
}

TEST_F(NotificationsWindowTest, ClosingTheMainWindowTakesTheLogWindowWithIt) {
    m_driver->dlg().done(QDialog::Rejected);
    EXPECT_FALSE(m_window->isVisible());
}

// A newcomer's storm: linkDown and linkUp from two agents, filtered down to one agent's
// linkDown, one of them read, and the filter cleared again.
TEST_F(NotificationsWindowTest, FilterHidesAndClearingItShowsEveryNotificationAgain) {
    ASSERT_NO_FATAL_FAILURE(Arrive(LinkTraps(40)));
    EXPECT_EQ(Count(), "Showing 40 of 40 notifications");
    ASSERT_NO_FATAL_FAILURE(Filter(QStringLiteral("source:10.0.0.8 name:linkDown")));
    EXPECT_EQ(Count(), "Showing 10 of 40 notifications");
    auto* list = Control<QTableView>("IDC_NOTIFICATION_LIST");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    // The first linkDown of 10.0.0.8 is the third notification, of interface 3.
    EXPECT_EQ(m_window->Model()->NumberAt(list->currentIndex().row()), 3u);
    const std::string details = Details();
    EXPECT_NE(details.find("Notification 3, arrived "), std::string::npos) << details;
    EXPECT_NE(details.find("From 10.0.0.8:40000"), std::string::npos) << details;
    EXPECT_NE(details.find("SNMPv2c trap, community public"), std::string::npos) << details;
    EXPECT_NE(details.find("(" + Dotted(kIfIndex) + ".3), INTEGER\n   As sent: 3\n"),
              std::string::npos)
        << details;
    // What arrives while the filter is set is filtered as it comes.
    ASSERT_NO_FATAL_FAILURE(Arrive(LinkTraps(4)));
    EXPECT_EQ(Count(), "Showing 11 of 44 notifications");
    ASSERT_NO_FATAL_FAILURE(Filter(QString()));
    EXPECT_EQ(Count(), "Showing 44 of 44 notifications");
    // The notification read stays selected.
    EXPECT_EQ(m_window->Model()->NumberAt(list->currentIndex().row()), 3u);
}

TEST_F(NotificationsWindowTest, ChoiceOffersEachSourceAndNameOnce) {
    ASSERT_NO_FATAL_FAILURE(Arrive(LinkTraps(8)));
    auto* choice = Control<QComboBox>("IDC_NOTIFICATION_CHOICE");
    QStringList entries;
    for (int i = 0; i < choice->count(); ++i)
        entries << choice->itemText(i);
    const QString down = QString::fromStdString(std::string(m_log->At(1)->NameText()));
    const QString up = QString::fromStdString(std::string(m_log->At(2)->NameText()));
    EXPECT_EQ(entries, (QStringList{"All sources and names", "Source 10.0.0.7", "Source 10.0.0.8",
                                    "Name " + down, "Name " + up}));
    choice->setCurrentIndex(4);
    ASSERT_TRUE(ServeUntil([this] { return !m_window->Model()->Filtering(); }));
    EXPECT_EQ(Count(), "Showing 4 of 8 notifications");
    // A new source goes with the sources, and the choice made stays.
    TestOrigin third;
    third.sender = "10.0.0.9";
    ASSERT_NO_FATAL_FAILURE(Arrive({NotificationOf(V2TrapOf(kLinkUp), third)}));
    EXPECT_EQ(choice->itemText(3), "Source 10.0.0.9");
    EXPECT_EQ(choice->currentText(), "Name " + up);
    EXPECT_EQ(Count(), "Showing 5 of 9 notifications");
}

TEST_F(NotificationsWindowTest, FullLogSaysHowManyWent) {
    const std::vector<NotificationRef> traps = LinkTraps(10);
    m_log->SetByteLimitForTesting(4 * traps[0]->Footprint() + 8);
    ASSERT_NO_FATAL_FAILURE(Arrive(traps));
    EXPECT_EQ(Count(), "Showing 4 of 4 notifications; the log is full: the 6 oldest went");
}

// Exports through the window with the file `path` chosen, and waits for the export's end.
void ExportTo(CNotificationsDlg* window, const std::string& path, bool shownOnly) {
    CNotificationsDlg::SetFileChooser([path](QWidget*, std::string* chosen, ExportFormat* format) {
        *chosen = path;
        *format = ExportFormat::Csv;
        return true;
    });
    QSignalSpy ended(window, &CNotificationsDlg::exportEnded);
    window->OnExport(shownOnly);
    ASSERT_TRUE(ServeUntil([&] { return ended.count() > 0; }));
}

int CsvRows(const std::string& path) {
    std::ifstream file(path);
    int rows = -1; // the header
    for (std::string line; std::getline(file, line);)
        ++rows;
    return rows;
}

TEST_F(NotificationsWindowTest, ExportWritesAllOrWhatIsShownAndNothingUnlessAsked) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_NO_FATAL_FAILURE(Arrive(LinkTraps(12)));
    ASSERT_NO_FATAL_FAILURE(Filter(QStringLiteral("source:10.0.0.7 name:linkDown")));
    const std::string shown = dir.filePath(QStringLiteral("shown.csv")).toStdString();
    const std::string all = dir.filePath(QStringLiteral("all.csv")).toStdString();
    ASSERT_NO_FATAL_FAILURE(ExportTo(m_window, shown, true));
    ASSERT_NO_FATAL_FAILURE(ExportTo(m_window, all, false));
    // Three bindings each: sysUpTime.0, snmpTrapOID.0 and ifIndex.
    EXPECT_EQ(CsvRows(shown), 3 * 3);
    EXPECT_EQ(CsvRows(all), 12 * 3);
    EXPECT_EQ(Control<QLabel>("IDC_NOTIFICATION_STATUS")->text().toStdString(),
              "Exported 12 notifications to " + all);
    // An operator who chooses no file writes none.
    CNotificationsDlg::SetFileChooser([](QWidget*, std::string*, ExportFormat*) { return false; });
    m_window->OnExport(false);
    EXPECT_FALSE(m_window->ExportUnderWay());
    EXPECT_TRUE(m_driver->TakeBoxes().empty());
}

TEST_F(NotificationsWindowTest, ExportThatCannotBeWrittenGivesABoxAndLosesNothing) {
    ASSERT_NO_FATAL_FAILURE(Arrive(LinkTraps(5)));
    const std::string path = "/nonexistent-okapel-directory/log.csv";
    ASSERT_NO_FATAL_FAILURE(ExportTo(m_window, path, false));
    const std::vector<CManagerDlg::MessageRecord> boxes = m_driver->TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Export Error");
    EXPECT_EQ(boxes[0].text, "Cannot write " + path + ": No such file or directory");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(m_log->Count(), 5u);
    EXPECT_EQ(Count(), "Showing 5 of 5 notifications");
}

} // namespace

// The notification log's window (IDD_NOTIFICATIONS), from the system menu's
// "&Notifications...": the log's notifications in a table, one row each (IDC_NOTIFICATION_LIST),
// narrowed by a filter box (IDC_NOTIFICATION_FILTER) and a choice of one source or one name
// (IDC_NOTIFICATION_CHOICE); the selected one's details (IDC_NOTIFICATION_DETAILS); how many
// are shown of how many (IDC_NOTIFICATION_COUNT); and "&Export..." (IDC_NOTIFICATION_EXPORT),
// which writes all of them or those shown to a file, off the window's thread, telling how it
// went in IDC_NOTIFICATION_STATUS.
//
// A window of its own beside the main one, laid out by Qt's layouts; every control has a
// name for screen readers and is reached by Tab and by its mnemonic.
#pragma once

#include "traps/NotificationExport.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class CNotificationLog;
class CNotificationModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class CNotificationsDlg : public QDialog {
    Q_OBJECT

public:
    // How the window shows a box: the main dialog's one helper (text, caption, icon).
    using BoxFunction = std::function<void(const char* text, const char* caption, unsigned type)>;

    CNotificationsDlg(CNotificationLog* log, BoxFunction box, QWidget* parent);
    ~CNotificationsDlg() override; // an export under way is cancelled and waited for

    CNotificationModel* Model() const { return m_model; }

    // "&Export...": all the log's notifications, or only those shown, to a file the operator
    // chooses; nothing when the operator chooses none. The writing goes on off the window's
    // thread; a file that cannot be written gives a box, and the log keeps everything.
    void OnExport(bool shownOnly);
    bool ExportUnderWay() const { return m_exportThread.joinable(); }

    // Chooses the file to export to: false when the operator chose none. The real one asks
    // with the toolkit's file dialog; SetFileChooser is a seam of the testing library
    // (src/testing), which the tests link and the program does not.
    using FileChooser =
        std::function<bool(QWidget* parent, std::string* path, ExportFormat* format)>;
    static void SetFileChooser(FileChooser chooser);

signals:
    // An export has ended, written, failed (after its box) or cancelled.
    void exportEnded();

private:
    void CreateControls();
    void ConnectControls();
    void OnFilterChange();
    void OnChoicesGrew();
    void OnCurrentRowChange();
    void ShowCounts();
    void EndExport(ExportResult result, const std::string& path, std::size_t count,
                   const std::string& error);
    static FileChooser& FileChooserSlot();

    CNotificationLog* m_log;
    BoxFunction m_box;
    CNotificationModel* m_model = nullptr;
    QLineEdit* m_filter = nullptr;
    QComboBox* m_choice = nullptr;
    QTableView* m_list = nullptr;
    QPlainTextEdit* m_details = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_export = nullptr;
    // The choice's entries: sources after the first entry, then names.
    int m_sourcesOffered = 0;
    int m_namesOffered = 0;
    // Whether the table showed its newest row when rows were about to come, so that it goes
    // on following them.
    bool m_followNewest = true;

    std::thread m_exportThread;
    std::atomic<bool> m_cancelExport{false};
};

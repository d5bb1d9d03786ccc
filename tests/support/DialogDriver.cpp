#include "support/DialogDriver.h"

#include "support/Ports.h"
#include "testing/SnmpTesting.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {

bool IsListenError(const CManagerDlg::MessageRecord& box) {
    return box.caption == "Listen Error";
}

} // namespace

DialogDriver::DialogDriver(Shown shown, std::uint16_t trapPort)
    : m_boxes(std::make_shared<std::vector<CManagerDlg::MessageRecord>>()) {
    SnmpMgrSetTrapPortForTesting(trapPort != 0 ? trapPort : FreeTrapTestPort());
    // The hook runs on the dialog's thread, the trap listener's boxes included.
    CManagerDlg::SetMessageHook(
        [boxes = m_boxes](const CManagerDlg::MessageRecord& box) { boxes->push_back(box); });
    m_dlg = std::make_unique<CManagerDlg>(nullptr);
    if (shown == Shown::Now)
        Show();
}

DialogDriver::~DialogDriver() {
    if (m_dlg->isVisible())
        m_dlg->done(QDialog::Rejected);
    m_dlg.reset();
    CManagerDlg::SetMessageHook(nullptr);
    SnmpMgrTrapServiceStopForTesting();
}

void DialogDriver::Show() {
    m_dlg->show();
    QApplication::processEvents();
}

CListBox* DialogDriver::walkList() {
    return m_dlg->ListBox(IDC_WALK_LIST);
}

CListBox* DialogDriver::trapList() {
    return m_dlg->ListBox(IDC_TRAP_LIST);
}

void DialogDriver::SetText(int id, const std::string& text) {
    m_dlg->SetDlgItemText(id, text.c_str());
}

std::string DialogDriver::Text(int id) {
    return m_dlg->GetDlgItemText(id);
}

void DialogDriver::Click(int id) {
    auto* button = qobject_cast<QPushButton*>(m_dlg->GetDlgItem(id));
    if (!button) {
        ADD_FAILURE() << "no push button " << id;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

bool DialogDriver::Enabled(int id) {
    return m_dlg->GetDlgItem(id)->isEnabled();
}

void DialogDriver::ChooseType(const std::string& name) {
    CComboBox* types = m_dlg->ComboBox(IDC_TYPE);
    const int index = name.empty() ? -1 : types->findText(QString::fromStdString(name));
    if (!name.empty() && index < 0)
        ADD_FAILURE() << "no type " << name;
    types->SetCurSel(index);
}

std::string DialogDriver::TypeText() {
    CComboBox* types = m_dlg->ComboBox(IDC_TYPE);
    return types->currentIndex() < 0 ? "" : types->currentText().toStdString();
}

std::vector<std::string> ListLines(const CListBox& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.GetCount(); ++i) {
        std::string line;
        const int length = list.GetText(i, &line);
        EXPECT_EQ(length, static_cast<int>(line.size()));
        lines.push_back(line);
    }
    return lines;
}

void ClosePopups() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void InEachDesktopFont(const std::function<void()>& body) {
    const QFont original = QApplication::font();
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {"DejaVu Sans", "Noto Sans", "Cantarell"}) {
        if (!installed.contains(QLatin1String(family)))
            continue;
        for (int points : {9, 11, 13}) {
            SCOPED_TRACE(testing::Message() << family << " " << points);
            QApplication::setFont(QFont(QLatin1String(family), points));
            body();
        }
    }
    QApplication::setFont(original);
}

std::vector<std::string> DialogDriver::WalkLines() {
    return ListLines(*walkList());
}

std::vector<std::string> DialogDriver::TrapLines() {
    return ListLines(*trapList());
}

void DialogDriver::Open(const std::string& address, const std::string& community) {
    SetText(IDC_IPADDRESS, address);
    SetText(IDC_COMMUNITY, community);
    Click(IDC_OPEN);
    const auto boxes = TakeBoxes();
    ASSERT_TRUE(boxes.empty()) << boxes.front().text;
    ASSERT_NE(m_dlg->Session(), nullptr);
}

std::vector<CManagerDlg::MessageRecord> DialogDriver::TakeBoxes() {
    std::vector<CManagerDlg::MessageRecord> taken;
    taken.swap(*m_boxes);
    std::erase_if(taken, IsListenError);
    return taken;
}

#include "support/DialogDriver.h"

#include "snmpapi/SnmpTesting.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

unsigned short FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

DialogDriver::DialogDriver()
    : m_boxes(std::make_shared<std::vector<CManagerDlg::MessageRecord>>()) {
    SnmpMgrSetTrapPortForTesting(FreeUdpPort());
    CManagerDlg::SetMessageHook([boxes = m_boxes](const CManagerDlg::MessageRecord& box) {
        if (box.caption != "Listen Error")
            boxes->push_back(box);
    });
    m_dlg = std::make_unique<CManagerDlg>(nullptr);
    m_dlg->show();
    QApplication::processEvents();
}

DialogDriver::~DialogDriver() {
    if (m_dlg->isVisible())
        m_dlg->done(QDialog::Rejected);
    m_dlg.reset();
    CManagerDlg::SetMessageHook(nullptr);
    SnmpMgrTrapServiceStopForTesting();
}

CListBox* DialogDriver::walkList() {
    return m_dlg->ListBox(IDC_WALK_LIST);
}

void DialogDriver::SetText(int id, const std::string& text) {
    m_dlg->SetDlgItemText(id, text.c_str());
}

std::string DialogDriver::Text(int id) {
    return m_dlg->GetDlgItemText(id);
}

void DialogDriver::Click(int id) {
    auto* button = qobject_cast<QPushButton*>(m_dlg->GetDlgItem(id));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

std::string DialogDriver::TypeText() {
    QComboBox* types = m_dlg->ComboBox(IDC_TYPE);
    return types->currentIndex() < 0 ? "" : types->currentText().toStdString();
}

std::vector<std::string> DialogDriver::WalkLines() {
    std::vector<std::string> lines;
    CListBox* list = walkList();
    for (int i = 0; i < list->GetCount(); ++i) {
        std::string line;
        list->GetText(i, &line);
        lines.push_back(line);
    }
    return lines;
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
    return taken;
}

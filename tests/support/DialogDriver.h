// Drives the real main dialog on the offscreen platform: shows it without blocking,
// records its message boxes instead of showing them, and reaches controls by identifier.
#pragma once

#include "ui/ManagerDlg.h"

#include <memory>
#include <string>
#include <vector>

class CListBox;

class DialogDriver {
public:
    DialogDriver();  // constructs and shows the dialog, trap service on a free test port
    ~DialogDriver(); // ends the dialog and removes the box hook

    CManagerDlg& dlg() { return *m_dlg; }
    CListBox* walkList();

    void SetText(int id, const std::string& text);
    std::string Text(int id);
    void Click(int id);     // a real mouse click on the button
    std::string TypeText(); // the selected entry of the type list, or "" with none
    std::vector<std::string> WalkLines();

    // Opens a session with the agent; fails the test when Open shows a box.
    void Open(const std::string& address, const std::string& community = "walnut");

    // Boxes shown since the last call (the trap listener's own "Listen Error" excluded).
    std::vector<CManagerDlg::MessageRecord> TakeBoxes();

private:
    std::unique_ptr<CManagerDlg> m_dlg;
    std::shared_ptr<std::vector<CManagerDlg::MessageRecord>> m_boxes;
};

// A UDP port on 127.0.0.1 that was free a moment ago.
unsigned short FreeUdpPort();

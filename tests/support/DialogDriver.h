// Drives the real main dialog on the offscreen platform: shows it without blocking,
// records its message boxes instead of showing them, and reaches controls by identifier.
// Its helpers that can fail the test (Open) are called through ASSERT_NO_FATAL_FAILURE, so
// that a test ends where its setting up failed.
#pragma once

#include "ui/ManagerDlg.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CListBox;

// The box of a request that failed without an answer from the agent.
inline constexpr const char* kFailedCall =
    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0";

// Every line of the list, each read whole.
std::vector<std::string> ListLines(const CListBox& list);

// Ends whatever popup is open (the dialog's system menu or a control's own menu).
void ClosePopups();

// Runs `body` with the application's font set to each family of today's desktops that the
// machine has (DejaVu Sans, Noto Sans, Cantarell) at 9, 11 and 13 points, each run traced by
// its font; the application's own font is put back after.
void InEachDesktopFont(const std::function<void()>& body);

class DialogDriver {
public:
    enum class Shown { Now, Later };

    // Constructs the dialog with its trap service on `trapPort` (0: a free test port) and,
    // unless Later, shows it.
    explicit DialogDriver(Shown shown = Shown::Now, std::uint16_t trapPort = 0);
    ~DialogDriver(); // ends the dialog and removes the box hook

    void Show(); // shows the dialog and serves its first events

    CManagerDlg& dlg() { return *m_dlg; }
    CListBox* walkList();
    CListBox* trapList();

    void SetText(int id, const std::string& text);
    std::string Text(int id);
    void Click(int id); // a real mouse click on the button
    bool Enabled(int id);
    // Selects the type list's entry of that name ("int32", "Octet", ...); "" selects none.
    void ChooseType(const std::string& name);
    std::string TypeText(); // the selected entry of the type list, or "" with none
    std::vector<std::string> WalkLines();
    std::vector<std::string> TrapLines();

    // Opens a session with the agent; fails the test when Open shows a box.
    void Open(const std::string& address, const std::string& community = "walnut");

    // Boxes shown since the last call. The trap listener's "Listen Error" is left out: another
    // test may have taken the free port chosen for this dialog's trap service.
    std::vector<CManagerDlg::MessageRecord> TakeBoxes();
    // Every box shown since the last TakeBoxes, the listener's own included.
    const std::vector<CManagerDlg::MessageRecord>& Boxes() const { return *m_boxes; }

private:
    std::unique_ptr<CManagerDlg> m_dlg;
    std::shared_ptr<std::vector<CManagerDlg::MessageRecord>> m_boxes;
};

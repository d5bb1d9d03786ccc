// Get All: the walk of a subtree by GetNext, and the two notifications of the walk list.
#include "snmp/RequestSupport.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"

#include <QElapsedTimer>

#include <string>

namespace {

// ".1.3.6.1.2.1.1.5.0": every sub-identifier as an unsigned number, however many.
void AppendIdentifierText(const AsnObjectIdentifier& oid, std::string* line) {
    char digits[16];
    for (UINT i = 0; i < oid.idLength; ++i) {
        const int n =
            std::snprintf(digits, sizeof digits, ".%u", static_cast<unsigned>(oid.ids[i]));
        line->append(digits, static_cast<size_t>(n));
    }
}

// Lines are painted while the walk runs, but no more often than the eye can follow, so
// that painting costs the walk next to nothing. No input is handled meanwhile.
class WalkPainter {
public:
    explicit WalkPainter(CListBox* list) : m_list(list) { m_sincePaint.start(); }
    void LineAdded() {
        if (m_sincePaint.elapsed() >= kIntervalMs) {
            m_list->Flush();
            m_list->repaint();
            m_sincePaint.restart();
        }
    }

private:
    static constexpr qint64 kIntervalMs = 40;
    CListBox* m_list;
    QElapsedTimer m_sincePaint;
};

// The identifier text of a walk line: everything before the character that precedes the
// first ":" (the space of " : ").
std::string IdentifierOfLine(const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return line;
    return line.substr(0, colon == 0 ? 0 : colon - 1);
}

} // namespace

void CManagerDlg::OnGetAll() {
    const std::string text = GetDlgItemText(IDC_OID);
    AsnObjectIdentifier root{};
    if (!SnmpMgrStrToOid(text.c_str(), &root)) {
        MessageBox("Invalid Oid", "Error", MB_OK | MB_ICONERROR);
        return;
    }
    SnmpVarBindList list{};
    const bool built = BuildRequestList(&root, &list);
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    CListBox* walkList = ListBox(IDC_WALK_LIST);
    walkList->ResetContent();

    std::string failure; // the box that ends the walk, if any
    const char* caption = "Snmp Error";
    {
        CWaitCursor wait;
        WalkPainter painter(walkList);
        AsnObjectIdentifier requested{}; // the name each GetNext asked after
        std::string line;
        for (;;) {
            SnmpUtilOidFree(&requested);
            if (!built || !SnmpUtilOidCpy(&requested, &list.list[0].name) ||
                !SnmpMgrRequest(m_hSession, SNMP_PDU_GETNEXT, &list, &errorStatus, &errorIndex)) {
                failure = "Snmp Request Failed\n" + StatusLine(errorStatus, errorIndex);
                break;
            }
            SnmpVarBind& answer = list.list[0];
            if (errorStatus == SNMP_ERRORSTATUS_NOSUCHNAME)
                break; // the agent has no object after the one requested
            if (answer.name.idLength < root.idLength ||
                SnmpUtilOidNCmp(&answer.name, &root, root.idLength) != 0)
                break; // past the end of the subtree
            if (errorStatus != 0) {
                // Below 0 too: a negative status is the agent's error, never a line read.
                failure = StatusLine(errorStatus, errorIndex);
                break;
            }
            // An agent whose answers do not advance would keep the walk going for ever.
            if (SnmpUtilOidCmp(&answer.name, &requested) <= 0) {
                std::string name;
                AppendIdentifierText(answer.name, &name);
                failure = "The agent's answers do not advance: it answered " + name +
                          " to a request for the object after it.";
                break;
            }

            line.clear();
            AppendIdentifierText(answer.name, &line);
            line += " : ";
            char* valueText = FormatValue(&answer.value);
            if (valueText)
                line += valueText;
            const int added = walkList->AddString(line);
            SnmpUtilMemFree(valueText);
            if (added == LB_ERRSPACE) {
                // An agent with objects without end would hold the window for ever, its
                // lines dropped unseen: a list that takes no more lines ends the walk.
                failure = "The walk list cannot take more lines: the walk stopped after " +
                          std::to_string(walkList->GetCount()) + " lines.";
                caption = "Error";
                break;
            }
            painter.LineAdded();

            // The next request asks after the answer's name, with a NULL value.
            AsnObjectIdentifier next{};
            SnmpUtilOidCpy(&next, &answer.name);
            SnmpUtilVarBindFree(&answer);
            SnmpUtilOidCpy(&answer.name, &next);
            answer.value.asnType = ASN_NULL;
            SnmpUtilOidFree(&next);
        }
        SnmpUtilOidFree(&requested);
    }
    walkList->Flush();
    walkList->update();
    if (!failure.empty())
        MessageBox(failure.c_str(), caption, MB_OK | MB_ICONERROR);
    SnmpUtilVarBindListFree(&list);
    SnmpUtilOidFree(&root);
}

void CManagerDlg::OnWalkListDblClk() {
    CListBox* walkList = ListBox(IDC_WALK_LIST);
    const int index = walkList->GetCurSel();
    if (index == LB_ERR)
        return;
    std::string line;
    if (walkList->GetText(index, &line) == LB_ERR)
        return;
    // The Get asks for the line's whole identifier. Read back through the OID box it would
    // be cut at the box's 254 characters, and an identifier longer than that (an object
    // with a hundred sub-identifiers and more) would be another object.
    const std::string identifier = IdentifierOfLine(line);
    SetDlgItemText(IDC_OID, identifier.c_str());
    GetObjectOfText(identifier);
}

void CManagerDlg::OnWalkListSelChange() {
    CListBox* walkList = ListBox(IDC_WALK_LIST);
    const int index = walkList->GetCurSel();
    if (index == LB_ERR)
        return;
    std::string line;
    if (walkList->GetText(index, &line) == LB_ERR)
        return;
    // A conversion that fails leaves the OID name box as it was; only what a conversion
    // made is shown and released.
    AsnObjectIdentifier oid{};
    if (!SnmpMgrStrToOid(IdentifierOfLine(line).c_str(), &oid))
        return;
    char* name = nullptr;
    if (SnmpMgrOidToStr(&oid, &name)) {
        SetDlgItemText(IDC_OID_NAME, name);
        SnmpUtilMemFree(name);
    }
    SnmpUtilOidFree(&oid);
}

// Get All: the walk of a subtree by GetNext, and the two notifications of the walk list.
#include "snmp/RequestSupport.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

#include <QElapsedTimer>
#include <QLineEdit>

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

// The identifier text of the walk list's selected line; false with no line selected.
bool SelectedIdentifier(const CListBox* walkList, std::string* identifier) {
    const int index = walkList->GetCurSel();
    std::string line;
    if (index == LB_ERR || walkList->GetText(index, &line) == LB_ERR)
        return false;
    *identifier = IdentifierOfLine(line);
    return true;
}

// How a walk ended: quietly, or with the box that says why.
struct WalkEnd {
    std::string failure; // empty: the walk ended quietly
    const char* caption = "Snmp Error";
};

// Whether the walk goes on with this GetNext answer to a request after `requested`; when it
// does not, `end` says whether a box tells why.
bool AnswerContinuesWalk(const SnmpVarBind& answer, AsnInteger errorStatus, AsnInteger errorIndex,
                         const AsnObjectIdentifier& root, const AsnObjectIdentifier& requested,
                         WalkEnd* end) {
    if (errorStatus == SNMP_ERRORSTATUS_NOSUCHNAME)
        return false; // the agent has no object after the one requested
    if (errorStatus != 0) {
        // Below 0 too: a negative status is the agent's error, never a line read. Judged
        // before the answer's place: an error answer's binding is the request's echo or
        // anything at all, and says nothing of where the subtree ends.
        end->failure = StatusLine(errorStatus, errorIndex);
        return false;
    }
    if (answer.name.idLength < root.idLength ||
        SnmpUtilOidNCmp(&answer.name, &root, root.idLength) != 0)
        return false; // past the end of the subtree
    // An agent whose answers do not advance would keep the walk going for ever.
    if (SnmpUtilOidCmp(&answer.name, &requested) <= 0) {
        std::string name;
        AppendIdentifierText(answer.name, &name);
        end->failure = "The agent's answers do not advance: it answered " + name +
                       " to a request for the object after it.";
        return false;
    }
    return true;
}

// Adds the answer's line, "<identifier> : <value text>", to the walk list (`line` is the
// walk's buffer, kept between lines); false, with `end` filled in, when the list takes no
// more.
bool AddWalkLine(CListBox* walkList, const SnmpVarBind& answer, std::string* line, WalkEnd* end) {
    line->clear();
    AppendIdentifierText(answer.name, line);
    *line += " : ";
    char* valueText = values::FormatValue(&answer.value);
    if (valueText)
        *line += valueText;
    const int added = walkList->AddString(*line);
    SnmpUtilMemFree(valueText);
    if (added != LB_ERRSPACE)
        return true;
    // An agent with objects without end would hold the window for ever, its lines dropped
    // unseen: a list that takes no more lines ends the walk.
    end->failure = "The walk list cannot take more lines: the walk stopped after " +
                   std::to_string(walkList->GetCount()) + " lines.";
    end->caption = "Error";
    return false;
}

// Makes the answer's binding the next request: the object after the answer's name, asked
// with a NULL value.
void AskAfter(SnmpVarBind* binding) {
    AsnObjectIdentifier next{};
    SnmpUtilOidCpy(&next, &binding->name);
    SnmpUtilVarBindFree(binding);
    SnmpUtilOidCpy(&binding->name, &next);
    binding->value.asnType = ASN_NULL;
    SnmpUtilOidFree(&next);
}

// The first GetNext's request list: after the root itself, or, for a root of one arc
// (".1", the root operators type to walk a whole agent), after that arc followed by 0, the
// smallest identifier below it that BER can carry (it joins the first two arcs in one,
// X.690 8.19.4), as snmpwalk does. False when memory cannot be had.
bool BuildFirstRequest(const AsnObjectIdentifier& root, CRequestList* request) {
    if (root.idLength != 1)
        return request->Build(&root);
    UINT zero = 0;
    const AsnObjectIdentifier arcZero{1, &zero};
    AsnObjectIdentifier first{};
    const bool built = SnmpUtilOidCpy(&first, &root) && SnmpUtilOidAppend(&first, &arcZero) &&
                       request->Build(&first);
    SnmpUtilOidFree(&first);
    return built;
}

// The walk of the subtree under `root` on `session` by GetNext, one line per object in the
// walk list, painted as it goes; the busy pointer shows meanwhile.
WalkEnd WalkSubtree(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root,
                    CListBox* walkList) {
    CRequestList request;
    const bool built = BuildFirstRequest(root, &request);
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    WalkEnd end;
    CWaitCursor wait;
    WalkPainter painter(walkList);
    AsnObjectIdentifier requested{}; // the name each GetNext asked after
    std::string line;
    for (;;) {
        SnmpUtilOidFree(&requested);
        if (!built || !SnmpUtilOidCpy(&requested, &request.Binding().name) ||
            !SnmpMgrRequest(session, SNMP_PDU_GETNEXT, request.List(), &errorStatus, &errorIndex)) {
            end.failure = "Snmp Request Failed\n" + StatusLine(errorStatus, errorIndex);
            break;
        }
        SnmpVarBind& answer = request.Binding();
        if (!AnswerContinuesWalk(answer, errorStatus, errorIndex, root, requested, &end) ||
            !AddWalkLine(walkList, answer, &line, &end))
            break;
        painter.LineAdded();
        AskAfter(&answer);
    }
    SnmpUtilOidFree(&requested);
    return end;
}

// A long name's useful end is the object's own name and its index: the OID name box keeps
// its end in view (a line edit scrolls to keep its cursor in view, focused or not), and the
// whole name stays in the box, to select and copy, and in its tooltip.
void ShowEndOfName(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        edit->setToolTip(edit->text());
    }
}

} // namespace

void CManagerDlg::OnGetAll() {
    AsnObjectIdentifier root{};
    if (!ConvertOid(GetDlgItemText(IDC_OID), &root))
        return;
    CListBox* walkList = ListBox(IDC_WALK_LIST);
    walkList->ResetContent();
    const WalkEnd end = WalkSubtree(m_hSession, root, walkList);
    walkList->Flush();
    walkList->update();
    if (!end.failure.empty())
        MessageBox(end.failure.c_str(), end.caption, MB_OK | MB_ICONERROR);
    SnmpUtilOidFree(&root);
}

void CManagerDlg::OnWalkListDblClk() {
    std::string identifier;
    if (!SelectedIdentifier(ListBox(IDC_WALK_LIST), &identifier))
        return;
    // The Get asks for the line's whole identifier. Read back through the OID box it would
    // be cut at the box's 254 characters, and an identifier longer than that (an object
    // with a hundred sub-identifiers and more) would be another object.
    SetDlgItemText(IDC_OID, identifier.c_str());
    GetObjectOfText(identifier);
}

void CManagerDlg::OnWalkListSelChange() {
    std::string identifier;
    if (!SelectedIdentifier(ListBox(IDC_WALK_LIST), &identifier))
        return;
    // A conversion that fails leaves the OID name box as it was; only what a conversion
    // made is shown and released.
    AsnObjectIdentifier oid{};
    if (!SnmpMgrStrToOid(identifier.c_str(), &oid))
        return;
    char* name = nullptr;
    if (SnmpMgrOidToStr(&oid, &name)) {
        SetDlgItemText(IDC_OID_NAME, name);
        ShowEndOfName(GetDlgItem(IDC_OID_NAME));
        SnmpUtilMemFree(name);
    }
    SnmpUtilOidFree(&oid);
}

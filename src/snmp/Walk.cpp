// Get All: the walk of a subtree, by GetNext on an SNMPv1 session and by GetBulk on an
// SNMPv2c one, and the two notifications of the walk list.
#include "snmp/RequestSupport.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>

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

// The identifier as the walk's texts write it.
std::string IdentifierText(const AsnObjectIdentifier& oid) {
    std::string text;
    AppendIdentifierText(oid, &text);
    return text;
}

// Whether the walk goes on with this answer to a request for the object after `requested`
// (in a GetBulk answer, the binding before it); when it does not, `end` says how it ended.
bool AnswerContinuesWalk(const SnmpVarBind& answer, AsnInteger errorStatus, AsnInteger errorIndex,
                         const AsnObjectIdentifier& root, const AsnObjectIdentifier& requested,
                         Outcome* end) {
    if (errorStatus == SNMP_ERRORSTATUS_NOSUCHNAME)
        return false; // the agent has no object after the one requested
    if (errorStatus != 0) {
        // Below 0 too: a negative status is the agent's error, never a line read. Judged
        // before the answer's place: an error answer's binding is the request's echo or
        // anything at all, and says nothing of where the subtree ends.
        *end = AgentAnswer(OutcomeKind::WalkAgentError, errorStatus, errorIndex);
        return false;
    }
    if (answer.name.idLength < root.idLength ||
        SnmpUtilOidNCmp(&answer.name, &root, root.idLength) != 0)
        return false; // past the end of the subtree
    // An agent whose answers do not advance would keep the walk going for ever.
    if (SnmpUtilOidCmp(&answer.name, &requested) <= 0) {
        *end = Outcome{OutcomeKind::WalkNotAdvancing, 0, 0, 0, IdentifierText(answer.name)};
        return false;
    }
    return true;
}

// Adds the answer's line, "<identifier> : <value text>", to the walk list (`line` is the
// walk's buffer, kept between lines); false, with `end` filled in, when the list takes no
// more.
bool AddWalkLine(CListBox* walkList, const SnmpVarBind& answer, std::string* line, Outcome* end) {
    line->clear();
    AppendIdentifierText(answer.name, line);
    *line += " : ";
    char* valueText = values::FormatValue(&answer.value);
    if (valueText)
        *line += valueText;
    const int added = walkList->AddString(*line, &answer);
    SnmpUtilMemFree(valueText);
    if (added != LB_ERRSPACE)
        return true;
    // An agent with objects without end would hold the window for ever, its lines dropped
    // unseen: a list that takes no more lines ends the walk.
    *end = Outcome{OutcomeKind::WalkListFull, 0, 0, 0, std::to_string(walkList->GetCount())};
    return false;
}

// Makes the answer's binding the next request: the object after the answer's name, asked
// with a NULL value. The name stays where it is, so nothing is copied that could fail.
void AskAfter(SnmpVarBind* binding) {
    SnmpUtilAsnAnyFree(&binding->value); // leaves a NULL
}

// The name the first request asks after: the root itself, or, for a root of one arc (".1",
// the root operators type to walk a whole agent), that arc followed by 0, the smallest
// identifier below it that BER can carry (it joins the first two arcs in one, X.690 8.19.4),
// as snmpwalk does. False when memory cannot be had.
bool FirstAskedName(const AsnObjectIdentifier& root, AsnObjectIdentifier* name) {
    *name = AsnObjectIdentifier{};
    if (!SnmpUtilOidCpy(name, &root))
        return false;
    UINT zero = 0;
    const AsnObjectIdentifier arcZero{1, &zero};
    return root.idLength != 1 || SnmpUtilOidAppend(name, &arcZero);
}

// The first GetNext's request list, after the first name asked after. False when memory
// cannot be had.
bool BuildFirstRequest(const AsnObjectIdentifier& root, CRequestList* request) {
    AsnObjectIdentifier first{};
    const bool built = FirstAskedName(root, &first) && request->Build(&first);
    SnmpUtilOidFree(&first);
    return built;
}

// The walk of the subtree under `root` on an SNMPv1 session by GetNext, one line per object
// in the walk list, painted as it goes; the busy pointer shows meanwhile.
Outcome NextWalk(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root, CListBox* walkList) {
    CRequestList request;
    const bool built = BuildFirstRequest(root, &request);
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    Outcome end;
    CWaitCursor wait;
    WalkPainter painter(walkList);
    AsnObjectIdentifier requested{}; // the name each GetNext asked after
    std::string line;
    for (;;) {
        SnmpUtilOidFree(&requested);
        if (!built || !SnmpUtilOidCpy(&requested, &request.Binding().name) ||
            !SnmpMgrRequest(session, SNMP_PDU_GETNEXT, request.List(), &errorStatus, &errorIndex)) {
            end = FailedRequest(OutcomeKind::WalkFailed, GetLastError(), errorStatus, errorIndex);
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

// A GetBulk walk's state between its requests: the name that the next request asks after
// and how many objects it asks for.
class CBulkWalk {
public:
    CBulkWalk(LPSNMP_MGR_SESSION session, int bulkSize, const AsnObjectIdentifier& root,
              CListBox* walkList)
        : m_session(session), m_repetitions(static_cast<UINT>(std::max(1, bulkSize))), m_root(root),
          m_list(walkList), m_painter(walkList) {}
    ~CBulkWalk() { SnmpUtilOidFree(&m_requested); }
    CBulkWalk(const CBulkWalk&) = delete;
    CBulkWalk& operator=(const CBulkWalk&) = delete;

    Outcome Run();

private:
    bool AskSmaller(AsnInteger errorStatus, const SnmpVarBindList& answer);
    bool TakeAnswer(const SnmpVarBindList& answer, AsnInteger errorStatus, AsnInteger errorIndex);

    LPSNMP_MGR_SESSION m_session;
    UINT m_repetitions;
    const AsnObjectIdentifier& m_root;
    CListBox* m_list;
    WalkPainter m_painter;
    AsnObjectIdentifier m_requested{};
    std::string m_line; // the walk's line buffer, kept between lines
    Outcome m_end;
};

// One request after another, each for the objects after the last one taken, until an answer
// ends the walk. No non-repeaters: the one binding repeats (RFC 3416, 4.2.3).
Outcome CBulkWalk::Run() {
    CRequestList request;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    CWaitCursor wait;
    // A name that could not be made is empty, which the request refuses to send.
    FirstAskedName(m_root, &m_requested);
    bool more = true;
    while (more) {
        if (!request.Build(&m_requested) ||
            !SnmpMgrBulkRequest(m_session, 0, m_repetitions, request.List(), &errorStatus,
                                &errorIndex)) {
            return FailedRequest(OutcomeKind::WalkFailed, GetLastError(), errorStatus, errorIndex);
        }
        if (AskSmaller(errorStatus, *request.List()))
            continue;
        more = TakeAnswer(*request.List(), errorStatus, errorIndex);
    }
    return m_end;
}

// An agent that cannot fit its answer in a message (tooBig, or a success with no binding,
// which RFC 3416, 4.2.3 lets it send) is asked again for half as many objects, down to one.
bool CBulkWalk::AskSmaller(AsnInteger errorStatus, const SnmpVarBindList& answer) {
    const bool tooBig =
        errorStatus == SNMP_ERRORSTATUS_TOOBIG || (errorStatus == 0 && answer.len == 0);
    if (!tooBig || m_repetitions == 1)
        return false;
    m_repetitions /= 2;
    return true;
}

// Takes the answer's bindings in order, one line each, until one ends the walk; whether the
// walk goes on after the last of them.
bool CBulkWalk::TakeAnswer(const SnmpVarBindList& answer, AsnInteger errorStatus,
                           AsnInteger errorIndex) {
    if (errorStatus == 0 && answer.len == 0) {
        m_end = Outcome{OutcomeKind::WalkEmptyAnswer, 0, 0, 0, IdentifierText(m_requested)};
        return false;
    }
    for (UINT i = 0; i < answer.len; ++i) {
        const SnmpVarBind& binding = answer.list[i];
        if (errorStatus == 0 && binding.value.asnType == SNMP_EXCEPTION_ENDOFMIBVIEW)
            return false; // the agent has no object after the one before
        const AsnObjectIdentifier& previous = i == 0 ? m_requested : answer.list[i - 1].name;
        if (!AnswerContinuesWalk(binding, errorStatus, errorIndex, m_root, previous, &m_end) ||
            !AddWalkLine(m_list, binding, &m_line, &m_end))
            return false;
        m_painter.LineAdded();
    }
    SnmpUtilOidFree(&m_requested);
    SnmpUtilOidCpy(&m_requested, &answer.list[answer.len - 1].name);
    return true;
}

// The walk of the subtree under `root` on `session`, by the session's version.
Outcome WalkSubtree(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root,
                    CListBox* walkList) {
    SnmpMgrSessionSettings settings;
    if (SnmpMgrGetSessionSettings(session, &settings) && settings.version != SNMP_MGR_VERSION_1)
        return CBulkWalk(session, settings.bulkSize, root, walkList).Run();
    return NextWalk(session, root, walkList);
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
    const Outcome end = WalkSubtree(m_hSession, root, walkList);
    walkList->Flush();
    walkList->update();
    if (!end.IsDone())
        Report(end);
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

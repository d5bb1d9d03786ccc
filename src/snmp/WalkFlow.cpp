// Get All: the walk of a subtree, by GetNext on an SNMPv1 session and by GetBulk on the
// others, with every ending of the walk.
#include "snmp/Flows.h"
#include "snmp/RequestList.h"

#include "values/LineBinding.h"
#include "values/Values.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

// The lines of an answer, handed to the sink before the next request goes and when the walk
// ends, so that a slow agent's lines show as they come.
class CLineBatch {
public:
    explicit CLineBatch(flows::CWalkSink* sink) : m_sink(sink) {}

    void Add(flows::WalkLine&& line) { m_lines.push_back(std::move(line)); }
    // Hands over every line held; false, with `end` filled in, when the sink has taken no
    // more.
    bool HandOver(Outcome* end) {
        if (m_lines.empty())
            return true;
        const std::size_t given = m_lines.size();
        const std::size_t kept = m_sink->TakeLines(m_lines);
        m_lines.clear();
        if (kept == given)
            return true;
        // An agent with objects without end would hold the walk for ever, its lines dropped
        // unseen: a sink that takes no more lines ends the walk.
        *end = Outcome{OutcomeKind::WalkListFull, 0, 0, 0, std::to_string(m_sink->LineCount())};
        return false;
    }

private:
    flows::CWalkSink* m_sink;
    std::vector<flows::WalkLine> m_lines;
};

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
        *end = Outcome{OutcomeKind::WalkNotAdvancing, 0, 0, 0, flows::IdentifierText(answer.name)};
        return false;
    }
    return true;
}

// The answer's line, "<identifier> : <value text>", with its binding.
flows::WalkLine WalkLine(const SnmpVarBind& answer, const values::LineTexts& texts) {
    flows::WalkLine line;
    if (texts == values::LineTexts{}) {
        AppendIdentifierText(answer.name, &line.text);
        line.text += " : ";
        char* valueText = values::FormatValue(&answer.value);
        if (valueText)
            line.text += valueText;
        SnmpUtilMemFree(valueText);
    } else {
        line.text = values::LineIdentifierText(answer.name, texts) + " : " +
                    values::LineValueText(answer, texts);
    }
    line.binding = EncodeLineBinding(answer);
    return line;
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

// The walk of the subtree under `root` on an SNMPv1 session by GetNext, one line per object.
Outcome NextWalk(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root,
                 flows::CWalkSink* sink, const values::LineTexts& texts) {
    CRequestList request;
    const bool built = BuildFirstRequest(root, &request);
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    Outcome end;
    CLineBatch batch(sink);
    AsnObjectIdentifier requested{}; // the name each GetNext asked after
    for (;;) {
        SnmpUtilOidFree(&requested);
        if (!batch.HandOver(&end))
            break;
        if (!built || !SnmpUtilOidCpy(&requested, &request.Binding().name) ||
            !SnmpMgrRequest(session, SNMP_PDU_GETNEXT, request.List(), &errorStatus, &errorIndex)) {
            end = FailedRequest(OutcomeKind::WalkFailed, GetLastError(), errorStatus, errorIndex);
            break;
        }
        SnmpVarBind& answer = request.Binding();
        if (!AnswerContinuesWalk(answer, errorStatus, errorIndex, root, requested, &end))
            break;
        batch.Add(WalkLine(answer, texts));
        AskAfter(&answer);
    }
    SnmpUtilOidFree(&requested);
    // The lines read before the end are the sink's whatever the end was; one that the sink
    // refused is the walk's end in place of the one before it.
    Outcome full;
    return batch.HandOver(&full) ? end : full;
}

// A GetBulk walk's state between its requests: the name that the next request asks after
// and how many objects it asks for.
class CBulkWalk {
public:
    CBulkWalk(LPSNMP_MGR_SESSION session, int bulkSize, const AsnObjectIdentifier& root,
              flows::CWalkSink* sink, const values::LineTexts& texts)
        : m_session(session), m_repetitions(static_cast<UINT>(std::max(1, bulkSize))), m_root(root),
          m_batch(sink), m_texts(texts) {}
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
    CLineBatch m_batch;
    const values::LineTexts m_texts;
    AsnObjectIdentifier m_requested{};
    Outcome m_end;
};

// One request after another, each for the objects after the last one taken, until an answer
// ends the walk. No non-repeaters: the one binding repeats (RFC 3416, 4.2.3).
Outcome CBulkWalk::Run() {
    CRequestList request;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    // A name that could not be made is empty, which the request refuses to send.
    FirstAskedName(m_root, &m_requested);
    bool more = true;
    while (more) {
        if (!m_batch.HandOver(&m_end))
            return m_end;
        if (!request.Build(&m_requested) ||
            !SnmpMgrBulkRequest(m_session, 0, m_repetitions, request.List(), &errorStatus,
                                &errorIndex)) {
            m_end = FailedRequest(OutcomeKind::WalkFailed, GetLastError(), errorStatus, errorIndex);
            break;
        }
        if (AskSmaller(errorStatus, *request.List()))
            continue;
        more = TakeAnswer(*request.List(), errorStatus, errorIndex);
    }
    Outcome full;
    return m_batch.HandOver(&full) ? m_end : full;
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
        m_end = Outcome{OutcomeKind::WalkEmptyAnswer, 0, 0, 0, flows::IdentifierText(m_requested)};
        return false;
    }
    for (UINT i = 0; i < answer.len; ++i) {
        const SnmpVarBind& binding = answer.list[i];
        if (errorStatus == 0 && binding.value.asnType == SNMP_EXCEPTION_ENDOFMIBVIEW)
            return false; // the agent has no object after the one before
        const AsnObjectIdentifier& previous = i == 0 ? m_requested : answer.list[i - 1].name;
        if (!AnswerContinuesWalk(binding, errorStatus, errorIndex, m_root, previous, &m_end))
            return false;
        m_batch.Add(WalkLine(binding, m_texts));
    }
    SnmpUtilOidFree(&m_requested);
    SnmpUtilOidCpy(&m_requested, &answer.list[answer.len - 1].name);
    return true;
}

} // namespace

namespace flows {

Outcome Walk(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root, CWalkSink* sink,
             const values::LineTexts& texts) {
    SnmpMgrSessionSettings settings;
    if (SnmpMgrGetSessionSettings(session, &settings) && settings.version != SNMP_MGR_VERSION_1)
        return CBulkWalk(session, settings.bulkSize, root, sink, texts).Run();
    return NextWalk(session, root, sink, texts);
}

std::string IdentifierOfLine(const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return line;
    return line.substr(0, colon == 0 ? 0 : colon - 1);
}

std::string IdentifierText(const AsnObjectIdentifier& oid) {
    std::string text;
    AppendIdentifierText(oid, &text);
    return text;
}

} // namespace flows

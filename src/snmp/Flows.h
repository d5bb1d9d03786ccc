// The request flows of Get, Set and Get All as code of their own: each takes the session, its
// input and a place for its result, sends what the flow sends, judges the answers in the
// flow's order and ends with the Outcome that the caller shows. No window is touched, so a
// flow runs on any thread, and every window of Okapel that reads or writes objects runs the
// same flows on the same session (one flow at a time per session).
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"
#include "values/CounterRate.h"
#include "values/LineText.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace flows {

// --- Get ------------------------------------------------------------------------------

// One Get of `oid`. Done with the answer's value in *value, which the caller then releases
// with SnmpUtilAsnAnyFree; otherwise the failure (no usable answer, the agent's error status,
// or an SNMPv2 exception in place of the value), with *value left NULL.
Outcome Get(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& oid, AsnAny* value);

// --- A poll of several objects ---------------------------------------------------------

// One object's answer to a poll.
struct PolledValue {
    std::string text;                            // written as the poll's `texts` say
    std::optional<values::CounterSample> sample; // a number's, timed by the answer's sysUpTime
    const char* exception = nullptr;             // the SNMPv2 exception sent in its place
    bool otherName = false; // the agent answered with another object's name in its place
};

struct PollAnswer {
    std::optional<AsnTimeticks> upTime; // none when sysUpTime.0 came as no TimeTicks
    std::vector<PolledValue> values;    // one per object polled, in their order
};

// sysUpTime.0, which every poll asks for first: its hundredths time the rates.
inline constexpr UINT kSysUpTimeInstance[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};

// One Get of sysUpTime.0 and every one of `objects`, in one request. Done with an answer
// per object in *answer (an exception in place of a value among them); otherwise the
// failure, for the whole request: no usable answer (GetFailed), or the agent's error status
// (GetAgentError), whose index counts sysUpTime.0 as the first binding.
Outcome Poll(LPSNMP_MGR_SESSION session, const std::vector<std::vector<UINT>>& objects,
             const values::LineTexts& texts, PollAnswer* answer);

// --- Set ------------------------------------------------------------------------------

// One Set of `oid` to `valueText` (at most 254 bytes) read as `type`, the value type code
// chosen (0xFF for none). The text is converted first, and nothing is sent when it cannot be.
// Done when the agent accepted the Set.
Outcome Set(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& oid, BYTE type,
            const std::string& valueText);

// --- The walk -------------------------------------------------------------------------

// One line of a walk: "<identifier> : <value text>", and the binding it was made of as a list
// keeps it beside the line (values/LineBinding.h), so that a window that reads the line again
// reads the value as it arrived.
struct WalkLine {
    std::string text;
    std::string binding;
};

// Where a walk puts its lines, in the agent's order: the lines of each answer before the next
// request goes.
class CWalkSink {
public:
    virtual ~CWalkSink() = default;
    // Takes the lines in order (it may move them out of `lines`) and returns how many it
    // kept: fewer than given when it can take no more, which ends the walk. It returns at
    // once, whatever it does with them, so that the next request follows the answer.
    virtual std::size_t TakeLines(std::vector<WalkLine>& lines) = 0;
    // How many lines it holds, for the outcome of a walk that it could not take whole.
    virtual std::size_t LineCount() const = 0;
};

// The walk of the subtree under `root`, by GetNext on an SNMPv1 session and by GetBulk of
// the session's bulk size on the others, until the agent has no object after the last one
// (noSuchName, endOfMibView), an answer lies past the subtree, an answer does not advance, a
// request fails or the sink takes no more. Done for the quiet endings. Each answer's lines go
// to `sink` before the next request is sent, and all of them before the walk returns.
// Its lines are written as `texts` says (the default: values as sent, identifiers as
// numbers).
Outcome Walk(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& root, CWalkSink* sink,
             const values::LineTexts& texts = {});

// The identifier text of a walk line: everything before the character that precedes the
// first ":" (the space of " : ").
std::string IdentifierOfLine(const std::string& line);

// The identifier as a walk line writes it: ".1.3.6.1.2.1.1.5.0", every sub-identifier as an
// unsigned number, however many.
std::string IdentifierText(const AsnObjectIdentifier& oid);

} // namespace flows

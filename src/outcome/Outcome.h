// What came of an operator's command, or of the trap listener's start: the one vocabulary in
// which the value conversions and the request flows report, carrying the layer's reason and
// the agent's status and index. Nothing here is text: ui/OutcomeBox.cpp alone turns an
// outcome into the box the operator sees.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>
#include <utility>

enum class OutcomeKind {
    Done, // nothing to tell: the command did what it was asked, or a walk ended quietly

    InvalidOid,  // the OID box's text is no identifier (Get, Set, Get All)
    OpenRefused, // the layer refused to open the session, for `reason`

    GetFailed,     // the Get got no usable answer, for `reason`
    GetAgentError, // the agent answered the Get with `errorStatus` and `errorIndex`
    GetNoValue,    // the agent answered the Get with the exception named in `subject`

    SetUnsupportedType, // no type chosen, or one that cannot be set
    SetInvalidValue,    // the value text is no identifier, for a Set of one
    SetNoValueMemory,   // no memory for the value that the Set carries
    SetNoRequestMemory, // no memory for the Set's request
    SetFailed,          // the Set got no usable answer, for `reason`
    SetAgentError,      // the agent refused the Set with `errorStatus` and `errorIndex`
    SetAccepted,        // the agent accepted the Set
    SetCancelled,       // the operator cancelled the Set before the agent answered

    WalkFailed,       // a request of the walk got no usable answer, for `reason`
    WalkAgentError,   // the agent answered a step of the walk with an error
    WalkNotAdvancing, // the agent answered `subject` to a request for what follows it
    WalkEmptyAnswer,  // the agent answered no object to a request for those after `subject`
    WalkListFull,     // the walk list took no more lines; `subject` is how many it holds
    WalkCancelled,    // the operator cancelled the walk; `subject` is how many lines it keeps

    ListenFailed, // the trap service could not start, for `reason`
};

struct Outcome {
    Outcome() = default;
    explicit Outcome(OutcomeKind kind, UINT reason = 0, AsnInteger errorStatus = 0,
                     AsnInteger errorIndex = 0, std::string subject = {})
        : kind(kind), reason(reason), errorStatus(errorStatus), errorIndex(errorIndex),
          subject(std::move(subject)) {}

    OutcomeKind kind = OutcomeKind::Done;
    // The layer's reason for a failure (its GetLastError code), where it gave one.
    UINT reason = 0;
    // The agent's error status and index, as the request left them.
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    // What the outcome names beside them: an exception, an identifier, a number of lines.
    std::string subject;

    bool IsDone() const { return kind == OutcomeKind::Done; }
};

// A request of a flow that got no usable answer: the flow's `kind` of failure, the layer's
// reason for it, and the status and index as the request left them. A reason that the layer
// gives for every flow alike (ui/OutcomeBox.cpp lists those) is told in its own words.
inline Outcome FailedRequest(OutcomeKind kind, UINT reason, AsnInteger errorStatus,
                             AsnInteger errorIndex) {
    return Outcome(kind, reason, errorStatus, errorIndex);
}

// The agent's answer to a request of a flow: Done for status 0, else the flow's `agentError`
// with the status and index. Any other status, a negative one too, is the agent's error.
inline Outcome AgentAnswer(OutcomeKind agentError, AsnInteger errorStatus, AsnInteger errorIndex) {
    if (errorStatus == 0)
        return Outcome{};
    return Outcome(agentError, 0, errorStatus, errorIndex);
}

// Every box the dialog shows, one row per outcome. A text may name the outcome's parts:
//   {status}  "ErrorStatus: <the status's name>  ErrorIndex: <the index>"
//   {subject} what the outcome names (an exception, an identifier, a number of lines)
//   {reason}  the layer's text for its reason; where it has none, the row's other text
//   {code}    the reason's number
// A refusal, by the layer's reason, stands for a request that failed for that reason in any
// flow (Get, Set or a walk's step), in place of the flow's own words: its text is the layer's
// own, so a new reason of refusal is one row of the layer's texts, and never a second text.
#include "ui/OutcomeBox.h"

#include "ui/Resource.h"
#include "values/Values.h"

#include <cstdlib>
#include <iterator>
#include <string_view>

namespace {

struct OutcomeRow {
    OutcomeKind kind;
    const char* caption;
    unsigned type;
    const char* text;
    const char* textWithoutReason = nullptr; // in place of a {reason} without text
};

constexpr unsigned kError = MB_OK | MB_ICONERROR;
constexpr unsigned kInformation = MB_OK | MB_ICONINFORMATION;

// Get and the walk tell a failed request by its first line, an agent's error by the status
// line alone; Set the other way round, and its failed request says no more than that.
constexpr const char* kRequestFailed = "Snmp Request Failed";
constexpr const char* kRequestFailedWithStatus = "Snmp Request Failed\n{status}";

constexpr OutcomeRow kOutcomeRows[] = {
    {OutcomeKind::InvalidOid, "Error", kError, "Invalid Oid"},
    {OutcomeKind::OpenRefused, "Error", kError, "{reason}",
     "The session with the agent could not be opened (error {code})."},

    {OutcomeKind::GetFailed, "Snmp Error", kError, kRequestFailedWithStatus},
    {OutcomeKind::GetAgentError, "Snmp Error", kError, "{status}"},
    {OutcomeKind::GetNoValue, "Snmp Error", kError,
     "The agent answered {subject}: it has no value for this object."},

    {OutcomeKind::SetUnsupportedType, "Error", kError, "Error Unsupported Type"},
    {OutcomeKind::SetInvalidValue, "Snmp Value Error", kError, "Invalid value"},
    {OutcomeKind::SetNoValueMemory, "Error", kError,
     "Okapel has no memory left for the value; nothing was sent."},
    {OutcomeKind::SetNoRequestMemory, "Error", kError,
     "Okapel has no memory left for the request; nothing was sent."},
    {OutcomeKind::SetFailed, "Snmp Error", kError, kRequestFailed},
    {OutcomeKind::SetAgentError, "Snmp Error", kError, kRequestFailedWithStatus},
    // The confirmation keeps the error boxes' caption, with the information icon.
    {OutcomeKind::SetAccepted, "Error", kInformation, "Successfully Set"},
    {OutcomeKind::SetCancelled, "Snmp Error", kInformation,
     "The Set was cancelled before the agent answered: the agent may or may not have set the "
     "value. Get the object to see which."},

    {OutcomeKind::WalkFailed, "Snmp Error", kError, kRequestFailedWithStatus},
    {OutcomeKind::WalkAgentError, "Snmp Error", kError, "{status}"},
    {OutcomeKind::WalkNotAdvancing, "Snmp Error", kError,
     "The agent's answers do not advance: it answered {subject} to a request for the object "
     "after it."},
    {OutcomeKind::WalkEmptyAnswer, "Snmp Error", kError,
     "The agent's answers do not advance: it answered no object to a request for the objects "
     "after {subject}."},
    {OutcomeKind::WalkListFull, "Error", kError,
     "The walk list cannot take more lines: the walk stopped after {subject} lines."},
    {OutcomeKind::WalkCancelled, "Snmp Error", kInformation,
     "The walk was cancelled: the walk list keeps the {subject} lines received before."},

    {OutcomeKind::ListenFailed, "Listen Error", kError, "{reason}",
     "Okapel cannot receive traps (error {code})."},
};

bool IsFailedRequest(OutcomeKind kind) {
    return kind == OutcomeKind::GetFailed || kind == OutcomeKind::SetFailed ||
           kind == OutcomeKind::WalkFailed;
}

// What the agent said in refusing a request that failed, where its security refused it (an
// SNMPv3 request, in every flow alike); null where not.
const char* RefusalOf(const Outcome& outcome) {
    if (!IsFailedRequest(outcome.kind) || !IsSecurityRefusal(outcome.reason))
        return nullptr;
    return SystemErrorText(outcome.reason);
}

const OutcomeRow* RowOf(OutcomeKind kind) {
    for (const OutcomeRow& row : kOutcomeRows) {
        if (row.kind == kind)
            return &row;
    }
    return nullptr;
}

std::string StatusLine(AsnInteger errorStatus, AsnInteger errorIndex) {
    char* name = nullptr;
    values::ErrorStatusName(errorStatus, &name);
    std::string line = "ErrorStatus: ";
    line += name ? name : "";
    line += "  ErrorIndex: ";
    line += std::to_string(errorIndex);
    std::free(name);
    return line;
}

// The row's text with the outcome's parts in place of their names.
std::string Compose(const OutcomeRow& row, const Outcome& outcome) {
    const std::string_view reasonText = SystemErrorText(outcome.reason);
    std::string_view format = row.text;
    if (reasonText.empty() && row.textWithoutReason)
        format = row.textWithoutReason;
    std::string text;
    while (!format.empty()) {
        const size_t open = format.find('{');
        const size_t close = format.find('}', open);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            text += format;
            break;
        }
        text += format.substr(0, open);
        const std::string_view name = format.substr(open + 1, close - open - 1);
        if (name == "status")
            text += StatusLine(outcome.errorStatus, outcome.errorIndex);
        else if (name == "subject")
            text += outcome.subject;
        else if (name == "reason")
            text += reasonText;
        else if (name == "code")
            text += std::to_string(outcome.reason);
        format.remove_prefix(close + 1);
    }
    return text;
}

} // namespace

OutcomeBox BoxOfOutcome(const Outcome& outcome) {
    if (const char* said = RefusalOf(outcome))
        return {std::string(kRequestFailed) + '\n' + said, "Snmp Error", kError};
    const OutcomeRow* row = RowOf(outcome.kind);
    if (!row || outcome.kind == OutcomeKind::Done)
        return {};
    return {Compose(*row, outcome), row->caption, row->type};
}

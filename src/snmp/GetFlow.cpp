// Get: reads one object.
#include "snmp/Flows.h"
#include "snmp/RequestList.h"

#include "values/Values.h"

namespace {

// What the agent's answer to the Get comes to: Done when `value` is one to show.
Outcome JudgeAnswer(AsnInteger errorStatus, AsnInteger errorIndex, const AsnAny& value) {
    // Any status but 0, a negative one too: no agent means success by a negative status, and
    // the value it carries is no value read.
    if (errorStatus != 0)
        return AgentAnswer(OutcomeKind::GetAgentError, errorStatus, errorIndex);
    // An SNMPv2 exception in place of the value: the agent has none to give, which is its
    // answer to the Get, not a value read.
    if (const char* exception = values::ExceptionName(value.asnType))
        return Outcome{OutcomeKind::GetNoValue, 0, 0, 0, exception};
    return Outcome{};
}

} // namespace

namespace flows {

Outcome Get(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& oid, AsnAny* value) {
    *value = AsnAny{};
    value->asnType = ASN_NULL;
    CRequestList request;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    int sent = 0;
    if (request.Build(&oid))
        sent = SnmpMgrRequest(session, SNMP_PDU_GET, request.List(), &errorStatus, &errorIndex);
    const UINT reason = sent ? 0 : GetLastError(); // taken straight after the failed call
    if (!sent)
        return FailedRequest(OutcomeKind::GetFailed, reason, errorStatus, errorIndex);
    const Outcome outcome = JudgeAnswer(errorStatus, errorIndex, request.Binding().value);
    if (outcome.IsDone()) {
        // The value is the caller's from here; the list keeps a NULL in its place.
        *value = request.Binding().value;
        request.Binding().value = AsnAny{};
        request.Binding().value.asnType = ASN_NULL;
    }
    return outcome;
}

} // namespace flows

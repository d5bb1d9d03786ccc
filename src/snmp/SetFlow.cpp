// Set: writes one object from the typed text and the chosen type.
#include "snmp/Flows.h"
#include "snmp/RequestList.h"

#include "values/Values.h"

#include <algorithm>
#include <cstring>

namespace flows {

Outcome Set(LPSNMP_MGR_SESSION session, const AsnObjectIdentifier& oid, BYTE type,
            const std::string& valueText) {
    CRequestList request;
    if (!request.Build(&oid))
        return Outcome{OutcomeKind::SetNoRequestMemory};
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    request.Binding().value.asnType = type;
    // The conversion may cut an IpAddress text at its dots in place: it works on a copy, in
    // the box's 255 bytes with the terminator.
    char value[255];
    const std::size_t length = std::min(valueText.size(), sizeof value - 1);
    std::memcpy(value, valueText.data(), length);
    value[length] = '\0';
    if (const Outcome parsed = values::ParseValue(&request.Binding(), value); !parsed.IsDone())
        return parsed;
    const int sent =
        SnmpMgrRequest(session, SNMP_PDU_SET, request.List(), &errorStatus, &errorIndex);
    if (sent == 0)
        return FailedRequest(OutcomeKind::SetFailed, GetLastError(), errorStatus, errorIndex);
    // Any status but 0, a negative one too: a negative status is no status an agent can mean,
    // and taking it for "Successfully Set" would report a refusal as success.
    return AgentAnswer(OutcomeKind::SetAgentError, errorStatus, errorIndex);
}

} // namespace flows

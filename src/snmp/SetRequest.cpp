// Set: writes one object from the typed text and the chosen type.
#include "snmp/RequestSupport.h"
#include "ui/ComboBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

#include <cstring>

void CManagerDlg::OnSet() {
    AsnObjectIdentifier oid{};
    if (!ConvertOid(GetDlgItemText(IDC_OID), &oid))
        return;
    if (DoSet(&oid) == 0)
        Report(Outcome{OutcomeKind::SetAccepted});
    SnmpUtilOidFree(&oid); // OnSet owns the identifier; DoSet only reads it
}

int CManagerDlg::DoSet(const AsnObjectIdentifier* oid) {
    const Outcome outcome = SetObject(oid);
    if (outcome.IsDone())
        return 0; // the agent's answer is not shown
    Report(outcome);
    return 1;
}

Outcome CManagerDlg::SetObject(const AsnObjectIdentifier* oid) {
    CRequestList request;
    if (!request.Build(oid))
        return Outcome{OutcomeKind::SetNoRequestMemory};
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;

    // The type is read before the value text. With no entry chosen the item data is
    // CB_ERR, whose low byte 0xFF is no value type code.
    auto* types = ComboBox(IDC_TYPE);
    request.Binding().value.asnType =
        static_cast<BYTE>(types->GetItemData(types->GetCurSel()) & 0xFF);
    char value[255];
    const std::string typed = GetDlgItemText(IDC_VALUE);
    std::memcpy(value, typed.c_str(), typed.size() + 1);

    if (const Outcome parsed = values::ParseValue(&request.Binding(), value); !parsed.IsDone())
        return parsed;
    int sent = 0;
    UINT reason = 0;
    {
        CWaitCursor wait;
        sent = SnmpMgrRequest(m_hSession, SNMP_PDU_SET, request.List(), &errorStatus, &errorIndex);
        reason = sent ? 0 : GetLastError(); // taken straight after the failed call
    }
    if (sent == 0)
        return FailedRequest(OutcomeKind::SetFailed, reason, errorStatus, errorIndex);
    // Any status but 0, a negative one too: a negative status is no status an agent can mean,
    // and taking it for "Successfully Set" would report a refusal as success.
    return AgentAnswer(OutcomeKind::SetAgentError, errorStatus, errorIndex);
}

// Get: reads one object and shows its value and type.
#include "snmp/RequestSupport.h"
#include "ui/ComboBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
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

void CManagerDlg::OnGet() {
    GetObjectOfText(GetDlgItemText(IDC_OID));
}

void CManagerDlg::GetObjectOfText(const std::string& text) {
    AsnObjectIdentifier oid{};
    if (!ConvertOid(text, &oid))
        return;
    DoGet(&oid);
    SnmpUtilOidFree(&oid); // the converter owns the identifier; DoGet only reads it
}

int CManagerDlg::DoGet(const AsnObjectIdentifier* oid) {
    CRequestList request;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    int sent = 0;
    UINT reason = 0;
    {
        CWaitCursor wait;
        if (request.Build(oid))
            sent =
                SnmpMgrRequest(m_hSession, SNMP_PDU_GET, request.List(), &errorStatus, &errorIndex);
        reason = sent ? 0 : GetLastError(); // taken straight after the failed call
    }
    const Outcome outcome =
        sent ? JudgeAnswer(errorStatus, errorIndex, request.Binding().value)
             : FailedRequest(OutcomeKind::GetFailed, reason, errorStatus, errorIndex);
    if (!outcome.IsDone()) {
        Report(outcome);
        return 1;
    }
    ShowValue(request.Binding().value);
    return 0;
}

void CManagerDlg::ShowValue(const AsnAny& value) {
    char* valueText = values::FormatValue(&value);
    // The first entry of the type list whose code matches; none where the list lacks the
    // type, since the type shown beside a value is always the value's.
    auto* types = ComboBox(IDC_TYPE);
    int shown = -1;
    for (int i = 0; i < types->GetCount() && shown < 0; ++i) {
        if (types->GetItemData(i) == value.asnType)
            shown = i;
    }
    types->SetCurSel(shown);
    SetDlgItemText(IDC_VALUE, valueText ? valueText : "");
    SnmpUtilMemFree(valueText);
}

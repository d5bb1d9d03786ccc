// Get: reads one object and shows its value and type.
#include "snmp/RequestSupport.h"
#include "ui/ComboBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

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
    {
        CWaitCursor wait;
        if (request.Build(oid))
            sent =
                SnmpMgrRequest(m_hSession, SNMP_PDU_GET, request.List(), &errorStatus, &errorIndex);
    }
    if (sent == 0) {
        const std::string usm = UsmFailureLine();
        const std::string message =
            "Snmp Request Failed\n" + (usm.empty() ? StatusLine(errorStatus, errorIndex) : usm);
        MessageBox(message.c_str(), "Snmp Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (errorStatus != 0) {
        // Below 0 too: no agent means success by a negative status, and the value it
        // carries is no value read.
        MessageBox(StatusLine(errorStatus, errorIndex).c_str(), "Snmp Error", MB_OK | MB_ICONERROR);
        return 1;
    }

    const AsnAny& value = request.Binding().value;
    if (const char* exception = values::ExceptionName(value.asnType)) {
        // An SNMPv2 exception in place of the value: the agent has none to give, which is
        // its answer to the Get, not a value read.
        const std::string message =
            std::string("The agent answered ") + exception + ": it has no value for this object.";
        MessageBox(message.c_str(), "Snmp Error", MB_OK | MB_ICONERROR);
        return 1;
    }
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
    return 0;
}

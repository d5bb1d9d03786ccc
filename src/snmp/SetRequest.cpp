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
        MessageBox("Successfully Set", "Error", MB_OK | MB_ICONINFORMATION);
    SnmpUtilOidFree(&oid); // OnSet owns the identifier; DoSet only reads it
}

int CManagerDlg::DoSet(const AsnObjectIdentifier* oid) {
    CRequestList request;
    if (!request.Build(oid)) {
        MessageBox("Okapel has no memory left for the request; nothing was sent.", "Error",
                   MB_OK | MB_ICONERROR);
        return 1;
    }
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

    const values::ParseOutcome parsed = values::ParseValue(&request.Binding(), value);
    if (!parsed.Stored()) {
        MessageBox(parsed.text, parsed.caption, parsed.type);
        return 1;
    }
    int sent = 0;
    {
        CWaitCursor wait;
        sent = SnmpMgrRequest(m_hSession, SNMP_PDU_SET, request.List(), &errorStatus, &errorIndex);
    }
    if (sent == 0) {
        const std::string usm = UsmFailureLine();
        const std::string message = "Snmp Request Failed" + (usm.empty() ? "" : "\n" + usm);
        MessageBox(message.c_str(), "Snmp Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (errorStatus != 0) {
        // Below 0 too: a negative status is no status an agent can mean, and taking it for
        // "Successfully Set" would report a refusal as success.
        const std::string message = "Snmp Request Failed\n" + StatusLine(errorStatus, errorIndex);
        MessageBox(message.c_str(), "Snmp Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0; // the agent's answer is not shown
}

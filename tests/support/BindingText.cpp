#include "support/BindingText.h"

std::string Describe(const SnmpVarBind& vb) {
    std::string text;
    for (UINT i = 0; i < vb.name.idLength; ++i)
        text += (i ? "." : "") + std::to_string(vb.name.ids[i]);
    text += "=" + std::to_string(vb.value.asnType) + ":";
    switch (vb.value.asnType) {
    case ASN_INTEGER:
        return text + std::to_string(vb.value.asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return text + std::to_string(vb.value.asnValue.unsigned32);
    case ASN_OBJECTIDENTIFIER:
        for (UINT i = 0; i < vb.value.asnValue.object.idLength; ++i)
            text += (i ? "." : "") + std::to_string(vb.value.asnValue.object.ids[i]);
        return text;
    case ASN_NULL:
        return text;
    default:
        for (UINT i = 0; i < vb.value.asnValue.string.length; ++i)
            text += std::to_string(vb.value.asnValue.string.stream[i]) + ",";
        return text;
    }
}

std::vector<std::string> Describe(const SnmpVarBindList& list) {
    std::vector<std::string> lines;
    for (UINT i = 0; i < list.len; ++i)
        lines.push_back(Describe(list.list[i]));
    return lines;
}

std::string OidName(std::vector<UINT> ids) {
    AsnObjectIdentifier oid{static_cast<UINT>(ids.size()), ids.data()};
    char* text = nullptr;
    if (!SnmpMgrOidToStr(&oid, &text))
        return "<refused>";
    std::string out = text;
    SnmpUtilMemFree(text);
    return out;
}

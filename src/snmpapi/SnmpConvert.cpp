// Our request bindings as net-snmp's, for the encoding of requests. This is the only place
// where the two representations meet: what arrives is read by the layer's own decoder
// (SnmpMessage.cpp), never into net-snmp's bindings.
#include "snmpapi/SnmpInternal.h"

#include <cstring>

bool OidToLibrary(const AsnObjectIdentifier& in, oid* ids, size_t capacity, size_t* length) {
    if (in.idLength > capacity || (in.idLength > 0 && !in.ids))
        return false;
    for (UINT i = 0; i < in.idLength; ++i)
        ids[i] = in.ids[i];
    *length = in.idLength;
    return true;
}

namespace {

// Adds one binding with the library's encoding of `value`; null for a value that cannot be
// encoded (a malformed record, an identifier too long, a type no request carries).
netsnmp_variable_list* AddBinding(netsnmp_pdu* pdu, const oid* name, size_t nameLength,
                                  const AsnAny& value) {
    switch (value.asnType) {
    case ASN_INTEGER: {
        const long number = value.asnValue.number;
        return snmp_pdu_add_variable(pdu, name, nameLength, ASN_INTEGER, &number, sizeof number);
    }
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS: {
        const unsigned long number = value.asnValue.unsigned32;
        return snmp_pdu_add_variable(pdu, name, nameLength, value.asnType, &number, sizeof number);
    }
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_SEQUENCE: {
        const AsnOctetString& s = value.asnValue.string;
        if (s.length > 0 && !s.stream)
            return nullptr;
        // net-snmp's encoder has no SEQUENCE value; it is encoded as an OCTET STRING and its
        // tag is put right on the way out (see SnmpSession.cpp).
        const BYTE type = value.asnType == ASN_SEQUENCE ? ASN_OCTET_STR : value.asnType;
        return snmp_pdu_add_variable(pdu, name, nameLength, type, s.stream, s.length);
    }
    case ASN_OBJECTIDENTIFIER: {
        oid object[MAX_OID_LEN];
        size_t objectLength = 0;
        if (!OidToLibrary(value.asnValue.object, object, MAX_OID_LEN, &objectLength))
            return nullptr;
        return snmp_pdu_add_variable(pdu, name, nameLength, ASN_OBJECT_ID, object,
                                     objectLength * sizeof(oid));
    }
    case ASN_NULL:
        return snmp_pdu_add_variable(pdu, name, nameLength, ASN_NULL, nullptr, 0);
    default:
        return nullptr;
    }
}

} // namespace

bool VarBindsToLibrary(const SnmpVarBindList& list, netsnmp_pdu* pdu) {
    for (UINT i = 0; i < list.len; ++i) {
        const SnmpVarBind& vb = list.list[i];
        oid name[MAX_OID_LEN];
        size_t nameLength = 0;
        if (!OidToLibrary(vb.name, name, MAX_OID_LEN, &nameLength) ||
            !AddBinding(pdu, name, nameLength, vb.value))
            return false;
    }
    return true;
}

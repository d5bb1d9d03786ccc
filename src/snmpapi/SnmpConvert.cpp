// Conversions between net-snmp's bindings and our records, in both directions. This is
// the only place where the two representations meet.
#include "snmpapi/SnmpInternal.h"

#include <cstring>

bool OidFromLibrary(const oid* ids, size_t length, AsnObjectIdentifier* out) {
    *out = AsnObjectIdentifier{};
    if (length == 0)
        return true;
    auto* copy = static_cast<UINT*>(SnmpUtilMemAlloc(static_cast<UINT>(length * sizeof(UINT))));
    if (!copy)
        return false;
    // net-snmp's decoder refuses sub-identifiers above 2^32 - 1 (RFC 2578, 3.5), so each
    // one fits.
    for (size_t i = 0; i < length; ++i)
        copy[i] = static_cast<UINT>(ids[i]);
    out->ids = copy;
    out->idLength = static_cast<UINT>(length);
    return true;
}

bool OidToLibrary(const AsnObjectIdentifier& in, oid* ids, size_t capacity, size_t* length) {
    if (in.idLength > capacity || (in.idLength > 0 && !in.ids))
        return false;
    for (UINT i = 0; i < in.idLength; ++i)
        ids[i] = in.ids[i];
    *length = in.idLength;
    return true;
}

bool OctetsFromLibrary(const u_char* data, size_t length, AsnOctetString* out) {
    *out = AsnOctetString{};
    if (length == 0)
        return true;
    out->stream = static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(length)));
    if (!out->stream)
        return false;
    std::memcpy(out->stream, data, length);
    out->length = static_cast<UINT>(length);
    out->dynamic = TRUE;
    return true;
}

namespace {

bool ValueFromLibrary(const netsnmp_variable_list& var, AsnAny* out) {
    *out = AsnAny{};
    out->asnType = var.type;
    switch (var.type) {
    case ASN_INTEGER:
        out->asnValue.number = static_cast<AsnInteger32>(*var.val.integer);
        return true;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
        out->asnValue.unsigned32 = static_cast<AsnUnsigned32>(*var.val.integer);
        return true;
    case ASN_OCTET_STR:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_BIT_STR:
    case ASN_NSAP:
        return OctetsFromLibrary(var.val.string, var.val_len, &out->asnValue.string);
    case ASN_OBJECT_ID:
        return OidFromLibrary(var.val.objid, var.val_len / sizeof(oid), &out->asnValue.object);
    case ASN_COUNTER64: {
        // No 64-bit field in the record: kept as its eight bytes, most significant first.
        u_char bytes[8];
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<u_char>(var.val.counter64->high >> (24 - 8 * i));
            bytes[4 + i] = static_cast<u_char>(var.val.counter64->low >> (24 - 8 * i));
        }
        return OctetsFromLibrary(bytes, sizeof bytes, &out->asnValue.string);
    }
    default:
        // NULL, the SNMPv2 exceptions and anything else: the type alone.
        return true;
    }
}

} // namespace

bool VarBindsFromLibrary(const netsnmp_variable_list* vars, SnmpVarBindList* out) {
    *out = SnmpVarBindList{};
    UINT count = 0;
    for (const netsnmp_variable_list* v = vars; v; v = v->next_variable)
        ++count;
    if (count == 0)
        return true;
    out->list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(count * sizeof(SnmpVarBind)));
    if (!out->list)
        return false;
    for (const netsnmp_variable_list* v = vars; v; v = v->next_variable) {
        SnmpVarBind& vb = out->list[out->len];
        ++out->len; // counted first, so that a failure below releases what was copied
        if (!OidFromLibrary(v->name, v->name_length, &vb.name) ||
            !ValueFromLibrary(*v, &vb.value)) {
            SnmpUtilVarBindListFree(out);
            return false;
        }
    }
    return true;
}

bool VarBindsToLibrary(const SnmpVarBindList& list, netsnmp_pdu* pdu) {
    for (UINT i = 0; i < list.len; ++i) {
        const SnmpVarBind& vb = list.list[i];
        oid name[MAX_OID_LEN];
        size_t nameLength = 0;
        if (!OidToLibrary(vb.name, name, MAX_OID_LEN, &nameLength))
            return false;
        const AsnAny& value = vb.value;
        netsnmp_variable_list* added = nullptr;
        switch (value.asnType) {
        case ASN_INTEGER: {
            const long number = value.asnValue.number;
            added =
                snmp_pdu_add_variable(pdu, name, nameLength, ASN_INTEGER, &number, sizeof number);
            break;
        }
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS: {
            const unsigned long number = value.asnValue.unsigned32;
            added =
                snmp_pdu_add_variable(pdu, name, nameLength, value.asnType, &number, sizeof number);
            break;
        }
        case ASN_OCTETSTRING:
        case ASN_IPADDRESS:
        case ASN_OPAQUE:
        case ASN_SEQUENCE: {
            const AsnOctetString& s = value.asnValue.string;
            if (s.length > 0 && !s.stream)
                return false;
            // net-snmp's encoder has no SEQUENCE value; it is encoded as an OCTET STRING
            // and its tag is put right on the way out (see SnmpSession.cpp).
            const BYTE type = value.asnType == ASN_SEQUENCE ? ASN_OCTET_STR : value.asnType;
            added = snmp_pdu_add_variable(pdu, name, nameLength, type, s.stream, s.length);
            break;
        }
        case ASN_OBJECTIDENTIFIER: {
            oid object[MAX_OID_LEN];
            size_t objectLength = 0;
            if (!OidToLibrary(value.asnValue.object, object, MAX_OID_LEN, &objectLength))
                return false;
            added = snmp_pdu_add_variable(pdu, name, nameLength, ASN_OBJECT_ID, object,
                                          objectLength * sizeof(oid));
            break;
        }
        case ASN_NULL:
            added = snmp_pdu_add_variable(pdu, name, nameLength, ASN_NULL, nullptr, 0);
            break;
        default:
            return false;
        }
        if (!added)
            return false;
    }
    return true;
}

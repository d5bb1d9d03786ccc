// Object identifier texts: dotted decimal in, MIB name form out.
#include "snmp/SnmpInternal.h"

#include <cstring>
#include <string>
#include <vector>

BOOL SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid) {
    *oid = AsnObjectIdentifier{};
    if (!text || !*text)
        return FALSE;
    const char* p = text[0] == '.' ? text + 1 : text;
    std::vector<UINT> ids;
    while (true) {
        if (*p < '0' || *p > '9')
            return FALSE; // an empty component or a non-digit
        std::uint64_t n = 0;
        while (*p >= '0' && *p <= '9') {
            n = n * 10 + static_cast<unsigned>(*p++ - '0');
            if (n > 0xFFFFFFFFu)
                return FALSE;
        }
        ids.push_back(static_cast<UINT>(n));
        if (*p == '\0')
            break;
        if (*p++ != '.')
            return FALSE;
    }
    AsnObjectIdentifier parsed{static_cast<UINT>(ids.size()), ids.data()};
    return SnmpUtilOidCpy(oid, &parsed);
}

BOOL SnmpMgrOidToStr(const AsnObjectIdentifier* oid, char** text) {
    *text = nullptr;
    if (!oid || oid->idLength == 0)
        return FALSE;
    std::string out;
    for (UINT i = 0; i < oid->idLength; ++i) {
        out += '.';
        out += std::to_string(oid->ids[i]);
    }
    *text = static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(out.size() + 1)));
    if (!*text)
        return FALSE;
    std::memcpy(*text, out.c_str(), out.size() + 1);
    return TRUE;
}

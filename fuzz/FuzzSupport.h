// What the fuzz targets and their seed programs share: reading every byte that decoded
// records claim to own, net-snmp's reading beside ours, and writing one seed file.
#pragma once

#include "snmpapi/SnmpApi.h"
#include "testing/SnmpTesting.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Reads every byte the bindings claim to own, so that a wrong length shows as an overflow.
inline unsigned TouchBindings(const SnmpVarBindList& list) {
    unsigned sum = 0;
    for (UINT b = 0; b < list.len; ++b) {
        const SnmpVarBind& vb = list.list[b];
        for (UINT i = 0; i < vb.name.idLength; ++i)
            sum += vb.name.ids[i];
        const AsnAny& value = vb.value;
        if (value.asnType == ASN_OBJECTIDENTIFIER) {
            for (UINT i = 0; i < value.asnValue.object.idLength; ++i)
                sum += value.asnValue.object.ids[i];
        } else if (value.asnValue.string.dynamic) {
            for (UINT i = 0; i < value.asnValue.string.length; ++i)
                sum += value.asnValue.string.stream[i];
        }
    }
    return sum;
}

// A datagram that the layer reads as a message, but where net-snmp's own parser reads a
// field differently (a length one byte short, a number read another way), is a finding.
inline void ExpectNetSnmpReadsTheSame(const std::uint8_t* data, std::size_t size) {
    const std::string difference = SnmpReadingDisagreement(data, size);
    if (!difference.empty()) {
        std::fprintf(stderr, "net-snmp reads it otherwise: %s\n", difference.c_str());
        std::abort();
    }
}

// Writes `datagram` to DIRECTORY/NAME; false when the file cannot be written.
inline bool WriteSeed(const char* directory, const char* name,
                      const std::vector<std::uint8_t>& datagram) {
    const std::string path = std::string(directory) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fwrite(datagram.data(), 1, datagram.size(), file);
    std::fclose(file);
    return true;
}

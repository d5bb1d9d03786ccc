// The SNMP layer's seams (SnmpTesting.h) over its decoding and sessions: the allocator's
// bookkeeping, net-snmp's logging, what Open is given, and an answer's or a trap's reading
// made without the network, through the layer's internal headers. What the fuzz targets use
// lives here, apart from the trap service and the MIB module load (ServiceSeams.cpp).
#include "testing/SnmpTesting.h"

#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpSession.h"
#include "snmpapi/TrapDecode.h"

#include <vector>

std::int64_t SnmpUtilLiveBlocks() {
    return g_snmpLiveBlocks.load();
}

void SnmpLibraryLogForTesting(const char* text) {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    snmp_log(LOG_ERR, "%s\n", text);
}

void SnmpMgrSetOpenObserver(std::function<void(const char*, const char*)> observer) {
    SnmpOpenObserverSlot() = std::move(observer);
}

int SnmpAnswerForTesting(const std::uint8_t* data, std::size_t size, std::int32_t requestId,
                         SnmpVarBindList* list, AsnInteger* errorStatus, AsnInteger* errorIndex,
                         int sessionVersion) {
    SnmpMgrSession session;
    session.settings.version = sessionVersion;
    session.waiting = true;
    session.requestId = requestId;
    std::vector<u_char> datagram(data, data + size);
    const int bareLength = size > 0 && size <= 0x7FFFFFFF
                               ? TakeAnswer(session, datagram.data(), static_cast<int>(size))
                               : -1;
    if (bareLength < 0)
        return -1;
    // net-snmp's own reading of what it would be handed: a response with our request id and
    // no bindings.
    bool taken = false;
    {
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        SnmpLibraryInit();
        u_char community[COMMUNITY_MAX_LEN + 1];
        size_t communityLength = COMMUNITY_MAX_LEN;
        long version = -1;
        size_t length = static_cast<size_t>(bareLength);
        u_char* pduStart =
            snmp_comstr_parse(datagram.data(), &length, community, &communityLength, &version);
        netsnmp_pdu* pdu = pduStart ? snmp_pdu_create(0) : nullptr;
        if (pdu) {
            pdu->version = version;
            taken = snmp_pdu_parse(pdu, pduStart, &length) == 0 &&
                    pdu->command == SNMP_MSG_RESPONSE && pdu->reqid == requestId &&
                    pdu->errstat == 0 && pdu->errindex == 0 && !pdu->variables &&
                    version == sessionVersion;
            snmp_free_pdu(pdu);
        }
    }
    if (!taken) {
        SnmpMessageFree(&session.answer);
        return -2;
    }
    return HandOver(&session.answer, RequestShape{SNMP_PDU_GET}, list, errorStatus, errorIndex);
}

bool SnmpTrapDecodeForTesting(const std::uint8_t* data, std::size_t size,
                              const std::uint8_t* sender, std::size_t senderLength,
                              SnmpTrapRecord* trap) {
    return DecodeTrapDatagram(data, size, sender, senderLength, trap);
}

// SNMPv3 messages of the User-based Security Model (RFC 3412, 6; RFC 3414, 2.4) made on the
// tests' own side, in the clear or authenticated with HMAC-SHA-96, for notifications that no
// net-snmp tool would send (a small msgMaxSize, thousands of engines in a second).
#pragma once

#include "support/Ber.h"

#include <cstdint>
#include <string>

struct V3MessageFields {
    std::int64_t msgId = 1;
    std::int64_t maxSize = 65507;
    Bytes engine;        // msgAuthoritativeEngineID
    Bytes contextEngine; // the scopedPDU's contextEngineID; empty: `engine`
    std::int64_t boots = 0;
    std::int64_t time = 0;
    std::string user;
    std::string authPassphrase; // empty: noAuthNoPriv; otherwise authNoPriv, SHA
    bool reportable = true;
};

// The message with the PDU `pdu` in its scopedPDU (context name empty); empty when it could
// not be signed.
Bytes V3Message(const V3MessageFields& fields, const Bytes& pdu);

// The PDU of an SNMPv3 message whose scopedPDU is in the clear, with its msgID; false for any
// other bytes.
bool ReadClearV3Pdu(const Bytes& message, std::int64_t* msgId, ber::Element* pdu);

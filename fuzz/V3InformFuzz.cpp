// libFuzzer target: any bytes as an SNMPv3 datagram at the trap service's receiver, for a
// user at noAuthNoPriv, through net-snmp's message processing and the layer's own reading to
// what the receiver sends back: an inform's Response or the Response with tooBig, or a
// Report. A crash, a sanitizer report, a block of the utility allocator left over, or a shown
// inform whose answer is not its Response within its msgMaxSize (or the tooBig one), is a
// finding.
//
// Informs go to Okapel's engine id, which net-snmp makes anew at every start: a datagram's
// bytes that spell kPlaceholder (the engine id of the seeds) are taken as Okapel's own.
#include "FuzzSupport.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/TrapUsm.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::uint8_t kPlaceholder[] = {0x80, 0x00, 0x1f, 0x88, 0x80, 'o', 'k', 'a', 'p',
                                         'e',  'l',  '-',  'f',  'u',  'z', 'z', '!'};

void Expect(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "does not hold: %s\n", what);
        std::abort();
    }
}

CUsmReceiver& Receiver() {
    static CUsmReceiver* const receiver = [] {
        auto* made = new CUsmReceiver;
        SnmpMgrSessionSettings settings;
        settings.version = SNMP_MGR_VERSION_3;
        settings.userName = "fuzz";
        settings.securityLevel = SNMP_MGR_NOAUTH_NOPRIV;
        made->SetUser(UsmUser::FromSettings(settings));
        return made;
    }();
    return *receiver;
}

// The contents of the BER element at data[*at] (tag and length as the layer reads them),
// *at moved past it; false when none is whole there.
bool Element(const std::vector<std::uint8_t>& data, std::size_t* at, std::size_t* contents,
             std::size_t* length) {
    if (*at + 2 > data.size())
        return false;
    std::size_t header = 2;
    std::size_t value = data[*at + 1];
    if (value & 0x80) {
        const std::size_t octets = value & 0x7F;
        if (octets == 0 || octets > 8 || *at + 2 + octets > data.size())
            return false;
        value = 0;
        for (std::size_t i = 0; i < octets; ++i)
            value = (value << 8) | data[*at + 2 + i];
        header += octets;
    }
    if (value > data.size() - *at - header)
        return false;
    *contents = *at + header;
    *length = value;
    *at = *contents + value;
    return true;
}

// An SNMPv3 message's msgMaxSize and its scopedPDU in the clear; false for what is not one.
bool MaxSizeAndScoped(const std::vector<std::uint8_t>& message, std::int64_t* maxSize,
                      std::vector<std::uint8_t>* scoped) {
    std::size_t at = 0, contents = 0, length = 0;
    if (!Element(message, &at, &contents, &length))
        return false;
    at = contents;
    std::size_t global = 0, globalLength = 0;
    std::size_t skip = 0;
    if (!Element(message, &at, &skip, &length) || !Element(message, &at, &global, &globalLength))
        return false;
    const std::size_t afterGlobal = at;
    at = global;
    std::size_t number = 0;
    if (!Element(message, &at, &skip, &length) || !Element(message, &at, &number, &length) ||
        length == 0 || length > 5)
        return false;
    *maxSize = 0;
    for (std::size_t i = 0; i < length; ++i)
        *maxSize = (*maxSize << 8) | message[number + i];
    at = afterGlobal;
    std::size_t scopedAt = 0;
    if (!Element(message, &at, &skip, &length))
        return false;
    scopedAt = at;
    if (!Element(message, &at, &skip, &length))
        return false;
    scoped->assign(message.begin() + static_cast<std::ptrdiff_t>(scopedAt),
                   message.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CUsmReceiver& receiver = Receiver();
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    static const std::vector<std::uint8_t> own = [] {
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        u_char id[USM_MAX_ID_LENGTH];
        const std::size_t length = snmpv3_get_engineID(id, sizeof id);
        return std::vector<std::uint8_t>(id, id + length);
    }();
    std::vector<std::uint8_t> datagram(data, data + size);
    if (own.size() == sizeof kPlaceholder) {
        for (auto at = datagram.begin();
             (at = std::search(at, datagram.end(), std::begin(kPlaceholder),
                               std::end(kPlaceholder))) != datagram.end();)
            at = std::copy(own.begin(), own.end(), at);
    }
    const UsmNotification notification = receiver.Process(datagram.data(), datagram.size());
    if (notification.fate == UsmNotificationFate::Shown) {
        // What is shown may still hold bindings that do not read (the trap service counts it
        // as malformed when it hands it out); its answer is checked when they do.
        SnmpMessage shown;
        const bool read = DecodeScopedPdu(notification.scopedPdu.data(),
                                          notification.scopedPdu.size(), &shown);
        if (read && notification.pduType == SNMP_PDU_INFORM && !notification.answer.empty()) {
            std::int64_t maxSize = 0;
            std::int64_t informMax = 0;
            std::vector<std::uint8_t> scoped;
            std::vector<std::uint8_t> informScoped;
            Expect(MaxSizeAndScoped(notification.answer, &maxSize, &scoped), "the answer reads");
            SnmpV3Header asked;
            SnmpV3Header answered;
            Expect(ReadV3Header(datagram.data(), datagram.size(), &asked) &&
                       ReadV3Header(notification.answer.data(), notification.answer.size(),
                                    &answered) &&
                       answered.msgId == asked.msgId,
                   "the answer has the inform's msgID");
            Expect(MaxSizeAndScoped(datagram, &informMax, &informScoped), "the inform reads");
            SnmpMessage answer;
            Expect(DecodeScopedPdu(scoped.data(), scoped.size(), &answer),
                   "the answer's scopedPDU reads");
            const bool full = answer.errorStatus == 0 && answer.bindings.len == shown.bindings.len;
            const bool tooBig = answer.errorStatus == SNMP_ERRORSTATUS_TOOBIG && answer.bindings.len == 0;
            Expect(answer.pduType == SNMP_PDU_RESPONSE && answer.requestId == shown.requestId &&
                       answer.errorIndex == 0 && (full || tooBig),
                   "the answer is the inform's Response or the tooBig one");
            Expect(!full || notification.answer.size() <= static_cast<std::size_t>(informMax),
                   "a full Response fits the inform's msgMaxSize");
            SnmpMessageFree(&answer);
        }
        if (read)
            SnmpMessageFree(&shown);
    }
    Expect(SnmpUtilLiveBlocks() == liveBlocks, "no block is left over");
    return 0;
}

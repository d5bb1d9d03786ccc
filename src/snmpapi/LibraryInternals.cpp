// The layer's uses of net-snmp's internals (LibraryInternals.h).
#define SNMP_NEED_REQUEST_LIST
#include "snmpapi/LibraryInternals.h"

#include <net-snmp/library/lcd_time.h>
#include <net-snmp/library/snmpusm.h>

#include <cctype>
#include <cstring>

bool LibraryVersionKnown(const char* version) {
    if (!version)
        return false;
    for (const char* known : {"5.9.3", "5.9.4"}) {
        const std::size_t length = std::strlen(known);
        // "5.9.4" and "5.9.4.pre2", not "5.9.40".
        if (std::strncmp(version, known, length) == 0 &&
            !std::isdigit(static_cast<unsigned char>(version[length])))
            return true;
    }
    return false;
}

bool LibraryInternalsKnown() {
    static const bool known = LibraryVersionKnown(netsnmp_get_version());
    return known;
}

// --- Ending requests ------------------------------------------------------------------------
//
// net-snmp has no call that ends one request of a session early: a request ends when its
// answer comes or when its last retry has timed out. The library's request list is public
// (netsnmp_request_list, behind SNMP_NEED_REQUEST_LIST), and its single-session handle
// points at the session's internal state, whose first field is the head of that list in
// every release since 5.0. A request made to look as if its last retry had expired is then
// ended by the library's own snmp_sess_timeout, by the same road as a real time-out: its
// callback, its security model's clean-up, its removal.

namespace {

// The head of net-snmp's struct snmp_internal_session.
struct InternalSessionHead {
    netsnmp_request_list* requests;
    netsnmp_request_list* requestsEnd;
};

} // namespace

bool LibraryEndRequests(void* sessp) {
    if (!sessp || !LibraryInternalsKnown())
        return false;
    auto* slp = static_cast<session_list*>(sessp);
    auto* internal = reinterpret_cast<InternalSessionHead*>(slp->internal);
    netsnmp_session* session = snmp_sess_session(sessp);
    if (!internal || !session)
        return false;
    for (netsnmp_request_list* rp = internal->requests; rp; rp = rp->next_request) {
        rp->retries = session->retries; // no retry left
        timerclear(&rp->expireM);       // and its time-out already past
    }
    snmp_sess_timeout(sessp);
    return true;
}

// --- The USM's message functions ----------------------------------------------------------
//
// The layer reads every SNMPv3 message itself once the USM has authenticated and decrypted
// it, and tags SEQUENCE values in the plaintext before the digest. net-snmp offers no hook
// between the USM and the parse of the scopedPDU (a session's own parse and build functions
// of snmp_sess_add_ex come before the USM and after it has encrypted), so the layer's
// functions take the places of the USM's in the security model's registration, which
// find_sec_mod gives, and call the USM's own.

bool LibraryWrapUsm(const LibraryUsmFunctions& wrappers, LibraryUsmFunctions* own) {
    snmp_secmod_def* usm = find_sec_mod(USM_SEC_MODEL_NUMBER);
    if (!usm)
        return false;
    *own = {usm->decode, usm->encode_reverse, usm->encode_forward};
    if (wrappers.decode && usm->decode)
        usm->decode = wrappers.decode;
    if (wrappers.encodeReverse && usm->encode_reverse)
        usm->encode_reverse = wrappers.encodeReverse;
    if (wrappers.encodeForward && usm->encode_forward)
        usm->encode_forward = wrappers.encodeForward;
    return true;
}

// --- Engine time records ------------------------------------------------------------------
//
// free_enginetime drops every record of the engine's hash bucket, not the engine's alone: the
// records of the others that are in use are read first and put back as they were, the time
// of their last message included.

namespace {

struct EngineTime {
    std::vector<u_char> engine;
    u_int boots;
    u_int time;
    time_t received;
    u_int authenticated;
};

} // namespace

void LibraryForgetEngineTime(const std::vector<u_char>& engine,
                             const std::vector<std::vector<u_char>>& kept) {
    if (engine.empty())
        return;
    const int bucket = hash_engineID(engine.data(), static_cast<u_int>(engine.size()));
    std::vector<EngineTime> records;
    for (const std::vector<u_char>& other : kept) {
        if (other.empty() || other == engine ||
            hash_engineID(other.data(), static_cast<u_int>(other.size())) != bucket)
            continue;
        if (const Enginetime record =
                search_enginetime_list(other.data(), static_cast<u_int>(other.size())))
            records.push_back({other, record->engineBoot, record->engineTime,
                               record->lastReceivedEngineTime, record->authenticatedFlag});
    }
    free_enginetime(const_cast<u_char*>(engine.data()), engine.size());
    for (const EngineTime& record : records) {
        set_enginetime(record.engine.data(), record.engine.size(), record.boots, record.time,
                       record.authenticated);
        if (const Enginetime back = search_enginetime_list(
                record.engine.data(), static_cast<u_int>(record.engine.size())))
            back->lastReceivedEngineTime = record.received;
    }
}

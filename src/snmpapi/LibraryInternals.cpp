// The layer's uses of net-snmp's internals (LibraryInternals.h).
//
// net-snmp has no call that ends one request of a session early: a request ends when its
// answer comes or when its last retry has timed out. The library's request list is public
// (netsnmp_request_list, behind SNMP_NEED_REQUEST_LIST), and its single-session handle
// points at the session's internal state, whose first field is the head of that list in
// every release since 5.0. A request made to look as if its last retry had expired is then
// ended by the library's own snmp_sess_timeout, by the same road as a real time-out: its
// callback, its security model's clean-up, its removal.
#define SNMP_NEED_REQUEST_LIST
#include "snmpapi/LibraryInternals.h"

#include "snmpapi/SnmpInternal.h"

#include <cstring>

namespace {

// The head of net-snmp's struct snmp_internal_session.
struct InternalSessionHead {
    netsnmp_request_list* requests;
    netsnmp_request_list* requestsEnd;
};

} // namespace

bool LibraryInternalsKnown() {
    // The releases whose layout and time-out handling were read: 5.9 and its updates.
    static const bool known = std::strncmp(netsnmp_get_version(), "5.9", 3) == 0;
    return known;
}

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

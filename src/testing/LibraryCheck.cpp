// What the layer relies on inside net-snmp, checked against the library that runs
// (LibraryCheck.h).
#include "testing/LibraryCheck.h"

#include "snmpapi/LibraryInternals.h"
#include "snmpapi/SnmpInternal.h"

#include <net-snmp/library/lcd_time.h>
#include <net-snmp/library/snmpusm.h>

#include <mutex>
#include <vector>

namespace {

using Engine = std::vector<u_char>;

// An engine id of the check's own (RFC 3411's text format) and another one in its bucket.
std::pair<Engine, Engine> TwoEnginesOfOneBucket() {
    const Engine first = {0x80, 0x00, 0x1F, 0x88, 0x04, 'c', 'h', 'e', 'c', 'k', 0};
    const int bucket = hash_engineID(first.data(), static_cast<u_int>(first.size()));
    Engine second = first;
    for (int i = 1; i < 256 * 256; ++i) {
        second[second.size() - 1] = static_cast<u_char>(i);
        second.push_back(static_cast<u_char>(i >> 8));
        if (hash_engineID(second.data(), static_cast<u_int>(second.size())) == bucket)
            return {first, second};
        second.pop_back();
    }
    return {first, {}};
}

bool Has(const Engine& engine, u_int boots, u_int time) {
    const Enginetime record =
        search_enginetime_list(engine.data(), static_cast<u_int>(engine.size()));
    return record && record->engineBoot == boots && record->engineTime == time;
}

} // namespace

std::string SnmpLibraryInternalsDisagreement() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    if (!LibraryInternalsKnown())
        return std::string("net-snmp ") + netsnmp_get_version() +
               " is not a release whose internals the layer was written for";
    // The hooks: the USM is registered, with the functions whose places they take.
    const snmp_secmod_def* usm = find_sec_mod(USM_SEC_MODEL_NUMBER);
    if (!usm || !usm->decode || !usm->encode_reverse)
        return "the USM is not registered with its decode and encode_reverse functions";
    // The time records: free_enginetime forgets the engine's record (and, in the releases
    // read, the others of its bucket); forgetting one engine puts the others back as they
    // were, the time of their last message included.
    const auto [gone, kept] = TwoEnginesOfOneBucket();
    if (kept.empty())
        return "no two engine ids share a bucket of the time records";
    set_enginetime(gone.data(), static_cast<u_int>(gone.size()), 3, 300, TRUE);
    free_enginetime(const_cast<u_char*>(gone.data()), gone.size());
    if (Has(gone, 3, 300))
        return "free_enginetime keeps the engine's time record";
    set_enginetime(gone.data(), static_cast<u_int>(gone.size()), 3, 300, TRUE);
    set_enginetime(kept.data(), static_cast<u_int>(kept.size()), 7, 700, TRUE);
    Enginetime record = search_enginetime_list(kept.data(), static_cast<u_int>(kept.size()));
    if (!record)
        return "set_enginetime keeps no record that search_enginetime_list finds";
    record->lastReceivedEngineTime = 12345;
    LibraryForgetEngineTime(gone, {kept});
    const bool forgotten = !Has(gone, 3, 300);
    record = search_enginetime_list(kept.data(), static_cast<u_int>(kept.size()));
    const bool keptWhole = Has(kept, 7, 700) && record->lastReceivedEngineTime == 12345;
    LibraryForgetEngineTime(kept, {});
    if (!forgotten)
        return "forgetting an engine's time record leaves it";
    if (!keptWhole)
        return "forgetting one engine's time record does not keep the others of its bucket";
    return {};
}

bool SnmpLibraryVersionKnownForTesting(const char* version) {
    return LibraryVersionKnown(version);
}

// A poll: one Get of sysUpTime.0 and the watched objects, in one request.
#include "snmp/Flows.h"

#include "values/Values.h"

#include <algorithm>
#include <iterator>

namespace {

// The request's bindings, NULL values under copies of the names, given back to the utility
// allocator once, on whichever path the flow leaves by.
class CPollList {
public:
    ~CPollList() { SnmpUtilVarBindListFree(&m_list); }

    bool Build(const std::vector<std::vector<UINT>>& objects) {
        const std::size_t count = objects.size() + 1;
        m_list.list = static_cast<SnmpVarBind*>(
            SnmpUtilMemAlloc(static_cast<UINT>(count * sizeof(SnmpVarBind))));
        if (!m_list.list)
            return false;
        m_list.len = static_cast<UINT>(count);
        for (std::size_t i = 0; i < count; ++i)
            m_list.list[i].value.asnType = ASN_NULL;
        const AsnObjectIdentifier upTime{static_cast<UINT>(std::size(flows::kSysUpTimeInstance)),
                                         const_cast<UINT*>(flows::kSysUpTimeInstance)};
        if (!SnmpUtilOidCpy(&m_list.list[0].name, &upTime))
            return false;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const AsnObjectIdentifier name{static_cast<UINT>(objects[i].size()),
                                           const_cast<UINT*>(objects[i].data())};
            if (!SnmpUtilOidCpy(&m_list.list[i + 1].name, &name))
                return false;
        }
        return true;
    }

    SnmpVarBindList* List() { return &m_list; }

private:
    SnmpVarBindList m_list{};
};

bool SameName(const AsnObjectIdentifier& name, const std::vector<UINT>& asked) {
    return name.idLength == asked.size() && std::equal(asked.begin(), asked.end(), name.ids);
}

} // namespace

namespace flows {

Outcome Poll(LPSNMP_MGR_SESSION session, const std::vector<std::vector<UINT>>& objects,
             const values::LineTexts& texts, PollAnswer* answer) {
    *answer = PollAnswer{};
    CPollList request;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;
    int sent = 0;
    if (request.Build(objects))
        sent = SnmpMgrRequest(session, SNMP_PDU_GET, request.List(), &errorStatus, &errorIndex);
    const UINT reason = sent ? 0 : GetLastError(); // taken straight after the failed call
    if (!sent)
        return FailedRequest(OutcomeKind::GetFailed, reason, errorStatus, errorIndex);
    if (errorStatus != 0)
        return AgentAnswer(OutcomeKind::GetAgentError, errorStatus, errorIndex);
    const SnmpVarBindList& list = *request.List();
    const SnmpVarBind& upTime = list.list[0];
    const std::vector<UINT> upTimeName(std::begin(kSysUpTimeInstance),
                                       std::end(kSysUpTimeInstance));
    if (upTime.value.asnType == ASN_TIMETICKS && SameName(upTime.name, upTimeName))
        answer->upTime = upTime.value.asnValue.ticks;
    answer->values.resize(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const SnmpVarBind& vb = list.list[i + 1];
        PolledValue& value = answer->values[i];
        value.text = values::LineValueText(vb, texts);
        if (!SameName(vb.name, objects[i])) {
            value.otherName = true;
            continue;
        }
        value.exception = values::ExceptionName(vb.value.asnType);
        if (!value.exception && answer->upTime)
            value.sample = values::SampleOf(*answer->upTime, vb.value);
    }
    return Outcome{};
}

} // namespace flows

// A notification as the log keeps it (Notification.h). Its texts and its packed bindings
// share one block, so that a row of the log costs two allocations whatever it holds.
//
// The packed form of the bindings: their count, then per binding the name's length and
// sub-identifiers, the value's type code and its contents as the type holds them (an
// identifier's length and sub-identifiers, a number, the length and bytes of an octet form,
// nothing for NULL and the exceptions), every number as a base-128 varint, low bits first.
#include "traps/Notification.h"

#include "values/Utf8.h"
#include "values/Values.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

namespace {

const UINT kSysUpTime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const UINT kSnmpTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};

template <std::size_t N> bool NameIs(const AsnObjectIdentifier& name, const UINT (&ids)[N]) {
    return name.idLength == N && std::equal(ids, ids + N, name.ids);
}

// How a value's contents are held, as the utility functions copy and free them.
enum class Form { Number, Identifier, Bytes, Nothing };

Form FormOf(BYTE type) {
    switch (type) {
    case ASN_INTEGER:
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return Form::Number;
    case ASN_OBJECTIDENTIFIER:
        return Form::Identifier;
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return Form::Nothing;
    default:
        return Form::Bytes;
    }
}

void PutVarint(std::string& out, std::uint32_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (n & 0x7F)));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
}

void PutIds(std::string& out, const AsnObjectIdentifier& oid) {
    PutVarint(out, oid.idLength);
    for (UINT i = 0; i < oid.idLength; ++i)
        PutVarint(out, oid.ids[i]);
}

std::string Pack(const SnmpVarBindList& bindings) {
    std::string out;
    PutVarint(out, bindings.len);
    for (UINT i = 0; i < bindings.len; ++i) {
        const SnmpVarBind& vb = bindings.list[i];
        PutIds(out, vb.name);
        out.push_back(static_cast<char>(vb.value.asnType));
        switch (FormOf(vb.value.asnType)) {
        case Form::Number:
            PutVarint(out, vb.value.asnValue.unsigned32);
            break;
        case Form::Identifier:
            PutIds(out, vb.value.asnValue.object);
            break;
        case Form::Bytes: {
            const AsnOctetString& s = vb.value.asnValue.string;
            PutVarint(out, s.length);
            out.append(reinterpret_cast<const char*>(s.stream), s.length);
            break;
        }
        case Form::Nothing:
            break;
        }
    }
    return out;
}

// Reads what Pack wrote; the block is our own, so it is whole.
class CUnpacker {
public:
    explicit CUnpacker(std::string_view packed) : m_at(packed.data()) {}
    std::uint32_t Varint() {
        std::uint32_t n = 0;
        for (int shift = 0;; shift += 7) {
            const auto b = static_cast<std::uint8_t>(*m_at++);
            n |= static_cast<std::uint32_t>(b & 0x7F) << shift;
            if (!(b & 0x80))
                return n;
        }
    }
    BYTE Byte() { return static_cast<BYTE>(*m_at++); }
    const char* Take(std::size_t n) {
        const char* start = m_at;
        m_at += n;
        return start;
    }

private:
    const char* m_at;
};

std::string AddressText(const BYTE* bytes, std::size_t length) {
    char text[INET6_ADDRSTRLEN] = "";
    if (length == 4)
        inet_ntop(AF_INET, bytes, text, sizeof text);
    else if (length == 16)
        inet_ntop(AF_INET6, bytes, text, sizeof text);
    return text;
}

// A name text in short: from its last named component on ("ifIndex.3" of
// "interfaces.ifTable.ifEntry.ifIndex.3", "enterprises.99.1"); a dotted one as it is.
std::string_view ShortName(std::string_view name) {
    std::size_t start = name.size();
    while (start > 0) {
        const std::size_t dot = name.rfind('.', start - 1);
        const std::size_t from = dot == std::string_view::npos ? 0 : dot + 1;
        const std::string_view component = name.substr(from, start - from);
        if (!component.empty() && (component[0] < '0' || component[0] > '9'))
            return name.substr(from);
        if (dot == std::string_view::npos)
            break;
        start = dot;
    }
    return name;
}

// The bindings in short: each but the two that say when and what the notification was.
std::string ShortText(const SnmpVarBindList& bindings, const char* const* names,
                      const char* const* values) {
    std::string text;
    for (UINT i = 0; i < bindings.len && text.size() <= CNotification::kShortLength; ++i) {
        const AsnObjectIdentifier& name = bindings.list[i].name;
        if (NameIs(name, kSysUpTime) || NameIs(name, kSnmpTrapOid))
            continue;
        if (!text.empty())
            text += ", ";
        text += ShortName(names[i] ? names[i] : "");
        text += '=';
        text += values[i] ? values[i] : "";
    }
    if (text.size() > CNotification::kShortLength) {
        text.resize(values::Utf8CutLength(text, CNotification::kShortLength));
        text += "...";
    }
    return text;
}

} // namespace

std::string DottedOid(const AsnObjectIdentifier& oid) {
    std::string text;
    for (UINT i = 0; i < oid.idLength; ++i) {
        if (i > 0)
            text += '.';
        text += std::to_string(oid.ids[i]);
    }
    return text;
}

CBindingTexts::CBindingTexts(const SnmpVarBindList& bindings)
    : m_names(bindings.len, nullptr), m_values(bindings.len, nullptr) {
    for (UINT i = 0; i < bindings.len; ++i) {
        if (!SnmpMgrOidToStr(&bindings.list[i].name, &m_names[i]))
            m_names[i] = nullptr; // a name without a text form leaves that part empty
        m_values[i] = values::FormatValue(&bindings.list[i].value);
    }
}

CBindingTexts::~CBindingTexts() {
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        SnmpUtilMemFree(m_names[i]);
        SnmpUtilMemFree(m_values[i]);
    }
}

NotificationRef CNotification::Make(const SnmpMgrTrapOrigin& origin,
                                    const AsnOctetString& agentAddress,
                                    const SnmpVarBindList& bindings, const CBindingTexts& texts) {
    std::string parts[kParts];
    parts[kSender] = AddressText(origin.sender, origin.senderLength);
    if (origin.version == SNMP_MGR_VERSION_1)
        parts[kAgent] = AddressText(agentAddress.stream, agentAddress.length);
    parts[kCommunity] = origin.community;
    for (UINT i = 0; i < bindings.len; ++i) {
        const SnmpVarBind& vb = bindings.list[i];
        if (NameIs(vb.name, kSnmpTrapOid) && vb.value.asnType == ASN_OBJECTIDENTIFIER) {
            char* name = nullptr;
            if (SnmpMgrOidToStr(&vb.value.asnValue.object, &name) && name)
                parts[kName] = name;
            SnmpUtilMemFree(name);
            parts[kTrapOid] = DottedOid(vb.value.asnValue.object);
            break;
        }
    }
    parts[kShort] = ShortText(bindings, texts.Names(), texts.Values());
    parts[kPacked] = Pack(bindings);

    std::size_t size = 0;
    for (const std::string& part : parts)
        size += part.size();
    if (size > 0xFFFFFFFFu)
        return nullptr;
    std::shared_ptr<CNotification> made;
    try {
        made.reset(new CNotification);
        made->m_block.reset(new char[std::max<std::size_t>(size, 1)]);
    } catch (const std::bad_alloc&) {
        return nullptr; // the trap's lines are shown all the same
    }
    std::uint32_t at = 0;
    for (int part = 0; part < kParts; ++part) {
        made->m_starts[part] = at;
        std::memcpy(made->m_block.get() + at, parts[part].data(), parts[part].size());
        at += static_cast<std::uint32_t>(parts[part].size());
    }
    made->m_starts[kParts] = at;
    made->m_arrivalMs = origin.arrivalMs;
    made->m_senderPort = origin.senderPort;
    made->m_version = static_cast<std::uint8_t>(origin.version);
    made->m_pduType = origin.pduType;
    made->m_bindingCount = bindings.len;
    return made;
}

void CNotification::Unpack(CNotificationBindings* out) const {
    // Two passes: the first sizes the storage, so that the records' pointers into it stay put.
    const std::string_view packed = Text(kPacked);
    std::size_t ids = 0;
    std::size_t bytes = 0;
    {
        CUnpacker in(packed);
        const std::uint32_t count = in.Varint();
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t n = in.Varint();
            ids += n;
            while (n-- > 0)
                in.Varint();
            switch (FormOf(in.Byte())) {
            case Form::Number:
                in.Varint();
                break;
            case Form::Identifier:
                n = in.Varint();
                ids += n;
                while (n-- > 0)
                    in.Varint();
                break;
            case Form::Bytes:
                n = in.Varint();
                bytes += n;
                in.Take(n);
                break;
            case Form::Nothing:
                break;
            }
        }
    }
    out->m_bindings.clear();
    out->m_ids.assign(ids, 0);
    out->m_bytes.assign(bytes, 0);
    UINT* nextId = out->m_ids.data();
    BYTE* nextByte = out->m_bytes.data();
    const auto readIds = [&nextId](CUnpacker& in, AsnObjectIdentifier* oid) {
        oid->idLength = in.Varint();
        oid->ids = oid->idLength ? nextId : nullptr;
        for (UINT k = 0; k < oid->idLength; ++k)
            *nextId++ = in.Varint();
    };
    CUnpacker in(packed);
    const std::uint32_t count = in.Varint();
    out->m_bindings.resize(count);
    for (SnmpVarBind& vb : out->m_bindings) {
        vb = SnmpVarBind{};
        readIds(in, &vb.name);
        vb.value.asnType = in.Byte();
        switch (FormOf(vb.value.asnType)) {
        case Form::Number:
            vb.value.asnValue.unsigned32 = in.Varint();
            break;
        case Form::Identifier:
            readIds(in, &vb.value.asnValue.object);
            break;
        case Form::Bytes: {
            AsnOctetString& s = vb.value.asnValue.string;
            s.length = in.Varint();
            s.stream = s.length ? nextByte : nullptr;
            s.dynamic = FALSE;
            if (s.length)
                std::memcpy(nextByte, in.Take(s.length), s.length);
            nextByte += s.length;
            break;
        }
        case Form::Nothing:
            break;
        }
    }
}

std::size_t CNotification::Footprint() const {
    // The shared record's control block, the record and the parts' block, each allocation
    // with the allocator's header of two words.
    constexpr std::size_t kHeader = 2 * sizeof(void*);
    constexpr std::size_t kControl = 2 * sizeof(void*) + sizeof(void*);
    return kControl + kHeader + sizeof(CNotification) + kHeader + m_starts[kParts];
}

const char* NotificationVersionText(int version) {
    switch (version) {
    case SNMP_MGR_VERSION_1:
        return "SNMPv1";
    case SNMP_MGR_VERSION_2C:
        return "SNMPv2c";
    case SNMP_MGR_VERSION_3:
        return "SNMPv3";
    default:
        return "";
    }
}

const char* NotificationKindText(const CNotification& notification) {
    return notification.IsInform() ? "Inform" : "Trap";
}

std::string ArrivalText(std::int64_t arrivalMs) {
    const std::time_t seconds = static_cast<std::time_t>(arrivalMs / 1000);
    const int ms = static_cast<int>(arrivalMs % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, ms);
    return text;
}

std::string SourceText(const CNotification& notification) {
    const std::string_view address = notification.SenderText();
    const std::string port = std::to_string(notification.SenderPort());
    if (address.find(':') != std::string_view::npos)
        return "[" + std::string(address) + "]:" + port;
    return std::string(address) + ":" + port;
}

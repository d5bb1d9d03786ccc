// One notification as the notification log keeps it: where and how it came, its name, its
// bindings in short for the log's rows, and every binding as it arrived, packed, so that the
// details and the export read each value again rather than a text made of it.
//
// A notification never changes once made, so the log's window and an export running on
// another thread share it without a lock.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CNotification;
using NotificationRef = std::shared_ptr<const CNotification>;

// The texts of a trap's bindings as the trap window's lines show them: each name as
// SnmpMgrOidToStr gives it and each value as FormatValue does (null where either gives none),
// made once for the lines and the notification alike, and released when this goes.
class CBindingTexts {
public:
    explicit CBindingTexts(const SnmpVarBindList& bindings);
    ~CBindingTexts();
    CBindingTexts(const CBindingTexts&) = delete;
    CBindingTexts& operator=(const CBindingTexts&) = delete;

    const char* const* Names() const { return m_names.data(); }
    const char* const* Values() const { return m_values.data(); }

private:
    std::vector<char*> m_names;
    std::vector<char*> m_values;
};

// The bindings of a notification unpacked: records that point into storage of their own
// (no block of the utility allocator: nothing to free), valid while this lives.
class CNotificationBindings {
public:
    CNotificationBindings() = default;
    CNotificationBindings(const CNotificationBindings&) = delete;
    CNotificationBindings& operator=(const CNotificationBindings&) = delete;

    std::size_t Count() const { return m_bindings.size(); }
    const SnmpVarBind& operator[](std::size_t i) const { return m_bindings[i]; }

private:
    friend class CNotification;
    std::vector<SnmpVarBind> m_bindings;
    std::vector<UINT> m_ids;
    std::vector<BYTE> m_bytes;
};

class CNotification {
public:
    // Made by the trap listener from a trap as the trap service handed it out: its origin,
    // its SNMPv1 agent address, its bindings (in the SNMPv2 form) and their texts. Null when
    // memory runs out.
    static NotificationRef Make(const SnmpMgrTrapOrigin& origin, const AsnOctetString& agentAddress,
                                const SnmpVarBindList& bindings, const CBindingTexts& texts);

    std::int64_t ArrivalMs() const { return m_arrivalMs; }
    int Version() const { return m_version; }
    BYTE PduType() const { return m_pduType; }
    bool IsInform() const { return m_pduType == SNMP_PDU_INFORM; }
    std::uint16_t SenderPort() const { return m_senderPort; }
    // The sender's address as text: "10.0.0.7", "::1".
    std::string_view SenderText() const { return Text(kSender); }
    // The SNMPv1 agent-addr field (RFC 1157, 4.1.6), as text; empty for other versions.
    std::string_view AgentAddressText() const { return Text(kAgent); }
    // The community, or an SNMPv3 user name, as it arrived (any bytes).
    std::string_view Community() const { return Text(kCommunity); }
    // The snmpTrapOID.0 value's name text and its dotted decimal (without a leading dot);
    // both empty for a notification that has none.
    std::string_view NameText() const { return Text(kName); }
    std::string_view TrapOidText() const { return Text(kTrapOid); }
    // "name=value" of each binding but sysUpTime.0 and snmpTrapOID.0, the name from its last
    // named component on ("ifIndex.2"), joined by ", " and cut after kShortLength bytes
    // (between characters) with "...".
    std::string_view BindingsShort() const { return Text(kShort); }
    std::size_t BindingCount() const { return m_bindingCount; }

    // The bindings exactly as they arrived.
    void Unpack(CNotificationBindings* out) const;

    // What the notification takes in memory, its record and its blocks with the allocator's
    // headers counted: the log's bound is a sum of these.
    std::size_t Footprint() const;

    static constexpr std::size_t kShortLength = 240;

private:
    CNotification() = default;

    enum Part { kSender, kAgent, kCommunity, kName, kTrapOid, kShort, kPacked, kParts };
    std::string_view Text(Part part) const {
        return std::string_view(m_block.get() + m_starts[part],
                                m_starts[part + 1] - m_starts[part]);
    }

    std::int64_t m_arrivalMs = 0;
    std::uint32_t m_starts[kParts + 1] = {};
    std::uint32_t m_bindingCount = 0;
    std::uint16_t m_senderPort = 0;
    std::uint8_t m_version = 0;
    BYTE m_pduType = 0;
    std::unique_ptr<char[]> m_block; // the parts, back to back
};

// The identifier in dotted decimal without a leading dot ("1.3.6.1.6.3.1.1.5.3").
std::string DottedOid(const AsnObjectIdentifier& oid);
// "SNMPv1", "SNMPv2c", "SNMPv3", or "" for another number.
const char* NotificationVersionText(int version);
// "Trap" or "Inform".
const char* NotificationKindText(const CNotification& notification);
// The local time of arrival to the millisecond: "2026-03-04 13:07:09.042".
std::string ArrivalText(std::int64_t arrivalMs);
// The sender with its port: "10.0.0.7:40123", "[::1]:40123".
std::string SourceText(const CNotification& notification);

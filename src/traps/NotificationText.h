// The texts that the notification log's details and its export make of one notification
// beyond its row's: each binding's name, type and value in both texts, the community as
// text or bytes, and the details as the log window shows them.
#pragma once

#include "traps/Notification.h"

#include <cstdint>
#include <string>

// The type of a value as RFC 2578 names it ("INTEGER", "OCTET STRING", "Counter32", ...);
// an SNMPv2 exception by its name, an element that does not fit its type "unreadable", and a
// tag that no SNMP type has as "tag 0x9F".
std::string ValueTypeName(BYTE type);
// The identifier's name text as SnmpMgrOidToStr gives it; dotted decimal where it gives none.
std::string OidNameText(const AsnObjectIdentifier& oid);
// The value's text as the trap window shows it; empty where it has none.
std::string SentValueText(const AsnAny& value);
// The community or SNMPv3 user as an OCTET STRING value is shown: text where its bytes are
// text, else its bytes in hex.
std::string CommunityText(const CNotification& notification);
// What the log window's details pane shows for notification `number`: where and how it
// came, its name, every binding with its name, its type and its value as sent and as the
// MIB describes it, and the notification's DESCRIPTION and OBJECTS where a module defines it.
std::string NotificationDetailsText(const CNotification& notification, std::uint64_t number);

// Notifications for the notification log's tests, made of datagrams of the tests' own
// encoding (support/Ber.h) as the trap service decodes them and the trap listener makes them.
#pragma once

#include "support/Ber.h"
#include "traps/Notification.h"

#include <cstdint>
#include <string>

// Where a test notification came from; the version, the kind and the community are read
// from the datagram.
struct TestOrigin {
    std::string sender = "10.0.0.7"; // IPv4 or IPv6 text
    std::uint16_t port = 40000;
    std::int64_t arrivalMs = 1767225600123; // 2026-01-01 00:00:00.123 UTC
};

// The notification of an SNMPv1 or SNMPv2c datagram; null for one the service would not show.
NotificationRef NotificationOf(const Bytes& datagram, const TestOrigin& origin = TestOrigin());

// An SNMPv2c trap from `sender` named `trapOid`, with `bindings` after its header bindings.
Bytes V2TrapOf(const std::vector<std::uint32_t>& trapOid, const std::vector<Bytes>& bindings = {},
               const std::string& community = "public");

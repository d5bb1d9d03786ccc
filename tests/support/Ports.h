// UDP ports on the loopback addresses, for the tests' agents, senders and trap services.
// A port found free may be taken by another process before it is bound again: callers that
// cannot tolerate that try again with a fresh one. Nothing here depends on the test
// framework, so that bench/ and fuzz/ can use it too.
#pragma once

#include <cstdint>

// A UDP socket bound to 127.0.0.1 (or ::1) and `port`, 0 for any free one: its descriptor,
// with the port bound in `*bound`, or -1 when the address or the port cannot be had.
int BindLoopback(bool ipv6, std::uint16_t port, std::uint16_t* bound);

// Whether this machine can bind ::1.
bool HasIpv6Loopback();

// A UDP port that was free a moment ago on 127.0.0.1; 0 when none could be had.
std::uint16_t FreeUdpPort();
// A UDP port that was free a moment ago on 127.0.0.1 and, where the machine has it, on ::1,
// as the trap service listens on both; 0 when none could be had.
std::uint16_t FreeTrapTestPort();

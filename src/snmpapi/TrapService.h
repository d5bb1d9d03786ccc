// The trap service's settings and counters (TrapService.cpp), for the layer's own files and
// the testing library; its stop is SnmpTrapServiceShutdown (SnmpInternal.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

// What the next SnmpMgrTrapListen takes in place of its defaults, where set (not 0): the
// port (bound to loopback only), and the queue's bounds in datagrams and in bytes; and an
// observer that it calls on the listening thread before it does anything else.
struct TrapServiceSettings {
    std::atomic<std::uint16_t> port{0};
    std::atomic<std::size_t> queueLimit{0};
    std::atomic<std::size_t> queueByteLimit{0};
    std::function<void()> listenObserver;
};
TrapServiceSettings& TrapServiceSettingsInForce();

// Since the last successful SnmpMgrTrapListen.
struct SnmpTrapServiceCounters {
    std::uint64_t received;   // datagrams read from the trap sockets
    std::uint64_t queued;     // datagrams queued; each is decoded when it is handed out
    std::uint64_t malformed;  // datagrams that were no readable trap or inform (requests,
                              // other versions and undecodable ones included): SNMPv1 and
                              // SNMPv2c ones counted as SnmpMgrGetTrap skips them, SNMPv3
                              // ones as they arrive
    std::uint64_t overflow;   // datagrams dropped because the queue was full (by count or
                              // by bytes) or memory ran out; an inform among them was not
                              // answered
    std::uint64_t queueBytes; // what the queued datagrams take now, their records included
    std::uint64_t answered;   // Responses sent to informs, retransmissions' included
    std::uint64_t repeated;   // retransmitted informs: answered again, not queued
};
SnmpTrapServiceCounters TrapServiceCounters();

// The SNMPv3 senders' engines that the trap service keeps: those with a user (Okapel's own
// included), and those whose latest boots and time outlive their users, with the bytes the
// latter take.
struct SnmpTrapServiceEngines {
    std::size_t withUser;
    std::size_t times;
    std::size_t timeBytes;
};
SnmpTrapServiceEngines TrapServiceEngines();

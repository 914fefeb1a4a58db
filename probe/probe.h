// The reachability probe: one ICMP (to an IPv6 agent, ICMPv6) echo request to the watched
// agent's address (g_agent, set with the target), then a wait of PROBE_WAIT_MS for this
// request's echo reply.
// tests/shell/shell_test.cpp links a scripted ProbeTarget in place of probe.cpp's.
#pragma once

#include <cstdint>

#include "platform/net/net.h"

enum ProbeResult : int {
    PROBE_REPLY = 0,     // this request's echo reply came back within the wait
    PROBE_NO_REPLY = 1,  // nothing of ours within the wait, or g_target gave no usable agent
    PROBE_ERROR = 2,     // no way to send an echo (socket library, socket), or the wait failed
};

inline constexpr int PROBE_WAIT_MS = 125;

// Process-wide echo counters; both start at 1 and advance by one per request built.
extern std::uint32_t g_echo_identifier;
extern std::uint32_t g_echo_sequence;

// Probes g_agent once; resolves nothing. Advances both counters whenever a request is built.
int ProbeTarget();

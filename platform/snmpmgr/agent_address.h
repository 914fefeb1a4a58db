// Where a session's agent listens: the host part of the target text resolved to its first
// IPv4 address, and the target's ":port" (161 without one).
#pragma once

#include <cstdint>

struct AgentAddress {
    std::uint32_t address;  // IPv4, network byte order
    std::uint16_t port;     // host byte order
};

// The longest a lookup may hold its caller: a DNS server that does not answer must not freeze
// the window (start-up and Update Target each stay within about a second).
inline constexpr int RESOLVE_TIMEOUT_MS = 750;

// False when the host part is empty, too long for a host name or does not resolve within
// RESOLVE_TIMEOUT_MS.
bool ResolveAgent(const char* agent, AgentAddress* out);

// The target text: a host name or dotted IPv4 address, optionally followed by ":port" for the
// SNMP agent's UDP port. Only one colon followed by a decimal number 1..65535 is a port; any
// other text (more colons, an empty or out-of-range port) is a host name as a whole.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t SNMP_DEFAULT_PORT = 161;

// Splits `target` into its host part (bounded by `hostCapacity`, always terminated when it is
// at least 1) and port (SNMP_DEFAULT_PORT without one). Returns false, with the host cut, when
// the host part does not fit.
bool SplitTarget(const char* target, char* host, std::size_t hostCapacity, std::uint16_t* port);

// Where an SNMP agent is, or where to listen, as text: a host and a port.
//
// The window's target: a host name or dotted IPv4 address, optionally followed by ":port" for
// the agent's UDP port. Only one colon followed by a decimal number 1..65535 is a port; any
// other text (more colons, an empty or out-of-range port) is a host name as a whole.
//
// The forms of the programs that also take IPv6 (the exporter, the condition library, the
// listening options of the exporter and the simulated printer) read the same HOST:PORT, where
// a single colon always introduces a port, and add IPv6 literals: bare (more than one colon,
// no port) or in brackets with an optional port ("[fd00::5]", "[fd00::5]:16161"). A host
// written in brackets or with a colon can only be an IPv6 literal; what else a host may be
// (a name, which characters) is for the caller to check. Nothing here touches the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::uint16_t SNMP_DEFAULT_PORT = 161;

// A port in plain decimal digits (no sign, no space): 1..65535, and 0 too when `zeroAllowed`.
std::optional<std::uint16_t> ParsePort(std::string_view text, bool zeroAllowed = false);

// The window's split: `target` into its host part (bounded by `hostCapacity`, always
// terminated when it is at least 1) and port (SNMP_DEFAULT_PORT without one). Returns false,
// with the host cut, when the host part does not fit.
bool SplitTarget(const char* target, char* host, std::size_t hostCapacity, std::uint16_t* port);

struct HostPort {
    std::string_view host;  // a view into the text split, without brackets
    std::uint16_t port = SNMP_DEFAULT_PORT;
    bool ipv6 = false;  // written in brackets or with a colon: only an IPv6 literal will do
};

// An agent's target: HOST, HOST:PORT, IPV6, [IPV6] or [IPV6]:PORT; SNMP_DEFAULT_PORT without a
// port. Nullopt, with the reason in one line in `why`, for a '[' without its ']', text after
// ']' other than ":PORT", a port that is empty or not 1..65535, or an empty host.
std::optional<HostPort> SplitHostPort(std::string_view text, std::string& why);

// An address to listen on: HOST:PORT, [IPV6]:PORT or :PORT (no host: every address). The port
// is required; 0 asks for any free one.
std::optional<HostPort> SplitListenAddress(std::string_view text, std::string& why);

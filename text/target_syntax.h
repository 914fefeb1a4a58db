// Where an SNMP agent is, or where to listen, as text: a host and a port.
//
// A target (the window's, the command lines', the exporter's and the condition library's):
// HOST or HOST:PORT, where a single colon always introduces a port, and IPv6 literals, bare
// (more than one colon, no port) or in brackets with an optional port ("[fd00::5]",
// "[fd00::5]:16161"). A host written in brackets or with a colon can only be an IPv6 literal;
// what else a host may be (a name, which characters) is for the caller to check. The listening
// options of the exporter and the simulated printer read the same forms with a port required.
// Nothing here touches the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::uint16_t SNMP_DEFAULT_PORT = 161;

// A port in plain decimal digits (no sign, no space): 1..65535, and 0 too when `zeroAllowed`.
std::optional<std::uint16_t> ParsePort(std::string_view text, bool zeroAllowed = false);

struct HostPort {
    std::string_view host;  // a view into the text split, without brackets
    std::uint16_t port = SNMP_DEFAULT_PORT;
    bool ipv6 = false;  // written in brackets or with a colon: only an IPv6 literal will do
};

// An agent's target: HOST, HOST:PORT, IPV6, [IPV6] or [IPV6]:PORT; SNMP_DEFAULT_PORT without a
// port. Nullopt, with the reason in one line in `why`, for a '[' without its ']', text after
// ']' other than ":PORT", a port that is empty or not 1..65535, or an empty host.
std::optional<HostPort> SplitHostPort(std::string_view text, std::string& why);

// The port of a target given on a command line, when it is one a user must hear about before
// anything runs: empty, not a number or not 1..65535. Nullopt for every other target, whether
// it resolves or not. The message names the port: "port '99999' of target 'h:99999' is not a
// number from 1 to 65535".
std::optional<std::string> TargetPortProblem(std::string_view target);

// An address to listen on: HOST:PORT, [IPV6]:PORT or :PORT (no host: every address). The port
// is required; 0 asks for any free one.
std::optional<HostPort> SplitListenAddress(std::string_view text, std::string& why);

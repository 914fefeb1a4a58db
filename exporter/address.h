// Where a reading may go: the `target` parameter's checks, and the allow-list of networks (CIDR)
// a target's address must fall in. Nothing here touches the network.
//
// Target syntax: text/target_syntax.h's SplitHostPort (HOST, HOST:PORT, an IPv6 literal bare or
// in brackets with an optional port, [::1]:161), held more strictly for a request: at most
// MAX_TARGET_LENGTH bytes in all, and HOST a dotted IPv4 address, a valid IPv6 literal or a DNS
// name (letters, digits, '-', '_', '.', not starting with '-' or '.').
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/net.h"
#include "text/target_syntax.h"

namespace exporter {

inline constexpr std::size_t MAX_TARGET_LENGTH = 255;

struct TargetSpec {
    std::string host;
    std::uint16_t port = SNMP_DEFAULT_PORT;
};

// The target, or nullopt with `why` saying in one line what is wrong with it.
std::optional<TargetSpec> ParseTarget(std::string_view text, std::string& why);

struct Cidr {
    net::Endpoint network;  // its address (the port is not used)
    int prefix = 0;         // bits: up to 32 for IPv4, 128 for IPv6
};

// "10.0.0.0/8", "fd00::/8", or a bare address (a single host). Bits beyond the prefix must be 0.
std::optional<Cidr> ParseCidr(std::string_view text);

// A comma-separated list; false with `why` at the first bad entry.
bool ParseCidrList(std::string_view text, std::vector<Cidr>& list, std::string& why);

// Loopback, RFC 1918 private, link-local (IPv4 and IPv6) and IPv6 unique-local networks.
std::vector<Cidr> DefaultAllowList();

// Whether the endpoint's address is in one of the networks. An IPv4-mapped IPv6 address
// (::ffff:a.b.c.d) is judged as the IPv4 address it carries.
bool IsAllowed(const std::vector<Cidr>& list, const net::Endpoint& endpoint);

}  // namespace exporter

// Endpoints from text and back, for the terminal program, the exporter and the tests (the
// reader itself never resolves names).
//
// ResolveEndpoint's text is a target as text/target_syntax.h's SplitHostPort reads it: "host",
// "host:port", an IPv4 or IPv6 literal, or "[IPv6]:port"; without a port, 161. A name is looked
// up by the platform (net::ResolveHost: its first IPv4 address, else its first IPv6 one) and
// waited for at most `wait`: a name that has not resolved by then is an error, and the lookup is
// abandoned. Literals never wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "condition/reader.h"
#include "platform/net/net.h"

namespace condition {

std::optional<Endpoint> ResolveEndpoint(const std::string& target, std::chrono::milliseconds wait,
                                        std::string* error = nullptr);

// An IPv4 or IPv6 literal as an endpoint with `port`; nullopt for anything else (a name).
std::optional<Endpoint> LiteralEndpoint(std::string_view host, std::uint16_t port);

// The platform's address (a lookup's answer) with `port`.
Endpoint EndpointAt(const net::IpAddress& address, std::uint16_t port);

// The address alone: "10.0.0.1", "::1".
std::string AddressText(const Endpoint& endpoint);

// With the port: "127.0.0.1:161", "[::1]:161".
std::string EndpointText(const Endpoint& endpoint);

}  // namespace condition

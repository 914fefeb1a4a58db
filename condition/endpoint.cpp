#include "condition/endpoint.h"

#include <algorithm>
#include <climits>

#include "text/target_syntax.h"

namespace condition {

std::optional<Endpoint> ResolveEndpoint(const std::string& target, std::chrono::milliseconds wait,
                                        std::string* error) {
    const auto refuse = [error](std::string why) {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return std::nullopt;
    };
    std::string why;
    const auto split = SplitHostPort(target, why);
    if (!split) {
        return refuse("bad target '" + target + "': " + why);
    }
    const std::string host(split->host);
    net::IpAddress address;
    if (split->ipv6) {
        if (!net::ParseIpLiteral(host, &address) || !address.ipv6) {
            return refuse("not an IPv6 address: " + host);
        }
    } else {
        const auto waitMs = std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, INT_MAX);
        if (!net::ResolveHost(host.c_str(), static_cast<int>(waitMs), &address, &why)) {
            return refuse(host + ": " + why);
        }
    }
    return EndpointAt(address, split->port);
}

std::optional<Endpoint> LiteralEndpoint(std::string_view host, std::uint16_t port) {
    net::IpAddress address;
    if (!net::ParseIpLiteral(host, &address)) {
        return std::nullopt;
    }
    return EndpointAt(address, port);
}

Endpoint EndpointAt(const net::IpAddress& address, std::uint16_t port) {
    Endpoint endpoint;
    endpoint.ipv6 = address.ipv6;
    endpoint.address = address.bytes;
    endpoint.port = port;
    return endpoint;
}

std::string AddressText(const Endpoint& endpoint) {
    return net::IpAddressText(net::IpAddress{endpoint.ipv6, endpoint.address});
}

std::string EndpointText(const Endpoint& endpoint) {
    const std::string port = std::to_string(endpoint.port);
    return endpoint.ipv6 ? "[" + AddressText(endpoint) + "]:" + port
                         : AddressText(endpoint) + ":" + port;
}

}  // namespace condition

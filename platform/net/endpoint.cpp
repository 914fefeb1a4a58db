// Endpoints: their text both ways (inet_pton and inet_ntop) and the one conversion to and from
// the platform's socket addresses, the same on every platform.
#include <cstring>

#include "platform/net/net.h"
#include "platform/net/socket_address.h"
#include "socket_api.h"
#include "text/target_syntax.h"

namespace net {

std::optional<Endpoint> LiteralEndpoint(std::string_view host, std::uint16_t port) {
    // The longest literal, an IPv6 address ending in a dotted quad, has 45 characters.
    char literal[64];
    if (host.empty() || host.size() >= sizeof literal) {
        return std::nullopt;
    }
    std::memcpy(literal, host.data(), host.size());
    literal[host.size()] = '\0';
    Endpoint endpoint;
    endpoint.port = port;
    if (inet_pton(AF_INET, literal, endpoint.address.data()) == 1) {
        return endpoint;
    }
    if (inet_pton(AF_INET6, literal, endpoint.address.data()) == 1) {
        endpoint.family = Family::IPv6;
        return endpoint;
    }
    return std::nullopt;
}

Endpoint Unmapped(const Endpoint& endpoint) {
    static constexpr std::uint8_t MAPPED_PREFIX[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (endpoint.family != Family::IPv6 ||
        std::memcmp(endpoint.address.data(), MAPPED_PREFIX, sizeof MAPPED_PREFIX) != 0) {
        return endpoint;
    }
    const std::uint8_t* v4 = endpoint.address.data() + sizeof MAPPED_PREFIX;
    return IPv4Endpoint(v4[0], v4[1], v4[2], v4[3], endpoint.port);
}

std::string AddressText(const Endpoint& endpoint) {
    char text[INET6_ADDRSTRLEN] = "";
    inet_ntop(AddressFamily(endpoint.family), endpoint.address.data(), text, sizeof text);
    return text;
}

std::string EndpointText(const Endpoint& endpoint) {
    const bool bracketed = endpoint.family == Family::IPv6;
    std::string text;
    text.append(bracketed ? "[" : "").append(AddressText(endpoint)).append(bracketed ? "]" : "");
    return text.append(":").append(std::to_string(endpoint.port));
}

std::optional<Endpoint> ParseEndpoint(std::string_view text, std::string* why) {
    std::string reason;
    std::optional<Endpoint> endpoint;
    const auto split = SplitListenAddress(text, reason);
    if (split && split->host.empty()) {
        reason = "no address";
    } else if (split) {
        endpoint = LiteralEndpoint(split->host, split->port);
        // Brackets hold an IPv6 address, and only they do: one text for each endpoint.
        if (!endpoint || (endpoint->family == Family::IPv6) != split->ipv6) {
            endpoint.reset();
            reason = split->ipv6 ? "not an IPv6 address in brackets"
                                 : "not an IPv4 address (an IPv6 address goes in brackets)";
        }
    }
    if (!endpoint && why != nullptr) {
        *why = reason;
    }
    return endpoint;
}

int AddressFamily(Family family) {
    return family == Family::IPv6 ? AF_INET6 : AF_INET;
}

int ToSockaddr(const Endpoint& endpoint, sockaddr_storage* out) {
    std::memset(out, 0, sizeof *out);
    if (endpoint.family == Family::IPv6) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(endpoint.port);
        std::memcpy(&v6.sin6_addr, endpoint.address.data(), 16);
        std::memcpy(out, &v6, sizeof v6);
        return static_cast<int>(sizeof v6);
    }
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(endpoint.port);
    std::memcpy(&v4.sin_addr, endpoint.address.data(), 4);
    std::memcpy(out, &v4, sizeof v4);
    return static_cast<int>(sizeof v4);
}

bool FromSockaddr(const sockaddr_storage& address, long length, Endpoint* endpoint) {
    *endpoint = Endpoint{};
    if (address.ss_family == AF_INET6 && length >= static_cast<long>(sizeof(sockaddr_in6))) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, &address, sizeof v6);
        endpoint->family = Family::IPv6;
        std::memcpy(endpoint->address.data(), &v6.sin6_addr, 16);
        endpoint->port = ntohs(v6.sin6_port);
        return true;
    }
    if (address.ss_family == AF_INET && length >= static_cast<long>(sizeof(sockaddr_in))) {
        sockaddr_in v4{};
        std::memcpy(&v4, &address, sizeof v4);
        std::memcpy(endpoint->address.data(), &v4.sin_addr, 4);
        endpoint->port = ntohs(v4.sin_port);
        return true;
    }
    return false;
}

}  // namespace net

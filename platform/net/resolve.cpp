// Name resolution, the same on every platform: the lookup itself (getaddrinfo, IPv4 and IPv6,
// the first IPv4 address preferred), what is settled before any waiting, and target text to an
// endpoint. How long a caller waits for the lookup is the platform's (resolve_wait_*.cpp).
#include <cstring>
#include <string>

#include "platform/net/net.h"
#include "platform/net/resolve_wait.h"
#include "platform/net/socket_address.h"
#include "socket_api.h"
#include "text/target_syntax.h"

namespace net {

bool ResolveHostBlocking(const char* host, std::uint16_t port, Endpoint* endpoint,
                         std::string* why) {
    std::string reason;
    bool found = false;
    addrinfo* results = nullptr;
    // An empty name would resolve to this machine on Windows; it names no printer anywhere.
    if (host == nullptr || endpoint == nullptr || *host == '\0') {
        reason = "no host name";
    } else {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        const int status = getaddrinfo(host, nullptr, &hints, &results);
        if (status != 0 || results == nullptr) {
            reason = status != 0 ? gai_strerror(status) : "no address";
            results = nullptr;
        }
    }
    // The first IPv4 address, as the window has always taken; else the first IPv6 one.
    Endpoint chosen;
    bool chosenIPv6 = false;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        sockaddr_storage address{};
        if (entry->ai_addr == nullptr || entry->ai_addrlen > sizeof address) {
            continue;
        }
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        Endpoint candidate;
        if (!FromSockaddr(address, static_cast<long>(entry->ai_addrlen), &candidate)) {
            continue;
        }
        if (candidate.family == Family::IPv4) {
            chosen = candidate;
            found = true;
            break;
        }
        if (!chosenIPv6) {
            chosen = candidate;
            chosenIPv6 = true;
        }
    }
    found = found || chosenIPv6;
    if (found) {
        chosen.port = port;
        *endpoint = chosen;
    } else if (results != nullptr) {
        reason = "no IPv4 or IPv6 address";
    }
    if (results != nullptr) {
        freeaddrinfo(results);
    }
    if (!found && why != nullptr) {
        *why = reason;
    }
    return found;
}

bool ResolveHost(const char* host, std::uint16_t port, int timeoutMs, Endpoint* endpoint,
                 std::string* why) {
    if (host == nullptr || endpoint == nullptr || *host == '\0') {
        if (why != nullptr) {
            *why = "no host name";
        }
        return false;
    }
    if (const auto literal = LiteralEndpoint(host, port)) {
        *endpoint = *literal;
        return true;
    }
    std::string reason;
    if (WaitForLookup(host, timeoutMs > 0 ? timeoutMs : 0, endpoint, &reason)) {
        endpoint->port = port;
        return true;
    }
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

bool ResolveIPv4(const char* host, std::uint16_t port, int timeoutMs, Endpoint* endpoint) {
    Endpoint resolved;
    if (endpoint == nullptr || !ResolveHost(host, port, timeoutMs, &resolved) ||
        resolved.family != Family::IPv4) {
        return false;
    }
    *endpoint = resolved;
    return true;
}

std::optional<Endpoint> ResolveTarget(std::string_view target, int timeoutMs, std::string* why) {
    const auto refuse = [why](std::string reason) -> std::optional<Endpoint> {
        if (why != nullptr) {
            *why = std::move(reason);
        }
        return std::nullopt;
    };
    std::string reason;
    const auto split = SplitHostPort(target, reason);
    if (!split) {
        return refuse("bad target '" + std::string(target) + "': " + reason);
    }
    const std::string host(split->host);
    if (split->ipv6) {
        // Brackets or colons: only an IPv6 literal will do, never a lookup.
        const auto literal = LiteralEndpoint(host, split->port);
        if (!literal || literal->family != Family::IPv6) {
            return refuse("not an IPv6 address: " + host);
        }
        return literal;
    }
    Endpoint endpoint;
    if (!ResolveHost(host.c_str(), split->port, timeoutMs, &endpoint, &reason)) {
        return refuse(host + ": " + reason);
    }
    return endpoint;
}

}  // namespace net

// Name resolution, the same on every platform: the lookup itself (getaddrinfo, IPv4 and IPv6,
// the first IPv4 address preferred) and what is settled before any waiting. How long a caller
// waits for the lookup is the platform's (resolve_wait_*.cpp).
#include <cstring>

#include "platform/net/net.h"
#include "platform/net/resolve_wait.h"
#include "socket_api.h"

namespace net {

bool ResolveHostBlocking(const char* host, IpAddress* address, std::string* why) {
    std::string reason;
    bool found = false;
    addrinfo* results = nullptr;
    // An empty name would resolve to this machine on Windows; it names no printer anywhere.
    if (host == nullptr || address == nullptr || *host == '\0') {
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
    const addrinfo* chosen = nullptr;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            chosen = entry;
            break;
        }
        if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6) &&
            chosen == nullptr) {
            chosen = entry;
        }
    }
    if (chosen != nullptr) {
        IpAddress resolved;
        resolved.ipv6 = chosen->ai_family == AF_INET6;
        if (resolved.ipv6) {
            sockaddr_in6 ipv6{};
            std::memcpy(&ipv6, chosen->ai_addr, sizeof ipv6);
            std::memcpy(resolved.bytes.data(), &ipv6.sin6_addr, 16);
        } else {
            sockaddr_in ipv4{};
            std::memcpy(&ipv4, chosen->ai_addr, sizeof ipv4);
            std::memcpy(resolved.bytes.data(), &ipv4.sin_addr, 4);
        }
        *address = resolved;
        found = true;
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

bool ResolveHost(const char* host, int timeoutMs, IpAddress* address, std::string* why) {
    if (host == nullptr || address == nullptr || *host == '\0') {
        if (why != nullptr) {
            *why = "no host name";
        }
        return false;
    }
    if (ParseIpLiteral(host, address)) {
        return true;
    }
    std::string reason;
    if (WaitForLookup(host, timeoutMs > 0 ? timeoutMs : 0, address, &reason)) {
        return true;
    }
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

bool ResolveIPv4(const char* host, int timeoutMs, std::uint32_t* address) {
    IpAddress resolved;
    if (address == nullptr || !ResolveHost(host, timeoutMs, &resolved) || resolved.ipv6) {
        return false;
    }
    std::memcpy(address, resolved.bytes.data(), 4);
    return true;
}

}  // namespace net

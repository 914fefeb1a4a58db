// Name resolution, the same on every platform: the lookup itself (getaddrinfo, IPv4 and IPv6,
// the first IPv4 address preferred) and what is settled before any waiting. How long a caller
// waits for the lookup is the platform's (resolve_wait_*.cpp); target text to an endpoint is
// agent_target.cpp's.
#include <cstring>
#include <string>

#include "platform/net/net.h"
#include "platform/net/resolve_wait.h"
#include "platform/net/socket_address.h"
#include "socket_api.h"

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

}  // namespace net

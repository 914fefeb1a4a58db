// Name resolution's lookup, the same on every platform: getaddrinfo restricted to IPv4. How
// long the caller waits for it is the platform's (resolve_wait_*.cpp).
#include <cstring>

#include "platform/net/net.h"
#include "socket_api.h"

namespace net {

bool ResolveIPv4Blocking(const char* host, std::uint32_t* address) {
    // An empty name would resolve to this machine on Windows; it names no printer anywhere.
    if (host == nullptr || address == nullptr || *host == '\0') {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &results) != 0 || results == nullptr) {
        return false;
    }
    bool found = false;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in ipv4{};
            std::memcpy(&ipv4, entry->ai_addr, sizeof ipv4);
            *address = ipv4.sin_addr.s_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(results);
    return found;
}

}  // namespace net

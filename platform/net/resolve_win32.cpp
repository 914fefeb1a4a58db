// Name resolution and the socket library's start and release on Winsock 2. Windows counts
// WSAStartup calls, so every user balances its own Startup with a Cleanup.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/net/net.h"

namespace net {

bool Startup() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void Cleanup() {
    WSACleanup();
}

bool ResolveIPv4(const char* host, std::uint32_t* address) {
    // An empty name would resolve to this machine on Windows; it names no printer.
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

// The poller on Winsock 2: WSAPoll over the watched sockets and a loopback UDP socket of its
// own, to which PollerWake sends a byte (Winsock has no event a select-style wait can share
// with a socket).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <new>
#include <vector>

#include "platform/net/poller.h"
#include "udp_socket.h"

namespace net {

struct Poller {
    SOCKET wake = INVALID_SOCKET;
    sockaddr_in wakeAddress{};
    std::vector<WSAPOLLFD> entries;     // [0] is the wake socket
    std::vector<std::uint64_t> tokens;  // beside entries[1..]
};

Poller* PollerOpen() {
    auto* poller = new (std::nothrow) Poller;
    if (poller == nullptr) {
        return nullptr;
    }
    poller->wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    poller->wakeAddress.sin_family = AF_INET;
    poller->wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof poller->wakeAddress;
    u_long nonBlocking = 1;
    if (poller->wake == INVALID_SOCKET ||
        bind(poller->wake, reinterpret_cast<const sockaddr*>(&poller->wakeAddress), length) != 0 ||
        getsockname(poller->wake, reinterpret_cast<sockaddr*>(&poller->wakeAddress), &length) !=
            0 ||
        ioctlsocket(poller->wake, FIONBIO, &nonBlocking) != 0) {
        PollerClose(poller);
        return nullptr;
    }
    poller->entries.push_back(WSAPOLLFD{poller->wake, POLLRDNORM, 0});
    return poller;
}

void PollerClose(Poller* poller) {
    if (poller == nullptr) {
        return;
    }
    if (poller->wake != INVALID_SOCKET) {
        closesocket(poller->wake);
    }
    delete poller;
}

bool PollerAdd(Poller* poller, UdpSocket* socket, std::uint64_t token) {
    poller->entries.push_back(WSAPOLLFD{socket->handle, POLLRDNORM, 0});
    poller->tokens.push_back(token);
    return true;
}

void PollerRemove(Poller* poller, UdpSocket* socket) {
    for (std::size_t i = 1; i < poller->entries.size(); ++i) {
        if (poller->entries[i].fd == socket->handle) {
            poller->entries[i] = poller->entries.back();
            poller->entries.pop_back();
            poller->tokens[i - 1] = poller->tokens.back();
            poller->tokens.pop_back();
            return;
        }
    }
}

bool PollerWait(Poller* poller, int timeoutMs, std::vector<std::uint64_t>* ready) {
    ready->clear();
    for (WSAPOLLFD& entry : poller->entries) {
        entry.revents = 0;
    }
    const int count = WSAPoll(poller->entries.data(), static_cast<ULONG>(poller->entries.size()),
                              timeoutMs < 0 ? -1 : timeoutMs);
    if (count == SOCKET_ERROR) {
        return false;
    }
    if (poller->entries[0].revents != 0) {
        char drain[16];
        while (recv(poller->wake, drain, sizeof drain, 0) > 0) {
        }
    }
    for (std::size_t i = 1; i < poller->entries.size(); ++i) {
        // An error or hang-up is reported too: the receive then finds nothing and moves on.
        if (poller->entries[i].revents != 0) {
            ready->push_back(poller->tokens[i - 1]);
        }
    }
    return true;
}

void PollerWake(Poller* poller) {
    const char byte = 0;
    sendto(poller->wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&poller->wakeAddress),
           sizeof poller->wakeAddress);
}

}  // namespace net

// UDP datagrams on POSIX sockets, for the SNMP manager: one socket per session, bound to an
// ephemeral port, read without blocking after a poll() says something is there.
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <new>

#include "platform/net/net.h"

namespace net {

struct UdpSocket {
    int fd;
};

UdpSocket* UdpOpen() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        return nullptr;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return nullptr;
    }
    auto* udp = new (std::nothrow) UdpSocket{fd};
    if (udp == nullptr) {
        close(fd);
    }
    return udp;
}

void UdpClose(UdpSocket* socket) {
    if (socket == nullptr) {
        return;
    }
    close(socket->fd);
    delete socket;
}

bool UdpSendTo(UdpSocket* socket, std::uint32_t address, std::uint16_t port,
               const std::uint8_t* data, std::size_t size) {
    if (socket == nullptr) {
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(port);
    ssize_t sent = -1;
    do {
        sent = sendto(socket->fd, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(size);
}

long UdpReceive(UdpSocket* socket, std::uint8_t* data, std::size_t capacity,
                std::uint32_t* fromAddress, std::uint16_t* fromPort) {
    if (socket == nullptr) {
        return -1;
    }
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t received = -1;
    do {
        fromLength = sizeof from;
        received = recvfrom(socket->fd, data, capacity, MSG_DONTWAIT,
                            reinterpret_cast<sockaddr*>(&from), &fromLength);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return -1;
    }
    if (fromLength >= sizeof from && from.sin_family == AF_INET) {
        *fromAddress = from.sin_addr.s_addr;
        *fromPort = ntohs(from.sin_port);
    } else {
        *fromAddress = 0;
        *fromPort = 0;
    }
    return static_cast<long>(received);
}

int UdpWait(UdpSocket* socket, int timeoutMs) {
    if (socket == nullptr) {
        return -1;
    }
    pollfd entry{};
    entry.fd = socket->fd;
    entry.events = POLLIN;
    const int ready = poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? 0 : -1;
    }
    return ready == 0 ? 0 : 1;
}

}  // namespace net

// UDP datagrams on POSIX sockets, for the SNMP manager: one socket per session, bound to an
// ephemeral port, read without blocking after a poll() says something is there.
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <new>

#include "platform/net/net.h"
#include "platform/net/socket_address.h"
#include "udp_socket.h"

namespace net {

UdpSocket* UdpOpen(Family family) {
    const int fd = socket(AddressFamily(family), SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        return nullptr;
    }
    sockaddr_storage local{};
    const int length = ToSockaddr(Endpoint{family, {}, 0}, &local);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), static_cast<socklen_t>(length)) != 0) {
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

bool UdpSendTo(UdpSocket* socket, const Endpoint& to, const std::uint8_t* data, std::size_t size) {
    if (socket == nullptr) {
        return false;
    }
    sockaddr_storage address{};
    const auto length = static_cast<socklen_t>(ToSockaddr(to, &address));
    ssize_t sent = -1;
    do {
        sent =
            sendto(socket->fd, data, size, 0, reinterpret_cast<const sockaddr*>(&address), length);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(size);
}

long UdpReceive(UdpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from) {
    if (socket == nullptr) {
        return -1;
    }
    sockaddr_storage sender{};
    socklen_t fromLength = sizeof sender;
    ssize_t received = -1;
    do {
        fromLength = sizeof sender;
        received = recvfrom(socket->fd, data, capacity, MSG_DONTWAIT,
                            reinterpret_cast<sockaddr*>(&sender), &fromLength);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return -1;
    }
    FromSockaddr(sender, static_cast<long>(fromLength), from);
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

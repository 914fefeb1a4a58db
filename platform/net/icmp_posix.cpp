// ICMP and ICMPv6 echo sockets on POSIX: a raw socket where the process may open one, otherwise
// the kernel's unprivileged ICMP datagram socket (the "ping socket", allowed for both families
// by net.ipv4.ping_group_range on Linux). The kernel fills the ICMPv6 checksum on both kinds.
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "platform/net/net.h"
#include "platform/net/socket_address.h"

namespace net {

struct IcmpSocket {
    int fd;
    IcmpKind kind;
    Family family;
};

namespace {

long long MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

IcmpSocket* IcmpOpen(Family family) {
    const int domain = AddressFamily(family);
    const int protocol =
        family == Family::IPv6 ? static_cast<int>(IPPROTO_ICMPV6) : static_cast<int>(IPPROTO_ICMP);
    IcmpKind kind = IcmpKind::Raw;
    int fd = socket(domain, SOCK_RAW | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        kind = IcmpKind::Datagram;
        fd = socket(domain, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
    }
    if (fd < 0) {
        return nullptr;
    }
    // Closing discards anything unsent at once.
    linger off{};
    off.l_onoff = 1;
    off.l_linger = 0;
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    auto* icmp = new (std::nothrow) IcmpSocket{fd, kind, family};
    if (icmp == nullptr) {
        close(fd);
    }
    return icmp;
}

IcmpKind IcmpSocketKind(const IcmpSocket* socket) {
    return socket->kind;
}

void IcmpClose(IcmpSocket* socket) {
    if (socket == nullptr) {
        return;
    }
    close(socket->fd);
    delete socket;
}

void IcmpSend(IcmpSocket* socket, const Endpoint& to, const std::uint8_t* message,
              std::size_t size) {
    if (to.family != socket->family) {
        return;
    }
    sockaddr_storage address{};
    const int length = ToSockaddr(Endpoint{to.family, to.address, 0}, &address);
    sendto(socket->fd, message, size, 0, reinterpret_cast<const sockaddr*>(&address),
           static_cast<socklen_t>(length));
}

int IcmpWait(IcmpSocket* socket, int timeoutMs) {
    const long long deadline = MonotonicMs() + (timeoutMs > 0 ? timeoutMs : 0);
    int left = timeoutMs > 0 ? timeoutMs : 0;
    for (;;) {
        pollfd watched{};
        watched.fd = socket->fd;
        watched.events = POLLIN;
        const int ready = poll(&watched, 1, left);
        if (ready > 0) {
            return (watched.revents & POLLNVAL) != 0 ? -1 : 1;
        }
        if (ready == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
        // A signal does not extend the wait: only what is left of it remains.
        const long long now = MonotonicMs();
        if (now >= deadline) {
            return 0;
        }
        left = static_cast<int>(deadline - now);
    }
}

long IcmpReceive(IcmpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from) {
    sockaddr_storage sender{};
    socklen_t fromSize = sizeof sender;
    const ssize_t received = recvfrom(socket->fd, data, capacity, MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&sender), &fromSize);
    if (received < 0) {
        return -1;
    }
    FromSockaddr(sender, static_cast<long>(fromSize), from);
    from->port = 0;  // a ping socket reports its echo identifier here; ICMP has no ports
    return static_cast<long>(received);
}

}  // namespace net

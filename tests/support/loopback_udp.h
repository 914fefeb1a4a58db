// LoopbackUdp: a UDP socket of a test's own on a loopback address, for playing an agent or
// finding a free port. No failure is hidden: -1 when the address cannot be bound (a machine
// without ::1, a port taken).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// Bound on ::1 when `ipv6`, else on the IPv4 `address` (host order), at `port`; a port of 0 is
// one the system picks, written back to `port`.
inline int LoopbackUdp(std::uint16_t& port, bool ipv6 = false,
                       std::uint32_t address = INADDR_LOOPBACK) {
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_loopback;
    v6.sin6_port = htons(port);
    sockaddr_in v4{AF_INET, htons(port), {htonl(address)}, {}};
    auto* local = ipv6 ? reinterpret_cast<sockaddr*>(&v6) : reinterpret_cast<sockaddr*>(&v4);
    socklen_t length = ipv6 ? sizeof v6 : sizeof v4;
    const int fd = socket(local->sa_family, SOCK_DGRAM, 0);
    if (bind(fd, local, length) != 0 || getsockname(fd, local, &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(ipv6 ? v6.sin6_port : v4.sin_port);
    return fd;
}

#include "tools/printer-sim/udp_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/net/socket_address.h"

namespace sim {

int OpenUdp(const net::Endpoint& endpoint, std::string& error) {
    int fd =
        socket(net::AddressFamily(endpoint.family), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    sockaddr_storage address{};
    const int length = net::ToSockaddr(endpoint, &address);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), static_cast<socklen_t>(length)) !=
        0) {
        error = "cannot bind " + net::EndpointText(endpoint) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

net::Endpoint BoundEndpoint(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    net::Endpoint endpoint;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        net::FromSockaddr(address, static_cast<long>(length), &endpoint);
    }
    return endpoint;
}

long ReceiveFrom(int fd, std::uint8_t* data, std::size_t capacity, net::Endpoint& from) {
    while (true) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        // MSG_TRUNC makes Linux report the datagram's real size, so an oversized one is seen.
        ssize_t size =
            recvfrom(fd, data, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&address), &length);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (static_cast<std::size_t>(size) > capacity ||
            !net::FromSockaddr(address, static_cast<long>(length), &from)) {
            continue;  // dropped; look at the next one
        }
        return static_cast<long>(size);
    }
}

void SendTo(int fd, const net::Endpoint& to, const std::uint8_t* data, std::size_t size) {
    sockaddr_storage address{};
    const int length = net::ToSockaddr(to, &address);
    sendto(fd, data, size, 0, reinterpret_cast<const sockaddr*>(&address),
           static_cast<socklen_t>(length));
}

void Close(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

}  // namespace sim

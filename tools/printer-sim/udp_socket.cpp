#include "tools/printer-sim/udp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {
namespace {

sockaddr_in ToSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

}  // namespace

int OpenUdp(const Endpoint& endpoint, std::string& error) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    sockaddr_in address = ToSockaddr(endpoint);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot bind " + FormatEndpoint(endpoint) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

Endpoint BoundEndpoint(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    Endpoint endpoint;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        endpoint.address = address.sin_addr.s_addr;
        endpoint.port = ntohs(address.sin_port);
    }
    return endpoint;
}

std::string FormatEndpoint(const Endpoint& endpoint) {
    char text[INET_ADDRSTRLEN] = "?";
    in_addr address{};
    address.s_addr = endpoint.address;
    inet_ntop(AF_INET, &address, text, sizeof text);
    return std::string(text) + ":" + std::to_string(endpoint.port);
}

long ReceiveFrom(int fd, std::uint8_t* data, std::size_t capacity, Endpoint& from) {
    while (true) {
        sockaddr_in address{};
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
        if (static_cast<std::size_t>(size) > capacity || address.sin_family != AF_INET) {
            continue;  // dropped; look at the next one
        }
        from.address = address.sin_addr.s_addr;
        from.port = ntohs(address.sin_port);
        return static_cast<long>(size);
    }
}

void SendTo(int fd, const Endpoint& to, const std::uint8_t* data, std::size_t size) {
    sockaddr_in address = ToSockaddr(to);
    sendto(fd, data, size, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

void Close(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

}  // namespace sim

// UDP datagrams on Winsock 2, for the SNMP manager: one non-blocking socket per session, bound
// to an ephemeral port, read after select() says something is there.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mstcpip.h>

#include <new>

#include "platform/net/net.h"
#include "platform/net/socket_address.h"
#include "udp_socket.h"

// Not every MinGW header set spells it; the value is Windows' own.
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace net {

UdpSocket* UdpOpen(Family family) {
    const SOCKET handle = socket(AddressFamily(family), SOCK_DGRAM, IPPROTO_UDP);
    if (handle == INVALID_SOCKET) {
        return nullptr;
    }
    sockaddr_storage local{};
    const int length = ToSockaddr(Endpoint{family, {}, 0}, &local);
    u_long nonBlocking = 1;
    if (bind(handle, reinterpret_cast<const sockaddr*>(&local), length) != 0 ||
        ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) {
        closesocket(handle);
        return nullptr;
    }
    // Windows reports an ICMP "port unreachable" for an earlier datagram as a failed receive
    // (WSAECONNRESET). A silent agent must look like a time-out, so that report is switched off.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(handle, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned,
             nullptr, nullptr);
    auto* udp = new (std::nothrow) UdpSocket{handle};
    if (udp == nullptr) {
        closesocket(handle);
    }
    return udp;
}

void UdpClose(UdpSocket* socket) {
    if (socket == nullptr) {
        return;
    }
    closesocket(socket->handle);
    delete socket;
}

bool UdpSendTo(UdpSocket* socket, const Endpoint& to, const std::uint8_t* data, std::size_t size) {
    if (socket == nullptr || size > 0x7FFFFFFF) {
        return false;
    }
    sockaddr_storage address{};
    const int length = ToSockaddr(to, &address);
    const int sent =
        sendto(socket->handle, reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
               reinterpret_cast<const sockaddr*>(&address), length);
    return sent == static_cast<int>(size);
}

long UdpReceive(UdpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from) {
    if (socket == nullptr) {
        return -1;
    }
    const int room = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(capacity);
    sockaddr_storage sender{};
    int fromLength = sizeof sender;
    int received = recvfrom(socket->handle, reinterpret_cast<char*>(data), room, 0,
                            reinterpret_cast<sockaddr*>(&sender), &fromLength);
    if (received == SOCKET_ERROR) {
        // A datagram longer than the buffer arrives cut to it, reported as an error.
        if (WSAGetLastError() != WSAEMSGSIZE) {
            return -1;
        }
        received = room;
    }
    FromSockaddr(sender, fromLength, from);
    return received;
}

int UdpWait(UdpSocket* socket, int timeoutMs) {
    if (socket == nullptr) {
        return -1;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket->handle, &readable);
    const int wait = timeoutMs > 0 ? timeoutMs : 0;
    timeval limit{};
    limit.tv_sec = wait / 1000;
    limit.tv_usec = (wait % 1000) * 1000;
    const int ready = select(0, &readable, nullptr, nullptr, &limit);
    if (ready == SOCKET_ERROR) {
        return -1;
    }
    return ready > 0 ? 1 : 0;
}

}  // namespace net

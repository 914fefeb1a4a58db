// The Winsock net seam on loopback, run under wine: UDP datagrams (time-out,
// sender, a datagram cut to the buffer), the system's echo service,
// whose synthesized reply the probe must accept as the answer to its request, name
// resolution, and endpoints through Winsock's own socket address structures.
// Prints one line per check; exits 0 when every check passed.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/net/icmp_win32.h"
#include "platform/net/net.h"
#include "platform/net/socket_address.h"
#include "probe/probe.h"
#include "probe/probe_steps.h"
#include "tests/win32/driver/check.h"

namespace {

const std::uint32_t LOOPBACK = htonl(INADDR_LOOPBACK);

net::Endpoint Loopback(std::uint16_t port) {
    return net::IPv4Endpoint(127, 0, 0, 1, port);
}

void Udp() {
    net::UdpSocket* udp = net::UdpOpen(net::Family::IPv4);
    if (!Check(udp != nullptr, "a UDP socket opens")) {
        return;
    }
    Check(net::UdpWait(udp, 200) == 0, "nothing to read: the wait times out");
    // A plain Winsock peer on loopback; the seam's socket learns nothing but what arrives.
    SOCKET peer = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in local{AF_INET, 0, {}, {}};
    local.sin_addr.s_addr = LOOPBACK;
    int length = sizeof local;
    bind(peer, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    getsockname(peer, reinterpret_cast<sockaddr*>(&local), &length);
    const std::uint16_t peerPort = ntohs(local.sin_port);
    net::UdpSendTo(udp, Loopback(peerPort), reinterpret_cast<const std::uint8_t*>("hello"), 5);
    char received[64] = "";
    const int got =
        recvfrom(peer, received, sizeof received, 0, reinterpret_cast<sockaddr*>(&local), &length);
    Check(got == 5 && std::memcmp(received, "hello", 5) == 0, "a datagram is sent whole");

    // The answer is longer than the reader's buffer: it arrives cut to the buffer.
    const char longer[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    sendto(peer, longer, 36, 0, reinterpret_cast<const sockaddr*>(&local), length);
    Check(net::UdpWait(udp, 2000) == 1, "the answer makes the socket readable");
    std::uint8_t buffer[16];
    net::Endpoint from;
    const long size = net::UdpReceive(udp, buffer, sizeof buffer, &from);
    Check(size == 16 && std::memcmp(buffer, longer, 16) == 0 && from == Loopback(peerPort),
          "a 36-byte datagram is cut to the 16-byte buffer, with its sender");
    Check(net::UdpReceive(udp, buffer, sizeof buffer, &from) == -1,
          "nothing more: the receive does not block");

    // The peer goes away; a datagram to its closed port must not turn into a failed receive.
    closesocket(peer);
    net::UdpSendTo(udp, Loopback(peerPort), buffer, 5);
    Check(net::UdpWait(udp, 300) == 0, "a closed port looks like silence, not an error");
    net::UdpClose(udp);
}

// The echo service (the raw socket's echo is the monitor flow's start-up probe): its
// synthesized reply must pass the probe's own rules, once per request.
void Icmp() {
    net::IcmpSocket* service = net::IcmpOpenEchoService(net::Family::IPv4);
    if (!Check(service != nullptr && net::IcmpSocketKind(service) == net::IcmpKind::Service,
               "the echo service opens")) {
        return;
    }
    Check(net::IcmpWait(service, 50) == 0, "before a request nothing is readable");
    const EchoRequest& sent = SendEchoRequest(service, Loopback(0));
    const int result = WaitForAnswer(service, Loopback(0), sent);
    Check(result == PROBE_REPLY,
          "the probe counts the echo reply (got " + std::to_string(result) + ")");
    Check(net::IcmpWait(service, 50) == 0, "one request gives one answer");
    net::IcmpClose(service);

    // Icmp6SendEcho2, where the system has it (wine's is a stub that opens nothing).
    const net::Endpoint v6Loopback = *net::LiteralEndpoint("::1", 0);
    net::IcmpSocket* service6 = net::IcmpOpenEchoService(net::Family::IPv6);
    if (service6 == nullptr) {
        std::printf("skip: no ICMPv6 echo service (Icmp6CreateFile) here\n");
        return;
    }
    const EchoRequest& sent6 = SendEchoRequest(service6, v6Loopback);
    const int result6 = WaitForAnswer(service6, v6Loopback, sent6);
    Check(result6 == PROBE_REPLY,
          "the probe counts the ICMPv6 echo reply (got " + std::to_string(result6) + ")");
    net::IcmpClose(service6);
}

// Name resolution on Winsock: a name through the worker thread and its bounded wait
// (localhost: the hosts file, no DNS query), literals of both families without it.
void Resolve() {
    net::Endpoint address;
    Check(net::ResolveHost("localhost", 161, 5000, &address) && address == Loopback(161),
          "localhost resolves to 127.0.0.1 within the wait");
    Check(!net::ResolveHost("", 161, 5000, &address), "an empty name names no host");
    net::Endpoint ip;
    Check(net::ResolveHost("fd00::5", 16161, 0, &ip) && net::EndpointText(ip) == "[fd00::5]:16161",
          "an IPv6 literal is taken at once and written back");
    Check(net::ResolveAgentTarget("[::1]:16161", 5000, &address) &&
              net::EndpointText(address) == "[::1]:16161",
          "the window's target takes IPv6 in brackets");
}

// Winsock's sockaddr_in6 has fields of its own (flow, scope): the conversion must still put the
// address and port where Winsock reads them, both ways.
void SocketAddresses() {
    const net::Endpoint v6 = *net::ParseEndpoint("[fd00::5]:16161");
    sockaddr_storage storage{};
    const int length = net::ToSockaddr(v6, &storage);
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(storage);
    char text[INET6_ADDRSTRLEN] = "";
    inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    net::Endpoint back;
    Check(length == static_cast<int>(sizeof(sockaddr_in6)) && storage.ss_family == AF_INET6 &&
              ntohs(in6.sin6_port) == 16161 && std::string(text) == "fd00::5" &&
              net::FromSockaddr(storage, length, &back) && back == v6,
          "an IPv6 endpoint to sockaddr_in6 and back");
    const int v4Length = net::ToSockaddr(Loopback(161), &storage);
    const auto& in4 = reinterpret_cast<const sockaddr_in&>(storage);
    Check(v4Length == static_cast<int>(sizeof(sockaddr_in)) && storage.ss_family == AF_INET &&
              in4.sin_addr.s_addr == LOOPBACK && ntohs(in4.sin_port) == 161 &&
              !net::FromSockaddr(storage, v4Length - 1, &back),
          "an IPv4 endpoint to sockaddr_in; a cut one is refused");
}

}  // namespace

int main() {
    Check(net::Startup(), "the socket library starts");
    Udp();
    Icmp();
    Resolve();
    SocketAddresses();
    net::Cleanup();
    std::printf("%d failure(s)\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}

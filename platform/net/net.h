// The network seam: what the probe and the SNMP manager need of the platform's sockets.
// Addresses are IPv4 in network byte order; ports in host order. One implementation per
// platform (the *_posix.cpp and *_win32.cpp files) is picked by the build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace net {

// Starts and releases the platform's socket library (no-ops on POSIX). Balanced per user.
bool Startup();
void Cleanup();

// The first IPv4 address that `host` (a name or dotted IPv4) resolves to, waiting for the
// system's resolver at most `timeoutMs`: a DNS server that does not answer must not hold the
// caller longer. False when the name does not resolve, or not in time. A dotted address is
// taken at once, without the resolver.
bool ResolveIPv4(const char* host, int timeoutMs, std::uint32_t* address);

// The resolver's own call, unbounded (getaddrinfo); ResolveIPv4 runs it on a worker thread.
bool ResolveIPv4Blocking(const char* host, std::uint32_t* address);

// ---- UDP, for the SNMP manager ----
struct UdpSocket;
UdpSocket* UdpOpen();  // bound to an ephemeral port on all addresses; null on failure
void UdpClose(UdpSocket* socket);
bool UdpSendTo(UdpSocket* socket, std::uint32_t address, std::uint16_t port,
               const std::uint8_t* data, std::size_t size);
// Receives one datagram without blocking; returns its size (cut to `capacity`), or -1 when
// nothing is waiting or on error. Fills the sender's address and port.
long UdpReceive(UdpSocket* socket, std::uint8_t* data, std::size_t capacity,
                std::uint32_t* fromAddress, std::uint16_t* fromPort);
// Waits until a datagram is readable: 1 readable, 0 time-out, -1 failure.
int UdpWait(UdpSocket* socket, int timeoutMs);

// ---- ICMP echo, for the probe ----
enum class IcmpKind {
    Raw,       // raw socket: received datagrams start with the IPv4 header
    Datagram,  // ping socket: bare ICMP messages; the kernel owns the echo identifier
    Service,   // a system echo service (IcmpSendEcho): replies are synthesized bare ICMP
};
struct IcmpSocket;
// Opens the best way to send an echo: raw first, then the unprivileged alternatives.
// Null when there is none.
IcmpSocket* IcmpOpen();
IcmpKind IcmpSocketKind(const IcmpSocket* socket);
void IcmpClose(IcmpSocket* socket);
// Sends one ICMP message (header included) to `address`; the outcome is not reported.
void IcmpSend(IcmpSocket* socket, std::uint32_t address, const std::uint8_t* message,
              std::size_t size);
// Waits until something is readable: 1 readable, 0 time-out, -1 failure.
int IcmpWait(IcmpSocket* socket, int timeoutMs);
// Receives one datagram without blocking; returns its size (cut to `capacity`) or -1.
long IcmpReceive(IcmpSocket* socket, std::uint8_t* data, std::size_t capacity,
                 std::uint32_t* fromAddress);

}  // namespace net

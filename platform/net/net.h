// The network seam: what the probe, the SNMP manager and the programs that read printers need
// of the platform's sockets and name resolution. Socket addresses are IPv4 in network byte
// order; ports in host order. One implementation per platform (the *_posix.cpp and
// *_win32.cpp files) is picked by the build.
//
// Stand-ins are linked in place of an implementation by tests/shell/shell_test.cpp
// (ResolveIPv4) and fuzz/snmpmgr/fuzz_answer.cpp (everything but ICMP): a change here changes
// them too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace net {

// Starts and releases the platform's socket library (no-ops on POSIX). Balanced per user.
bool Startup();
void Cleanup();

// ---- Addresses and names ----
// An IPv4 or IPv6 address in network byte order; an IPv4 address fills the first 4 bytes.
struct IpAddress {
    bool ipv6 = false;
    std::array<std::uint8_t, 16> bytes{};
};

// An IPv4 (dotted quad) or IPv6 literal; false for anything else, a name among them.
bool ParseIpLiteral(std::string_view text, IpAddress* address);
// "10.0.0.1", "::1".
std::string IpAddressText(const IpAddress& address);

// What `host` (a name, or an IPv4 or IPv6 literal) resolves to: its first IPv4 address, else
// its first IPv6 one. A literal is taken at once, without the resolver. A name waits for the
// system's resolver at most `timeoutMs`: a DNS server that does not answer must not hold the
// caller longer; the lookup then ends alone and nothing waits for it. False, with the reason
// in one line in `why`, when the name does not resolve, resolves to no address, or not in time.
bool ResolveHost(const char* host, int timeoutMs, IpAddress* address, std::string* why = nullptr);

// The system resolver's own call (getaddrinfo), unbounded, with the same choice of address.
// ResolveHost runs it on a worker thread; a caller that bounds the wait itself uses it alone.
bool ResolveHostBlocking(const char* host, IpAddress* address, std::string* why = nullptr);

// The window's view of ResolveHost: its agent address is IPv4, so a name that resolves to IPv6
// alone does not resolve here.
bool ResolveIPv4(const char* host, int timeoutMs, std::uint32_t* address);

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

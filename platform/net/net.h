// The network seam: what the probe, the SNMP manager and the programs that read printers need
// of the platform's sockets and name resolution, with one endpoint type (IPv4 or IPv6) for
// every address. One implementation per platform (the *_posix.cpp and *_win32.cpp files) is
// picked by the build.
//
// Stand-ins are linked in place of an implementation by tests/shell/shell_test.cpp
// (ResolveHost) and fuzz/snmpmgr/fuzz_answer.cpp (everything but ICMP): a change here changes
// them too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// Starts and releases the platform's socket library (no-ops on POSIX). Balanced per user.
bool Startup();
void Cleanup();

// ---- Endpoints ----
enum class Family : std::uint8_t { IPv4, IPv6 };

// Where a datagram goes or came from: the one address type of every program. The address is in
// network byte order; an IPv4 address is the first 4 bytes (the others are no part of it). The
// port is in host order: 0 where none applies (ICMP) or, to bind, any free one. An all-zero
// address, bound to, is every address of its family.
struct Endpoint {
    Family family = Family::IPv4;
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
};

// The address's bytes: 4 or 16.
constexpr std::size_t AddressSize(Family family) {
    return family == Family::IPv6 ? 16 : 4;
}

// Family and address equal; the ports may differ.
constexpr bool SameAddress(const Endpoint& a, const Endpoint& b) {
    if (a.family != b.family) {
        return false;
    }
    for (std::size_t i = 0; i < AddressSize(a.family); ++i) {
        if (a.address[i] != b.address[i]) {
            return false;
        }
    }
    return true;
}

// Family, address and port all equal.
constexpr bool operator==(const Endpoint& a, const Endpoint& b) {
    return SameAddress(a, b) && a.port == b.port;
}

// a.b.c.d:port, for addresses known when the program is written (loopback, defaults).
constexpr Endpoint IPv4Endpoint(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                                std::uint16_t port) {
    return Endpoint{Family::IPv4, {a, b, c, d}, port};
}

// An IPv4-mapped IPv6 address (::ffff:a.b.c.d) as the IPv4 address it is; any other endpoint as
// it is. Such an address names an IPv4 host: it is judged, and sent to, as IPv4.
Endpoint Unmapped(const Endpoint& endpoint);

// An IPv4 (dotted quad) or IPv6 literal with `port`; nullopt for anything else, a name among
// them.
std::optional<Endpoint> LiteralEndpoint(std::string_view host, std::uint16_t port);

// The address alone: "10.0.0.1", "::1".
std::string AddressText(const Endpoint& endpoint);
// The text form, HOST:PORT with an IPv6 address in brackets: "10.0.0.1:161", "[::1]:161".
std::string EndpointText(const Endpoint& endpoint);
// The inverse of EndpointText: "A.B.C.D:PORT" or "[IPV6]:PORT", the port 0..65535 and required.
// Nullopt, with the reason in one line in `why`, for anything else (a name, a bare IPv6
// address, an IPv4 address in brackets).
std::optional<Endpoint> ParseEndpoint(std::string_view text, std::string* why = nullptr);

// ---- Lookup ----
// What `host` (a name, or an IPv4 or IPv6 literal) resolves to, with `port`: its first IPv4
// address, else its first IPv6 one. A literal is taken at once, without the resolver. A name
// waits for the system's resolver at most `timeoutMs`: a DNS server that does not answer must
// not hold the caller longer; the lookup then ends alone and nothing waits for it. False, with
// the reason in one line in `why`, when the name does not resolve, resolves to no address, or
// not in time.
bool ResolveHost(const char* host, std::uint16_t port, int timeoutMs, Endpoint* endpoint,
                 std::string* why = nullptr);

// The system resolver's own call (getaddrinfo), unbounded, with the same choice of address.
// ResolveHost runs it on a worker thread; a caller that bounds the wait itself uses it alone.
bool ResolveHostBlocking(const char* host, std::uint16_t port, Endpoint* endpoint,
                         std::string* why = nullptr);

// The window's target and the programs' (text/target_syntax.h's SplitHostPort: HOST,
// HOST:PORT, an IPv4 or IPv6 literal, [IPV6] or [IPV6]:PORT; without a port, 161) to the
// endpoint ResolveHost gives its host: IPv4 preferred, IPv6 when that is what there is. A host
// written in brackets or with colons is an IPv6 literal or nothing, never a lookup. Nullopt,
// with the reason in one line in `why`, when the text is not a target or its host does not
// resolve in time.
std::optional<Endpoint> ResolveTarget(std::string_view target, int timeoutMs,
                                      std::string* why = nullptr);

// The window's view of ResolveTarget: false for every refusal (a bad port among them: typed
// into the window it is a target that does not resolve). tests/shell replaces ResolveHost,
// which both call, by a link-time stand-in.
bool ResolveAgentTarget(const char* target, int timeoutMs, Endpoint* endpoint);

// ---- UDP, for the SNMP manager ----
struct UdpSocket;
// Bound to an ephemeral port on every address of `family`; null on failure.
UdpSocket* UdpOpen(Family family);
void UdpClose(UdpSocket* socket);
// False when not sent, an endpoint of the other family among the reasons.
bool UdpSendTo(UdpSocket* socket, const Endpoint& to, const std::uint8_t* data, std::size_t size);
// Receives one datagram without blocking; returns its size (cut to `capacity`), or -1 when
// nothing is waiting or on error. Fills the sender (an all-zero endpoint when it is unknown).
long UdpReceive(UdpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from);
// Waits until a datagram is readable: 1 readable, 0 time-out, -1 failure.
int UdpWait(UdpSocket* socket, int timeoutMs);

// ---- ICMP echo, for the probe ----
enum class IcmpKind {
    Raw,       // raw socket: an IPv4 one delivers datagrams with their IPv4 header, an ICMPv6
               // one bare ICMPv6 messages
    Datagram,  // ping socket: bare ICMP messages; the kernel owns the echo identifier
    Service,   // a system echo service (IcmpSendEcho, Icmp6SendEcho2): replies are synthesized
               // bare ICMP messages
};
struct IcmpSocket;
// Opens the best way to send an echo to an address of `family` (ICMP for IPv4, ICMPv6 for
// IPv6): raw first, then the unprivileged alternatives. Null when there is none.
IcmpSocket* IcmpOpen(Family family);
IcmpKind IcmpSocketKind(const IcmpSocket* socket);
void IcmpClose(IcmpSocket* socket);
// Sends one ICMP or ICMPv6 message (header included) to `to`'s address (its port is not used);
// the outcome is not reported, and an endpoint of the other family is not sent to. An ICMPv6
// message's checksum is the system's to fill (it covers the addresses the system picks).
void IcmpSend(IcmpSocket* socket, const Endpoint& to, const std::uint8_t* message,
              std::size_t size);
// Waits until something is readable: 1 readable, 0 time-out, -1 failure.
int IcmpWait(IcmpSocket* socket, int timeoutMs);
// Receives one datagram without blocking; returns its size (cut to `capacity`) or -1. Fills
// the sender's address (port 0; all zero when it is unknown).
long IcmpReceive(IcmpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from);

}  // namespace net

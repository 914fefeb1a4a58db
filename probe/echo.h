// The ICMP and ICMPv6 echo request the probe sends, the Internet checksum, and the check that
// tells our echo reply apart from everything else a socket may deliver. Pure functions over byte
// buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/net/net.h"

inline constexpr std::size_t ECHO_REQUEST_BYTES = 12;  // 8-byte echo header and 4 bytes of data
inline constexpr std::uint8_t ICMP_ECHO_REPLY = 0;
inline constexpr std::uint8_t ICMP_ECHO_REQUEST = 8;
inline constexpr std::uint8_t ICMPV6_ECHO_REQUEST_TYPE = 128;
inline constexpr std::uint8_t ICMPV6_ECHO_REPLY_TYPE = 129;

// The whole ICMP message of one request, as sent.
struct EchoRequest {
    std::uint8_t bytes[ECHO_REQUEST_BYTES];
};

// RFC 1071: the one's complement of the one's complement sum of the 16-bit words of `data`
// (big-endian words, an odd last byte padded with zero). Store it most significant byte first.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size);

// Rewrites `request` completely for an address of `family`: code 0, identifier, sequence and
// tick count written least significant byte first. IPv4: type 8 and the checksum over all 12
// bytes. IPv6: type 128 and a zero checksum, which the system fills in as it sends, since it
// covers the source address only the system knows.
void FillEchoRequest(EchoRequest* request, net::Family family, std::uint16_t identifier,
                     std::uint16_t sequence, std::uint32_t tick);

// True only when `packet` (`size` bytes as received on a socket of `kind`, from `from`) is an
// echo reply from `probed`'s address to `sent`: type 0 (ICMPv6: 129), code 0, the same
// identifier and sequence (the sequence alone on a Datagram socket, whose identifier the kernel
// rewrites). On a Raw IPv4 socket the packet starts with its IPv4 header, which must be well
// formed, carry ICMP and come from `probed`; everywhere else the message is bare and `from`
// must be `probed`'s address. Ports are not looked at. Never reads outside `packet[0, size)`.
bool IsEchoReplyTo(const std::uint8_t* packet, std::size_t size, net::IcmpKind kind,
                   const net::Endpoint& from, const net::Endpoint& probed, const EchoRequest& sent);

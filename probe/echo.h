// The ICMP echo request the probe sends, the Internet checksum, and the check that tells our
// echo reply apart from everything else a socket may deliver. Pure functions over byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/net/net.h"

inline constexpr std::size_t ECHO_REQUEST_BYTES = 12;  // 8-byte echo header and 4 bytes of data
inline constexpr std::uint8_t ICMP_ECHO_REPLY = 0;
inline constexpr std::uint8_t ICMP_ECHO_REQUEST = 8;

// The whole ICMP message of one request, as sent.
struct EchoRequest {
    std::uint8_t bytes[ECHO_REQUEST_BYTES];
};

// RFC 1071: the one's complement of the one's complement sum of the 16-bit words of `data`
// (big-endian words, an odd last byte padded with zero). Store it most significant byte first.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size);

// Rewrites `request` completely: type 8, code 0, identifier, sequence and tick count written
// least significant byte first, and the checksum over all 12 bytes.
void FillEchoRequest(EchoRequest* request, std::uint16_t identifier, std::uint16_t sequence,
                     std::uint32_t tick);

// True only when `packet` (`size` bytes as received on a socket of `kind`, from `from`) is an
// echo reply from `probed`'s address to `sent`: type 0, code 0, the same identifier and sequence
// (the sequence alone on a Datagram socket, whose identifier the kernel rewrites). On a Raw
// socket the packet starts with its IPv4 header, which must be well formed, carry ICMP and come
// from `probed`. Ports are not looked at. Never reads outside `packet[0, size)`.
bool IsEchoReplyTo(const std::uint8_t* packet, std::size_t size, net::IcmpKind kind,
                   const net::Endpoint& from, const net::Endpoint& probed, const EchoRequest& sent);

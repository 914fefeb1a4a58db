#include "probe/echo.h"

#include <cstring>

namespace {

constexpr std::size_t ICMP_HEADER_BYTES = 8;
constexpr std::size_t IPV4_MIN_HEADER_BYTES = 20;
constexpr std::uint8_t IPPROTO_ICMP_NUMBER = 1;

void PutLittleEndian16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value & 0xFFu);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLittleEndian32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu);
    }
}

// Finds the ICMP message inside a raw-socket datagram: a well-formed IPv4 header carrying ICMP
// from `probed`. Null when the datagram is anything else.
const std::uint8_t* IcmpInsideIPv4(const std::uint8_t* packet, std::size_t size,
                                   const net::Endpoint& probed, std::size_t* icmpSize) {
    if (size < IPV4_MIN_HEADER_BYTES) {
        return nullptr;
    }
    const unsigned version = packet[0] >> 4;
    const std::size_t headerBytes = static_cast<std::size_t>(packet[0] & 0x0Fu) * 4;
    const std::size_t totalLength = (static_cast<std::size_t>(packet[2]) << 8) | packet[3];
    if (version != 4 || headerBytes < IPV4_MIN_HEADER_BYTES || totalLength < headerBytes ||
        totalLength > size || packet[9] != IPPROTO_ICMP_NUMBER) {
        return nullptr;
    }
    if (std::memcmp(packet + 12, probed.address.data(), 4) != 0) {  // the source address
        return nullptr;
    }
    *icmpSize = totalLength - headerBytes;
    return packet + headerBytes;
}

}  // namespace

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        sum += (static_cast<std::uint32_t>(data[i]) << 8) | data[i + 1];
    }
    if (i < size) {
        sum += static_cast<std::uint32_t>(data[i]) << 8;
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFFu) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFFu);
}

void FillEchoRequest(EchoRequest* request, net::Family family, std::uint16_t identifier,
                     std::uint16_t sequence, std::uint32_t tick) {
    std::uint8_t* b = request->bytes;
    const bool v6 = family == net::Family::IPv6;
    b[0] = v6 ? ICMPV6_ECHO_REQUEST_TYPE : ICMP_ECHO_REQUEST;
    b[1] = 0;
    b[2] = 0;
    b[3] = 0;
    // The fields go least significant byte first, as the program has always sent them; the
    // checksum does not care, and the reply echoes them back unchanged.
    PutLittleEndian16(b + 4, identifier);
    PutLittleEndian16(b + 6, sequence);
    PutLittleEndian32(b + 8, tick);
    if (v6) {
        return;
    }
    const std::uint16_t checksum = InternetChecksum(b, ECHO_REQUEST_BYTES);
    b[2] = static_cast<std::uint8_t>(checksum >> 8);
    b[3] = static_cast<std::uint8_t>(checksum & 0xFFu);
}

bool IsEchoReplyTo(const std::uint8_t* packet, std::size_t size, net::IcmpKind kind,
                   const net::Endpoint& from, const net::Endpoint& probed,
                   const EchoRequest& sent) {
    if (packet == nullptr) {
        return false;
    }
    const bool v6 = probed.family == net::Family::IPv6;
    const std::uint8_t* icmp = packet;
    std::size_t icmpSize = size;
    // Raw ICMPv6 sockets deliver no IPv6 header: the sender is known from the socket alone.
    if (kind == net::IcmpKind::Raw && !v6) {
        icmp = IcmpInsideIPv4(packet, size, probed, &icmpSize);
        if (icmp == nullptr) {
            return false;
        }
    } else if (!net::SameAddress(from, probed)) {
        return false;
    }
    const std::uint8_t replyType = v6 ? ICMPV6_ECHO_REPLY_TYPE : ICMP_ECHO_REPLY;
    if (icmpSize < ICMP_HEADER_BYTES || icmp[0] != replyType || icmp[1] != 0) {
        return false;
    }
    const bool sameSequence = icmp[6] == sent.bytes[6] && icmp[7] == sent.bytes[7];
    if (kind == net::IcmpKind::Datagram) {
        return sameSequence;
    }
    return sameSequence && icmp[4] == sent.bytes[4] && icmp[5] == sent.bytes[5];
}

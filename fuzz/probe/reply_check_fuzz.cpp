// Fuzzes the echo reply check with arbitrary received bytes. Input: one byte choosing the
// socket kind and the family (the probed host 127.0.0.1 or ::1), four bytes of sender address
// (the first four of an IPv6 one, the rest as ::1 has them), two of identifier and two of sequence
// for the request that was sent, then the datagram itself.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "probe/echo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t PREFIX = 9;
    if (size < PREFIX) {
        return 0;
    }
    const auto kind = static_cast<net::IcmpKind>(data[0] % 3);  // raw, datagram, service
    const bool v6 = (data[0] / 3) % 2 == 1;
    net::Endpoint probed = net::IPv4Endpoint(127, 0, 0, 1, 0);
    if (v6) {
        probed = net::Endpoint{net::Family::IPv6, {}, 0};
        probed.address[15] = 1;  // ::1
    }
    net::Endpoint from = probed;
    std::memcpy(from.address.data(), data + 1, 4);
    EchoRequest sent;
    FillEchoRequest(&sent, probed.family, static_cast<std::uint16_t>(data[5] | data[6] << 8),
                    static_cast<std::uint16_t>(data[7] | data[8] << 8), 0x01020304u);
    const std::uint8_t* packet = data + PREFIX;
    const std::size_t packetSize = size - PREFIX;
    // Nothing shorter than an echo header (behind an IPv4 header on a raw IPv4 socket) is a
    // reply.
    FuzzCheck(!IsEchoReplyTo(packet, packetSize, kind, from, probed, sent) ||
              packetSize >= (kind == net::IcmpKind::Raw && !v6 ? 28u : 8u));
    return 0;
}

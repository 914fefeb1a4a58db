// Fuzzes the echo reply check with arbitrary received bytes. Input: one byte choosing the
// socket kind, four bytes of sender address, two of identifier and two of sequence for the
// request that was sent, then the datagram itself.
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
    net::Endpoint from;
    std::memcpy(from.address.data(), data + 1, 4);
    EchoRequest sent;
    FillEchoRequest(&sent, static_cast<std::uint16_t>(data[5] | data[6] << 8),
                    static_cast<std::uint16_t>(data[7] | data[8] << 8), 0x01020304u);
    const net::Endpoint probed = net::IPv4Endpoint(127, 0, 0, 1, 0);
    const std::uint8_t* packet = data + PREFIX;
    const std::size_t packetSize = size - PREFIX;
    // Nothing shorter than an echo header (behind an IPv4 header on a raw socket) is a reply.
    FuzzCheck(!IsEchoReplyTo(packet, packetSize, kind, from, probed, sent) ||
              packetSize >= (kind == net::IcmpKind::Raw ? 28u : 8u));
    return 0;
}

// The echo request's bytes and counters, and the check that tells our reply from everything else.
#include "probe/echo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/clock/clock.h"
#include "probe/probe.h"
#include "probe/probe_steps.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EchoRequest, ChecksumLayoutAndCounters) {
    const std::uint8_t rfc1071[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    const std::uint8_t odd[] = {0xAB};
    const std::uint8_t carries[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01};  // folded twice
    EXPECT_EQ(InternetChecksum(rfc1071, sizeof rfc1071), 0x220d);
    EXPECT_EQ(InternetChecksum(odd, 1), 0x54FF);
    EXPECT_EQ(InternetChecksum(carries, sizeof carries), 0xFFFE);

    // Fields least significant byte first, the checksum most significant first; every byte set.
    EchoRequest request;
    std::memset(request.bytes, 0xEE, sizeof request.bytes);
    FillEchoRequest(&request, net::Family::IPv4, 0x0201, 0x0403, 0x08070605u);
    EXPECT_EQ(Bytes(request.bytes, request.bytes + ECHO_REQUEST_BYTES),
              (Bytes{8, 0, 0xE7, 0xEB, 1, 2, 3, 4, 5, 6, 7, 8}));
    // ICMPv6: type 128, the checksum left to the system (it covers the addresses).
    std::memset(request.bytes, 0xEE, sizeof request.bytes);
    FillEchoRequest(&request, net::Family::IPv6, 0x0201, 0x0403, 0x08070605u);
    EXPECT_EQ(Bytes(request.bytes, request.bytes + ECHO_REQUEST_BYTES),
              (Bytes{128, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));

    // Each built request takes the counters' low 16 bits, then advances both; its data is the
    // tick count.
    const std::uint32_t saved[] = {g_echo_identifier, g_echo_sequence};
    g_echo_identifier = 0x0001FFFFu;
    g_echo_sequence = 0x0003FFFEu;
    const std::uint32_t before = TickCountMs();
    BuildEchoRequest(&request, net::Family::IPv4);
    const std::uint8_t* t = request.bytes + 8;
    const std::uint32_t tick =
        t[0] | t[1] << 8 | t[2] << 16 | static_cast<std::uint32_t>(t[3]) << 24;
    EXPECT_LE(tick - before, TickCountMs() - before);
    EXPECT_EQ(Bytes(request.bytes + 4, request.bytes + 8), (Bytes{0xFF, 0xFF, 0xFE, 0xFF}));
    BuildEchoRequest(&request, net::Family::IPv6);
    EXPECT_EQ(Bytes(request.bytes, request.bytes + 8),
              (Bytes{128, 0, 0, 0, 0x00, 0x00, 0xFF, 0xFF}));
    g_echo_identifier = saved[0];
    g_echo_sequence = saved[1];
}

// ---- the reply check ----

const net::Endpoint PROBED = net::IPv4Endpoint(127, 0, 0, 1, 0);
const net::Endpoint OTHER = net::IPv4Endpoint(127, 0, 0, 2, 0);

// `icmp` behind an IPv4 header of `ihl` words from `source` to the probed host.
Bytes Ip(const Bytes& icmp, const net::Endpoint& source = PROBED, int ihl = 5,
         std::uint8_t proto = 1) {
    Bytes packet(static_cast<std::size_t>(ihl) * 4, 0);
    packet[0] = static_cast<std::uint8_t>(0x40 | ihl);
    packet[3] = static_cast<std::uint8_t>(packet.size() + icmp.size());
    packet[9] = proto;
    std::memcpy(&packet[12], source.address.data(), 4);
    std::memcpy(&packet[16], PROBED.address.data(), 4);
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    return packet;
}

net::Endpoint WithPort(net::Endpoint endpoint, std::uint16_t port) {
    endpoint.port = port;
    return endpoint;
}

Bytes Edit(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

// ICMP and ICMPv6 alike. ICMPv6: every kind of socket delivers the bare message, so the sender
// is the socket's to tell; a raw socket on loopback delivers our own request (type 128) too.
TEST(IsEchoReplyTo, TellsOurReplyFromEverythingElse) {
    EchoRequest sent, sent6;
    FillEchoRequest(&sent, net::Family::IPv4, 0x1234, 0x0005, 0xA1B2C3D4u);
    FillEchoRequest(&sent6, net::Family::IPv6, 0x1234, 0x0005, 0xA1B2C3D4u);
    const Bytes request(sent.bytes, sent.bytes + ECHO_REQUEST_BYTES);
    const Bytes reply = Edit(request, 0, ICMP_ECHO_REPLY);  // its checksum is not looked at
    const Bytes raw = Ip(reply);
    Bytes padded = raw;
    padded.insert(padded.end(), {0, 0, 0, 0});  // link-layer padding beyond the total length
    const Bytes request6(sent6.bytes, sent6.bytes + ECHO_REQUEST_BYTES);
    const Bytes reply6 = Edit(request6, 0, ICMPV6_ECHO_REPLY_TYPE);
    const net::Endpoint probed6 = *net::LiteralEndpoint("::1", 0);
    const net::Endpoint other6 = *net::LiteralEndpoint("::2", 0);

    using net::IcmpKind;
    const IcmpKind R = IcmpKind::Raw, D = IcmpKind::Datagram, S = IcmpKind::Service;
    const struct {
        const char* what;
        Bytes packet;
        IcmpKind kind;
        net::Endpoint from;
        bool ours;
        bool v6 = false;
    } cases[] = {
        {"our reply", raw, R, PROBED, true},
        {"bytes beyond total length", padded, R, PROBED, true},
        {"behind IP options", Ip(reply, PROBED, 6), R, PROBED, true},
        {"our own request looped back", Ip(request), R, PROBED, false},
        {"other identifier", Ip(Edit(reply, 4, 0x35)), R, PROBED, false},
        {"other identifier high byte", Ip(Edit(reply, 5, 0x13)), R, PROBED, false},
        {"other sequence", Ip(Edit(reply, 6, 0x06)), R, PROBED, false},
        {"other sequence high byte", Ip(Edit(reply, 7, 0x01)), R, PROBED, false},
        {"other source", Ip(reply, OTHER), R, PROBED, false},
        {"nonzero code", Ip(Edit(reply, 1, 1)), R, PROBED, false},
        {"not ICMP", Ip(reply, PROBED, 5, 17), R, PROBED, false},
        {"IHL 4", Edit(raw, 0, 0x44), R, PROBED, false},
        {"IHL past the end", Edit(raw, 0, 0x4F), R, PROBED, false},
        {"IPv6 version", Edit(raw, 0, 0x65), R, PROBED, false},
        {"total length past the end", Edit(raw, 3, 33), R, PROBED, false},
        {"total length leaves 7 ICMP bytes", Edit(raw, 3, 27), R, PROBED, false},
        {"ping socket, identifier rewritten", Edit(Edit(reply, 4, 0x99), 5, 0x77), D, PROBED, true},
        {"ping socket, other sequence", Edit(reply, 6, 0x04), D, PROBED, false},
        {"ping socket, other source", reply, D, OTHER, false},
        {"ping socket, the echo id as the sender's port", reply, D, WithPort(PROBED, 0x1234), true},
        // Its first four bytes are 127.0.0.1's: only the family tells them apart.
        {"ping socket, an IPv6 sender", reply, D, *net::LiteralEndpoint("7f00:1::", 0), false},
        {"ping socket, header only", Bytes(reply.begin(), reply.begin() + 8), D, PROBED, true},
        {"echo service, our reply", reply, S, PROBED, true},
        {"echo service, other identifier", Edit(reply, 4, 0x99), S, PROBED, false},
        {"ICMPv6 raw, our reply", reply6, R, probed6, true, true},
        {"ICMPv6 raw, our own request looped back", request6, R, probed6, false, true},
        {"ICMPv6 raw, an IPv4 echo reply's type", Edit(reply6, 0, ICMP_ECHO_REPLY), R, probed6,
         false, true},
        {"ICMPv6 raw, other identifier", Edit(reply6, 4, 0x35), R, probed6, false, true},
        {"ICMPv6 raw, other sequence", Edit(reply6, 7, 0x01), R, probed6, false, true},
        {"ICMPv6 raw, other source", reply6, R, other6, false, true},
        {"ICMPv6 raw, an IPv4 sender", reply6, R, PROBED, false, true},
        {"ICMPv6 raw, nonzero code", Edit(reply6, 1, 1), R, probed6, false, true},
        {"ICMPv6 raw, header only", Bytes(reply6.begin(), reply6.begin() + 8), R, probed6, true,
         true},
        {"ICMPv6 raw, 7 bytes", Bytes(reply6.begin(), reply6.begin() + 7), R, probed6, false, true},
        {"ICMPv6 ping socket, identifier rewritten", Edit(Edit(reply6, 4, 0x99), 5, 0x77), D,
         probed6, true, true},
        {"ICMPv6 ping socket, other source", reply6, D, other6, false, true},
        {"ICMPv6 echo service, our reply", reply6, S, probed6, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsEchoReplyTo(c.packet.data(), c.packet.size(), c.kind, c.from,
                                c.v6 ? probed6 : PROBED, c.v6 ? sent6 : sent),
                  c.ours)
            << c.what;
    }
    // Every truncation is refused; an exact-size copy lets ASan catch a read past the end.
    for (std::size_t size = 0; size < raw.size(); ++size) {
        const Bytes cut(raw.begin(), raw.begin() + static_cast<long>(size));
        EXPECT_FALSE(IsEchoReplyTo(cut.data(), cut.size(), R, PROBED, PROBED, sent)) << size;
    }
}

}  // namespace

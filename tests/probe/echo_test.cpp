#include "probe/echo.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/clock/clock.h"
#include "probe/probe.h"
#include "probe/probe_steps.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t OnesComplementSum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
        sum = (sum & 0xFFFFu) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(sum);
}

TEST(InternetChecksum, MatchesRfc1071Examples) {
    const std::uint8_t rfcExample[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(InternetChecksum(rfcExample, sizeof rfcExample), 0x220d);
    const std::uint8_t odd[] = {0xAB};
    EXPECT_EQ(InternetChecksum(odd, sizeof odd), 0x54FF);
    // Carries that need more than one fold.
    const std::uint8_t ones[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(InternetChecksum(ones, sizeof ones), 0x0000);
    EXPECT_EQ(InternetChecksum(nullptr, 0), 0xFFFF);
}

TEST(EchoRequest, LaysOutFieldsLeastSignificantByteFirst) {
    EchoRequest request;
    std::memset(request.bytes, 0xEE, sizeof request.bytes);
    FillEchoRequest(&request, 0x0201, 0x0403, 0x08070605u);
    const std::uint8_t expected[] = {8, 0, request.bytes[2], request.bytes[3], 1, 2, 3, 4, 5, 6,
                                     7, 8};
    EXPECT_EQ(0, std::memcmp(request.bytes, expected, sizeof expected));
    EXPECT_EQ(OnesComplementSum(request.bytes, ECHO_REQUEST_BYTES), 0xFFFF);
}

TEST(EchoRequest, ChecksumMakesTheWordsSumToAllOnes) {
    const std::uint16_t counters[] = {0, 1, 2, 0x00FF, 0x0100, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
    const std::uint32_t ticks[] = {0u,          1u,          0x0000FFFFu, 0x00010000u,
                                   0x7FFFFFFFu, 0xFFFFFFFFu, 0xDEADBEEFu, 0x12345678u};
    for (std::uint16_t identifier : counters) {
        for (std::uint16_t sequence : counters) {
            for (std::uint32_t tick : ticks) {
                EchoRequest request;
                FillEchoRequest(&request, identifier, sequence, tick);
                ASSERT_EQ(OnesComplementSum(request.bytes, ECHO_REQUEST_BYTES), 0xFFFF)
                    << identifier << " " << sequence << " " << tick;
                ASSERT_EQ(InternetChecksum(request.bytes, ECHO_REQUEST_BYTES), 0);
            }
        }
    }
}

class EchoCounters : public ::testing::Test {
  protected:
    void SetUp() override {
        savedIdentifier_ = g_echo_identifier;
        savedSequence_ = g_echo_sequence;
    }
    void TearDown() override {
        g_echo_identifier = savedIdentifier_;
        g_echo_sequence = savedSequence_;
    }

  private:
    std::uint32_t savedIdentifier_ = 0;
    std::uint32_t savedSequence_ = 0;
};

TEST_F(EchoCounters, EachBuiltRequestTakesTheLow16BitsAndAdvancesBoth) {
    g_echo_identifier = 0x0001FFFFu;
    g_echo_sequence = 0x0003FFFEu;
    EchoRequest request;
    const std::uint32_t before = TickCountMs();
    BuildEchoRequest(&request);
    const std::uint32_t after = TickCountMs();
    EXPECT_EQ(request.bytes[4], 0xFF);
    EXPECT_EQ(request.bytes[5], 0xFF);
    EXPECT_EQ(request.bytes[6], 0xFE);
    EXPECT_EQ(request.bytes[7], 0xFF);
    std::uint32_t tick = 0;
    for (int i = 3; i >= 0; --i) {
        tick = tick << 8 | request.bytes[8 + i];
    }
    EXPECT_LE(tick - before, after - before);
    EXPECT_EQ(g_echo_identifier, 0x00020000u);
    EXPECT_EQ(g_echo_sequence, 0x0003FFFFu);

    BuildEchoRequest(&request);  // wraps to 0
    EXPECT_EQ(request.bytes[4], 0x00);
    EXPECT_EQ(request.bytes[5], 0x00);
    EXPECT_EQ(request.bytes[6], 0xFF);
    EXPECT_EQ(request.bytes[7], 0xFF);
    EXPECT_EQ(g_echo_identifier, 0x00020001u);
    EXPECT_EQ(g_echo_sequence, 0x00040000u);
    EXPECT_EQ(OnesComplementSum(request.bytes, ECHO_REQUEST_BYTES), 0xFFFF);
}

// ---- the reply check ----

const std::uint32_t kProbed = htonl(0x7F000001u);  // 127.0.0.1
const std::uint32_t kOther = htonl(0x7F000002u);   // 127.0.0.2

EchoRequest Sent() {
    EchoRequest sent;
    FillEchoRequest(&sent, 0x1234, 0x0005, 0xA1B2C3D4u);
    return sent;
}

Bytes Reply(const EchoRequest& to) {
    Bytes icmp(to.bytes, to.bytes + ECHO_REQUEST_BYTES);
    icmp[0] = 0;
    icmp[2] = icmp[3] = 0;
    const std::uint16_t checksum = InternetChecksum(icmp.data(), icmp.size());
    icmp[2] = static_cast<std::uint8_t>(checksum >> 8);
    icmp[3] = static_cast<std::uint8_t>(checksum);
    return icmp;
}

Bytes WithIPv4(const Bytes& icmp, std::uint32_t source, int ihl = 5, std::uint8_t protocol = 1) {
    Bytes packet(static_cast<std::size_t>(ihl) * 4, 0);
    packet[0] = static_cast<std::uint8_t>(0x40 | ihl);
    const std::size_t total = packet.size() + icmp.size();
    packet[2] = static_cast<std::uint8_t>(total >> 8);
    packet[3] = static_cast<std::uint8_t>(total);
    packet[8] = 64;
    packet[9] = protocol;
    std::memcpy(&packet[12], &source, 4);
    std::memcpy(&packet[16], &kProbed, 4);
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    return packet;
}

Bytes Edit(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

struct ReplyCase {
    const char* what;
    Bytes packet;
    net::IcmpKind kind;
    std::uint32_t from;
    bool ours;
};

TEST(IsEchoReplyTo, TellsOurReplyFromEverythingElse) {
    const EchoRequest sent = Sent();
    const Bytes reply = Reply(sent);
    const Bytes raw = WithIPv4(reply, kProbed);
    Bytes request(sent.bytes, sent.bytes + ECHO_REQUEST_BYTES);
    Bytes unreachable = {3, 1, 0, 0, 0, 0, 0, 0};  // host unreachable, quoting our request
    const Bytes quoted = WithIPv4(request, kProbed);
    unreachable.insert(unreachable.end(), quoted.begin(), quoted.end());
    Bytes padded = raw;
    padded.insert(padded.end(), {0, 0, 0, 0});  // link-layer padding beyond the total length

    using net::IcmpKind;
    const ReplyCase cases[] = {
        {"our reply", raw, IcmpKind::Raw, kProbed, true},
        {"our reply, bytes beyond total length", padded, IcmpKind::Raw, kProbed, true},
        {"our reply behind IP options", WithIPv4(reply, kProbed, 6), IcmpKind::Raw, kProbed, true},
        {"our own request looped back", WithIPv4(request, kProbed), IcmpKind::Raw, kProbed, false},
        {"other identifier", WithIPv4(Edit(reply, 4, 0x35), kProbed), IcmpKind::Raw, kProbed,
         false},
        {"other identifier high byte", WithIPv4(Edit(reply, 5, 0x13), kProbed), IcmpKind::Raw,
         kProbed, false},
        {"other sequence", WithIPv4(Edit(reply, 6, 0x06), kProbed), IcmpKind::Raw, kProbed, false},
        {"other sequence high byte", WithIPv4(Edit(reply, 7, 0x01), kProbed), IcmpKind::Raw,
         kProbed, false},
        {"other source", WithIPv4(reply, kOther), IcmpKind::Raw, kProbed, false},
        {"nonzero code", WithIPv4(Edit(reply, 1, 1), kProbed), IcmpKind::Raw, kProbed, false},
        {"router error quoting our request", WithIPv4(unreachable, kProbed), IcmpKind::Raw, kProbed,
         false},
        {"not ICMP", WithIPv4(reply, kProbed, 5, 17), IcmpKind::Raw, kProbed, false},
        {"IHL 4", Edit(raw, 0, 0x44), IcmpKind::Raw, kProbed, false},
        {"IHL 0", Edit(raw, 0, 0x40), IcmpKind::Raw, kProbed, false},
        {"IHL past the end", Edit(raw, 0, 0x4F), IcmpKind::Raw, kProbed, false},
        {"IPv6 version", Edit(raw, 0, 0x65), IcmpKind::Raw, kProbed, false},
        {"total length past the end", Edit(raw, 3, 33), IcmpKind::Raw, kProbed, false},
        {"total length leaves 7 ICMP bytes", Edit(raw, 3, 27), IcmpKind::Raw, kProbed, false},
        {"total length shorter than header", Edit(raw, 3, 12), IcmpKind::Raw, kProbed, false},
        {"bare ICMP on a raw socket", reply, IcmpKind::Raw, kProbed, false},
        {"ping socket, identifier rewritten", Edit(Edit(reply, 4, 0x99), 5, 0x77),
         IcmpKind::Datagram, kProbed, true},
        {"ping socket, other sequence", Edit(reply, 6, 0x04), IcmpKind::Datagram, kProbed, false},
        {"ping socket, other source", reply, IcmpKind::Datagram, kOther, false},
        {"ping socket, request type", request, IcmpKind::Datagram, kProbed, false},
        {"ping socket, 7 bytes", Bytes(reply.begin(), reply.begin() + 7), IcmpKind::Datagram,
         kProbed, false},
        {"ping socket, header only", Bytes(reply.begin(), reply.begin() + 8), IcmpKind::Datagram,
         kProbed, true},
        {"echo service, our reply", reply, IcmpKind::Service, kProbed, true},
        {"echo service, other identifier", Edit(reply, 4, 0x99), IcmpKind::Service, kProbed, false},
    };
    for (const ReplyCase& c : cases) {
        EXPECT_EQ(IsEchoReplyTo(c.packet.data(), c.packet.size(), c.kind, c.from, kProbed, sent),
                  c.ours)
            << c.what;
    }
}

TEST(IsEchoReplyTo, RejectsEveryTruncationOfOurReply) {
    const EchoRequest sent = Sent();
    const Bytes raw = WithIPv4(Reply(sent), kProbed);
    for (std::size_t size = 0; size < raw.size(); ++size) {
        // An exact-size copy lets the address sanitizer catch any read past the end.
        const Bytes cut(raw.begin(), raw.begin() + static_cast<long>(size));
        EXPECT_FALSE(
            IsEchoReplyTo(cut.data(), cut.size(), net::IcmpKind::Raw, kProbed, kProbed, sent))
            << size;
    }
    EXPECT_FALSE(IsEchoReplyTo(nullptr, 0, net::IcmpKind::Datagram, kProbed, kProbed, sent));
}

}  // namespace

// The SNMPv1 codec: round trips with their exact bytes, bytes compared with pysnmp's encoder,
// and refusal of malformed input with the right error.
#include "platform/snmpmgr/ber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Oid = std::vector<std::uint32_t>;
using E = ber::Error;

#include "tests/snmpmgr/golden_packets.inc"

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Tag, minimal definite length, content.
Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    const auto n = content.size();
    const auto b = [](std::size_t v) { return static_cast<std::uint8_t>(v); };
    const Bytes length = n < 0x80    ? Bytes{b(n)}
                         : n <= 0xFF ? Bytes{0x81, b(n)}
                                     : Bytes{0x82, b(n >> 8), b(n)};
    return Cat({{tag}, length, content});
}

// Builders of hand-made GetResponses: Msg is the whole message, Resp one with binding list
// `list`, Bind one whose single binding holds `binding`.
const auto Str = [](const std::string& t) { return Tlv(0x04, Bytes(t.begin(), t.end())); };
const Bytes kZero = {0x02, 0x01, 0x00}, kNull = {0x05, 0x00};
const Bytes kName = Tlv(0x06, {0x2b, 6, 1, 2, 1, 1, 1, 0});     // sysDescr.0
const Bytes kFields = Cat({{0x02, 0x01, 0x01}, kZero, kZero});  // request-id, error fields
const auto Msg = [](const Bytes& version, const Bytes& community, std::uint8_t pdu,
                    const Bytes& body) {
    return Tlv(0x30, Cat({version, community, Tlv(pdu, body)}));
};
const auto Resp = [](const Bytes& list) {
    return Msg(kZero, Str("orchid"), 0xA2, Cat({kFields, list}));
};
const auto Bind = [](const Bytes& binding) { return Resp(Tlv(0x30, Tlv(0x30, binding))); };
const auto WithValue = [](const Bytes& value) { return Bind(Cat({kName, value})); };
const auto WithName = [](const Bytes& name) { return Bind(Cat({name, kNull})); };

Bytes Nested(int depth) {
    return depth == 0 ? Bytes{0x04, 0x00} : Tlv(0x30, Nested(depth - 1));
}

ber::Value V(std::uint8_t tag, std::int64_t integer = 0, Bytes bytes = {}, Oid oid = {}) {
    return {tag, integer, std::move(bytes), std::move(oid)};
}

bool Same(const ber::Value& a, const ber::Value& b) {
    return a.tag == b.tag && a.integer == b.integer && a.bytes == b.bytes && a.oid == b.oid;
}

TEST(BerCodec, EveryValueTypeSurvivesARoundTripInMinimalForm) {
    const struct {
        ber::Value value;
        Bytes tlv;  // the exact encoding, when checked
    } cases[] = {
        {V(0x02, 0), {0x02, 0x01, 0x00}},
        {V(0x02, 128), {0x02, 0x02, 0x00, 0x80}},
        {V(0x02, -2147483648LL), {0x02, 0x04, 0x80, 0x00, 0x00, 0x00}},
        {V(0x41, 4294967295LL), {0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {V(0x43, 65535), {0x43, 0x03, 0x00, 0xFF, 0xFF}},
        {V(0x04, 0, Bytes(200, 'a')), Cat({{0x04, 0x81, 0xC8}, Bytes(200, 'a')})},
        {V(0x04, 0, Bytes(256, 'b')), Cat({{0x04, 0x82, 0x01, 0x00}, Bytes(256, 'b')})},
        {V(0x05), {0x05, 0x00}},
        {V(0x06, 0, {}, {1, 3, 6, 1, 4, 1, 2435}), {0x06, 0x07, 0x2B, 6, 1, 4, 1, 0x93, 0x03}},
        {V(0x06, 0, {}, {2, 100, 4294967295u}),
         {0x06, 7, 0x81, 0x34, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
        {V(0x40, 0, {192, 168, 1, 10}), {0x40, 0x04, 192, 168, 1, 10}},
        {V(0x46, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), {}},  // Counter64
        {V(0x80), {0x80, 0x00}},                                                   // noSuchObject
        {V(0x47, 0, {1, 2, 3}), {}},  // an unknown application type
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        ber::Message m;
        m.community = std::string(255, 'c');
        m.pduType = 0xA2;
        m.requestId = -2147483647 - 1;
        m.errorIndex = 26;
        m.varbinds.push_back({{1, 3, 6, 1, 4, 1, 2435}, c.value});
        Bytes encoded = {0xEE};  // Encode appends: what was there stays
        ASSERT_EQ(ber::Encode(m, encoded), E::None);
        EXPECT_EQ(encoded[0], 0xEE);
        const auto tlvAt = encoded.end() - static_cast<std::ptrdiff_t>(c.tlv.size());
        EXPECT_TRUE(c.tlv.empty() || Bytes(tlvAt, encoded.end()) == c.tlv);  // the value is last
        // Decoding loses nothing: the decoded message encodes to the same bytes.
        ber::Message d;
        ASSERT_EQ(ber::Decode(encoded.data() + 1, encoded.size() - 1, d), E::None);
        Bytes again = {0xEE};
        ASSERT_EQ(ber::Encode(d, again), E::None);
        EXPECT_EQ(again, encoded);
        EXPECT_TRUE(Same(d.varbinds.at(0).value, c.value));
    }
}

TEST(BerCodec, MatchesPysnmpBothWays) {
    const Oid big = {2, 999, 4294967295u, 128, 16383};
    const struct {
        std::int32_t id;
        std::string community;
        std::vector<Oid> names;
        const Bytes& golden;
    } requests[] = {
        {1, "orchid", {{1, 3, 6, 1, 2, 1, 1, 1, 0}}, kGoldenGetSysDescr},
        {0x7FFFFFFF, "public", {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1}}, kGoldenGetModel},
        {-2147483647, "orchid", {{1, 3, 6, 1, 2, 1, 43, 16, 5, 1, 2, 1, 1}}, kGoldenGetNegativeId},
        {128,
         std::string(200, 'c'),
         {{1, 3, 6, 1, 4, 1, 2435, 2, 3, 9, 4, 2, 1, 5, 5, 1, 0}, big},
         kGoldenGetLargeArcs},
        {65536, "orchid", {}, kGoldenGetMany},  // no names: the 39 console lines
    };
    for (const auto& r : requests) {
        ber::Message m;
        m.community = r.community;
        m.requestId = r.id;
        for (const Oid& name : r.names) {
            m.varbinds.push_back({name, {}});
        }
        for (std::uint32_t i = 1; r.names.empty() && i < 40; ++i) {
            m.varbinds.push_back({{1, 3, 6, 1, 2, 1, 43, 18, 1, 1, 8, 1, i}, {}});
        }
        Bytes out;
        ASSERT_EQ(ber::Encode(m, out), E::None);
        EXPECT_EQ(out, r.golden) << r.id;
    }

    const Bytes& allTypes = kGoldenResponseAllTypes;
    ber::Message m;
    ASSERT_EQ(ber::Decode(allTypes.data(), allTypes.size(), m), E::None);
    EXPECT_EQ(m.pduType, 0xA2);
    EXPECT_EQ(m.requestId, 424242);
    EXPECT_EQ(m.community, "orchid");
    const char descr[] = "Quillfen LX-9 \0tail";
    const ber::Value expected[] = {
        V(0x04, 0, Bytes(descr, descr + sizeof descr - 1)),
        V(0x06, 0, {}, {1, 3, 6, 1, 4, 1, 2435, 2, 3, 9, 1}),
        V(0x43, 4294967295LL),
        V(0x41, 2147483648LL),
        V(0x42, 100),
        V(0x40, 0, {192, 168, 1, 10}),
        V(0x02, -2),
        V(0x02, -2147483648LL),
        V(0x02, 2147483647),
        V(0x44, 0, {'W', 'X', 'Y', 'Z'}),
        V(0x05),
        V(0x04, 0, Bytes(300, 'x')),  // one value per name, in order
    };
    ASSERT_EQ(m.varbinds.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_TRUE(Same(m.varbinds[i].value, expected[i])) << i;
    }

    // Every truncation of a valid message is refused as such.
    for (auto end = allTypes.begin(); end != allTypes.end(); ++end) {
        const Bytes prefix(allTypes.begin(), end);
        EXPECT_EQ(ber::Decode(prefix.data(), prefix.size(), m), E::Truncated) << prefix.size();
    }
}

TEST(BerCodec, RefusesMalformedMessagesWithTheirErrorAndAcceptsLegalVariants) {
    const Bytes good = WithValue(kNull);
    const Bytes inner(good.begin() + 2, good.end());
    const Bytes body = Cat({kFields, Tlv(0x30, Tlv(0x30, Cat({kName, kNull})))});
    const Bytes orchid = Str("orchid"), c256 = Str(std::string(256, 'c'));
    const Bytes bigId = {0x02, 0x05, 0x00, 0x80, 0, 0, 0};
    Bytes sixtyFive, oid129 = {0x2B};
    for (int i = 0; i < 65; ++i) {
        sixtyFive = Cat({sixtyFive, Tlv(0x30, Cat({kName, kNull}))});
    }
    oid129.resize(128, 0x01);  // 2 + 127 components

    const struct {
        const char* what;
        Bytes input;
        E expected;
    } cases[] = {
        {"empty input", {}, E::Truncated},
        {"content cut short", Bytes(good.begin(), good.end() - 1), E::Truncated},
        {"indefinite length", Cat({{0x30, 0x80}, inner, {0, 0}}), E::IndefiniteLength},
        {"five length octets", {0x30, 0x85, 0, 0, 0, 0, 5, 2, 1, 0, 4, 0}, E::LengthTooLong},
        {"length above the largest message", {0x30, 0x83, 0x01, 0, 0, 0}, E::LengthTooLong},
        {"byte after the message", Cat({good, {0x00}}), E::TrailingBytes},
        {"message is a set", Tlv(0x31, inner), E::UnexpectedTag},
        {"version 1 (v2c)", Msg({0x02, 0x01, 0x01}, orchid, 0xA2, body), E::BadVersion},
        {"version of six bytes", Msg(Tlv(0x02, Bytes(6, 0)), orchid, 0xA2, body), E::IntegerSize},
        {"community of 256 bytes", Msg(kZero, c256, 0xA2, body), E::CommunityTooLong},
        {"community past its end", Tlv(0x30, Cat({kZero, {4, 0x20, 'o'}})), E::LengthPastParent},
        {"pdu tag 0xA5", Msg(kZero, orchid, 0xA5, body), E::UnexpectedTag},
        {"request-id above int32", Msg(kZero, orchid, 0xA2, bigId), E::IntegerSize},
        {"binding list is a string", Resp(Str("x")), E::UnexpectedTag},
        {"bytes after the binding list", Resp(Cat({Tlv(0x30, {}), kNull})), E::TrailingBytes},
        {"binding without value", Bind(kName), E::Truncated},
        {"value runs past its binding", Bind(Cat({kName, {0x04, 0x05, 'a'}})), E::LengthPastParent},
        {"name empty", WithName(Tlv(0x06, {})), E::OidEmpty},
        {"arc of 2^32", WithName(Tlv(0x06, {0x2B, 0x90, 0x80, 0x80, 0x80, 0})), E::OidOverflow},
        {"name unterminated", WithName(Tlv(0x06, {0x2B, 0x06, 0x81})), E::OidUnterminated},
        {"name of 129 components", WithName(Tlv(0x06, oid129)), E::OidTooLong},
        {"null with content", WithValue({0x05, 0x01, 0x00}), E::NullWithContent},
        {"gauge of 2^32", WithValue({0x42, 0x05, 0x01, 0, 0, 0, 0}), E::UnsignedRange},
        {"integer of 2^31", WithValue(bigId), E::IntegerSize},
        {"ip address of 5 bytes", WithValue({0x40, 0x05, 1, 2, 3, 4, 5}), E::IpAddressSize},
        {"timeticks of no bytes", WithValue({0x43, 0x00}), E::IntegerSize},
        {"multi-byte tag", WithValue({0x1F, 0x81, 0x01, 0x00}), E::UnexpectedTag},
        {"65 bindings", Resp(Tlv(0x30, sixtyFive)), E::TooManyVarBinds},
        {"value nested too deep", WithValue(Nested(5)), E::NestingTooDeep},
        {"larger than any datagram", Bytes(ber::kMaxMessageBytes + 1, 0x30), E::MessageTooLarge},
        // Legal, though unusual: taken.
        {"value nested at the limit", WithValue(Nested(4)), E::None},
        {"non-minimal length", WithValue({0x04, 0x81, 0x02, 'o', 'k'}), E::None},
        {"four length octets", WithValue({0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 'z'}), E::None},
        {"trap without bindings", Msg(kZero, Str(""), 0xA4, Cat({kFields, {0x30, 0}})), E::None},
    };
    for (const auto& c : cases) {
        ber::Message m;
        const E got = ber::Decode(c.input.data(), c.input.size(), m);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << ber::ErrorName(got);
    }
}

}  // namespace

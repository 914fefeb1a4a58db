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
const Bytes ZERO = {0x02, 0x01, 0x00}, NULL_TLV = {0x05, 0x00};
const Bytes NAME = Tlv(0x06, {0x2b, 6, 1, 2, 1, 1, 1, 0});   // sysDescr.0
const Bytes FIELDS = Cat({{0x02, 0x01, 0x01}, ZERO, ZERO});  // request-id, error fields
const auto Msg = [](const Bytes& version, const Bytes& community, std::uint8_t pdu,
                    const Bytes& body) {
    return Tlv(0x30, Cat({version, community, Tlv(pdu, body)}));
};
const auto Resp = [](const Bytes& list) {
    return Msg(ZERO, Str("orchid"), 0xA2, Cat({FIELDS, list}));
};
const auto Bind = [](const Bytes& binding) { return Resp(Tlv(0x30, Tlv(0x30, binding))); };
const auto WithValue = [](const Bytes& value) { return Bind(Cat({NAME, value})); };
const auto WithName = [](const Bytes& name) { return Bind(Cat({name, NULL_TLV})); };

Bytes Nested(int depth) {
    return depth == 0 ? Bytes{0x04, 0x00} : Tlv(0x30, Nested(depth - 1));
}

ber::Value V(std::uint8_t tag, std::int64_t integer = 0, Bytes bytes = {}) {
    return {tag, integer, std::move(bytes), {}};
}

// The types and forms pysnmp's response below lacks; that response pins the others both ways.
TEST(BerCodec, ValuesSurviveARoundTripInMinimalForm) {
    const struct {
        ber::Value value;
        Bytes tlv;  // the exact encoding, when checked
    } cases[] = {
        {V(0x02, 0), {0x02, 0x01, 0x00}},
        {V(0x02, 128), {0x02, 0x02, 0x00, 0x80}},
        {V(0x02, -2147483648LL), {0x02, 0x04, 0x80, 0x00, 0x00, 0x00}},
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
        Bytes encoded = {0xEE}, again;  // Encode appends: what was there stays
        ber::Message d;
        ASSERT_EQ(ber::Encode(m, encoded), E::None);
        ASSERT_EQ(ber::Decode(encoded.data() + 1, encoded.size() - 1, d), E::None);
        ASSERT_EQ(ber::Encode(d, again), E::None);
        EXPECT_EQ(Cat({{0xEE}, again}), encoded);  // decoding loses nothing
        const auto tlvAt = encoded.end() - static_cast<std::ptrdiff_t>(c.tlv.size());
        EXPECT_TRUE(c.tlv.empty() || Bytes(tlvAt, encoded.end()) == c.tlv);  // the value is last
    }
}

TEST(BerCodec, MatchesPysnmpBothWays) {
    // pysnmp's messages decode and encode back to the same bytes: a 200-byte community, arcs up
    // to 2^32-1, 39 names, every value type.
    const std::pair<const Bytes&, std::int32_t> golden[] = {{GOLDEN_GET_SYS_DESCR, 1},
                                                            {GOLDEN_GET_MODEL, 0x7FFFFFFF},
                                                            {GOLDEN_GET_NEGATIVE_ID, -2147483647},
                                                            {GOLDEN_GET_LARGE_ARCS, 128},
                                                            {GOLDEN_GET_MANY, 65536},
                                                            {GOLDEN_RESPONSE_ALL_TYPES, 424242}};
    ber::Message m;
    for (const auto& [bytes, id] : golden) {
        m = {};
        ASSERT_EQ(ber::Decode(bytes.data(), bytes.size(), m), E::None) << id;
        EXPECT_EQ(m.requestId, id);
        Bytes again;
        ASSERT_EQ(ber::Encode(m, again), E::None);
        EXPECT_EQ(again, bytes) << id;
    }
    // The last: every value type, one per name, in order.
    const Bytes& allTypes = GOLDEN_RESPONSE_ALL_TYPES;
    EXPECT_EQ(m.pduType, 0xA2);
    EXPECT_EQ(m.community, "orchid");
    const char descr[] = "Quillfen LX-9 \0tail";
    ASSERT_EQ(m.varbinds.size(), 12u);
    EXPECT_EQ(m.varbinds[0].value.bytes, Bytes(descr, descr + sizeof descr - 1));
    EXPECT_EQ(m.varbinds[2].value.integer, 4294967295LL);

    // Every truncation of a valid message is refused as such.
    for (auto end = allTypes.begin(); end != allTypes.end(); ++end) {
        const Bytes prefix(allTypes.begin(), end);
        EXPECT_EQ(ber::Decode(prefix.data(), prefix.size(), m), E::Truncated) << prefix.size();
    }
}

TEST(BerCodec, RefusesMalformedMessagesWithTheirErrorAndAcceptsLegalVariants) {
    const Bytes good = WithValue(NULL_TLV);
    const Bytes inner(good.begin() + 2, good.end());
    const Bytes body = Cat({FIELDS, Tlv(0x30, Tlv(0x30, Cat({NAME, NULL_TLV})))});
    const Bytes orchid = Str("orchid"), c256 = Str(std::string(256, 'c'));
    const Bytes bigId = {0x02, 0x05, 0x00, 0x80, 0, 0, 0};
    Bytes sixtyFive, oid129 = {0x2B};  // 65 bindings: more than SNMPv1 requests ever carry
    for (int i = 0; i < 65; ++i) {
        sixtyFive = Cat({sixtyFive, Tlv(0x30, Cat({NAME, NULL_TLV}))});
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
        {"version 3", Msg({0x02, 0x01, 0x03}, orchid, 0xA2, body), E::BadVersion},
        {"version of six bytes", Msg(Tlv(0x02, Bytes(6, 0)), orchid, 0xA2, body), E::IntegerSize},
        {"community of 256 bytes", Msg(ZERO, c256, 0xA2, body), E::CommunityTooLong},
        {"community past its end", Tlv(0x30, Cat({ZERO, {4, 0x20, 'o'}})), E::LengthPastParent},
        {"pdu tag 0xA4 (v1 trap)", Msg(ZERO, orchid, 0xA4, body), E::UnexpectedTag},
        {"pdu tag 0xA9", Msg(ZERO, orchid, 0xA9, body), E::UnexpectedTag},
        {"request-id above int32", Msg(ZERO, orchid, 0xA2, bigId), E::IntegerSize},
        {"binding list is a string", Resp(Str("x")), E::UnexpectedTag},
        {"bytes after the binding list", Resp(Cat({Tlv(0x30, {}), NULL_TLV})), E::TrailingBytes},
        {"binding without value", Bind(NAME), E::Truncated},
        {"value runs past its binding", Bind(Cat({NAME, {0x04, 0x05, 'a'}})), E::LengthPastParent},
        // One byte past its binding, into the next binding: still inside the message.
        {"value one byte past its binding",
         Resp(Tlv(0x30, Cat({Tlv(0x30, Cat({NAME, {0x04, 0x02, 'a'}})),
                             Tlv(0x30, Cat({NAME, NULL_TLV}))}))),
         E::LengthPastParent},
        {"name empty", WithName(Tlv(0x06, {})), E::OidEmpty},
        {"arc of 2^32", WithName(Tlv(0x06, {0x2B, 0x90, 0x80, 0x80, 0x80, 0})), E::OidOverflow},
        {"name unterminated", WithName(Tlv(0x06, {0x2B, 0x06, 0x81})), E::OidUnterminated},
        {"name of 129 components", WithName(Tlv(0x06, oid129)), E::OidTooLong},
        {"multi-byte tag", WithValue({0x1F, 0x81, 0x01, 0x00}), E::UnexpectedTag},
        {"larger than any datagram", Bytes(ber::MAX_MESSAGE_BYTES + 1, 0x30), E::MessageTooLarge},
        // Legal, though unusual: taken.
        {"v2c, a GetBulk", Msg({0x02, 0x01, 0x01}, orchid, 0xA5, body), E::None},
        {"65 bindings", Resp(Tlv(0x30, sixtyFive)), E::None},
        {"a value nested deep", WithValue(Nested(40)), E::None},
        {"four length octets", WithValue({0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 'z'}), E::None},
        {"-2^31 in five bytes, as pyasn1 writes it", WithValue({2, 5, 0xFF, 0x80, 0, 0, 0}),
         E::None},
    };
    for (const auto& c : cases) {
        ber::Message m;
        const E got = ber::Decode(c.input.data(), c.input.size(), m);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << ber::ErrorName(got);
    }
}

// A value whose content does not fit its type is no fault of the frame: the message decodes,
// the value keeps its tag and raw bytes and is marked as not valid, and it encodes back as it
// came. Numbers are read as peers read them.
TEST(BerCodec, ValuesAreReadTolerantly) {
    const struct {
        const char* what;
        Bytes tlv;
        bool valid;
        std::int64_t integer;
    } cases[] = {
        {"counter 2^31 without its leading zero", {0x41, 0x04, 0x80, 0, 0, 0}, true, 2147483648},
        {"gauge 2^32-1 in five bytes", {0x42, 0x05, 0, 0xFF, 0xFF, 0xFF, 0xFF}, true, 4294967295},
        {"timeticks with redundant zeros", {0x43, 0x07, 0, 0, 0, 0, 0, 0, 7}, true, 7},
        {"gauge of 2^32", {0x42, 0x05, 0x01, 0, 0, 0, 0}, false, 0},
        {"timeticks of no bytes", {0x43, 0x00}, false, 0},
        {"integer with redundant leading bytes", {0x02, 0x04, 0, 0, 0, 5}, true, 5},
        {"negative integer with redundant bytes",
         {0x02, 0x06, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE},
         true,
         -2},
        {"integer of 2^31", {0x02, 0x05, 0x00, 0x80, 0, 0, 0}, false, 0},
        {"integer of no bytes", {0x02, 0x00}, false, 0},
        {"null with content", {0x05, 0x01, 0x00}, false, 0},
        {"ip address of 5 bytes", {0x40, 0x05, 1, 2, 3, 4, 5}, false, 0},
        {"identifier value unterminated", {0x06, 0x02, 0x2B, 0x81}, false, 0},
        {"counter64 of nine significant bytes", {0x46, 0x09, 1, 0, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"endOfMibView", {0x82, 0x00}, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes message = WithValue(c.tlv);
        ber::Message m;
        ASSERT_EQ(ber::Decode(message.data(), message.size(), m), E::None);
        ASSERT_EQ(m.varbinds.size(), 1u);
        const ber::Value& v = m.varbinds[0].value;
        EXPECT_EQ(v.tag, c.tlv[0]);
        EXPECT_EQ(v.valid, c.valid);
        EXPECT_EQ(v.integer, c.integer);
        if (!c.valid) {
            EXPECT_EQ(v.bytes, Bytes(c.tlv.begin() + 2, c.tlv.end()));
            Bytes again;
            ASSERT_EQ(ber::Encode(m, again), E::None);
            EXPECT_EQ(again, message);
        }
    }
}

}  // namespace

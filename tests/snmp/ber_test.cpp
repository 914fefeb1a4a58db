// The SNMPv1 codec: round trips with their exact bytes, bytes compared with pysnmp's encoder,
// and refusal of malformed input with the right error.
#include "snmp/ber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ber_bytes.h"

namespace {

using namespace berbytes;
using E = ber::Error;

#include "tests/snmp/golden_packets.inc"

// Builders of hand-made GetResponses: Msg is the whole message, Resp one with binding list
// `list`, Bind one whose single binding holds `binding`.
const Bytes ZERO = Int(0), NULL_TLV = {0x05, 0x00};
const Bytes NAME = Tlv(0x06, {0x2b, 6, 1, 2, 1, 1, 1, 0});  // sysDescr.0
const Bytes FIELDS = Cat({Int(1), ZERO, ZERO});             // request-id, error fields
const auto Msg = [](const Bytes& version, const Bytes& community, std::uint8_t pdu,
                    const Bytes& body) {
    return Tlv(0x30, Cat({version, community, Tlv(pdu, body)}));
};
const auto Resp = [](const Bytes& list) {  // with a community at its longest
    return Msg(ZERO, Oct(std::string(ber::MAX_COMMUNITY_BYTES, 'c')), 0xA2, Cat({FIELDS, list}));
};
const auto Bind = [](const Bytes& binding) { return Resp(Tlv(0x30, Tlv(0x30, binding))); };
const auto WithValue = [](const Bytes& value) { return Bind(Cat({NAME, value})); };
const auto WithName = [](const Bytes& name) { return Bind(Cat({name, NULL_TLV})); };

TEST(BerCodec, MatchesPysnmpBothWays) {
    // pysnmp's messages decode and encode back to the same bytes: a 200-byte community, arcs up
    // to 2^32-1, request-ids of one to four bytes, every value type.
    const std::pair<const Bytes&, std::int32_t> golden[] = {{GOLDEN_GET_SYS_DESCR, 1},
                                                            {GOLDEN_GET_MODEL, 0x7FFFFFFF},
                                                            {GOLDEN_GET_NEGATIVE_ID, -2147483647},
                                                            {GOLDEN_GET_LARGE_ARCS, 128},
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
    // Every truncation of a valid message is refused as such.
    const Bytes& allTypes = GOLDEN_RESPONSE_ALL_TYPES;
    for (auto end = allTypes.begin(); end != allTypes.end(); ++end) {
        const Bytes prefix(allTypes.begin(), end);
        EXPECT_EQ(ber::Decode(prefix.data(), prefix.size(), m), E::Truncated) << prefix.size();
    }
}

TEST(BerCodec, RefusesMalformedMessagesWithTheirErrorAndAcceptsLegalVariants) {
    const Bytes body = Cat({FIELDS, Tlv(0x30, Tlv(0x30, Cat({NAME, NULL_TLV})))});
    const Bytes orchid = Oct(std::string("orchid")), c256 = Oct(std::string(256, 'c'));
    const Bytes good = Msg(ZERO, orchid, 0xA2, body), inner(good.begin() + 2, good.end());
    Bytes oid129 = {0x2B};
    oid129.resize(128, 0x01);  // 2 + 127 components

    const struct {
        const char* what;
        Bytes input;
        E expected;
    } cases[] = {
        {"indefinite length", Cat({{0x30, 0x80}, inner, {0, 0}}), E::IndefiniteLength},
        {"five length octets", {0x30, 0x85, 0, 0, 0, 0, 5, 2, 1, 0, 4, 0}, E::LengthTooLong},
        {"length above the largest message", {0x30, 0x83, 0x01, 0, 0, 0}, E::LengthTooLong},
        {"byte after the message", Cat({good, {0x00}}), E::TrailingBytes},
        {"message is a set", Tlv(0x31, inner), E::UnexpectedTag},
        {"version 3", Msg(Int(3), orchid, 0xA2, body), E::BadVersion},
        {"version of six bytes", Msg(Tlv(0x02, Bytes(6, 0)), orchid, 0xA2, body), E::IntegerSize},
        {"community of 256 bytes", Msg(ZERO, c256, 0xA2, body), E::CommunityTooLong},
        {"pdu tag 0xA4 (v1 trap)", Msg(ZERO, orchid, 0xA4, body), E::UnexpectedTag},
        {"pdu tag 0xA9", Msg(ZERO, orchid, 0xA9, body), E::UnexpectedTag},
        {"request-id above int32", Msg(ZERO, orchid, 0xA2, {0x02, 0x05, 0x00, 0x80, 0, 0, 0}),
         E::IntegerSize},
        {"binding list is a string", Resp(Oct(std::string("x"))), E::UnexpectedTag},
        {"bytes after the binding list", Resp(Cat({Tlv(0x30, {}), NULL_TLV})), E::TrailingBytes},
        {"binding without value", Bind(NAME), E::Truncated},
        {"byte after the value in its binding", Bind(Cat({NAME, NULL_TLV, {0}})), E::TrailingBytes},
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
        {"v2c, a GetBulk", Msg(Int(1), orchid, 0xA5, body), E::None},
        {"four length octets", WithValue({0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 'z'}), E::None},
        {"request-id -2^31 in five bytes, as pyasn1 writes it",
         Msg(ZERO, orchid, 0xA2, Cat({{2, 5, 0xFF, 0x80, 0, 0, 0}, ZERO, ZERO, {0x30, 0}})),
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
// came. Numbers are read as peers read them. Also what pysnmp's messages lack: the minimal form
// of -2^31 (pyasn1 writes it a byte longer), Counter64, a type unknown here.
TEST(BerCodec, ValuesAreReadTolerantlyAndEncodedBack) {
    const Bytes ones(8, 0xFF);
    const struct {
        const char* what;
        Bytes tlv;
        bool valid;
        std::int64_t integer;
        bool minimal = false;  // a valid value in its minimal form: encoded back the same
    } cases[] = {
        {"integer -2^31", {0x02, 0x04, 0x80, 0, 0, 0}, true, -2147483648, true},
        {"counter64 of 2^64-1 with a leading zero", Cat({{0x46, 0x09, 0}, ones}), true, 0, true},
        {"an unknown application type", {0x47, 0x03, 1, 2, 3}, true, 0, true},
        {"endOfMibView", {0x82, 0x00}, true, 0, true},
        {"counter 2^31 without its leading zero", {0x41, 0x04, 0x80, 0, 0, 0}, true, 2147483648},
        {"timeticks with redundant zeros", {0x43, 0x07, 0, 0, 0, 0, 0, 0, 7}, true, 7},
        {"negative integer with redundant bytes", Cat({{0x02, 0x06}, Bytes(5, 0xFF), {0xFE}}), true,
         -2},
        {"gauge of 2^32", {0x42, 0x05, 0x01, 0, 0, 0, 0}, false, 0},
        {"timeticks of no bytes", {0x43, 0x00}, false, 0},
        {"integer of 2^31", {0x02, 0x05, 0x00, 0x80, 0, 0, 0}, false, 0},
        {"integer of no bytes", {0x02, 0x00}, false, 0},
        {"null with content", {0x05, 0x01, 0x00}, false, 0},
        {"ip address of 5 bytes", {0x40, 0x05, 1, 2, 3, 4, 5}, false, 0},
        {"identifier value unterminated", {0x06, 0x02, 0x2B, 0x81}, false, 0},
        {"counter64 of nine significant bytes", Cat({{0x46, 0x09, 1}, ones}), false, 0},
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
        EXPECT_TRUE(c.valid || v.bytes == Bytes(c.tlv.begin() + 2, c.tlv.end()));
        Bytes again = {0xEE};  // Encode appends: what was there stays
        ASSERT_EQ(ber::Encode(m, again), E::None);
        EXPECT_TRUE((c.valid && !c.minimal) || again == Cat({{0xEE}, message}));
    }
}

}  // namespace

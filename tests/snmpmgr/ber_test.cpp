// The SNMPv1 codec: round trips, bytes compared with pysnmp's encoder, and refusal of
// malformed input with the right error.
#include "platform/snmpmgr/ber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

#include "tests/snmpmgr/golden_packets.inc"

// ---- small builders for hand-made messages (minimal definite lengths) ----

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const std::size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n <= 0xFF) {
        out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
    } else {
        out.insert(out.end(),
                   {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Str(const std::string& text) {
    return Tlv(0x04, Bytes(text.begin(), text.end()));
}

Bytes Int(std::int64_t value) {
    Bytes content;
    int octets = 1;
    while (octets < 8 && (value >> (octets * 8 - 1)) != 0 && (value >> (octets * 8 - 1)) != -1) {
        ++octets;
    }
    for (int i = octets - 1; i >= 0; --i) {
        content.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
    return Tlv(0x02, content);
}

const Bytes kSysDescrName = Tlv(0x06, {0x2b, 6, 1, 2, 1, 1, 1, 0});
const Bytes kNull = {0x05, 0x00};

Bytes Message(const Bytes& version, const Bytes& community, const Bytes& pdu) {
    return Tlv(0x30, Cat({version, community, pdu}));
}

Bytes Pdu(std::uint8_t type, const Bytes& fields) {
    return Tlv(type, fields);
}

Bytes VarBind(const Bytes& name, const Bytes& value) {
    return Tlv(0x30, Cat({name, value}));
}

// A GetResponse with one binding of sysDescr whose value is `value` (a whole TLV).
Bytes ResponseWith(const Bytes& value) {
    return Message(
        Int(0), Str("orchid"),
        Pdu(0xA2, Cat({Int(1), Int(0), Int(0), Tlv(0x30, VarBind(kSysDescrName, value))})));
}

Bytes ResponseWithName(const Bytes& name) {
    return Message(Int(0), Str("orchid"),
                   Pdu(0xA2, Cat({Int(1), Int(0), Int(0), Tlv(0x30, VarBind(name, kNull))})));
}

Bytes Nested(int depth) {
    Bytes value = {0x04, 0x00};
    for (int i = 0; i < depth; ++i) {
        value = Tlv(0x30, value);
    }
    return value;
}

ber::Error DecodeBytes(const Bytes& bytes, ber::Message* out = nullptr) {
    ber::Message scratch;
    return ber::Decode(bytes.data(), bytes.size(), out ? *out : scratch);
}

ber::Value MakeValue(std::uint8_t tag, std::int64_t integer = 0, Bytes bytes = {},
                     std::vector<std::uint32_t> oid = {}) {
    ber::Value value;
    value.tag = tag;
    value.integer = integer;
    value.bytes = std::move(bytes);
    value.oid = std::move(oid);
    return value;
}

// ---------------------------------------------------------------- round trips

TEST(BerCodec, EveryValueTypeSurvivesARoundTrip) {
    const Bytes longString(300, 'x');
    const std::vector<ber::Value> values = {
        MakeValue(0x02, 0),
        MakeValue(0x02, -1),
        MakeValue(0x02, 127),
        MakeValue(0x02, 128),
        MakeValue(0x02, -128),
        MakeValue(0x02, -129),
        MakeValue(0x02, -2147483648LL),
        MakeValue(0x02, 2147483647),
        MakeValue(0x41, 0),
        MakeValue(0x41, 4294967295LL),
        MakeValue(0x42, 2147483648LL),
        MakeValue(0x43, 100),
        MakeValue(0x04),
        MakeValue(0x04, 0, {'R', 'e', 'a', 'd', 'y', 0, 'X'}),
        MakeValue(0x04, 0, longString),
        MakeValue(0x05),
        MakeValue(0x06, 0, {}, {1, 3, 6, 1, 2, 1, 43}),
        MakeValue(0x06, 0, {}, {2, 4294967295u - 80, 0, 4294967295u}),
        MakeValue(0x40, 0, {192, 168, 1, 10}),
        MakeValue(0x44, 0, {'W', 'X', 'Y', 'Z'}),
        MakeValue(0x46, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
        MakeValue(0x80),
        MakeValue(0x81),
        MakeValue(0x82),
        MakeValue(0x30, 0, {0x02, 0x01, 0x05, 0x04, 0x00}),
        MakeValue(0x47, 0, {1, 2, 3}),
    };
    for (std::uint8_t pduType = 0xA0; pduType <= 0xA4; ++pduType) {
        ber::Message message;
        message.community = std::string(255, 'c');
        message.pduType = pduType;
        message.requestId = -2147483647 - 1;
        message.errorStatus = 5;
        message.errorIndex = 26;
        for (std::size_t i = 0; i < values.size(); ++i) {
            message.varbinds.push_back(
                {{1, 3, 6, 1, 4, 1, static_cast<std::uint32_t>(i)}, values[i]});
        }
        Bytes encoded = {0xEE};  // Encode appends: what was there stays
        ASSERT_EQ(ber::Encode(message, encoded), ber::Error::None);
        ASSERT_EQ(encoded[0], 0xEE);

        ber::Message decoded;
        ASSERT_EQ(ber::Decode(encoded.data() + 1, encoded.size() - 1, decoded), ber::Error::None)
            << "pdu " << int{pduType};
        EXPECT_EQ(decoded.version, 0);
        EXPECT_EQ(decoded.community, message.community);
        EXPECT_EQ(decoded.pduType, pduType);
        EXPECT_EQ(decoded.requestId, message.requestId);
        EXPECT_EQ(decoded.errorStatus, 5);
        EXPECT_EQ(decoded.errorIndex, 26);
        ASSERT_EQ(decoded.varbinds.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            SCOPED_TRACE(i);
            const ber::Value& got = decoded.varbinds[i].value;
            EXPECT_EQ(decoded.varbinds[i].name, message.varbinds[i].name);
            EXPECT_EQ(got.tag, values[i].tag);
            EXPECT_EQ(got.integer, values[i].integer);
            EXPECT_EQ(got.bytes, values[i].bytes);
            EXPECT_EQ(got.oid, values[i].oid);
        }
    }
}

TEST(BerCodec, EncodesMinimalIntegersAndLongLengths) {
    struct Case {
        ber::Value value;
        Bytes tlv;
    };
    const std::vector<Case> cases = {
        {MakeValue(0x02, 0), {0x02, 0x01, 0x00}},
        {MakeValue(0x02, 127), {0x02, 0x01, 0x7F}},
        {MakeValue(0x02, 128), {0x02, 0x02, 0x00, 0x80}},
        {MakeValue(0x02, -128), {0x02, 0x01, 0x80}},
        {MakeValue(0x02, -129), {0x02, 0x02, 0xFF, 0x7F}},
        {MakeValue(0x02, -2147483648LL), {0x02, 0x04, 0x80, 0x00, 0x00, 0x00}},
        {MakeValue(0x41, 4294967295LL), {0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {MakeValue(0x43, 65535), {0x43, 0x03, 0x00, 0xFF, 0xFF}},
        {MakeValue(0x06, 0, {}, {1, 3, 6, 1, 4, 1, 2435}),
         {0x06, 0x07, 0x2B, 6, 1, 4, 1, 0x93, 0x03}},
        {MakeValue(0x06, 0, {}, {2, 100, 4294967295u}),
         {0x06, 0x07, 0x81, 0x34, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
        {MakeValue(0x04, 0, Bytes(200, 'a')), Cat({{0x04, 0x81, 0xC8}, Bytes(200, 'a')})},
        {MakeValue(0x04, 0, Bytes(256, 'b')), Cat({{0x04, 0x82, 0x01, 0x00}, Bytes(256, 'b')})},
    };
    for (const Case& c : cases) {
        ber::Message message;
        message.varbinds.push_back({{1, 3}, c.value});
        Bytes encoded;
        ASSERT_EQ(ber::Encode(message, encoded), ber::Error::None);
        // The value is the last element of the message.
        ASSERT_GE(encoded.size(), c.tlv.size());
        const Bytes tail(encoded.end() - static_cast<std::ptrdiff_t>(c.tlv.size()), encoded.end());
        EXPECT_EQ(tail, c.tlv) << "tag " << int{c.value.tag} << " integer " << c.value.integer;
    }
}

TEST(BerCodec, EncoderRefusesWhatCannotBeEncoded) {
    struct Case {
        const char* what;
        ber::Message message;
        ber::Error expected;
    };
    auto withValue = [](ber::Value value) {
        ber::Message m;
        m.varbinds.push_back({{1, 3, 6}, std::move(value)});
        return m;
    };
    auto withName = [](std::vector<std::uint32_t> name) {
        ber::Message m;
        m.varbinds.push_back({std::move(name), {}});
        return m;
    };
    ber::Message tooMany;
    tooMany.varbinds.resize(ber::kMaxVarBinds + 1, {{1, 3}, {}});
    ber::Message longCommunity;
    longCommunity.community = std::string(256, 'c');
    ber::Message badPdu;
    badPdu.pduType = 0xA5;
    std::vector<Case> cases = {
        {"empty name", withName({}), ber::Error::OidEmpty},
        {"one-arc name", withName({1}), ber::Error::OidEmpty},
        {"first arc 3", withName({3, 1}), ber::Error::OidOverflow},
        {"second arc 40 under arc 1", withName({1, 40}), ber::Error::OidOverflow},
        {"name too long", withName(std::vector<std::uint32_t>(129, 1)), ber::Error::OidTooLong},
        {"integer above int32", withValue(MakeValue(0x02, 2147483648LL)), ber::Error::IntegerSize},
        {"negative counter", withValue(MakeValue(0x41, -1)), ber::Error::UnsignedRange},
        {"gauge above 2^32-1", withValue(MakeValue(0x42, 4294967296LL)), ber::Error::UnsignedRange},
        {"ip address of 3 bytes", withValue(MakeValue(0x40, 0, {1, 2, 3})),
         ber::Error::IpAddressSize},
        {"oid value empty", withValue(MakeValue(0x06)), ber::Error::OidEmpty},
        {"high tag form", withValue(MakeValue(0x1F)), ber::Error::UnexpectedTag},
        {"string too large", withValue(MakeValue(0x04, 0, Bytes(ber::kMaxMessageBytes - 20, 'x'))),
         ber::Error::MessageTooLarge},
        {"too many bindings", tooMany, ber::Error::TooManyVarBinds},
        {"community too long", longCommunity, ber::Error::CommunityTooLong},
        {"not a pdu type", badPdu, ber::Error::UnexpectedTag},
    };
    for (const Case& c : cases) {
        Bytes out = {1, 2, 3};
        EXPECT_EQ(ber::Encode(c.message, out), c.expected) << c.what;
        EXPECT_EQ(out, (Bytes{1, 2, 3})) << c.what << ": output must stay unchanged";
    }
}

// ---------------------------------------------------------------- pysnmp interop

TEST(BerCodec, GetRequestsMatchPysnmpByteForByte) {
    auto request = [](std::int32_t id, const std::string& community,
                      const std::vector<std::vector<std::uint32_t>>& names) {
        ber::Message m;
        m.community = community;
        m.pduType = 0xA0;
        m.requestId = id;
        for (const auto& name : names) {
            m.varbinds.push_back({name, {}});
        }
        Bytes out;
        EXPECT_EQ(ber::Encode(m, out), ber::Error::None);
        return out;
    };
    EXPECT_EQ(request(1, "orchid", {{1, 3, 6, 1, 2, 1, 1, 1, 0}}), kGoldenGetSysDescr);
    EXPECT_EQ(request(0x7FFFFFFF, "public", {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1}}),
              kGoldenGetModel);
    EXPECT_EQ(request(-2147483647, "orchid", {{1, 3, 6, 1, 2, 1, 43, 16, 5, 1, 2, 1, 1}}),
              kGoldenGetNegativeId);
    EXPECT_EQ(request(128, std::string(200, 'c'),
                      {{1, 3, 6, 1, 4, 1, 2435, 2, 3, 9, 4, 2, 1, 5, 5, 1, 0},
                       {2, 999, 4294967295u, 128, 16383}}),
              kGoldenGetLargeArcs);
    std::vector<std::vector<std::uint32_t>> many;
    for (std::uint32_t i = 1; i < 40; ++i) {
        many.push_back({1, 3, 6, 1, 2, 1, 43, 18, 1, 1, 8, 1, i});
    }
    EXPECT_EQ(request(65536, "orchid", many), kGoldenGetMany);

    // And our decoder reads pysnmp's requests back.
    ber::Message decoded;
    ASSERT_EQ(DecodeBytes(kGoldenGetLargeArcs, &decoded), ber::Error::None);
    EXPECT_EQ(decoded.community, std::string(200, 'c'));
    ASSERT_EQ(decoded.varbinds.size(), 2u);
    EXPECT_EQ(decoded.varbinds[1].name,
              (std::vector<std::uint32_t>{2, 999, 4294967295u, 128, 16383}));
}

TEST(BerCodec, DecodesPysnmpResponses) {
    ber::Message m;
    ASSERT_EQ(DecodeBytes(kGoldenResponseAllTypes, &m), ber::Error::None);
    EXPECT_EQ(m.pduType, 0xA2);
    EXPECT_EQ(m.requestId, 424242);
    EXPECT_EQ(m.community, "orchid");
    ASSERT_EQ(m.varbinds.size(), 12u);
    const char descrText[] = "Quillfen LX-9 \0tail";
    const std::string descr(descrText, sizeof descrText - 1);
    EXPECT_EQ(m.varbinds[0].value.tag, 0x04);
    EXPECT_EQ(m.varbinds[0].value.bytes, Bytes(descr.begin(), descr.end()));
    EXPECT_EQ(m.varbinds[1].value.tag, 0x06);
    EXPECT_EQ(m.varbinds[1].value.oid,
              (std::vector<std::uint32_t>{1, 3, 6, 1, 4, 1, 2435, 2, 3, 9, 1}));
    EXPECT_EQ(m.varbinds[2].value.tag, 0x43);
    EXPECT_EQ(m.varbinds[2].value.integer, 4294967295LL);
    EXPECT_EQ(m.varbinds[3].value.tag, 0x41);
    EXPECT_EQ(m.varbinds[3].value.integer, 2147483648LL);
    EXPECT_EQ(m.varbinds[4].value.tag, 0x42);
    EXPECT_EQ(m.varbinds[4].value.integer, 100);
    EXPECT_EQ(m.varbinds[5].value.tag, 0x40);
    EXPECT_EQ(m.varbinds[5].value.bytes, (Bytes{192, 168, 1, 10}));
    EXPECT_EQ(m.varbinds[6].value.integer, -2);
    EXPECT_EQ(m.varbinds[7].value.integer, -2147483648LL);
    EXPECT_EQ(m.varbinds[8].value.integer, 2147483647);
    EXPECT_EQ(m.varbinds[9].value.tag, 0x44);
    EXPECT_EQ(m.varbinds[9].value.bytes, (Bytes{'W', 'X', 'Y', 'Z'}));
    EXPECT_EQ(m.varbinds[10].value.tag, 0x05);
    EXPECT_EQ(m.varbinds[11].value.bytes, Bytes(300, 'x'));
    EXPECT_EQ(m.varbinds[11].name, (std::vector<std::uint32_t>{1, 3, 6, 1, 4, 1, 1, 3}));

    ASSERT_EQ(DecodeBytes(kGoldenResponseNoSuchName, &m), ber::Error::None);
    EXPECT_EQ(m.errorStatus, 2);
    EXPECT_EQ(m.errorIndex, 1);
    EXPECT_EQ(m.requestId, 7);
}

// ---------------------------------------------------------------- lenient where it must be

TEST(BerCodec, AcceptsUnknownTypesAndLegalVariants) {
    struct Case {
        const char* what;
        Bytes value;
        std::uint8_t tag;
        std::int64_t integer;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"Counter64", {0x46, 0x03, 0x01, 0x00, 0x00}, 0x46, 0, {0x01, 0x00, 0x00}},
        {"noSuchObject", {0x80, 0x00}, 0x80, 0, {}},
        {"noSuchInstance", {0x81, 0x00}, 0x81, 0, {}},
        {"endOfMibView", {0x82, 0x00}, 0x82, 0, {}},
        {"sequence as value", {0x30, 0x03, 0x02, 0x01, 0x07}, 0x30, 0, {0x02, 0x01, 0x07}},
        {"context primitive with bytes", {0x9E, 0x02, 0xAA, 0xBB}, 0x9E, 0, {0xAA, 0xBB}},
        {"unsigned in 5 bytes", {0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, 0x41, 4294967295LL, {}},
        {"integer in 5 bytes", {0x02, 0x05, 0xFF, 0x80, 0x00, 0x00, 0x00}, 0x02, -2147483648LL, {}},
        {"non-minimal length", {0x04, 0x81, 0x02, 'o', 'k'}, 0x04, 0, {'o', 'k'}},
        {"four length octets", {0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 'z'}, 0x04, 0, {'z'}},
        {"nesting at the limit", Nested(4), 0x30, 0, Nested(3)},
    };
    for (const Case& c : cases) {
        ber::Message m;
        ASSERT_EQ(DecodeBytes(ResponseWith(c.value), &m), ber::Error::None) << c.what;
        ASSERT_EQ(m.varbinds.size(), 1u);
        EXPECT_EQ(m.varbinds[0].value.tag, c.tag) << c.what;
        EXPECT_EQ(m.varbinds[0].value.integer, c.integer) << c.what;
        EXPECT_EQ(m.varbinds[0].value.bytes, c.bytes) << c.what;
    }
    // A v1 trap tag with the request layout and an empty binding list are fine too.
    ber::Message m;
    EXPECT_EQ(
        DecodeBytes(
            Message(Int(0), Str(""), Pdu(0xA4, Cat({Int(9), Int(0), Int(0), Tlv(0x30, {})}))), &m),
        ber::Error::None);
    EXPECT_EQ(m.pduType, 0xA4);
    EXPECT_TRUE(m.varbinds.empty());
}

// ---------------------------------------------------------------- malformed input

TEST(BerCodec, RefusesMalformedMessagesWithTheirError) {
    using E = ber::Error;
    const Bytes good = ResponseWith(kNull);
    const Bytes fields = Cat({Int(1), Int(0), Int(0)});
    const Bytes oneBinding = Tlv(0x30, VarBind(kSysDescrName, kNull));
    Bytes sixtyFive;
    for (int i = 0; i < 65; ++i) {
        sixtyFive = Cat({sixtyFive, VarBind(kSysDescrName, kNull)});
    }
    Bytes oid129 = {0x2B};
    oid129.resize(128, 0x01);  // 2 + 127 components

    struct Case {
        const char* what;
        Bytes input;
        E expected;
    };
    const std::vector<Case> cases = {
        {"empty input", {}, E::Truncated},
        {"tag only", {0x30}, E::Truncated},
        {"content cut short", Bytes(good.begin(), good.end() - 1), E::Truncated},
        {"length octets cut short", {0x30, 0x82, 0x01}, E::Truncated},
        {"indefinite length", Cat({{0x30, 0x80}, Bytes(good.begin() + 2, good.end()), {0, 0}}),
         E::IndefiniteLength},
        {"five length octets", {0x30, 0x85, 0, 0, 0, 0, 5, 2, 1, 0, 4, 0}, E::LengthTooLong},
        {"length above the largest message",
         {0x30, 0x83, 0x01, 0x00, 0x00, 0x00},
         E::LengthTooLong},
        {"byte after the message", Cat({good, {0x00}}), E::TrailingBytes},
        {"message is not a sequence", Tlv(0x31, Bytes(good.begin() + 2, good.end())),
         E::UnexpectedTag},
        {"version is a string",
         Message(Str("0"), Str("orchid"), Pdu(0xA2, Cat({fields, oneBinding}))), E::UnexpectedTag},
        {"version 1 (v2c)", Message(Int(1), Str("orchid"), Pdu(0xA2, Cat({fields, oneBinding}))),
         E::BadVersion},
        {"version 3", Message(Int(3), Str("orchid"), Pdu(0xA2, Cat({fields, oneBinding}))),
         E::BadVersion},
        {"version of no bytes",
         Message(Tlv(0x02, {}), Str("orchid"), Pdu(0xA2, Cat({fields, oneBinding}))),
         E::IntegerSize},
        {"version of six bytes",
         Message(Tlv(0x02, {0, 0, 0, 0, 0, 0}), Str("orchid"),
                 Pdu(0xA2, Cat({fields, oneBinding}))),
         E::IntegerSize},
        {"community is an integer", Message(Int(0), Int(5), Pdu(0xA2, Cat({fields, oneBinding}))),
         E::UnexpectedTag},
        {"community of 256 bytes",
         Message(Int(0), Str(std::string(256, 'c')), Pdu(0xA2, Cat({fields, oneBinding}))),
         E::CommunityTooLong},
        {"community runs past the message", Tlv(0x30, Cat({Int(0), {0x04, 0x20, 'o'}})),
         E::LengthPastParent},
        {"pdu tag 0xA5", Message(Int(0), Str("orchid"), Pdu(0xA5, Cat({fields, oneBinding}))),
         E::UnexpectedTag},
        {"pdu is a sequence", Message(Int(0), Str("orchid"), Pdu(0x30, Cat({fields, oneBinding}))),
         E::UnexpectedTag},
        {"pdu missing", Tlv(0x30, Cat({Int(0), Str("orchid")})), E::Truncated},
        {"request-id above int32",
         Message(Int(0), Str("orchid"),
                 Pdu(0xA2, Cat({Int(2147483648LL), Int(0), Int(0), oneBinding}))),
         E::IntegerSize},
        {"error status missing", Message(Int(0), Str("orchid"), Pdu(0xA2, Int(1))), E::Truncated},
        {"binding list is a string",
         Message(Int(0), Str("orchid"), Pdu(0xA2, Cat({fields, Str("x")}))), E::UnexpectedTag},
        {"bytes after the binding list",
         Message(Int(0), Str("orchid"), Pdu(0xA2, Cat({fields, oneBinding, kNull}))),
         E::TrailingBytes},
        {"binding is not a sequence",
         Message(Int(0), Str("orchid"), Pdu(0xA2, Cat({fields, Tlv(0x30, Str("x"))}))),
         E::UnexpectedTag},
        {"binding without value",
         Message(Int(0), Str("orchid"),
                 Pdu(0xA2, Cat({fields, Tlv(0x30, Tlv(0x30, kSysDescrName))}))),
         E::Truncated},
        {"bytes after the value",
         Message(
             Int(0), Str("orchid"),
             Pdu(0xA2, Cat({fields, Tlv(0x30, Tlv(0x30, Cat({kSysDescrName, kNull, kNull})))}))),
         E::TrailingBytes},
        {"value runs past its binding",
         Message(Int(0), Str("orchid"),
                 Pdu(0xA2,
                     Cat({fields, Tlv(0x30, Tlv(0x30, Cat({kSysDescrName, {0x04, 0x05, 'a'}})))}))),
         E::LengthPastParent},
        {"name is a string", ResponseWithName(Str("1.3.6")), E::UnexpectedTag},
        {"name empty", ResponseWithName(Tlv(0x06, {})), E::OidEmpty},
        {"name sub-identifier above 2^32-1",
         ResponseWithName(Tlv(0x06, {0x2B, 0x90, 0x80, 0x80, 0x80, 0x00})), E::OidOverflow},
        {"name unterminated", ResponseWithName(Tlv(0x06, {0x2B, 0x06, 0x81})), E::OidUnterminated},
        {"name of 129 components", ResponseWithName(Tlv(0x06, oid129)), E::OidTooLong},
        {"oid value unterminated", ResponseWith(Tlv(0x06, {0xFF})), E::OidUnterminated},
        {"null with content", ResponseWith({0x05, 0x01, 0x00}), E::NullWithContent},
        {"ip address of 3 bytes", ResponseWith({0x40, 0x03, 1, 2, 3}), E::IpAddressSize},
        {"ip address of 5 bytes", ResponseWith({0x40, 0x05, 1, 2, 3, 4, 5}), E::IpAddressSize},
        {"negative counter", ResponseWith({0x41, 0x01, 0xFF}), E::UnsignedRange},
        {"gauge of 2^32", ResponseWith({0x42, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00}),
         E::UnsignedRange},
        {"timeticks of no bytes", ResponseWith({0x43, 0x00}), E::IntegerSize},
        {"counter of six bytes", ResponseWith({0x41, 0x06, 0, 0, 0, 0, 0, 1}), E::IntegerSize},
        {"integer of 2^31", ResponseWith({0x02, 0x05, 0x00, 0x80, 0x00, 0x00, 0x00}),
         E::IntegerSize},
        {"integer of no bytes", ResponseWith({0x02, 0x00}), E::IntegerSize},
        {"65 bindings",
         Message(Int(0), Str("orchid"), Pdu(0xA2, Cat({fields, Tlv(0x30, sixtyFive)}))),
         E::TooManyVarBinds},
        {"constructed value nested too deep", ResponseWith(Nested(5)), E::NestingTooDeep},
        {"constructed value with bad content", ResponseWith(Tlv(0x30, {0x04, 0x05, 'a', 'b'})),
         E::LengthPastParent},
        {"multi-byte tag", ResponseWith({0x1F, 0x81, 0x01, 0x00}), E::UnexpectedTag},
        {"larger than any datagram", Bytes(ber::kMaxMessageBytes + 1, 0x30), E::MessageTooLarge},
    };
    ASSERT_GE(cases.size(), 30u);
    for (const Case& c : cases) {
        ber::Message m;
        const ber::Error got = DecodeBytes(c.input, &m);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << ber::ErrorName(got) << ", expected "
                                   << ber::ErrorName(c.expected);
    }
}

TEST(BerCodec, EveryTruncationOfAValidMessageIsRefused) {
    const Bytes whole = kGoldenResponseAllTypes;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(DecodeBytes(prefix), ber::Error::Truncated) << "size " << size;
    }
}

}  // namespace

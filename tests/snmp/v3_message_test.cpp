// The SNMPv3 message codec: our encoding against messages built here byte by byte from RFC
// 3412's and RFC 3414's layouts, round trips, where the MAC field lies, and the refusal of
// malformed headers, security parameters and scoped PDUs with the right error.
#include "snmp/v3_message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ber_bytes.h"

namespace {

using namespace berbytes;
using E = ber::Error;

const Bytes ENGINE = {0x80, 0x00, 0x1F, 0x88, 0x80, 0x59, 0xDC, 0x48, 0x61, 0x45, 0xA2, 0x63};
const Bytes MAC(12, 0xAB);
const Bytes SALT = {0, 0, 0, 1, 0, 0, 0, 2};
const Bytes SYS_DESCR_NAME = Tlv(0x06, {0x2B, 6, 1, 2, 1, 1, 1, 0});

Bytes Global(std::int64_t msgId, std::int64_t maxSize, const Bytes& flags, std::int64_t model) {
    return Tlv(0x30, Cat({Int(msgId), Int(maxSize), Tlv(0x04, flags), Int(model)}));
}
Bytes Security(const Bytes& engine, std::int64_t boots, std::int64_t time, const std::string& user,
               const Bytes& auth, const Bytes& priv) {
    return Tlv(0x30, Cat({Oct(engine), Int(boots), Int(time), Oct(user), Oct(auth), Oct(priv)}));
}
Bytes GetPdu(std::int64_t requestId) {
    return Tlv(0xA0, Cat({Int(requestId), Int(0), Int(0),
                          Tlv(0x30, Tlv(0x30, Cat({SYS_DESCR_NAME, {0x05, 0x00}})))}));
}
Bytes Scoped(const Bytes& engine, const std::string& context, const Bytes& pdu) {
    return Tlv(0x30, Cat({Oct(engine), Oct(context), pdu}));
}
Bytes Message(const Bytes& version, const Bytes& global, const Bytes& security, const Bytes& data) {
    return Tlv(0x30, Cat({version, global, Tlv(0x04, security), data}));
}

// An authenticated, unencrypted GET of sysDescr.0 in context "printer".
const Bytes AUTH_GET =
    Message(Int(3), Global(77, 65507, {0x05}, 3), Security(ENGINE, 9, 123456, "alice", MAC, {}),
            Scoped(ENGINE, "printer", GetPdu(4242)));

v3::Message AuthGet() {
    v3::Message m;
    m.msgId = 77;
    m.maxSize = 65507;
    m.flags = v3::FLAG_AUTH | v3::FLAG_REPORTABLE;
    m.security = {ENGINE, 9, 123456, "alice", MAC, {}};
    m.scoped.contextEngineId = ENGINE;
    m.scoped.contextName = "printer";
    m.scoped.pdu.pduType = 0xA0;
    m.scoped.pdu.requestId = 4242;
    m.scoped.pdu.varbinds.push_back({{1, 3, 6, 1, 2, 1, 1, 1, 0}, {}});
    return m;
}

TEST(V3Message, EncodesTheLayoutAndDecodesItBack) {
    Bytes out = {0xEE};  // appended after what is there
    v3::AuthField field;
    ASSERT_EQ(v3::Encode(AuthGet(), out, &field), E::None);
    EXPECT_EQ(Bytes(out.begin() + 1, out.end()), AUTH_GET);
    ASSERT_EQ(field.length, MAC.size());
    EXPECT_EQ(Bytes(out.begin() + static_cast<long>(field.offset),
                    out.begin() + static_cast<long>(field.offset + field.length)),
              MAC);

    v3::Message back;
    v3::AuthField backField;
    ASSERT_EQ(v3::Decode(AUTH_GET.data(), AUTH_GET.size(), back, &backField), E::None);
    EXPECT_EQ(backField.offset, field.offset - 1);
    EXPECT_EQ(back.msgId, 77);
    EXPECT_EQ(back.maxSize, 65507);
    EXPECT_EQ(back.flags, v3::FLAG_AUTH | v3::FLAG_REPORTABLE);
    EXPECT_EQ(back.security.engineId, ENGINE);
    EXPECT_EQ(back.security.engineBoots, 9);
    EXPECT_EQ(back.security.engineTime, 123456);
    EXPECT_EQ(back.security.userName, "alice");
    EXPECT_EQ(back.security.authParams, MAC);
    EXPECT_TRUE(back.security.privParams.empty());
    EXPECT_EQ(back.scoped.contextEngineId, ENGINE);
    EXPECT_EQ(back.scoped.contextName, "printer");
    EXPECT_EQ(back.scoped.pdu.requestId, 4242);
    ASSERT_EQ(back.scoped.pdu.varbinds.size(), 1u);
    EXPECT_EQ(back.scoped.pdu.varbinds[0].name,
              (std::vector<std::uint32_t>{1, 3, 6, 1, 2, 1, 1, 1, 0}));

    // Encrypted: msgData is the ciphertext as an OCTET STRING.
    v3::Message secret = AuthGet();
    secret.flags |= v3::FLAG_PRIV;
    secret.security.privParams = SALT;
    secret.encryptedPdu = Bytes(200, 0x5C);
    Bytes encrypted;
    ASSERT_EQ(v3::Encode(secret, encrypted, &field), E::None);
    EXPECT_EQ(encrypted,
              Message(Int(3), Global(77, 65507, {0x07}, 3),
                      Security(ENGINE, 9, 123456, "alice", MAC, SALT), Oct(Bytes(200, 0x5C))));
    ASSERT_EQ(v3::Decode(encrypted.data(), encrypted.size(), back, &backField), E::None);
    EXPECT_EQ(back.encryptedPdu, Bytes(200, 0x5C));
    EXPECT_EQ(back.security.privParams, SALT);
}

TEST(V3Message, RefusesMalformedFrames) {
    const Bytes global = Global(77, 65507, {0x05}, 3);
    const Bytes security = Security(ENGINE, 9, 123456, "alice", MAC, {});
    const Bytes scoped = Scoped(ENGINE, "printer", GetPdu(4242));
    const auto withGlobal = [&](const Bytes& g) { return Message(Int(3), g, security, scoped); };
    const auto withSecurity = [&](const Bytes& s) { return Message(Int(3), global, s, scoped); };
    const auto withScoped = [&](const Bytes& d) { return Message(Int(3), global, security, d); };
    struct Row {
        const char* name;
        Bytes bytes;
        E error;
    };
    const Row rows[] = {
        {"SNMPv2c's version", Message(Int(1), global, security, scoped), E::BadVersion},
        {"a version of 6 bytes", Message(Int(1LL << 40), global, security, scoped), E::IntegerSize},
        {"security model SNMPv2c", withGlobal(Global(77, 65507, {0x05}, 2)), E::SecurityModel},
        {"msgFlags empty", withGlobal(Global(77, 65507, {}, 3)), E::BadFlags},
        {"msgFlags of two bytes", withGlobal(Global(77, 65507, {0x05, 0x00}, 3)), E::BadFlags},
        {"privacy without authentication", withGlobal(Global(77, 65507, {0x06}, 3)), E::BadFlags},
        {"negative msgID", withGlobal(Global(-1, 65507, {0x05}, 3)), E::ValueRange},
        {"msgMaxSize below 484", withGlobal(Global(77, 483, {0x05}, 3)), E::ValueRange},
        {"global data with a fifth element",
         withGlobal(Tlv(0x30, Cat({Int(77), Int(65507), Tlv(0x04, {0x05}), Int(3), Int(0)}))),
         E::TrailingBytes},
        {"global data cut short", withGlobal(Tlv(0x30, Cat({Int(77), Int(65507)}))), E::Truncated},
        {"negative boots", withSecurity(Security(ENGINE, -1, 0, "alice", MAC, {})), E::ValueRange},
        {"negative time", withSecurity(Security(ENGINE, 0, -5, "alice", MAC, {})), E::ValueRange},
        {"an engine ID of 33 bytes", withSecurity(Security(Bytes(33, 1), 0, 0, "alice", MAC, {})),
         E::FieldTooLong},
        {"a user name of 33 bytes",
         withSecurity(Security(ENGINE, 0, 0, std::string(33, 'u'), MAC, {})), E::FieldTooLong},
        {"a MAC field of 65 bytes", withSecurity(Security(ENGINE, 0, 0, "alice", Bytes(65, 0), {})),
         E::FieldTooLong},
        {"security parameters not a SEQUENCE",
         withSecurity(
             Tlv(0x31, Cat({Oct(ENGINE), Int(0), Int(0), Oct("a"), Oct(MAC), Oct(Bytes())}))),
         E::UnexpectedTag},
        {"a byte after the security parameters' SEQUENCE",
         withSecurity(Cat({Security(ENGINE, 0, 0, "alice", MAC, {}), {0x00}})), E::TrailingBytes},
        {"a seventh security parameter",
         withSecurity(Tlv(0x30, Cat({Oct(ENGINE), Int(0), Int(0), Oct("a"), Oct(MAC), Oct(Bytes()),
                                     Oct(Bytes())}))),
         E::TrailingBytes},
        {"security parameters without the salt",
         withSecurity(Tlv(0x30, Cat({Oct(ENGINE), Int(0), Int(0), Oct("a"), Oct(MAC)}))),
         E::Truncated},
        {"the user name running past its SEQUENCE",
         withSecurity(Tlv(0x30, Cat({Oct(ENGINE), Int(0), Int(0), {0x04, 0x40, 'a'}}))),
         E::LengthPastParent},
        {"encrypted data where a scoped PDU belongs", withScoped(Oct(Bytes(16, 1))),
         E::UnexpectedTag},
        {"a scoped PDU where encrypted data belongs",
         Message(Int(3), Global(77, 65507, {0x07}, 3), Security(ENGINE, 0, 0, "alice", MAC, SALT),
                 scoped),
         E::UnexpectedTag},
        {"a scoped PDU without its PDU", withScoped(Tlv(0x30, Cat({Oct(ENGINE), Oct("")}))),
         E::Truncated},
        {"a scoped PDU with a Trap-v1 PDU",
         withScoped(Scoped(ENGINE, "", Tlv(0xA4, Cat({Int(1), Int(0), Int(0), Tlv(0x30, {})})))),
         E::UnexpectedTag},
        {"a second PDU in the scoped PDU",
         withScoped(Tlv(0x30, Cat({Oct(ENGINE), Oct(""), GetPdu(1), GetPdu(2)}))),
         E::TrailingBytes},
        {"a context name of 256 bytes",
         withScoped(Scoped(ENGINE, std::string(256, 'c'), GetPdu(1))), E::FieldTooLong},
        {"a byte after the message", Cat({AUTH_GET, {0x00}}), E::TrailingBytes},
        {"an indefinite length", Cat({{0x30, 0x80}, Bytes(AUTH_GET.begin() + 2, AUTH_GET.end())}),
         E::IndefiniteLength},
    };
    for (const Row& row : rows) {
        v3::Message out;
        v3::AuthField field;
        EXPECT_EQ(v3::Decode(row.bytes.data(), row.bytes.size(), out, &field), row.error)
            << row.name << ": "
            << ber::ErrorName(v3::Decode(row.bytes.data(), row.bytes.size(), out, &field));
    }

    // Every prefix of a good message is refused, none read past its end.
    for (std::size_t size = 0; size < AUTH_GET.size(); ++size) {
        const Bytes prefix(AUTH_GET.begin(), AUTH_GET.begin() + static_cast<long>(size));
        v3::Message out;
        v3::AuthField field;
        EXPECT_NE(v3::Decode(prefix.data(), prefix.size(), out, &field), E::None) << size;
    }
}

// An answer is matched to its request by msgID before any key is used: the peek reads the
// header's first field and nothing more, and refuses what is not an SNMPv3 header.
TEST(V3Message, PeeksTheMessageIdFromTheHeaderAlone) {
    const Bytes security = Security(ENGINE, 9, 123456, "alice", MAC, {});
    const Bytes scoped = Scoped(ENGINE, "printer", GetPdu(4242));
    struct Row {
        const char* name;
        Bytes bytes;
        bool peeks;
        std::int32_t msgId;
    };
    const Row rows[] = {
        {"a whole message", AUTH_GET, true, 77},
        {"the largest msgID",
         Message(Int(3), Global(2147483647, 65507, {0x05}, 3), security, scoped), true, 2147483647},
        {"a bad security model after the msgID",
         Message(Int(3), Global(9, 65507, {0x05}, 2), security, scoped), true, 9},
        {"SNMPv2c's version", Message(Int(1), Global(77, 65507, {0x05}, 3), security, scoped),
         false, 0},
        {"a negative msgID", Message(Int(3), Global(-1, 65507, {0x05}, 3), security, scoped), false,
         0},
        {"a msgID of 5 bytes",
         Message(Int(3), Global(1LL << 33, 65507, {0x05}, 3), security, scoped), false, 0},
        {"global data not a SEQUENCE",
         Message(Int(3), Tlv(0x31, Cat({Int(77), Int(65507), Tlv(0x04, {0x05}), Int(3)})), security,
                 scoped),
         false, 0},
        {"global data without a msgID", Message(Int(3), Tlv(0x30, {}), security, scoped), false, 0},
        {"the message cut inside its header", Bytes(AUTH_GET.begin(), AUTH_GET.begin() + 8), false,
         0},
    };
    for (const Row& row : rows) {
        std::int32_t msgId = -5;
        EXPECT_EQ(v3::PeekMessageId(row.bytes.data(), row.bytes.size(), &msgId), row.peeks)
            << row.name;
        if (row.peeks) {
            EXPECT_EQ(msgId, row.msgId) << row.name;
        }
    }
}

TEST(V3Message, ScopedPduAfterDecryption) {
    const Bytes scoped = Scoped(ENGINE, "", GetPdu(9));
    struct Row {
        const char* name;
        Bytes bytes;
        std::size_t padding;
        E error;
    };
    const Row rows[] = {
        {"exact", scoped, 0, E::None},
        {"DES's seven bytes of padding", Cat({scoped, Bytes(7, 0)}), 7, E::None},
        {"eight bytes past it", Cat({scoped, Bytes(8, 0)}), 7, E::TrailingBytes},
        {"padding where none is allowed", Cat({scoped, Bytes(1, 0)}), 0, E::TrailingBytes},
        {"garbage, as from a wrong key", Bytes{0x9C, 0x02, 0x42, 0x07}, 7, E::UnexpectedTag},
        {"a length past the plaintext", Cat({{0x30, 0x82, 0x01, 0x00}, Bytes(16, 0)}), 7,
         E::Truncated},
    };
    for (const Row& row : rows) {
        v3::ScopedPdu out;
        EXPECT_EQ(v3::DecodeScopedPdu(row.bytes.data(), row.bytes.size(), out, row.padding),
                  row.error)
            << row.name;
    }
    v3::ScopedPdu out;
    ASSERT_EQ(v3::DecodeScopedPdu(scoped.data(), scoped.size(), out), E::None);
    Bytes again;
    ASSERT_EQ(v3::EncodeScopedPdu(out, again), E::None);
    EXPECT_EQ(again, scoped);
}

TEST(V3Message, RefusesToEncodeWhatCannotBeSent) {
    struct Row {
        const char* name;
        void (*change)(v3::Message&);
        E error;
    };
    const Row rows[] = {
        {"an engine ID of 33 bytes", [](v3::Message& m) { m.security.engineId = Bytes(33, 1); },
         E::FieldTooLong},
        {"a user name of 33 bytes",
         [](v3::Message& m) { m.security.userName = std::string(33, 'u'); }, E::FieldTooLong},
        {"a negative msgID", [](v3::Message& m) { m.msgId = -3; }, E::ValueRange},
        {"msgMaxSize 100", [](v3::Message& m) { m.maxSize = 100; }, E::ValueRange},
        {"privacy without authentication", [](v3::Message& m) { m.flags = v3::FLAG_PRIV; },
         E::BadFlags},
        {"a PDU the codec refuses", [](v3::Message& m) { m.scoped.pdu.pduType = 0xA4; },
         E::UnexpectedTag},
        {"a context engine ID of 33 bytes",
         [](v3::Message& m) { m.scoped.contextEngineId = Bytes(33, 1); }, E::FieldTooLong},
    };
    for (const Row& row : rows) {
        v3::Message message = AuthGet();
        row.change(message);
        Bytes out = {1, 2, 3};
        v3::AuthField field;
        EXPECT_EQ(v3::Encode(message, out, &field), row.error) << row.name;
        EXPECT_EQ(out, (Bytes{1, 2, 3})) << row.name << ": output left as it was";
    }
}

}  // namespace

// The User-based Security Model's cryptography against known answers: RFC 3414 A.3's keys,
// the SHA-2 keys and MACs, both AES key extensions, AES-CFB and DES-CBC ciphertexts, and the
// key cache's promise that a password is hashed once. Where a number did not come from an
// RFC or draft, the row says how it was computed (independently of this code).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "snmp/usm_auth.h"
#include "snmp/usm_crypto.h"
#include "snmp/usm_keys.h"
#include "snmp/usm_priv.h"
#include "snmp/usm_protocols.h"

namespace {

using usm::AuthProtocol;
using usm::Bytes;
using usm::PrivProtocol;

Bytes Hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (const char c : text) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string ToHex(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// RFC 3414 A.3's engine ID and password.
const Bytes RFC_ENGINE = Hex("000000000000000000000002");
constexpr const char* RFC_PASSWORD = "maplesyrup";

// Kul of "maplesyrup" at RFC_ENGINE for each hash (the rows below give their sources).
const Bytes MD5_KUL = Hex("526f5eed9fcce26f8964c2930787d82b");
const Bytes SHA1_KUL = Hex("6695febc9288e36282235fc7151f128497b38f3f");

TEST(UsmKeys, PasswordToKeyAndLocalisation) {
    struct Row {
        const char* name;
        AuthProtocol protocol;
        const char* ku;
        const char* kul;
    };
    // MD5 and SHA-1: RFC 3414 A.3.1 and A.3.2. RFC 7860 gives no vectors: the SHA-2 rows were
    // computed with Python's hashlib (the RFC 3414 A.2 algorithm over hashlib.new(name)) and
    // agree with other SNMP libraries' published tests.
    const Row rows[] = {
        {"MD5 (RFC 3414 A.3.1)", AuthProtocol::Md5, "9faf3283884e92834ebc9847d8edd963",
         "526f5eed9fcce26f8964c2930787d82b"},
        {"SHA-1 (RFC 3414 A.3.2)", AuthProtocol::Sha1, "9fb5cc0381497b3793528939ff788d5d79145211",
         "6695febc9288e36282235fc7151f128497b38f3f"},
        {"SHA-224", AuthProtocol::Sha224,
         "282a5867ee9aac639ad59df9572c7d3ac0fbc13a905b6df07dbbf00b",
         "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674"},
        {"SHA-256", AuthProtocol::Sha256,
         "ab51014d1e077f6017df2b12bee5f5aa72993177e9bb569c4dff5a4ca0b4afac",
         "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b"},
        {"SHA-384", AuthProtocol::Sha384,
         "e06eccdf2c68a06ed034723c9c26e0db3b669e1e2efed49150b55377a2e98f38"
         "3c86fb836857444654b287c93f51ff64",
         "3b298f16164a11184279d5432bf169e2d2a48307de02b3d3f7e2b4f36eb6f045"
         "5a53689a3937eea07319a633d2ccba78"},
        {"SHA-512", AuthProtocol::Sha512,
         "7e4396de5aadc77be853819b98c9406265b3a9c37cc3176569847a4e4f6fba63"
         "dd3a73d04924d31a63f95a601f9385af6be4ed1b37f87d040f7c6ed6f8d38a91",
         "22a5a36cedfcc085807a128d7bc6c2382167ad6c0dbc5fdff856740f3d84c099"
         "ad1ea87a8db096714d9788bd544047c9021e4229ce27e4c0a69250adfcffbb0b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes ku;
        Bytes kul;
        ASSERT_TRUE(usm::PasswordToKey(row.protocol, RFC_PASSWORD, ku));
        EXPECT_EQ(ToHex(ku), row.ku);
        ASSERT_TRUE(usm::LocalizeKey(row.protocol, ku, RFC_ENGINE, kul));
        EXPECT_EQ(ToHex(kul), row.kul);
    }
    Bytes ku;
    EXPECT_FALSE(usm::PasswordToKey(AuthProtocol::Sha1, "", ku)) << "an empty password";
    EXPECT_FALSE(usm::PasswordToKey(AuthProtocol::None, RFC_PASSWORD, ku));
}

TEST(UsmKeys, PrivacyKeysAndTheirExtensions) {
    struct Row {
        const char* name;
        AuthProtocol auth;
        PrivProtocol priv;
        const char* key;
    };
    // The Reeder rows' second halves are draft-reeder-snmpv3-usm-3desede's appendix values for
    // "maplesyrup" (MD5: 79eff44a..., SHA-1: 9b8b6d78...); the Blumenthal rows and SHA-224's
    // were computed with Python's hashlib: Kul + H(Kul), and Kul + localise(P2K(Kul)).
    const Row rows[] = {
        {"MD5 DES: Kul as it is", AuthProtocol::Md5, PrivProtocol::Des,
         "526f5eed9fcce26f8964c2930787d82b"},
        {"SHA AES-128: Kul cut to 16", AuthProtocol::Sha1, PrivProtocol::Aes128,
         "6695febc9288e36282235fc7151f1284"},
        {"MD5 AES-192-C (Reeder)", AuthProtocol::Md5, PrivProtocol::Aes192C,
         "526f5eed9fcce26f8964c2930787d82b79eff44a90650ee0"},
        {"SHA AES-256-C (Reeder)", AuthProtocol::Sha1, PrivProtocol::Aes256C,
         "6695febc9288e36282235fc7151f128497b38f3f9b8b6d78936ba6e7d19dfd9c"},
        {"MD5 AES-256 (Blumenthal)", AuthProtocol::Md5, PrivProtocol::Aes256,
         "526f5eed9fcce26f8964c2930787d82bfa24a92467426c2f4b09192be10dfaec"},
        {"SHA AES-192 (Blumenthal)", AuthProtocol::Sha1, PrivProtocol::Aes192,
         "6695febc9288e36282235fc7151f128497b38f3f505e07eb"},
        {"SHA-224 AES-256 (Blumenthal)", AuthProtocol::Sha224, PrivProtocol::Aes256,
         "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674e82d9bf0"},
        {"SHA-224 AES-256-C (Reeder)", AuthProtocol::Sha224, PrivProtocol::Aes256C,
         "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be68207567422c34be4"},
        {"SHA-256 AES-256-C: long enough, not extended", AuthProtocol::Sha256,
         PrivProtocol::Aes256C, "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes ku;
        Bytes kul;
        Bytes key;
        ASSERT_TRUE(usm::PasswordToKey(row.auth, RFC_PASSWORD, ku));
        ASSERT_TRUE(usm::LocalizeKey(row.auth, ku, RFC_ENGINE, kul));
        ASSERT_TRUE(usm::PrivacyKey(row.auth, row.priv, kul, RFC_ENGINE, key));
        EXPECT_EQ(ToHex(key), row.key);
    }
}

TEST(UsmAuth, MacsSignAndVerify) {
    struct Row {
        const char* name;
        AuthProtocol protocol;
        const char* kul;
        std::size_t macBytes;
        const char* mac;  // HMAC over MESSAGE, cut: Python's hmac module with the Kul above
    };
    const Row rows[] = {
        {"HMAC-MD5-96", AuthProtocol::Md5, "526f5eed9fcce26f8964c2930787d82b", 12,
         "d9ee63f1e8a4c0c25eb4fdc7"},
        {"HMAC-SHA-96", AuthProtocol::Sha1, "6695febc9288e36282235fc7151f128497b38f3f", 12,
         "3c10b5bc3b9d90046c8f87ba"},
        {"HMAC-SHA-224-128", AuthProtocol::Sha224,
         "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674", 16,
         "573c8b2590816363099ad8cd4a1f382d"},
        {"HMAC-SHA-256-192", AuthProtocol::Sha256,
         "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b", 24,
         "c8cffb961113d5f98ef367452bee69e01db7656339bfb9c5"},
        {"HMAC-SHA-384-256", AuthProtocol::Sha384,
         "3b298f16164a11184279d5432bf169e2d2a48307de02b3d3f7e2b4f36eb6f045"
         "5a53689a3937eea07319a633d2ccba78",
         32, "44dceb28e0f6c7c8e19812446e2863855e282c3abcb3915e28568dbeedff2e36"},
        {"HMAC-SHA-512-384", AuthProtocol::Sha512,
         "22a5a36cedfcc085807a128d7bc6c2382167ad6c0dbc5fdff856740f3d84c099"
         "ad1ea87a8db096714d9788bd544047c9021e4229ce27e4c0a69250adfcffbb0b",
         48,
         "fa043fd4217cf0d0ae8f16b0dfde3ce147ca3868d933ac9cbdb46a94c311ae7a"
         "0783b249c4931e52ecc5d6f4d9a2fcd0"},
    };
    Bytes message;  // bytes 0..255 twice
    for (int i = 0; i < 512; ++i) {
        message.push_back(static_cast<std::uint8_t>(i));
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes key = Hex(row.kul);
        ASSERT_EQ(usm::Traits(row.protocol)->macBytes, row.macBytes);
        Bytes full(usm::Traits(row.protocol)->digestBytes);
        ASSERT_TRUE(usm::Hmac(row.protocol, key, message, full.data()));
        EXPECT_EQ(ToHex(Bytes(full.begin(), full.begin() + row.macBytes)), row.mac);

        // A message's MAC field at offset 100: signed with the field zeroed, verified with it
        // filled; any changed byte, a wrong key or a field of the wrong length fails.
        Bytes signedMessage = message;
        ASSERT_TRUE(usm::SignMessage(row.protocol, key, signedMessage, 100));
        EXPECT_TRUE(usm::VerifyMessage(row.protocol, key, signedMessage, 100, row.macBytes));
        for (const std::size_t at : {std::size_t{0}, std::size_t{100}, std::size_t{511}}) {
            Bytes tampered = signedMessage;
            tampered[at] ^= 0x01;
            EXPECT_FALSE(usm::VerifyMessage(row.protocol, key, tampered, 100, row.macBytes))
                << "byte " << at << " changed";
        }
        Bytes otherKey = key;
        otherKey[0] ^= 0x80;
        EXPECT_FALSE(usm::VerifyMessage(row.protocol, otherKey, signedMessage, 100, row.macBytes));
        EXPECT_FALSE(usm::VerifyMessage(row.protocol, key, signedMessage, 100, row.macBytes - 1));
        EXPECT_FALSE(usm::VerifyMessage(row.protocol, key, signedMessage, 512 - row.macBytes + 1,
                                        row.macBytes))
            << "a field running past the message";
    }
}

TEST(UsmPriv, CiphertextsAndRoundTrips) {
    // The plaintext "Vellumark scoped PDU plaintext!!!" (33 bytes), engine boots 5 and time
    // 1234. The expected ciphertexts were computed with `openssl enc -nopad`: AES with
    // -K <key> -iv 00000005000004d2|salt (RFC 3826 3.1.2.1); DES-CBC with
    // -K 526f5eed9fcce26f -iv 8964c2960d8cd426 (the key's second half XOR the salt 00000005
    // 0a0b0c0d, RFC 3414 8.1.1.1) over the plaintext padded with zeros to 40 bytes.
    const std::string text = "Vellumark scoped PDU plaintext!!!";
    const Bytes plain(text.begin(), text.end());
    struct Row {
        const char* name;
        PrivProtocol protocol;
        const char* key;
        std::uint64_t salt;
        const char* privParams;
        const char* cipher;
    };
    const Row rows[] = {
        {"AES-128-CFB", PrivProtocol::Aes128, "6695febc9288e36282235fc7151f1284",
         0x0102030405060708u, "0102030405060708",
         "7bd48d5d45ba285176a26e36c5ab9d3a35545fb7816038b90c083e899bc5daa486"},
        {"AES-256-CFB", PrivProtocol::Aes256C,
         "6695febc9288e36282235fc7151f128497b38f3f9b8b6d78936ba6e7d19dfd9c", 0x0102030405060708u,
         "0102030405060708", "2836d4057ce7ff8451b277b889351a368a0474f35a3d3c62f4316b8ffee45c5bf4"},
        {"DES-CBC", PrivProtocol::Des, "526f5eed9fcce26f8964c2930787d82b", 0xFFFFFFFF0a0b0c0du,
         "000000050a0b0c0d",
         "f6ca500172e54a1c4639cac2a40a779ac19aa80e24ea0d00175b47a8d0e1933d"
         "affb98509ea7d19b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes key = Hex(row.key);
        Bytes cipher;
        Bytes privParams;
        std::string error;
        ASSERT_TRUE(
            usm::Encrypt(row.protocol, key, 5, 1234, row.salt, plain, cipher, privParams, &error))
            << error;
        EXPECT_EQ(ToHex(privParams), row.privParams);
        EXPECT_EQ(ToHex(cipher), row.cipher);

        Bytes back;
        ASSERT_TRUE(usm::Decrypt(row.protocol, key, 5, 1234, privParams, cipher, back, &error))
            << error;
        back.resize(plain.size());  // DES's padding
        EXPECT_EQ(back, plain);

        // The receiver's boots and time (AES's IV) or salt must be the sender's.
        Bytes wrong;
        ASSERT_TRUE(usm::Decrypt(row.protocol, key, 5, 1235, Hex("0102030405060709"), cipher, wrong,
                                 &error));
        wrong.resize(plain.size());
        EXPECT_NE(wrong, plain);
    }

    // Every protocol round-trips with the key length PrivacyKey gives it.
    for (const auto protocol :
         {PrivProtocol::Des, PrivProtocol::Aes128, PrivProtocol::Aes192, PrivProtocol::Aes256,
          PrivProtocol::Aes192C, PrivProtocol::Aes256C}) {
        SCOPED_TRACE(usm::Name(protocol));
        const Bytes key(usm::Traits(protocol)->keyBytes, 0x5A);
        Bytes cipher;
        Bytes privParams;
        Bytes back;
        std::string error;
        ASSERT_TRUE(usm::Encrypt(protocol, key, 7, 99, 42, plain, cipher, privParams, &error))
            << error;
        ASSERT_TRUE(usm::Decrypt(protocol, key, 7, 99, privParams, cipher, back, &error)) << error;
        back.resize(plain.size());
        EXPECT_EQ(back, plain);
    }

    struct Bad {
        const char* name;
        PrivProtocol protocol;
        Bytes privParams;
        Bytes cipher;
    };
    const Bad bad[] = {
        {"a salt of 7 bytes", PrivProtocol::Aes128, Bytes(7), Bytes(16)},
        {"an empty ciphertext", PrivProtocol::Aes128, Bytes(8), Bytes()},
        {"DES: not a multiple of 8", PrivProtocol::Des, Bytes(8), Bytes(12)},
    };
    for (const Bad& row : bad) {
        Bytes out;
        std::string error;
        EXPECT_FALSE(usm::Decrypt(row.protocol, Bytes(usm::Traits(row.protocol)->keyBytes), 0, 0,
                                  row.privParams, row.cipher, out, &error))
            << row.name;
        EXPECT_FALSE(error.empty()) << row.name;
    }
}

TEST(UsmPriv, DesWithoutTheLegacyProviderSaysSo) {
    // OpenSSL 3 keeps DES in its legacy provider, a module loaded from OPENSSL_MODULES once
    // per process: a process of its own that cannot find it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("OPENSSL_MODULES", "/nonexistent", 1);
            Bytes cipher;
            Bytes privParams;
            std::string error;
            const Bytes plain(8, 1);
            const bool des = usm::Encrypt(PrivProtocol::Des, Bytes(16, 2), 1, 1, 1, plain, cipher,
                                          privParams, &error);
            const bool aes = usm::Encrypt(PrivProtocol::Aes128, Bytes(16, 2), 1, 1, 1, plain,
                                          cipher, privParams, &error);
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(!des && aes ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "DES is not available: OpenSSL's legacy provider could not be loaded");
}

TEST(UsmKeys, CacheHashesEachPasswordOnce) {
    usm::KeyCache cache;
    const usm::Credentials sha{AuthProtocol::Sha1, RFC_PASSWORD, PrivProtocol::Aes128,
                               "privpassword"};
    usm::LocalizedKeys first;
    std::string error;
    ASSERT_TRUE(cache.Keys(RFC_ENGINE, "alice", sha, &first, &error)) << error;
    EXPECT_EQ(first.auth, SHA1_KUL);
    EXPECT_EQ(first.priv.size(), 16u);
    EXPECT_EQ(cache.derivations(), 2u) << "one Ku per password";

    usm::LocalizedKeys again;
    ASSERT_TRUE(cache.Keys(RFC_ENGINE, "alice", sha, &again, &error));
    EXPECT_EQ(again.auth, first.auth);
    EXPECT_EQ(again.priv, first.priv);
    const Bytes otherEngine = Hex("800000020109840301");
    usm::LocalizedKeys elsewhere;
    ASSERT_TRUE(cache.Keys(otherEngine, "alice", sha, &elsewhere, &error));
    EXPECT_NE(elsewhere.auth, first.auth) << "localised to the other engine";
    EXPECT_EQ(cache.derivations(), 2u) << "no password hashed again for the same user or "
                                          "for another engine";

    const usm::Credentials md5{AuthProtocol::Md5, RFC_PASSWORD, PrivProtocol::None, ""};
    usm::LocalizedKeys md5Keys;
    ASSERT_TRUE(cache.Keys(RFC_ENGINE, "bob", md5, &md5Keys, &error));
    EXPECT_EQ(md5Keys.auth, MD5_KUL);
    EXPECT_TRUE(md5Keys.priv.empty());
    EXPECT_EQ(cache.derivations(), 3u) << "another hash is another Ku";

    const usm::Credentials empty{AuthProtocol::Sha1, "", PrivProtocol::None, ""};
    EXPECT_FALSE(cache.Keys(RFC_ENGINE, "carol", empty, &md5Keys, &error));
    EXPECT_EQ(error, "the authentication password is empty");
}

TEST(UsmProtocols, SpellingsOfNetSnmpAndTheExporter) {
    struct Row {
        const char* text;
        AuthProtocol auth;
        PrivProtocol priv;
    };
    const Row rows[] = {
        {"MD5", AuthProtocol::Md5, PrivProtocol::None},
        {"SHA", AuthProtocol::Sha1, PrivProtocol::None},
        {"sha-1", AuthProtocol::Sha1, PrivProtocol::None},
        {"SHA-224", AuthProtocol::Sha224, PrivProtocol::None},
        {"SHA224", AuthProtocol::Sha224, PrivProtocol::None},
        {"SHA-256", AuthProtocol::Sha256, PrivProtocol::None},
        {"SHA256", AuthProtocol::Sha256, PrivProtocol::None},
        {"SHA384", AuthProtocol::Sha384, PrivProtocol::None},
        {"SHA-512", AuthProtocol::Sha512, PrivProtocol::None},
        {"DES", AuthProtocol::None, PrivProtocol::Des},
        {"AES", AuthProtocol::None, PrivProtocol::Aes128},
        {"aes-128", AuthProtocol::None, PrivProtocol::Aes128},
        {"AES-192", AuthProtocol::None, PrivProtocol::Aes192},
        {"AES256", AuthProtocol::None, PrivProtocol::Aes256},
        {"AES-192-C", AuthProtocol::None, PrivProtocol::Aes192C},
        {"AES192C", AuthProtocol::None, PrivProtocol::Aes192C},
        {"AES-256-C", AuthProtocol::None, PrivProtocol::Aes256C},
        {"AES256C", AuthProtocol::None, PrivProtocol::Aes256C},
        {"SHA-2", AuthProtocol::None, PrivProtocol::None},
        {"AES-512", AuthProtocol::None, PrivProtocol::None},
        {"", AuthProtocol::None, PrivProtocol::None},
    };
    for (const Row& row : rows) {
        AuthProtocol auth = AuthProtocol::None;
        PrivProtocol priv = PrivProtocol::None;
        EXPECT_EQ(usm::ParseAuthProtocol(row.text, &auth), row.auth != AuthProtocol::None)
            << row.text;
        EXPECT_EQ(usm::ParsePrivProtocol(row.text, &priv), row.priv != PrivProtocol::None)
            << row.text;
        EXPECT_EQ(auth, row.auth) << row.text;
        EXPECT_EQ(priv, row.priv) << row.text;
    }
    struct LevelRow {
        const char* text;
        bool known;
        usm::SecurityLevel level;
    };
    const LevelRow levels[] = {
        {"noAuthNoPriv", true, usm::SecurityLevel::NoAuthNoPriv},
        {"authnopriv", true, usm::SecurityLevel::AuthNoPriv},
        {"authPriv", true, usm::SecurityLevel::AuthPriv},
        {"priv", true, usm::SecurityLevel::AuthPriv},
        {"auth_priv", false, usm::SecurityLevel::NoAuthNoPriv},
    };
    for (const LevelRow& row : levels) {
        usm::SecurityLevel level = usm::SecurityLevel::NoAuthNoPriv;
        EXPECT_EQ(usm::ParseSecurityLevel(row.text, &level), row.known) << row.text;
        EXPECT_EQ(level, row.level) << row.text;
    }
}

}  // namespace

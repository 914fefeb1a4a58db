// The User-based Security Model's security levels and protocols (RFC 3414, RFC 3826, RFC 7860
// and the AES-192/256 drafts agents use): one table of their names as net-snmp's tools and
// Prometheus's SNMP exporter spell them, and the sizes and algorithms each one fixes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace usm {

enum class SecurityLevel { NoAuthNoPriv, AuthNoPriv, AuthPriv };

// RFC 3414 2.2.3: an authenticated message more than this far from the engine's time (in
// seconds) is outside the time window.
inline constexpr std::int32_t TIME_WINDOW_SECONDS = 150;
// snmpEngineBoots's last value: an engine that reaches it takes no authenticated message.
inline constexpr std::int32_t MAX_ENGINE_BOOTS = 2147483647;
enum class AuthProtocol { None, Md5, Sha1, Sha224, Sha256, Sha384, Sha512 };
enum class PrivProtocol { None, Des, Aes128, Aes192, Aes256, Aes192C, Aes256C };

// How a localised key shorter than a cipher's key is made long enough.
enum class KeyExtension {
    None,        // the key is long enough as localised (DES, AES-128)
    Blumenthal,  // draft-blumenthal-aes-usm-04 3.1.2.1: Kul | H(Kul)
    Reeder,      // draft-reeder-snmpv3-usm-3desede 2.1: Kul | Kul localised from Kul as a password
};

struct AuthTraits {
    const char* name;         // the canonical spelling, as net-snmp writes it
    const char* digest;       // OpenSSL's name of the hash
    std::size_t digestBytes;  // the hash's length: Ku, Kul and the HMAC key
    std::size_t macBytes;     // msgAuthenticationParameters: the HMAC cut to this length
};

struct PrivTraits {
    const char* name;
    const char* cipher;    // OpenSSL's name of the cipher and mode
    std::size_t keyBytes;  // the cipher's key; DES takes 16 (8 of key, 8 of pre-IV)
    KeyExtension extension;
};

// Null for None.
const AuthTraits* Traits(AuthProtocol protocol);
const PrivTraits* Traits(PrivProtocol protocol);

const char* Name(SecurityLevel level);    // noAuthNoPriv, authNoPriv, authPriv
const char* Name(AuthProtocol protocol);  // "none" for None
const char* Name(PrivProtocol protocol);

// Any spelling net-snmp or the SNMP exporter accepts, whatever its case: "SHA-256" and
// "SHA256", "AES-192-C" and "AES192C", "authPriv" and "priv". False for anything else.
bool ParseSecurityLevel(std::string_view text, SecurityLevel* level);
bool ParseAuthProtocol(std::string_view text, AuthProtocol* protocol);
bool ParsePrivProtocol(std::string_view text, PrivProtocol* protocol);

}  // namespace usm

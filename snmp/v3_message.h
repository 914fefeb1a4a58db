// SNMPv3 messages (RFC 3412 6) with the User-based Security Model's parameters (RFC 3414 2.4)
// and the scoped PDU. Pure functions over bytes, with the BER codec's rules: every element and
// length is checked against its parent, and a fault gives a named ber::Error, never an
// over-read. The header and the security parameters are frame: a number out of its range, a
// field above its size or a security model other than USM is an error. The PDU inside is
// decoded by the codec, tolerant of values as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "snmp/ber.h"

namespace v3 {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::int32_t VERSION_3 = 3;
inline constexpr std::int32_t USM_SECURITY_MODEL = 3;
inline constexpr std::int32_t MIN_MAX_SIZE = 484;  // the smallest msgMaxSize RFC 3412 allows

// msgFlags.
inline constexpr std::uint8_t FLAG_AUTH = 0x01;
inline constexpr std::uint8_t FLAG_PRIV = 0x02;
inline constexpr std::uint8_t FLAG_REPORTABLE = 0x04;

// Size limits: the engine ID and user name are RFC 3411/3414's; contextName is an
// SnmpAdminString; the MAC and salt fields hold at most SHA-512's 48 bytes in practice.
inline constexpr std::size_t MAX_ENGINE_ID_BYTES = 32;
inline constexpr std::size_t MAX_USER_NAME_BYTES = 32;
inline constexpr std::size_t MAX_CONTEXT_NAME_BYTES = 255;
inline constexpr std::size_t MAX_SECURITY_FIELD_BYTES = 64;

// UsmSecurityParameters.
struct SecurityParameters {
    Bytes engineId;  // msgAuthoritativeEngineID
    std::int32_t engineBoots = 0;
    std::int32_t engineTime = 0;
    std::string userName;
    Bytes authParams;  // the MAC (zeros while it is computed), empty when not authenticated
    Bytes privParams;  // the salt, empty when not encrypted
};

struct ScopedPdu {
    Bytes contextEngineId;
    std::string contextName;
    ber::Message pdu;  // its version and community play no part
};

struct Message {
    std::int32_t msgId = 0;
    std::int32_t maxSize = static_cast<std::int32_t>(ber::MAX_MESSAGE_BYTES);
    std::uint8_t flags = 0;
    SecurityParameters security;
    ScopedPdu scoped;    // msgData when FLAG_PRIV is clear
    Bytes encryptedPdu;  // msgData when FLAG_PRIV is set
};

// Where msgAuthenticationParameters' content lies in an encoded message: what the MAC covers
// with these bytes zeroed.
struct AuthField {
    std::size_t offset = 0;
    std::size_t length = 0;
};

// A scoped PDU alone: what is encrypted, and what decryption gives back. Decoding allows up to
// `padding` bytes after the scoped PDU (DES pads its plaintext to 8 bytes); any more is
// TrailingBytes.
ber::Error EncodeScopedPdu(const ScopedPdu& scoped, Bytes& out);
ber::Error DecodeScopedPdu(const std::uint8_t* data, std::size_t size, ScopedPdu& out,
                           std::size_t padding = 0);

// Appends the encoding of `message` to `out` (out unchanged on failure), with `field` telling
// where the MAC goes (offsets in `out`).
ber::Error Encode(const Message& message, Bytes& out, AuthField* field);

// Decodes one whole message; `field` tells where its MAC lies.
ber::Error Decode(const std::uint8_t* data, std::size_t size, Message& out, AuthField* field);

// Whether `data` starts as an SNMPv3 message does (a SEQUENCE whose first INTEGER is 3): how an
// agent that speaks every version picks the decoder. Nothing else is checked.
bool IsVersion3(const std::uint8_t* data, std::size_t size);

// The msgID of a message that starts as SNMPv3 does, read from the header's first field alone:
// how an answer finds its request before any key is used. Nothing after it is checked; Decode
// still judges the whole message.
bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId);

}  // namespace v3

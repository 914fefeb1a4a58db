// BER codec of SNMPv1 messages (RFC 1157): the manager encodes GetRequests and decodes
// GetResponses; the simulated printer does the reverse. Pure functions over byte buffers.
//
// Decoding is bounds-checked against the end of the input at every step, takes definite
// lengths only, and limits sizes, nesting and counts (see the constants). A malformed message
// gives a named error and a message in an unspecified but valid state, never an over-read.
// Values of types the program has no text for (Counter64, the v2 exceptions 0x80-0x82, any
// other tag) decode as a value with that tag and its raw content, not as an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ber {

inline constexpr std::size_t kMaxMessageBytes = 65507;  // the largest UDP payload over IPv4
inline constexpr std::size_t kMaxOidComponents = 128;
inline constexpr std::size_t kMaxVarBinds = 64;
inline constexpr std::size_t kMaxCommunityBytes = 255;
inline constexpr std::size_t kMaxNesting = 8;

enum class Error {
    None = 0,
    Truncated,            // the input ends inside a tag, length or content
    IndefiniteLength,     // length byte 0x80
    LengthTooLong,        // more length octets than fit a size
    LengthPastParent,     // content would run past the enclosing element
    TrailingBytes,        // bytes after the message, or inside a sequence after its elements
    UnexpectedTag,        // an element of the wrong type where the structure fixes one
    IntegerSize,          // INTEGER of 0 bytes or more than its type holds
    UnsignedRange,        // Counter32/Gauge32/TimeTicks outside 0..2^32-1
    OidEmpty,             // OBJECT IDENTIFIER without content
    OidOverflow,          // a sub-identifier above 2^32-1
    OidUnterminated,      // the last sub-identifier has its continuation bit set
    OidTooLong,           // more than kMaxOidComponents components
    NullWithContent,      // NULL with a non-zero length
    IpAddressSize,        // IpAddress not exactly 4 bytes
    BadVersion,           // version other than 0 (SNMPv1)
    CommunityTooLong,     // community above kMaxCommunityBytes
    NestingTooDeep,       // constructed elements nested deeper than kMaxNesting
    TooManyVarBinds,      // more than kMaxVarBinds bindings
    MessageTooLarge,      // input or output above kMaxMessageBytes
};

// Short stable name of an error, for logs and test output.
const char* ErrorName(Error error);

struct Value {
    std::uint8_t tag = 0x05;           // ASN_NULL
    std::int64_t integer = 0;          // INTEGER (signed 32-bit range) and the unsigned types
    std::vector<std::uint8_t> bytes;   // OCTET STRING, IpAddress, Opaque; raw content otherwise
    std::vector<std::uint32_t> oid;    // OBJECT IDENTIFIER
};

struct VarBind {
    std::vector<std::uint32_t> name;
    Value value;
};

struct Message {
    std::int32_t version = 0;  // 0 = SNMPv1
    std::string community;
    std::uint8_t pduType = 0xA0;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    std::vector<VarBind> varbinds;
};

// Appends the encoding of `message` to `out`. Fails (out unchanged) with MessageTooLarge,
// OidTooLong, OidEmpty or an out-of-range value that cannot be encoded.
Error Encode(const Message& message, std::vector<std::uint8_t>& out);

// Decodes one whole message; bytes after it are an error (TrailingBytes).
Error Decode(const std::uint8_t* data, std::size_t size, Message& out);

}  // namespace ber

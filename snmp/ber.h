// BER codec of SNMPv1 and SNMPv2c messages (RFC 1157, RFC 3416): managers encode requests
// and decode responses; the simulated printer does the reverse. Pure functions over bytes.
//
// Strict about the frame, tolerant about values, as good peers are. The frame (message
// SEQUENCE, version, community, PDU, request-id, the two error fields, the binding list and
// every binding's name, and every length against its parent) is bounds-checked at every step
// and a fault in it gives a named error and a message in an unspecified but valid state,
// never an over-read. A value whose content does not fit its type (an IpAddress of 5 bytes,
// NULL with content, an INTEGER that does not fit 32 bits) is not an error: it decodes with
// `valid` false and its raw content, so the answer still counts and the value has no text.
// Values of types without a meaning here (Counter64 aside, the v2 exceptions 0x80-0x82, any
// other tag) keep their tag and raw content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ber {

inline constexpr std::size_t MAX_MESSAGE_BYTES = 65507;  // the largest UDP payload over IPv4
inline constexpr std::size_t MAX_OID_COMPONENTS = 128;
inline constexpr std::size_t MAX_COMMUNITY_BYTES = 255;
// The count of bindings is bounded only by the message's size: a GetBulk answer may carry
// thousands, and a caller that asked for fewer decides what to do with the rest.

// Message versions and the PDU types beyond SNMPv1's.
inline constexpr std::int32_t VERSION_1 = 0;
inline constexpr std::int32_t VERSION_2C = 1;
inline constexpr std::uint8_t PDU_GET_BULK = 0xA5;
inline constexpr std::uint8_t PDU_REPORT = 0xA8;
// SNMPv2c's per-binding exceptions, each a value of its own tag with no content.
inline constexpr std::uint8_t NO_SUCH_OBJECT = 0x80;
inline constexpr std::uint8_t NO_SUCH_INSTANCE = 0x81;
inline constexpr std::uint8_t END_OF_MIB_VIEW = 0x82;

enum class Error {
    None = 0,
    Truncated,         // the input ends inside a tag, length or content
    IndefiniteLength,  // length byte 0x80
    LengthTooLong,     // more length octets than fit a size
    LengthPastParent,  // content would run past the enclosing element
    TrailingBytes,     // bytes after the message, or inside a sequence after its elements
    UnexpectedTag,     // an element of the wrong type where the structure fixes one
    IntegerSize,       // a frame INTEGER of 0 bytes or more than 32 bits
    UnsignedRange,     // encoding: Counter32/Gauge32/TimeTicks outside 0..2^32-1
    OidEmpty,          // OBJECT IDENTIFIER without content
    OidOverflow,       // a sub-identifier above 2^32-1
    OidUnterminated,   // the last sub-identifier has its continuation bit set
    OidTooLong,        // more than MAX_OID_COMPONENTS components
    IpAddressSize,     // encoding: IpAddress not exactly 4 bytes
    BadVersion,        // version other than 0 (SNMPv1) or 1 (SNMPv2c); 3 in snmp/v3_message
    CommunityTooLong,  // community above MAX_COMMUNITY_BYTES
    MessageTooLarge,   // input or output above MAX_MESSAGE_BYTES
    // SNMPv3's header and security parameters (snmp/v3_message.h).
    SecurityModel,  // a security model other than USM (3)
    BadFlags,       // msgFlags not one byte, or privacy without authentication
    FieldTooLong,   // an engine ID, user name or context above its size limit
    ValueRange,     // a header number outside its range (negative, msgMaxSize below 484)
};

// Short stable name of an error, for logs and test output.
const char* ErrorName(Error error);

struct Value {
    std::uint8_t tag = 0x05;          // ASN_NULL
    std::int64_t integer = 0;         // INTEGER (signed 32-bit), the unsigned 32-bit types
                                      // and Counter64 (its bits, as unsigned)
    std::vector<std::uint8_t> bytes;  // OCTET STRING, IpAddress, Opaque; raw content otherwise
    std::vector<std::uint32_t> oid;   // OBJECT IDENTIFIER
    bool valid = true;                // false: content unfit for the tag, kept raw in `bytes`
};

struct VarBind {
    std::vector<std::uint32_t> name;
    Value value;
};

struct Message {
    std::int32_t version = VERSION_1;
    std::string community;
    std::uint8_t pduType = 0xA0;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;  // in a GetBulk request: non-repeaters
    std::int32_t errorIndex = 0;   // in a GetBulk request: max-repetitions
    std::vector<VarBind> varbinds;
};

// Appends the encoding of `message` to `out`. Fails (out unchanged) with MessageTooLarge,
// OidTooLong, OidEmpty or an out-of-range value that cannot be encoded. A value that is not
// `valid` is written as its tag and raw bytes, as it came.
Error Encode(const Message& message, std::vector<std::uint8_t>& out);

// Whether Encode can carry `oid` as a name or a value: two to MAX_OID_COMPONENTS components,
// the first two arcs fitting their shared sub-identifier (first 0..2, second below 40 under 0
// and 1).
bool OidEncodable(const std::vector<std::uint32_t>& oid);

// Decodes one whole message; bytes after it are an error (TrailingBytes).
Error Decode(const std::uint8_t* data, std::size_t size, Message& out);

// The PDU alone (its tag, request-id, error fields and bindings), as an SNMPv3 scoped PDU
// carries it; `version` and `community` are neither written nor read. The same rules and
// errors as the whole message's.
Error EncodePdu(const Message& message, std::vector<std::uint8_t>& out);
Error DecodePdu(const std::uint8_t* data, std::size_t size, Message& out);

}  // namespace ber

// Message authentication: HMAC-MD5-96 and HMAC-SHA-96 (RFC 3414 6 and 7) and HMAC-SHA-2
// (RFC 7860), computed over the whole encoded message with its msgAuthenticationParameters
// zeroed, and cut to the protocol's MAC length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "snmp/usm_crypto.h"
#include "snmp/usm_protocols.h"

namespace usm {

// Fills the MAC field of an outgoing message: `message` is the whole encoded message whose
// msgAuthenticationParameters content starts at `macOffset` and is macBytes of zeros. False
// when the field does not fit inside the message or OpenSSL fails.
bool SignMessage(AuthProtocol protocol, ByteSpan key, std::span<std::uint8_t> message,
                 std::size_t macOffset);

// Whether the `macLength` bytes at `macOffset` are the MAC of `message` with those bytes
// zeroed; the comparison takes the same time wherever the bytes differ. A field of the wrong
// length never verifies.
bool VerifyMessage(AuthProtocol protocol, ByteSpan key, ByteSpan message, std::size_t macOffset,
                   std::size_t macLength);

}  // namespace usm

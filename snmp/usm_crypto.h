// The USM's one door to OpenSSL's libcrypto 3: hashes, HMAC and ciphers through its EVP
// interfaces, each algorithm fetched once per process. DES lives in OpenSSL's legacy provider,
// which is loaded (beside the default one) on first use; without it DES fails with a message
// that says so. Every call is safe from several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "snmp/usm_protocols.h"

namespace usm {

using ByteSpan = std::span<const std::uint8_t>;

// The hash of `protocol` over the concatenation of `parts`, Traits(protocol)->digestBytes long,
// written to `out`. False when OpenSSL fails (or `protocol` is None).
bool Hash(AuthProtocol protocol, std::initializer_list<ByteSpan> parts, std::uint8_t* out);

// The hash over `password` repeated until `total` bytes were hashed (RFC 3414 A.2.1), without
// holding them all. False for an empty password.
bool HashRepeated(AuthProtocol protocol, ByteSpan password, std::size_t total, std::uint8_t* out);

// HMAC with the hash of `protocol` over `data`, its whole digestBytes written to `out`.
bool Hmac(AuthProtocol protocol, ByteSpan key, ByteSpan data, std::uint8_t* out);

// `in` encrypted (or decrypted) with the cipher of `protocol` under `key` (the cipher's key
// length) and `iv` (its block length), without padding: `out` receives in.size() bytes. On
// failure `error` says why (the legacy provider missing for DES, a length DES cannot take).
bool Crypt(PrivProtocol protocol, bool encrypt, const std::uint8_t* key, const std::uint8_t* iv,
           ByteSpan in, std::uint8_t* out, std::string* error);

// Random bytes from OpenSSL's generator; false when it has none.
bool RandomBytes(std::uint8_t* out, std::size_t size);

}  // namespace usm

// Privacy: the scoped PDU encrypted with DES-CBC (RFC 3414 8.1) or AES in CFB-128 mode
// (RFC 3826, and the same with 192- and 256-bit keys), and decrypted again. The 8-byte salt
// travels as msgPrivacyParameters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "snmp/usm_crypto.h"
#include "snmp/usm_protocols.h"

namespace usm {

inline constexpr std::size_t SALT_BYTES = 8;

// How many bytes may follow the scoped PDU in a decrypted plaintext: DES pads to its 8-byte
// block; AES-CFB needs no padding, but pysnmp (snmpsimd) pads to AES's 16-byte block all the
// same, and net-snmp reads past it, so up to 15 bytes are taken as padding there too.
std::size_t PaddingOf(PrivProtocol protocol);

// A starting salt drawn at random, so that two senders under one key do not repeat each
// other's salts (each then counts up from its own).
std::uint64_t RandomSalt();

// Encrypts `plain` under `key` (PrivacyKey's). `salt` must differ for every message under one
// key; DES takes its low 32 bits after the engine's boots, AES all 64. Writes the ciphertext
// (DES: padded to 8 bytes) and msgPrivacyParameters; false with `error` on failure.
bool Encrypt(PrivProtocol protocol, ByteSpan key, std::uint32_t engineBoots,
             std::uint32_t engineTime, std::uint64_t salt, ByteSpan plain,
             std::vector<std::uint8_t>& cipher, std::vector<std::uint8_t>& privParams,
             std::string* error);

// Decrypts an encryptedPDU with the boots and time the message carries and its
// msgPrivacyParameters. A salt not of 8 bytes, an empty ciphertext or (DES) one not a multiple
// of 8 bytes is an error. DES's padding stays at the end of `plain`.
bool Decrypt(PrivProtocol protocol, ByteSpan key, std::uint32_t engineBoots,
             std::uint32_t engineTime, ByteSpan privParams, ByteSpan cipher,
             std::vector<std::uint8_t>& plain, std::string* error);

}  // namespace usm

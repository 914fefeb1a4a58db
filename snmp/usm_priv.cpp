#include "snmp/usm_priv.h"

#include <algorithm>
#include <array>

namespace usm {
namespace {

constexpr std::size_t DES_BLOCK = 8;
constexpr std::size_t AES_BLOCK = 16;

void PutUint32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// The IV: DES's pre-IV (the key's second half) XOR the salt; AES's boots | time | salt.
bool MakeIv(PrivProtocol protocol, ByteSpan key, std::uint32_t engineBoots,
            std::uint32_t engineTime, const std::uint8_t* salt,
            std::array<std::uint8_t, AES_BLOCK>& iv) {
    const PrivTraits* traits = Traits(protocol);
    if (traits == nullptr || key.size() != traits->keyBytes) {
        return false;
    }
    if (protocol == PrivProtocol::Des) {
        for (std::size_t i = 0; i < DES_BLOCK; ++i) {
            iv[i] = key[DES_BLOCK + i] ^ salt[i];
        }
        return true;
    }
    PutUint32(iv.data(), engineBoots);
    PutUint32(iv.data() + 4, engineTime);
    std::copy(salt, salt + SALT_BYTES, iv.begin() + 8);
    return true;
}

}  // namespace

std::size_t PaddingOf(PrivProtocol protocol) {
    return protocol == PrivProtocol::Des ? DES_BLOCK - 1 : AES_BLOCK - 1;
}

std::uint64_t RandomSalt() {
    std::uint8_t seed[8] = {};
    RandomBytes(seed, sizeof seed);
    std::uint64_t salt = 0;
    for (const std::uint8_t byte : seed) {
        salt = (salt << 8) | byte;
    }
    return salt;
}

bool Encrypt(PrivProtocol protocol, ByteSpan key, std::uint32_t engineBoots,
             std::uint32_t engineTime, std::uint64_t salt, ByteSpan plain,
             std::vector<std::uint8_t>& cipher, std::vector<std::uint8_t>& privParams,
             std::string* error) {
    privParams.assign(SALT_BYTES, 0);
    if (protocol == PrivProtocol::Des) {
        PutUint32(privParams.data(), engineBoots);
        PutUint32(privParams.data() + 4, static_cast<std::uint32_t>(salt));
    } else {
        PutUint32(privParams.data(), static_cast<std::uint32_t>(salt >> 32));
        PutUint32(privParams.data() + 4, static_cast<std::uint32_t>(salt));
    }
    std::array<std::uint8_t, AES_BLOCK> iv{};
    if (!MakeIv(protocol, key, engineBoots, engineTime, privParams.data(), iv)) {
        *error = std::string("no ") + Name(protocol) + " key";
        return false;
    }
    std::vector<std::uint8_t> padded(plain.begin(), plain.end());
    if (protocol == PrivProtocol::Des) {
        padded.resize((padded.size() + DES_BLOCK - 1) / DES_BLOCK * DES_BLOCK, 0);
    }
    if (padded.empty()) {
        *error = "nothing to encrypt";
        return false;
    }
    cipher.resize(padded.size());
    return Crypt(protocol, true, key.data(), iv.data(), padded, cipher.data(), error);
}

bool Decrypt(PrivProtocol protocol, ByteSpan key, std::uint32_t engineBoots,
             std::uint32_t engineTime, ByteSpan privParams, ByteSpan cipher,
             std::vector<std::uint8_t>& plain, std::string* error) {
    if (privParams.size() != SALT_BYTES) {
        *error = "msgPrivacyParameters is not 8 bytes";
        return false;
    }
    if (cipher.empty() || (protocol == PrivProtocol::Des && cipher.size() % DES_BLOCK != 0)) {
        *error = "the encrypted PDU's length does not fit the cipher";
        return false;
    }
    std::array<std::uint8_t, AES_BLOCK> iv{};
    if (!MakeIv(protocol, key, engineBoots, engineTime, privParams.data(), iv)) {
        *error = std::string("no ") + Name(protocol) + " key";
        return false;
    }
    plain.resize(cipher.size());
    return Crypt(protocol, false, key.data(), iv.data(), cipher, plain.data(), error);
}

}  // namespace usm

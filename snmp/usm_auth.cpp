#include "snmp/usm_auth.h"

#include <openssl/crypto.h>

#include <array>
#include <cstring>
#include <vector>

namespace usm {
namespace {

constexpr std::size_t MAX_DIGEST_BYTES = 64;  // SHA-512

bool FieldFits(const AuthSpec* spec, std::size_t size, std::size_t offset) {
    return spec != nullptr && offset <= size && size - offset >= spec->macBytes;
}

}  // namespace

bool SignMessage(AuthProtocol protocol, ByteSpan key, std::span<std::uint8_t> message,
                 std::size_t macOffset) {
    const AuthSpec* spec = Spec(protocol);
    if (!FieldFits(spec, message.size(), macOffset)) {
        return false;
    }
    std::array<std::uint8_t, MAX_DIGEST_BYTES> mac{};
    std::memset(message.data() + macOffset, 0, spec->macBytes);
    if (!Hmac(protocol, key, message, mac.data())) {
        return false;
    }
    std::memcpy(message.data() + macOffset, mac.data(), spec->macBytes);
    return true;
}

bool VerifyMessage(AuthProtocol protocol, ByteSpan key, ByteSpan message, std::size_t macOffset,
                   std::size_t macLength) {
    const AuthSpec* spec = Spec(protocol);
    if (!FieldFits(spec, message.size(), macOffset) || macLength != spec->macBytes) {
        return false;
    }
    std::vector<std::uint8_t> zeroed(message.begin(), message.end());
    std::memset(zeroed.data() + macOffset, 0, spec->macBytes);
    std::array<std::uint8_t, MAX_DIGEST_BYTES> mac{};
    return Hmac(protocol, key, zeroed, mac.data()) &&
           CRYPTO_memcmp(mac.data(), message.data() + macOffset, spec->macBytes) == 0;
}

}  // namespace usm

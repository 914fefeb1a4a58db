#include "snmp/usm_auth.h"

#include <openssl/crypto.h>

#include <array>
#include <cstring>
#include <vector>

namespace usm {
namespace {

constexpr std::size_t MAX_DIGEST_BYTES = 64;  // SHA-512

bool FieldFits(const AuthTraits* traits, std::size_t size, std::size_t offset) {
    return traits != nullptr && offset <= size && size - offset >= traits->macBytes;
}

}  // namespace

bool SignMessage(AuthProtocol protocol, ByteSpan key, std::span<std::uint8_t> message,
                 std::size_t macOffset) {
    const AuthTraits* traits = Traits(protocol);
    if (!FieldFits(traits, message.size(), macOffset)) {
        return false;
    }
    std::array<std::uint8_t, MAX_DIGEST_BYTES> mac{};
    std::memset(message.data() + macOffset, 0, traits->macBytes);
    if (!Hmac(protocol, key, message, mac.data())) {
        return false;
    }
    std::memcpy(message.data() + macOffset, mac.data(), traits->macBytes);
    return true;
}

bool VerifyMessage(AuthProtocol protocol, ByteSpan key, ByteSpan message, std::size_t macOffset,
                   std::size_t macLength) {
    const AuthTraits* traits = Traits(protocol);
    if (!FieldFits(traits, message.size(), macOffset) || macLength != traits->macBytes) {
        return false;
    }
    std::vector<std::uint8_t> zeroed(message.begin(), message.end());
    std::memset(zeroed.data() + macOffset, 0, traits->macBytes);
    std::array<std::uint8_t, MAX_DIGEST_BYTES> mac{};
    return Hmac(protocol, key, zeroed, mac.data()) &&
           CRYPTO_memcmp(mac.data(), message.data() + macOffset, traits->macBytes) == 0;
}

}  // namespace usm

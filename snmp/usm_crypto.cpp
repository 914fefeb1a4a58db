#include "snmp/usm_crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace usm {
namespace {

constexpr std::size_t AUTH_COUNT = 7;  // AuthProtocol's values, None included
constexpr std::size_t PRIV_COUNT = 7;

// What is fetched once and kept for the process's life.
struct Algorithms {
    bool legacyLoaded = false;
    std::array<EVP_MD*, AUTH_COUNT> digests{};
    std::array<EVP_CIPHER*, PRIV_COUNT> ciphers{};
    EVP_MAC* hmac = nullptr;
};

const Algorithms& Fetched() {
    static Algorithms algorithms;
    static std::once_flag once;
    std::call_once(once, [] {
        // Loading any provider by name stops the default one from loading by itself, so both
        // are named. The legacy provider only adds DES; its absence costs DES alone.
        OSSL_PROVIDER_load(nullptr, "default");
        algorithms.legacyLoaded = OSSL_PROVIDER_load(nullptr, "legacy") != nullptr;
        for (std::size_t i = 1; i < AUTH_COUNT; ++i) {
            algorithms.digests[i] =
                EVP_MD_fetch(nullptr, Traits(static_cast<AuthProtocol>(i))->digest, nullptr);
        }
        for (std::size_t i = 1; i < PRIV_COUNT; ++i) {
            algorithms.ciphers[i] =
                EVP_CIPHER_fetch(nullptr, Traits(static_cast<PrivProtocol>(i))->cipher, nullptr);
        }
        algorithms.hmac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
    });
    return algorithms;
}

const EVP_MD* Digest(AuthProtocol protocol) {
    const auto index = static_cast<std::size_t>(protocol);
    return index < AUTH_COUNT ? Fetched().digests[index] : nullptr;
}

struct MdContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

bool Hash(AuthProtocol protocol, std::initializer_list<ByteSpan> parts, std::uint8_t* out) {
    const EVP_MD* digest = Digest(protocol);
    std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
    if (digest == nullptr || context == nullptr ||
        EVP_DigestInit_ex2(context.get(), digest, nullptr) != 1) {
        return false;
    }
    for (const ByteSpan& part : parts) {
        if (EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1) {
            return false;
        }
    }
    return EVP_DigestFinal_ex(context.get(), out, nullptr) == 1;
}

bool HashRepeated(AuthProtocol protocol, ByteSpan password, std::size_t total, std::uint8_t* out) {
    const EVP_MD* digest = Digest(protocol);
    std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
    if (password.empty() || digest == nullptr || context == nullptr ||
        EVP_DigestInit_ex2(context.get(), digest, nullptr) != 1) {
        return false;
    }
    // A whole number of copies of the password per update keeps every chunk in step with the
    // repetition; a few kilobytes per update keeps the calls few.
    constexpr std::size_t CHUNK = 8192;
    const std::size_t copies = (CHUNK + password.size() - 1) / password.size();
    std::vector<std::uint8_t> chunk;
    chunk.reserve(copies * password.size());
    for (std::size_t i = 0; i < copies; ++i) {
        chunk.insert(chunk.end(), password.begin(), password.end());
    }
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min(chunk.size(), total - done);
        if (EVP_DigestUpdate(context.get(), chunk.data(), n) != 1) {
            return false;
        }
        done += n;
    }
    return EVP_DigestFinal_ex(context.get(), out, nullptr) == 1;
}

bool Hmac(AuthProtocol protocol, ByteSpan key, ByteSpan data, std::uint8_t* out) {
    const Algorithms& algorithms = Fetched();
    const AuthTraits* traits = Traits(protocol);
    if (traits == nullptr || algorithms.hmac == nullptr) {
        return false;
    }
    std::unique_ptr<EVP_MAC_CTX, MacContextFree> context(EVP_MAC_CTX_new(algorithms.hmac));
    if (context == nullptr) {
        return false;
    }
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>(traits->digest),
                                         0),
        OSSL_PARAM_construct_end(),
    };
    std::size_t written = 0;
    return EVP_MAC_init(context.get(), key.data(), key.size(), params) == 1 &&
           EVP_MAC_update(context.get(), data.data(), data.size()) == 1 &&
           EVP_MAC_final(context.get(), out, &written, traits->digestBytes) == 1 &&
           written == traits->digestBytes;
}

bool Crypt(PrivProtocol protocol, bool encrypt, const std::uint8_t* key, const std::uint8_t* iv,
           ByteSpan in, std::uint8_t* out, std::string* error) {
    const Algorithms& algorithms = Fetched();
    const auto index = static_cast<std::size_t>(protocol);
    const EVP_CIPHER* cipher = index < PRIV_COUNT ? algorithms.ciphers[index] : nullptr;
    if (cipher == nullptr) {
        *error = protocol == PrivProtocol::Des && !algorithms.legacyLoaded
                     ? "DES is not available: OpenSSL's legacy provider could not be loaded"
                     : std::string("OpenSSL has no cipher ") + Name(protocol);
        return false;
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    if (context == nullptr ||
        EVP_CipherInit_ex2(context.get(), cipher, key, iv, encrypt ? 1 : 0, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_CipherUpdate(context.get(), out, &written, in.data(), static_cast<int>(in.size())) !=
            1 ||
        EVP_CipherFinal_ex(context.get(), out + written, &last) != 1 ||
        static_cast<std::size_t>(written + last) != in.size()) {
        *error = std::string(Name(protocol)) + " failed in OpenSSL";
        return false;
    }
    return true;
}

bool RandomBytes(std::uint8_t* out, std::size_t size) {
    return RAND_bytes(out, static_cast<int>(size)) == 1;
}

}  // namespace usm

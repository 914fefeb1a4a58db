#include "snmp/usm_keys.h"

#include <openssl/crypto.h>

#include <utility>

namespace usm {
namespace {

ByteSpan AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A length-prefixed field in a cache index, so that ("ab", "c") and ("a", "bc") differ.
void AddField(Bytes& fields, ByteSpan field) {
    const auto size = static_cast<std::uint32_t>(field.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        fields.push_back(static_cast<std::uint8_t>(size >> shift));
    }
    fields.insert(fields.end(), field.begin(), field.end());
}

Bytes IndexOf(const Bytes& fields) {
    Bytes index(Traits(AuthProtocol::Sha256)->digestBytes);
    if (!Hash(AuthProtocol::Sha256, {ByteSpan(fields)}, index.data())) {
        index.assign(fields.begin(), fields.end());  // still unique, only less discreet
    }
    return index;
}

void Wipe(Bytes& secret) {
    if (!secret.empty()) {
        OPENSSL_cleanse(secret.data(), secret.size());
    }
}

}  // namespace

bool PasswordToKey(AuthProtocol protocol, std::string_view password, Bytes& ku) {
    const AuthTraits* traits = Traits(protocol);
    if (traits == nullptr || password.empty()) {
        return false;
    }
    ku.resize(traits->digestBytes);
    return HashRepeated(protocol, AsBytes(password), PASSWORD_HASH_BYTES, ku.data());
}

bool LocalizeKey(AuthProtocol protocol, ByteSpan ku, ByteSpan engineId, Bytes& kul) {
    const AuthTraits* traits = Traits(protocol);
    if (traits == nullptr) {
        return false;
    }
    kul.resize(traits->digestBytes);
    return Hash(protocol, {ku, engineId, ku}, kul.data());
}

bool PrivacyKey(AuthProtocol auth, PrivProtocol priv, ByteSpan kul, ByteSpan engineId, Bytes& key) {
    const AuthTraits* authTraits = Traits(auth);
    const PrivTraits* privTraits = Traits(priv);
    if (authTraits == nullptr || privTraits == nullptr) {
        return false;
    }
    key.assign(kul.begin(), kul.end());
    // Every hash gives at least 16 bytes and no cipher takes more than 32, so one extension
    // always suffices; the loop keeps to the drafts' wording all the same.
    while (key.size() < privTraits->keyBytes) {
        Bytes more(authTraits->digestBytes);
        switch (privTraits->extension) {
            case KeyExtension::Blumenthal:
                if (!Hash(auth, {ByteSpan(key)}, more.data())) {
                    return false;
                }
                break;
            case KeyExtension::Reeder: {
                Bytes ku;
                const std::string_view asPassword(reinterpret_cast<const char*>(key.data()),
                                                  key.size());
                if (!PasswordToKey(auth, asPassword, ku) ||
                    !LocalizeKey(auth, ku, engineId, more)) {
                    return false;
                }
                break;
            }
            case KeyExtension::None:
                return false;  // a hash shorter than the cipher's key: no such pairing exists
        }
        key.insert(key.end(), more.begin(), more.end());
    }
    key.resize(privTraits->keyBytes);
    return true;
}

bool KeyCache::Ku(AuthProtocol protocol, std::string_view password, Bytes* ku) {
    Bytes fields{static_cast<std::uint8_t>(protocol)};
    AddField(fields, AsBytes(password));
    const Bytes index = IndexOf(fields);
    Wipe(fields);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = ku_.find(index);
        if (found != ku_.end()) {
            *ku = found->second;
            return true;
        }
    }
    // Derived outside the lock: a million-byte hash must not hold up the other threads. Two
    // threads may both derive the same key once; both get the same bytes.
    if (!PasswordToKey(protocol, password, *ku)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ++derivations_;
    if (ku_.size() >= MAX_KU) {
        for (auto& entry : ku_) {
            Wipe(entry.second);
        }
        ku_.clear();
    }
    ku_.emplace(index, *ku);
    return true;
}

bool KeyCache::Keys(ByteSpan engineId, std::string_view user, const Credentials& credentials,
                    LocalizedKeys* keys, std::string* error) {
    Bytes fields{static_cast<std::uint8_t>(credentials.auth),
                 static_cast<std::uint8_t>(credentials.priv)};
    AddField(fields, engineId);
    AddField(fields, AsBytes(user));
    AddField(fields, AsBytes(credentials.authPassword));
    AddField(fields, AsBytes(credentials.privPassword));
    const Bytes index = IndexOf(fields);
    Wipe(fields);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = localized_.find(index);
        if (found != localized_.end()) {
            *keys = found->second;
            return true;
        }
    }
    LocalizedKeys derived;
    if (credentials.auth != AuthProtocol::None) {
        Bytes ku;
        if (credentials.authPassword.empty()) {
            *error = "the authentication password is empty";
            return false;
        }
        if (!Ku(credentials.auth, credentials.authPassword, &ku) ||
            !LocalizeKey(credentials.auth, ku, engineId, derived.auth)) {
            *error = "deriving the authentication key failed in OpenSSL";
            return false;
        }
        Wipe(ku);
    }
    if (credentials.priv != PrivProtocol::None) {
        Bytes ku;
        Bytes kul;
        if (credentials.auth == AuthProtocol::None) {
            *error = "privacy needs an authentication protocol";
            return false;
        }
        if (credentials.privPassword.empty()) {
            *error = "the privacy password is empty";
            return false;
        }
        if (!Ku(credentials.auth, credentials.privPassword, &ku) ||
            !LocalizeKey(credentials.auth, ku, engineId, kul) ||
            !PrivacyKey(credentials.auth, credentials.priv, kul, engineId, derived.priv)) {
            *error = "deriving the privacy key failed in OpenSSL";
            return false;
        }
        Wipe(ku);
        Wipe(kul);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (localized_.size() >= MAX_LOCALIZED) {
        for (auto& entry : localized_) {
            Wipe(entry.second.auth);
            Wipe(entry.second.priv);
        }
        localized_.clear();
    }
    localized_.emplace(index, derived);
    *keys = std::move(derived);
    return true;
}

std::size_t KeyCache::derivations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return derivations_;
}

KeyCache& KeyCache::Shared() {
    static KeyCache cache;
    return cache;
}

}  // namespace usm

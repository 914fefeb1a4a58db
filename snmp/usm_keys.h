// Keys from passwords: password to key (RFC 3414 A.2; the same with SHA-2, RFC 7860), key
// localisation to an engine, the privacy key each privacy protocol takes, and a cache so that
// the million-byte hash runs once per password and the localisation once per engine and user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/usm_crypto.h"
#include "snmp/usm_protocols.h"

namespace usm {

using Bytes = std::vector<std::uint8_t>;

// How much of the repeated password is hashed into Ku.
inline constexpr std::size_t PASSWORD_HASH_BYTES = 1048576;

// Ku: the hash of the password repeated over PASSWORD_HASH_BYTES. False for an empty password
// or when OpenSSL fails.
bool PasswordToKey(AuthProtocol protocol, std::string_view password, Bytes& ku);

// Kul = H(Ku | engine ID | Ku).
bool LocalizeKey(AuthProtocol protocol, ByteSpan ku, ByteSpan engineId, Bytes& kul);

// The key `priv` encrypts with, from the privacy password's Kul (localised with the
// authentication protocol's hash): extended as the protocol's KeyExtension says when Kul is
// shorter than the cipher's key, then cut to its length.
bool PrivacyKey(AuthProtocol auth, PrivProtocol priv, ByteSpan kul, ByteSpan engineId, Bytes& key);

// A user's protocols and passwords.
struct Credentials {
    AuthProtocol auth = AuthProtocol::None;
    std::string authPassword;
    PrivProtocol priv = PrivProtocol::None;
    std::string privPassword;
};

// The keys of one user at one engine: the HMAC key (Kul) and the cipher's key. Empty when the
// user has no such protocol.
struct LocalizedKeys {
    Bytes auth;
    Bytes priv;
};

// Localised keys by (engine ID, user, protocols, passwords), and Ku by (protocol, password), so
// a fleet of printers with one user and password costs one million-byte hash per password.
// Entries are found by a SHA-256 of their fields, so no password is kept as it was typed. Safe
// from several threads.
class KeyCache {
  public:
    // The keys of `user` at `engineId`, derived on first use. False, with `error` saying why,
    // when a protocol's password is empty or OpenSSL fails.
    bool Keys(ByteSpan engineId, std::string_view user, const Credentials& credentials,
              LocalizedKeys* keys, std::string* error);

    // How many Ku were derived (the million-byte hashes), for tests and statistics.
    std::size_t derivations() const;

    // The cache the process's sessions share.
    static KeyCache& Shared();

  private:
    bool Ku(AuthProtocol protocol, std::string_view password, Bytes* ku);

    // A cache that grows past these forgets everything and starts again: simpler than an
    // eviction order, and no fleet comes near.
    static constexpr std::size_t MAX_KU = 4096;
    static constexpr std::size_t MAX_LOCALIZED = 65536;

    mutable std::mutex mutex_;
    std::map<Bytes, Bytes> ku_;
    std::map<Bytes, LocalizedKeys> localized_;
    std::size_t derivations_ = 0;
};

}  // namespace usm

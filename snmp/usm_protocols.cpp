#include "snmp/usm_protocols.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace usm {
namespace {

constexpr AuthTraits AUTH_TRAITS[] = {
    {"MD5", "MD5", 16, 12},          {"SHA", "SHA1", 20, 12},
    {"SHA-224", "SHA2-224", 28, 16}, {"SHA-256", "SHA2-256", 32, 24},
    {"SHA-384", "SHA2-384", 48, 32}, {"SHA-512", "SHA2-512", 64, 48},
};

constexpr PrivTraits PRIV_TRAITS[] = {
    {"DES", "DES-CBC", 16, KeyExtension::None},
    {"AES", "AES-128-CFB", 16, KeyExtension::None},
    {"AES-192", "AES-192-CFB", 24, KeyExtension::Blumenthal},
    {"AES-256", "AES-256-CFB", 32, KeyExtension::Blumenthal},
    {"AES-192-C", "AES-192-CFB", 24, KeyExtension::Reeder},
    {"AES-256-C", "AES-256-CFB", 32, KeyExtension::Reeder},
};

template <typename T>
struct Spelling {
    const char* text;
    T value;
};

// net-snmp's -l also takes 1/2/3 and noauth/auth/priv.
constexpr Spelling<SecurityLevel> LEVEL_SPELLINGS[] = {
    {"noAuthNoPriv", SecurityLevel::NoAuthNoPriv},
    {"noauth", SecurityLevel::NoAuthNoPriv},
    {"1", SecurityLevel::NoAuthNoPriv},
    {"authNoPriv", SecurityLevel::AuthNoPriv},
    {"auth", SecurityLevel::AuthNoPriv},
    {"2", SecurityLevel::AuthNoPriv},
    {"authPriv", SecurityLevel::AuthPriv},
    {"priv", SecurityLevel::AuthPriv},
    {"3", SecurityLevel::AuthPriv},
};

constexpr Spelling<AuthProtocol> AUTH_SPELLINGS[] = {
    {"MD5", AuthProtocol::Md5},        {"SHA", AuthProtocol::Sha1},
    {"SHA1", AuthProtocol::Sha1},      {"SHA-1", AuthProtocol::Sha1},
    {"SHA-224", AuthProtocol::Sha224}, {"SHA224", AuthProtocol::Sha224},
    {"SHA-256", AuthProtocol::Sha256}, {"SHA256", AuthProtocol::Sha256},
    {"SHA-384", AuthProtocol::Sha384}, {"SHA384", AuthProtocol::Sha384},
    {"SHA-512", AuthProtocol::Sha512}, {"SHA512", AuthProtocol::Sha512},
};

constexpr Spelling<PrivProtocol> PRIV_SPELLINGS[] = {
    {"DES", PrivProtocol::Des},           {"AES", PrivProtocol::Aes128},
    {"AES-128", PrivProtocol::Aes128},    {"AES128", PrivProtocol::Aes128},
    {"AES-192", PrivProtocol::Aes192},    {"AES192", PrivProtocol::Aes192},
    {"AES-256", PrivProtocol::Aes256},    {"AES256", PrivProtocol::Aes256},
    {"AES-192-C", PrivProtocol::Aes192C}, {"AES192C", PrivProtocol::Aes192C},
    {"AES-256-C", PrivProtocol::Aes256C}, {"AES256C", PrivProtocol::Aes256C},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

template <typename T, std::size_t N>
bool Parse(const Spelling<T> (&table)[N], std::string_view text, T* value) {
    const auto* found = std::find_if(std::begin(table), std::end(table), [&](const auto& row) {
        return SameIgnoringCase(row.text, text);
    });
    if (found == std::end(table)) {
        return false;
    }
    *value = found->value;
    return true;
}

}  // namespace

const AuthTraits* Traits(AuthProtocol protocol) {
    const auto index = static_cast<std::size_t>(protocol);
    return index == 0 || index > std::size(AUTH_TRAITS) ? nullptr : &AUTH_TRAITS[index - 1];
}

const PrivTraits* Traits(PrivProtocol protocol) {
    const auto index = static_cast<std::size_t>(protocol);
    return index == 0 || index > std::size(PRIV_TRAITS) ? nullptr : &PRIV_TRAITS[index - 1];
}

const char* Name(SecurityLevel level) {
    switch (level) {
        case SecurityLevel::NoAuthNoPriv:
            return "noAuthNoPriv";
        case SecurityLevel::AuthNoPriv:
            return "authNoPriv";
        case SecurityLevel::AuthPriv:
            return "authPriv";
    }
    return "?";
}

const char* Name(AuthProtocol protocol) {
    const AuthTraits* traits = Traits(protocol);
    return traits != nullptr ? traits->name : "none";
}

const char* Name(PrivProtocol protocol) {
    const PrivTraits* traits = Traits(protocol);
    return traits != nullptr ? traits->name : "none";
}

bool ParseSecurityLevel(std::string_view text, SecurityLevel* level) {
    return Parse(LEVEL_SPELLINGS, text, level);
}

bool ParseAuthProtocol(std::string_view text, AuthProtocol* protocol) {
    return Parse(AUTH_SPELLINGS, text, protocol);
}

bool ParsePrivProtocol(std::string_view text, PrivProtocol* protocol) {
    return Parse(PRIV_SPELLINGS, text, protocol);
}

}  // namespace usm

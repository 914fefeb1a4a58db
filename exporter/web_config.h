// The listener's TLS and basic authentication, from the web configuration file Prometheus's
// exporters share (--web-config):
//
//   tls_server_config:
//     cert_file: /etc/vellumark/exporter.crt
//     key_file: /etc/vellumark/exporter.key
//   basic_auth_users:
//     prometheus: $2y$10$...        # bcrypt, e.g. from htpasswd -nbBC 10 USER PASS
//
// Either part may be absent. Loading reads the certificate and key into memory and refuses
// unknown keys and hashes that are not bcrypt. Nothing here touches the network.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace exporter {

struct WebConfig {
    std::string certificate;                   // PEM, empty: plain HTTP
    std::string key;                           // PEM
    std::map<std::string, std::string> users;  // name to bcrypt hash; empty: no authentication
};

bool ParseWebConfig(const std::string& yaml, WebConfig& config, std::string& error,
                    const std::string& folder = ".");
bool LoadWebConfig(const std::string& path, WebConfig& config, std::string& error);

// Checks a user's password against the configuration's bcrypt hashes. bcrypt is slow on
// purpose (tens of milliseconds): a pair that passed is remembered, so a scrape each second does
// not pay it each time. An unknown user costs a hash too, so the time does not tell which users
// exist. The server checks on its one polling thread, so hashing may take a fifth of its time
// at most (after a burst): beyond that a pair not remembered is refused unchecked, and guessing
// cannot stall the server.
class PasswordCheck {
  public:
    static constexpr int HASH_TIME_SHARE = 5;  // one part hashing in this many
    static constexpr std::chrono::seconds HASH_BURST{1};

    explicit PasswordCheck(std::map<std::string, std::string> users) : users_(std::move(users)) {}

    bool Required() const { return !users_.empty(); }
    bool Verify(std::string_view user, std::string_view password);

  private:
    bool MayHash();  // with mutex_ held

    const std::map<std::string, std::string> users_;
    std::mutex mutex_;
    std::set<std::string> passed_;                        // user NUL password, bounded
    std::chrono::steady_clock::time_point budgetFrom_{};  // hashing may start from here on
};

// Whether the two texts are equal, in a time that depends on their lengths only.
bool ConstantTimeEqual(std::string_view a, std::string_view b);

}  // namespace exporter

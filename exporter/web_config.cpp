#include "exporter/web_config.h"

#include <crypt.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <vector>

#include "exporter/config.h"
#include "exporter/yaml_file.h"

namespace exporter {
namespace {

constexpr std::size_t REMEMBERED_PASSES = 16;
// Any valid bcrypt hash: an unknown user is checked against it, so that it takes as long.
constexpr const char* DUMMY_HASH = "$2y$10$UqKVOD2tmO85F6PfGxD.9.aolIHpu0Umpa.sWcl0ZcLx/1G0wptzu";

// A map of texts to texts: with `known`, a section of those keys; without, the users.
bool CheckMap(const YAML::Node& map, const char* what, const std::set<std::string>* known,
              std::string& error) {
    if (!map.IsMap()) {
        error = Where(map) + ": '" + what + "' must be a map";
        return false;
    }
    for (const auto& item : map) {
        if (!item.first.IsScalar() || !item.second.IsScalar()) {
            error = Where(item.first) + ": '" + what + "' must map texts to texts";
            return false;
        }
    }
    return known != nullptr ? CheckKeys(map, *known, error) : CheckUnique(map, "user", error);
}
bool IsBcrypt(const std::string& hash) {
    return hash.size() == 60 && hash[0] == '$' && hash[1] == '2' &&
           (hash[2] == 'a' || hash[2] == 'b' || hash[2] == 'y') && hash[3] == '$';
}

// crypt_rn's answer for the password and the hash's salt and cost, "" when it failed.
std::string Bcrypt(const std::string& password, const std::string& hash) {
    crypt_data data{};
    const char* out = crypt_rn(password.c_str(), hash.c_str(), &data, sizeof data);
    return out != nullptr && out[0] != '*' ? std::string(out) : std::string();
}

}  // namespace

bool ConstantTimeEqual(std::string_view a, std::string_view b) {
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}

bool ParseWebConfig(const std::string& yaml, WebConfig& config, std::string& error,
                    const std::string& folder) {
    WebConfig loaded;
    try {
        YAML::Node root;
        if (!LoadOneDocument(yaml, root, error)) {
            return false;
        }
        if (root.IsNull()) {
            config = std::move(loaded);
            return true;
        }
        if (!root.IsMap()) {
            error = "the file must be a map with tls_server_config and basic_auth_users";
            return false;
        }
        if (!CheckKeys(root, {"tls_server_config", "basic_auth_users"}, error)) {
            return false;
        }
        if (const YAML::Node tls = root["tls_server_config"]) {
            const std::set<std::string> known{"cert_file", "key_file"};
            if (!CheckMap(tls, "tls_server_config", &known, error)) {
                return false;
            }
            if (!tls["cert_file"] || !tls["key_file"]) {
                error = Where(tls) + ": tls_server_config needs cert_file and key_file";
                return false;
            }
            if (!ReadFile(InFolder(folder, tls["cert_file"].as<std::string>()), loaded.certificate,
                          error) ||
                !ReadFile(InFolder(folder, tls["key_file"].as<std::string>()), loaded.key, error)) {
                return false;
            }
        }
        if (const YAML::Node users = root["basic_auth_users"]) {
            if (!CheckMap(users, "basic_auth_users", nullptr, error)) {
                return false;
            }
            for (const auto& item : users) {
                const std::string user = item.first.as<std::string>();
                const std::string hash = item.second.as<std::string>();
                if (user.empty() || user.find(':') != std::string::npos) {
                    error = Where(item.first) + ": a user name is not empty and has no ':'";
                    return false;
                }
                if (!IsBcrypt(hash)) {
                    error = Where(item.second) + ": user '" + user +
                            "': the password must be a bcrypt hash ($2y$...)";
                    return false;
                }
                loaded.users[user] = hash;
            }
        }
    } catch (const YAML::Exception& e) {
        error = e.what();
        return false;
    }
    config = std::move(loaded);
    return true;
}

bool LoadWebConfig(const std::string& path, WebConfig& config, std::string& error) {
    std::string text;
    if (!ReadFile(path, text, error)) {
        return false;
    }
    const auto slash = path.rfind('/');
    if (!ParseWebConfig(text, config, error,
                        slash == std::string::npos ? "." : path.substr(0, slash))) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool PasswordCheck::MayHash() {
    const auto now = std::chrono::steady_clock::now();
    budgetFrom_ = std::max(budgetFrom_, now - HASH_BURST);
    return budgetFrom_ <= now;
}

bool PasswordCheck::Verify(std::string_view user, std::string_view password) {
    std::string pair(user);
    pair.append(1, '\0').append(password);
    {
        std::lock_guard lock(mutex_);
        bool known = false;
        for (const std::string& passed : passed_) {
            known |= ConstantTimeEqual(passed, pair);
        }
        if (known) {
            return true;
        }
        if (!MayHash()) {
            return false;
        }
    }
    auto entry = users_.find(std::string(user));
    const std::string hash = entry != users_.end() ? entry->second : DUMMY_HASH;
    const auto start = std::chrono::steady_clock::now();
    const std::string computed = Bcrypt(std::string(password), hash);
    const auto spent = std::chrono::steady_clock::now() - start;
    const bool ok = entry != users_.end() && !computed.empty() && ConstantTimeEqual(computed, hash);
    std::lock_guard lock(mutex_);
    budgetFrom_ += spent * HASH_TIME_SHARE;
    if (ok) {
        if (passed_.size() >= REMEMBERED_PASSES) {
            passed_.clear();
        }
        passed_.insert(pair);
    }
    return ok;
}

}  // namespace exporter

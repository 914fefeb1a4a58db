#include "exporter/config.h"

#include <yaml-cpp/yaml.h>

#include <fstream>
#include <set>
#include <sstream>

#include "exporter/address.h"

namespace exporter {
namespace {

std::string Where(const YAML::Node& node) {
    return "line " + std::to_string(node.Mark().line + 1);
}

bool CheckKeys(const YAML::Node& map, const std::set<std::string>& known, std::string& error) {
    for (const auto& item : map) {
        std::string key = item.first.as<std::string>();
        if (known.count(key) == 0) {
            error = Where(item.first) + ": unknown key '" + key + "'";
            return false;
        }
    }
    return true;
}

bool ReadString(const YAML::Node& map, const char* key, std::string& value, bool required,
                std::string& error) {
    YAML::Node node = map[key];
    if (!node) {
        if (required) {
            error = Where(map) + ": '" + key + "' is missing";
        }
        return !required;
    }
    if (!node.IsScalar()) {
        error = Where(node) + ": '" + key + "' must be a text";
        return false;
    }
    value = node.as<std::string>();
    return true;
}

// A password from the file `key` names (its first line, without the line end), when the entry
// has that key; the entry may not hold the password itself as well.
bool ReadPasswordFile(const YAML::Node& entry, const char* key, const char* passwordKey,
                      std::string& password, std::string& error) {
    std::string path;
    if (!ReadString(entry, key, path, false, error) || path.empty()) {
        return error.empty();
    }
    if (entry[passwordKey]) {
        error = Where(entry[key]) + ": give '" + passwordKey + "' or '" + key + "', not both";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file || !std::getline(file, password)) {
        error = Where(entry[key]) + ": " + key + " '" + path + "' cannot be read";
        return false;
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return true;
}

// An SNMPv3 auth with the SNMP exporter's field names and defaults (MD5, DES, noAuthNoPriv), so
// its users' auths carry over as they are.
bool ReadUsm(const YAML::Node& entry, condition::UsmCredentials& usm, std::string& error) {
    if (!CheckKeys(
            entry,
            {"version", "username", "security_level", "password", "password_file", "auth_protocol",
             "priv_protocol", "priv_password", "priv_password_file", "context_name"},
            error)) {
        return false;
    }
    std::string level = "noAuthNoPriv", auth = "MD5", priv = "DES";
    if (!ReadString(entry, "username", usm.user, true, error) ||
        !ReadString(entry, "security_level", level, false, error) ||
        !ReadString(entry, "auth_protocol", auth, false, error) ||
        !ReadString(entry, "priv_protocol", priv, false, error) ||
        !ReadString(entry, "password", usm.authPassword, false, error) ||
        !ReadString(entry, "priv_password", usm.privPassword, false, error) ||
        !ReadString(entry, "context_name", usm.contextName, false, error) ||
        !ReadPasswordFile(entry, "password_file", "password", usm.authPassword, error) ||
        !ReadPasswordFile(entry, "priv_password_file", "priv_password", usm.privPassword, error)) {
        return false;
    }
    if (!usm::ParseSecurityLevel(level, &usm.level)) {
        error = Where(entry["security_level"]) +
                ": security_level must be noAuthNoPriv, authNoPriv or authPriv";
        return false;
    }
    if (usm.level != usm::SecurityLevel::NoAuthNoPriv && !usm::ParseAuthProtocol(auth, &usm.auth)) {
        error = Where(entry["auth_protocol"]) + ": unknown auth_protocol '" + auth + "'";
        return false;
    }
    if (usm.level == usm::SecurityLevel::AuthPriv && !usm::ParsePrivProtocol(priv, &usm.priv)) {
        error = Where(entry["priv_protocol"]) + ": unknown priv_protocol '" + priv + "'";
        return false;
    }
    if (usm.level != usm::SecurityLevel::NoAuthNoPriv && usm.authPassword.empty()) {
        error = Where(entry) + ": " + usm::Name(usm.level) + " needs a password";
        return false;
    }
    if (usm.level == usm::SecurityLevel::AuthPriv && usm.privPassword.empty()) {
        error = Where(entry) + ": authPriv needs a priv_password";
        return false;
    }
    return true;
}

bool ReadAuths(const YAML::Node& auths, Config& config, std::string& error) {
    if (!auths.IsMap()) {
        error = Where(auths) + ": 'auths' must map names to credentials";
        return false;
    }
    for (const auto& item : auths) {
        std::string name = item.first.as<std::string>();
        const YAML::Node& entry = item.second;
        if (!entry.IsMap()) {
            error = Where(entry) + ": auth '" + name + "' must have version and community";
            return false;
        }
        Auth auth;
        std::string version;
        if (!ReadString(entry, "version", version, true, error)) {
            return false;
        }
        if (version == "3") {
            auth.version = condition::SnmpVersion::V3;
            auth.community.clear();
            if (!ReadUsm(entry, auth.usm, error)) {
                return false;
            }
            config.auths[name] = auth;
            continue;
        }
        if (!CheckKeys(entry, {"version", "community"}, error) ||
            !ReadString(entry, "community", auth.community, true, error)) {
            return false;
        }
        if (!ParseSnmpVersion(version, auth.version)) {
            error = Where(entry["version"]) + ": version must be 1, 2c or 3";
            return false;
        }
        config.auths[name] = auth;
    }
    return true;
}

bool ReadPrinters(const YAML::Node& printers, Config& config, std::string& error) {
    if (!printers.IsSequence()) {
        error = Where(printers) + ": 'printers' must be a list";
        return false;
    }
    if (printers.size() > MAX_CONFIGURED_PRINTERS) {
        error = "more than " + std::to_string(MAX_CONFIGURED_PRINTERS) + " printers";
        return false;
    }
    for (const YAML::Node& entry : printers) {
        if (!entry.IsMap()) {
            error = Where(entry) + ": a printer must have name and target";
            return false;
        }
        PrinterEntry printer;
        if (!CheckKeys(entry, {"name", "target", "auth"}, error) ||
            !ReadString(entry, "name", printer.name, true, error) ||
            !ReadString(entry, "target", printer.target, true, error) ||
            !ReadString(entry, "auth", printer.auth, false, error)) {
            return false;
        }
        std::string why;
        if (!ParseTarget(printer.target, why)) {
            error = Where(entry) + ": " + why;
            return false;
        }
        config.printers.push_back(std::move(printer));
    }
    return true;
}

}  // namespace

bool ParseSnmpVersion(std::string_view text, condition::SnmpVersion& version) {
    if (text == "1") {
        version = condition::SnmpVersion::V1;
    } else if (text == "2c") {
        version = condition::SnmpVersion::V2c;
    } else {
        return false;
    }
    return true;
}

bool ParseConfig(const std::string& yaml, Config& config, std::string& error) {
    Config loaded;
    try {
        YAML::Node root = YAML::Load(yaml);
        if (root.IsNull()) {
            config = std::move(loaded);
            return true;
        }
        if (!root.IsMap()) {
            error = "the file must be a map with 'auths' and 'printers'";
            return false;
        }
        if (!CheckKeys(root, {"auths", "printers"}, error)) {
            return false;
        }
        if (root["auths"] && !ReadAuths(root["auths"], loaded, error)) {
            return false;
        }
        if (root["printers"] && !ReadPrinters(root["printers"], loaded, error)) {
            return false;
        }
    } catch (const YAML::Exception& e) {
        error = e.what();
        return false;
    }
    for (const PrinterEntry& printer : loaded.printers) {
        if (loaded.auths.count(printer.auth) == 0) {
            error = "printer '" + printer.name + "' names unknown auth '" + printer.auth + "'";
            return false;
        }
    }
    config = std::move(loaded);
    return true;
}

bool LoadConfig(const std::string& path, Config& config, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseConfig(text.str(), config, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace exporter

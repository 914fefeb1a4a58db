#include "exporter/config.h"

#include <yaml-cpp/yaml.h>

#include <fstream>
#include <set>
#include <sstream>

#include "exporter/address.h"
#include "exporter/server.h"
#include "exporter/yaml_file.h"

namespace exporter {
namespace {

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

bool ReadTexts(const YAML::Node& node, const char* key, std::vector<std::string>& texts,
               std::string& error) {
    if (!node.IsSequence()) {
        error = Where(node) + ": '" + key + "' must be a list";
        return false;
    }
    for (const YAML::Node& item : node) {
        if (!item.IsScalar()) {
            error = Where(item) + ": '" + key + "' must list texts";
            return false;
        }
        texts.push_back(item.as<std::string>());
    }
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

// Networks in CIDR notation, and (unless `networksOnly`) printers' targets.
bool ReadScope(const YAML::Node& node, AuthScope& scope, std::string& error) {
    std::vector<std::string> texts;
    if (!ReadTexts(node, "allowed_targets", texts, error)) {
        return false;
    }
    scope.scoped = true;
    for (const std::string& text : texts) {
        if (text.find('/') != std::string::npos) {
            auto network = ParseCidr(text);
            if (!network) {
                error = Where(node) + ": '" + text + "' is not a network in CIDR notation";
                return false;
            }
            scope.networks.push_back(*network);
            continue;
        }
        std::string why;
        auto target = ParseTarget(text, why);
        if (!target) {
            error = Where(node) + ": allowed target '" + text + "': " + why;
            return false;
        }
        scope.printers.push_back(*target);
    }
    return true;
}

// An SNMPv3 auth with the SNMP exporter's field names and defaults (MD5, DES, noAuthNoPriv), so
// its users' auths carry over as they are.
bool ReadUsm(const YAML::Node& entry, condition::UsmCredentials& usm, std::string& error) {
    if (!CheckKeys(entry,
                   {"version", "username", "security_level", "password", "password_file",
                    "auth_protocol", "priv_protocol", "priv_password", "priv_password_file",
                    "context_name", "allowed_targets"},
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
    if (!CheckUnique(auths, "auth", error)) {
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
        auth.name = name;
        std::string version;
        if (!ReadString(entry, "version", version, true, error)) {
            return false;
        }
        if (version == "3") {
            auth.version = condition::SnmpVersion::V3;
            auth.community.clear();
            if (!ReadUsm(entry, auth.usm, error) ||
                (entry["allowed_targets"] &&
                 !ReadScope(entry["allowed_targets"], auth.scope, error))) {
                return false;
            }
            config.auths[name] = std::move(auth);
            continue;
        }
        if (!CheckKeys(entry, {"version", "community", "allowed_targets"}, error) ||
            !ReadString(entry, "community", auth.community, true, error)) {
            return false;
        }
        if (!ParseSnmpVersion(version, auth.version)) {
            error = Where(entry["version"]) + ": version must be 1, 2c or 3";
            return false;
        }
        if (auth.community.size() > MAX_COMMUNITY_BYTES) {
            error = Where(entry["community"]) + ": auth '" + name + "': a community has at most " +
                    std::to_string(MAX_COMMUNITY_BYTES) + " bytes";
            return false;
        }
        if (entry["allowed_targets"] && !ReadScope(entry["allowed_targets"], auth.scope, error)) {
            return false;
        }
        config.auths[name] = std::move(auth);
    }
    return true;
}

bool AddPrinter(PrinterEntry printer, const YAML::Node& where, std::vector<PrinterEntry>& printers,
                std::string& error) {
    if (printers.size() >= MAX_CONFIGURED_PRINTERS) {
        error = "more than " + std::to_string(MAX_CONFIGURED_PRINTERS) + " printers";
        return false;
    }
    std::string why;
    if (!ParseTarget(printer.target, why)) {
        error = Where(where) + ": " + why;
        return false;
    }
    printers.push_back(std::move(printer));
    return true;
}

bool ReadPrinters(const YAML::Node& printers, Config& config, std::string& error) {
    if (!printers.IsSequence()) {
        error = Where(printers) + ": 'printers' must be a list";
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
            !ReadString(entry, "auth", printer.auth, false, error) ||
            !AddPrinter(std::move(printer), entry, config.printers, error)) {
            return false;
        }
    }
    return true;
}

// The options a unit file would otherwise carry, checked as the command line checks them.
bool ReadOptions(const YAML::Node& root, Config& config, std::string& error) {
    std::string text;
    if (root["listen"]) {
        if (!ReadString(root, "listen", text, true, error)) {
            return false;
        }
        net::Endpoint address;
        bool dualStack = false;
        std::string why;
        if (!ParseListenAddress(text, address, dualStack, why)) {
            error = Where(root["listen"]) + ": " + why;
            return false;
        }
        config.listen = text;
    }
    if (root["allow_targets"]) {
        std::vector<std::string> texts;
        if (!ReadTexts(root["allow_targets"], "allow_targets", texts, error)) {
            return false;
        }
        std::vector<Cidr> allow;
        for (const std::string& network : texts) {
            auto cidr = ParseCidr(network);
            if (!cidr) {
                error = Where(root["allow_targets"]) + ": '" + network +
                        "' is not a network in CIDR notation";
                return false;
            }
            allow.push_back(*cidr);
        }
        config.allowTargets = std::move(allow);
    }
    if (root["max_probes"]) {
        const YAML::Node node = root["max_probes"];
        int value = 0;
        if (!node.IsScalar() || !YAML::convert<int>::decode(node, value) || value < 1 ||
            value > MAX_PROBES_LIMIT) {
            error = Where(node) + ": max_probes must be a whole number from 1 to " +
                    std::to_string(MAX_PROBES_LIMIT);
            return false;
        }
        config.maxProbes = value;
    }
    if (root["web_config"]) {
        if (!ReadString(root, "web_config", text, true, error)) {
            return false;
        }
        config.webConfig = text;
    }
    return ReadString(root, "printers_file", config.printersFile, false, error);
}

// Every auth without allowed_targets goes only to the printers listed with it, once any are.
void ScopeAuths(Config& config) {
    if (config.printers.empty()) {
        return;
    }
    for (auto& [name, auth] : config.auths) {
        if (auth.scope.scoped) {
            continue;
        }
        auth.scope.scoped = true;
        for (const PrinterEntry& printer : config.printers) {
            std::string why;
            if (printer.auth == name) {
                auth.scope.printers.push_back(*ParseTarget(printer.target, why));
            }
        }
    }
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

bool ParsePrintersFile(const std::string& yaml, std::vector<PrinterEntry>& printers,
                       std::string& error) {
    try {
        YAML::Node groups;
        if (!LoadOneDocument(yaml, groups, error)) {
            return false;
        }
        if (groups.IsNull()) {
            return true;
        }
        if (!groups.IsSequence()) {
            error = "the file must be a list of {targets: [...], labels: {...}}";
            return false;
        }
        for (const YAML::Node& group : groups) {
            if (!group.IsMap() || !CheckKeys(group, {"targets", "labels"}, error)) {
                error = error.empty() ? Where(group) + ": an entry must have targets" : error;
                return false;
            }
            std::vector<std::string> targets;
            if (!group["targets"]) {
                error = Where(group) + ": 'targets' is missing";
                return false;
            }
            if (!ReadTexts(group["targets"], "targets", targets, error)) {
                return false;
            }
            PrinterEntry printer;
            if (const YAML::Node labels = group["labels"]) {
                if (!labels.IsMap()) {
                    error = Where(labels) + ": 'labels' must map names to values";
                    return false;
                }
                if (!CheckUnique(labels, "label", error) ||
                    !ReadString(labels, "printer_name", printer.name, false, error) ||
                    !ReadString(labels, "__param_auth", printer.auth, false, error)) {
                    return false;
                }
            }
            for (const std::string& target : targets) {
                printer.target = target;
                if (!AddPrinter(printer, group, printers, error)) {
                    return false;
                }
            }
        }
    } catch (const YAML::Exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

bool ParseConfig(const std::string& yaml, Config& config, std::string& error,
                 const std::string& folder) {
    Config loaded;
    try {
        YAML::Node root;
        if (!LoadOneDocument(yaml, root, error)) {
            return false;
        }
        if (!root.IsNull()) {
            if (!root.IsMap()) {
                error = "the file must be a map with 'auths' and 'printers'";
                return false;
            }
            if (!CheckKeys(root,
                           {"auths", "printers", "printers_file", "listen", "allow_targets",
                            "max_probes", "web_config"},
                           error)) {
                return false;
            }
            if (root["auths"] && !ReadAuths(root["auths"], loaded, error)) {
                return false;
            }
            if (root["printers"] && !ReadPrinters(root["printers"], loaded, error)) {
                return false;
            }
            if (!ReadOptions(root, loaded, error)) {
                return false;
            }
        }
    } catch (const YAML::Exception& e) {
        error = e.what();
        return false;
    }
    if (!loaded.printersFile.empty()) {
        const std::string path = InFolder(folder, loaded.printersFile);
        loaded.printersPath = path;
        std::string text;
        if (!ReadFile(path, text, error)) {
            error = "printers_file " + error;
            return false;
        }
        if (!ParsePrintersFile(text, loaded.printers, error)) {
            error = path + ": " + error;
            return false;
        }
    }
    for (const PrinterEntry& printer : loaded.printers) {
        if (loaded.auths.count(printer.auth) == 0) {
            error = "printer '" + (printer.name.empty() ? printer.target : printer.name) +
                    "' names unknown auth '" + printer.auth + "'";
            return false;
        }
    }
    ScopeAuths(loaded);
    config = std::move(loaded);
    return true;
}

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return true;
}

bool LoadConfig(const std::string& path, Config& config, std::string& error) {
    std::string text;
    if (!ReadFile(path, text, error)) {
        return false;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!ParseConfig(text, config, error, folder)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace exporter

// The exporter's YAML configuration file: named SNMP credentials ("auths"), so communities never
// travel in URLs, and the printers the status page shows. Loading is strict: an unknown key, a
// bad version, a printer with an unknown auth or a malformed target is an error that names
// where it is, and nothing is loaded.
//
//   auths:
//     office: {version: 2c, community: s3cret}
//     secure: {version: 3, username: monitor, security_level: authPriv, auth_protocol: SHA256,
//              password_file: /etc/vellumark/auth.pass, priv_protocol: AES,
//              priv_password_file: /etc/vellumark/priv.pass}
//   printers:
//     - {name: Reception, target: 10.1.2.30, auth: office}
//     - {name: Lab, target: "lab-printer:1161"}       # auth "default"
//
// The auth "default" (community "public" over SNMPv2c: what printers ship with and fleets run)
// exists unless the file defines its own.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "condition/reader.h"

namespace exporter {

inline constexpr const char* DEFAULT_AUTH = "default";
inline constexpr std::size_t MAX_CONFIGURED_PRINTERS = 10000;

struct Auth {
    condition::SnmpVersion version = condition::SnmpVersion::V2c;
    std::string community = "public";
    condition::UsmCredentials usm{};  // version 3
};

struct PrinterEntry {
    std::string name;
    std::string target;
    std::string auth = DEFAULT_AUTH;
};

struct Config {
    std::map<std::string, Auth, std::less<>> auths{{DEFAULT_AUTH, Auth{}}};
    std::vector<PrinterEntry> printers;
};

// "1" or "2c" (as /probe's snmp_version parameter spells them; SNMPv3 needs an auth's user).
bool ParseSnmpVersion(std::string_view text, condition::SnmpVersion& version);

bool ParseConfig(const std::string& yaml, Config& config, std::string& error);
bool LoadConfig(const std::string& path, Config& config, std::string& error);

}  // namespace exporter

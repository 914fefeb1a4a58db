// The exporter's YAML configuration file: named SNMP credentials ("auths"), so communities never
// travel in URLs; the printers the status page shows; and what would otherwise be command-line
// options (the command line wins over the file). Loading is strict: an unknown or repeated key,
// a repeated auth, a bad version, an over-long community, a printer with an unknown auth or a
// malformed target, a second YAML document is an error that names where it is, and nothing is
// loaded.
//
//   listen: "127.0.0.1:10305"           # --listen
//   allow_targets: [10.0.0.0/8]         # --allow-targets
//   max_probes: 2000                    # --max-probes
//   web_config: /etc/vellumark/web.yml  # --web-config
//   auths:
//     office: {version: 2c, community: s3cret, allowed_targets: [10.1.0.0/16]}
//     secure: {version: 3, username: monitor, security_level: authPriv, auth_protocol: SHA256,
//              password_file: /etc/vellumark/auth.pass, priv_protocol: AES,
//              priv_password_file: /etc/vellumark/priv.pass}
//   printers:
//     - {name: Reception, target: 10.1.2.30, auth: office}
//     - {name: Lab, target: "lab-printer:1161"}       # auth "default"
//   printers_file: /etc/vellumark/printers.yml  # Prometheus's file_sd list, read too
//
// The auth "default" (community "public" over SNMPv2c: what printers ship with and fleets run)
// exists unless the file defines its own. Where an auth may be sent: its allowed_targets
// (networks and printers) when given; else, when the file lists printers, the printers listed
// with it; else anywhere the allow-list lets.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "condition/reader.h"
#include "exporter/address.h"
#include "exporter/auth_scope.h"

namespace exporter {

inline constexpr const char* DEFAULT_AUTH = "default";
inline constexpr std::size_t MAX_CONFIGURED_PRINTERS = 10000;
// SNMP agents keep communities in a DisplayString's 255 bytes; a longer one never matches.
inline constexpr std::size_t MAX_COMMUNITY_BYTES = 255;
inline constexpr int MAX_PROBES_LIMIT = 100000;

struct Auth {
    condition::SnmpVersion version = condition::SnmpVersion::V2c;
    std::string community = "public";
    std::string name = DEFAULT_AUTH;
    AuthScope scope;
    condition::UsmCredentials usm{};  // version 3
};

// One printer of the status page, from `printers:` or the printers file.
struct PrinterEntry {
    std::string name;    // its friendly name; may be empty
    std::string target;  // HOST or HOST:PORT, as /probe's target
    std::string auth = DEFAULT_AUTH;
};

struct Config {
    std::map<std::string, Auth, std::less<>> auths{{DEFAULT_AUTH, Auth{}}};
    std::vector<PrinterEntry> printers;
    // Set only when the file gives them.
    std::optional<std::string> listen;
    std::optional<std::vector<Cidr>> allowTargets;
    std::optional<int> maxProbes;
    std::optional<std::string> webConfig;
    std::string printersFile;
    std::string printersPath;  // printers_file as read: relative to the file's folder
};

// "1" or "2c" (as /probe's snmp_version parameter spells them; SNMPv3 needs an auth's user).
bool ParseSnmpVersion(std::string_view text, condition::SnmpVersion& version);

// `folder` is where a relative printers_file is looked for.
bool ParseConfig(const std::string& yaml, Config& config, std::string& error,
                 const std::string& folder = ".");
bool LoadConfig(const std::string& path, Config& config, std::string& error);

// Prometheus's file service discovery format: a list of {targets: [...], labels: {...}}; the
// label printer_name is a printer's friendly name, __param_auth its auth. Appends to `printers`.
bool ParsePrintersFile(const std::string& yaml, std::vector<PrinterEntry>& printers,
                       std::string& error);

// Reads a whole file; false with `error` naming it.
bool ReadFile(const std::string& path, std::string& text, std::string& error);

}  // namespace exporter

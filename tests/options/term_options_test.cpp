// vellumark-term's command line: its flags wherever they stand, the condition reading's typed
// values, "--" before a target that starts with "-", the target and community joined into the
// command-line text, and the usage errors, each naming the option.
#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "options/term_options.h"

namespace {

const condition::ReadRequest DEFAULTS;

std::optional<std::string> NoEnvironment(const std::string&) {
    return std::nullopt;
}

// What a command line sets: for a usage error only the error counts.
struct Expected {
    bool help = false;
    bool version = false;
    bool once = false;
    bool json = false;
    std::string commandLine{};
    condition::SnmpVersion snmpVersion = DEFAULTS.version;
    int timeoutMs = DEFAULTS.timeoutMs;
    int retries = DEFAULTS.retries;
    double supplyWarning = DEFAULTS.supplyWarningPercent;
    bool check = false;
    double warning = condition::PluginThresholds{}.warning;
    double critical = condition::PluginThresholds{}.critical;
    condition::UsmCredentials usm{};
    std::string error{};
    bool bell = false;
};

std::string Describe(const Expected& e) {
    if (!e.error.empty()) {  // and whether the plugin mode says it
        return "error: " + e.error + (e.check ? " (check)" : "");
    }
    std::ostringstream out;
    out << "help=" << e.help << " version=" << e.version << " once=" << e.once << " json=" << e.json
        << " text=[" << e.commandLine << "] v2c=" << (e.snmpVersion == condition::SnmpVersion::V2c)
        << " timeout=" << e.timeoutMs << " retries=" << e.retries << " warning=" << e.supplyWarning
        << " check=" << e.check << " -w " << e.warning << " -c " << e.critical
        << " bell=" << e.bell;
    if (e.snmpVersion == condition::SnmpVersion::V3) {
        const condition::UsmCredentials& u = e.usm;
        out << " v3 user=" << u.user << " level=" << usm::Name(u.level)
            << " auth=" << usm::Name(u.auth) << "/" << u.authPassword
            << " priv=" << usm::Name(u.priv) << "/" << u.privPassword
            << " context=" << u.contextName;
    }
    return out.str();
}

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    Expected expected;
};

TEST(TermOptions, ArgumentsToOptionsOrUsageErrors) {
    const Row rows[] = {
        {"nothing: the prompt asks", {}, {}},
        {"once with target and community",
         {"--once", "10.0.0.5:1161", "public"},
         {.once = true, .commandLine = "10.0.0.5:1161 public"}},
        {"json implies once, after the target",
         {"host", "--json"},
         {.once = true, .json = true, .commandLine = "host"}},
        {"one argument with a space is both", {"host public"}, {.commandLine = "host public"}},
        {"after -- everything is text", {"--", "--once", "-h"}, {.commandLine = "--once -h"}},
        {"a second -- is text", {"--", "a", "--"}, {.commandLine = "a --"}},
        {"a lone dash is text", {"-", "x"}, {.commandLine = "- x"}},
        {"a tab is not a separator",
         {"--json", " \t "},
         {.once = true, .json = true, .commandLine = " \t "}},
        {"-h", {"-h"}, {.help = true}},
        {"--version", {"--version"}, {.version = true}},
        {"help needs no target", {"--once", "--help"}, {.help = true, .once = true}},
        {"help stops the reading", {"--help", "--bogus"}, {.help = true}},
        {"the reading's options anywhere",
         {"--snmp-version", "2c", "--timeout=250", "--retries", "0", "host", "--supply-warning",
          "12.5", "--once"},
         {.once = true,
          .commandLine = "--condition-version 2c host",
          .snmpVersion = condition::SnmpVersion::V2c,
          .timeoutMs = 250,
          .retries = 0,
          .supplyWarning = 12.5}},
        {"the last of a repeated option",
         {"--timeout", "100", "--timeout=200", "h"},
         {.commandLine = "h", .timeoutMs = 200}},
        {"decimal: 010 is ten", {"--timeout", "010", "h"}, {.commandLine = "h", .timeoutMs = 10}},
        {"the bounds are allowed",
         {"--timeout", "60000", "--supply-warning", "0", "h"},
         {.commandLine = "h", .timeoutMs = 60000, .supplyWarning = 0}},
        // The window's options go first in the command-line text, in one canonical form,
        // wherever they stood.
        {"no ping and retry anywhere",
         {"host", "--retry=030", "public", "--no-ping", "--once"},
         {.once = true, .commandLine = "--no-ping --retry 30 host public"}},
        {"the retry's bounds",
         {"--retry", "1", "--retry", "86400"},
         {.commandLine = "--retry 86400 "}},
        {"no ping alone: the prompt asks", {"--no-ping"}, {.commandLine = "--no-ping "}},
        {"the bell, not in the program's text",
         {"host", "--bell", "--no-ping"},
         {.commandLine = "--no-ping host", .bell = true}},
        {"the bell takes no value", {"--bell=yes", "host"}, {.error = "--bell takes no value"}},
        {"the condition's watch, in canonical form",
         {"h", "--no-notify", "--snmp-version=1", "--condition-every", "010"},
         {.commandLine = "--condition-every 10 --condition-version 1 --no-notify h"}},
        {"a condition interval below ten seconds",
         {"--condition-every", "9", "h"},
         {.error = "--condition-every: '9' is not a whole number from 10 to 86400"}},
        // --snmp-version is the one spelling of the condition's version here, in every mode.
        {"the window's spelling of the version is not offered",
         {"--condition-version", "2c", "h"},
         {.error = "unknown option '--condition-version'"}},
        {"once with no ping still needs a target",
         {"--once", "--no-ping"},
         {.error = "--once needs a TARGET"}},
        {"no ping takes no value", {"--no-ping=1", "h"}, {.error = "--no-ping takes no value"}},
        {"unknown option", {"--bogus", "host"}, {.error = "unknown option '--bogus'"}},
        {"unknown before help", {"--bogus", "--help"}, {.error = "unknown option '--bogus'"}},
        {"a dash and a digit is no target", {"-5"}, {.error = "unknown option '-5'"}},
        {"a flag takes no value", {"--once=1", "h"}, {.error = "--once takes no value"}},
        {"a third argument", {"--", "a", "b", "c"}, {.error = "unexpected argument 'c'"}},
        {"once without a target", {"--once"}, {.error = "--once needs a TARGET"}},
        {"spaces are no target", {"--json", "   "}, {.error = "--once needs a TARGET"}},
        {"a time-out of 0",
         {"--timeout", "0", "h"},
         {.error = "--timeout: '0' is not a whole number from 1 to 60000"}},
        {"a time-out with a unit",
         {"--timeout=5s", "h"},
         {.error = "--timeout: '5s' is not a whole number from 1 to 60000"}},
        {"hexadecimal",
         {"--timeout", "0x10", "h"},
         {.error = "--timeout: '0x10' is not a whole number from 1 to 60000"}},
        {"a sign",
         {"--retries", "+1", "h"},
         {.error = "--retries: '+1' is not a whole number from 0 to 10"}},
        {"too many retries",
         {"--retries", "11", "h"},
         {.error = "--retries: '11' is not a whole number from 0 to 10"}},
        {"a value may start with a dash",
         {"--snmp-version", "-1", "h"},
         {.error = "--snmp-version: '-1' is not 1, 2c or 3"}},
        {"a warning above 100",
         {"--supply-warning", "100.5", "h"},
         {.error = "--supply-warning: '100.5' is not a number from 0 to 100"}},
        {"a warning that is no number",
         {"--supply-warning", "nan", "h"},
         {.error = "--supply-warning: 'nan' is not a number from 0 to 100"}},
        {"a value missing at the end", {"h", "--retries"}, {.error = "--retries needs a value"}},
        {"an empty value",
         {"--timeout=", "h"},
         {.error = "--timeout: '' is not a whole number from 1 to 60000"}},
        {"check with the default thresholds",
         {"--check", "printer:1161", "public"},
         {.commandLine = "printer:1161 public", .check = true}},
        {"check: short and long thresholds, with the reading's options",
         {"-w", "20", "host", "--critical=7.5", "--check", "--snmp-version", "2c"},
         {.commandLine = "--condition-version 2c host",
          .snmpVersion = condition::SnmpVersion::V2c,
          .check = true,
          .warning = 20,
          .critical = 7.5}},
        {"check: equal thresholds",
         {"--check", "-c", "0", "--warning", "0", "h"},
         {.commandLine = "h", .check = true, .warning = 0, .critical = 0}},
        {"check: a warning below the critical",
         {"--check", "-w", "4", "h"},
         {.check = true, .error = "-w/--warning is below -c/--critical"}},
        {"check without a target", {"--check"}, {.check = true, .error = "--check needs a TARGET"}},
        {"check with once",
         {"--check", "--json", "h"},
         {.check = true, .error = "--check goes with neither --once nor --json"}},
        {"check with the window's supply warning",
         {"--check", "--supply-warning", "5", "h"},
         {.check = true,
          .error = "--supply-warning does not go with --check: -w/--warning sets its threshold"}},
        {"a threshold out of range",
         {"--check", "-c", "101", "h"},
         {.check = true, .error = "--critical: '101' is not a number from 0 to 100"}},
        {"a threshold with a unit",
         {"-w", "10%", "--check", "h"},
         {.check = true, .error = "--warning: '10%' is not a number from 0 to 100"}},
        {"an error before --check is the plugin's",
         {"--bogus", "--check", "h"},
         {.check = true, .error = "unknown option '--bogus'"}},
        {"--check after -- is text, not the plugin mode",
         {"--bogus", "--", "--check"},
         {.error = "unknown option '--bogus'"}},
        {"thresholds without check",
         {"--once", "-w", "5", "h"},
         {.error = "-w/--warning and -c/--critical go with --check"}},
    };
    for (const Row& row : rows) {
        const vmterm::CliOptions got = vmterm::ParseOptions(row.arguments, NoEnvironment);
        const Expected seen{got.help,
                            got.version,
                            got.once,
                            got.json,
                            got.commandLine,
                            got.reading.version,
                            got.reading.timeoutMs,
                            got.reading.retries,
                            got.reading.supplyWarningPercent,
                            got.check,
                            got.thresholds.warning,
                            got.thresholds.critical,
                            got.reading.usm,
                            got.error,
                            got.bell};
        EXPECT_EQ(Describe(seen), Describe(row.expected)) << row.name;
    }
}

// SNMPv3's options: net-snmp's letters and the long names, every spelling of a protocol that
// net-snmp or the SNMP exporter writes, the passwords from files and the environment, and the
// combinations a reading cannot use refused before anything is sent.
TEST(TermOptions, SnmpV3Options) {
    const std::string authFile = "/tmp/vm-term-options-auth." + std::to_string(getpid());
    std::ofstream(authFile) << "file-auth\r\nsecond line\n";
    const std::map<std::string, std::string> variables = {
        {vmcli::AUTH_PASSWORD_VARIABLE, "env-auth"}, {vmcli::PRIV_PASSWORD_VARIABLE, "env-priv"}};
    const vmcli::Environment environment =
        [&variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
    using usm::AuthProtocol;
    using usm::PrivProtocol;
    using usm::SecurityLevel;
    const auto v3 = condition::SnmpVersion::V3;
    struct V3Row {
        const char* name;
        std::vector<std::string> arguments;
        bool environment;
        Expected expected;
    };
    const V3Row rows[] = {
        {"net-snmp's letters",
         {"--snmp-version", "3", "-u", "lab", "-l", "authPriv", "-a", "SHA-256", "-A", "pa", "-x",
          "AES", "-X", "px", "-n", "printer", "h"},
         false,
         {.commandLine = "--condition-version 3 h",
          .snmpVersion = v3,
          .usm = {"lab", SecurityLevel::AuthPriv, AuthProtocol::Sha256, "pa", PrivProtocol::Aes128,
                  "px", "printer"}}},
        {"long names and the exporter's spellings",
         {"--snmp-version=3", "--user=lab", "--security-level", "authNoPriv", "--auth-protocol",
          "sha512", "--auth-password", "pa", "--context", "c", "h"},
         false,
         {.commandLine = "--condition-version 3 h",
          .snmpVersion = v3,
          .usm = {"lab", SecurityLevel::AuthNoPriv, AuthProtocol::Sha512, "pa", PrivProtocol::None,
                  "", "c"}}},
        {"AES-256-C as AES256C, priv as a level",
         {"--snmp-version", "3", "-u", "u", "-l", "priv", "-a", "SHA", "-A", "pa", "-x", "AES256C",
          "-X", "px", "h"},
         false,
         {.commandLine = "--condition-version 3 h",
          .snmpVersion = v3,
          .usm = {"u", SecurityLevel::AuthPriv, AuthProtocol::Sha1, "pa", PrivProtocol::Aes256C,
                  "px", ""}}},
        {"passwords from a file (its first line) and the environment",
         {"--snmp-version", "3", "-u", "u", "-l", "authPriv", "-a", "MD5", "--auth-password-file",
          authFile, "-x", "DES", "h"},
         true,
         {.commandLine = "--condition-version 3 h",
          .snmpVersion = v3,
          .usm = {"u", SecurityLevel::AuthPriv, AuthProtocol::Md5, "file-auth", PrivProtocol::Des,
                  "env-priv", ""}}},
        {"the command line before the environment",
         {"--snmp-version", "3", "-u", "u", "-l", "authNoPriv", "-a", "MD5", "-A", "typed", "h"},
         true,
         {.commandLine = "--condition-version 3 h",
          .snmpVersion = v3,
          .usm = {"u", SecurityLevel::AuthNoPriv, AuthProtocol::Md5, "typed", PrivProtocol::None,
                  "env-priv", ""}}},
        {"noAuthNoPriv needs only a user",
         {"--snmp-version", "3", "-u", "u", "h"},
         false,
         {.commandLine = "--condition-version 3 h", .snmpVersion = v3, .usm = {.user = "u"}}},
        {"an unknown protocol",
         {"--snmp-version", "3", "-u", "u", "-a", "SHA-1024", "h"},
         false,
         {.error = "--auth-protocol: 'SHA-1024' is not MD5, SHA, SHA-224, SHA-256, SHA-384 or "
                   "SHA-512"}},
        {"an unknown level",
         {"-l", "secret", "h"},
         false,
         {.error = "--security-level: 'secret' is not noAuthNoPriv, authNoPriv or authPriv"}},
        {"no user",
         {"--snmp-version", "3", "h"},
         false,
         {.error = "--snmp-version 3 needs --user (-u)"}},
        {"a level without its password",
         {"--snmp-version", "3", "-u", "u", "-l", "authNoPriv", "-a", "MD5", "h"},
         false,
         {.error = "authNoPriv needs an authentication password"}},
        {"authPriv without a privacy protocol",
         {"--snmp-version", "3", "-u", "u", "-l", "authPriv", "-a", "MD5", "-A", "p", "-X", "x",
          "h"},
         false,
         {.error = "authPriv needs a privacy protocol"}},
        {"a password twice",
         {"--snmp-version", "3", "-u", "u", "-A", "p", "--auth-password-file", authFile, "h"},
         false,
         {.error = "give --auth-password or --auth-password-file, not both"}},
        {"a password file that is not there",
         {"--snmp-version", "3", "-u", "u", "--priv-password-file", "/nonexistent/p", "h"},
         false,
         {.error = "--priv-password-file: cannot read '/nonexistent/p'"}},
        {"SNMPv3 options without SNMPv3",
         {"--snmp-version", "2c", "-u", "u", "h"},
         false,
         {.error = "the SNMPv3 options need --snmp-version 3"}},
    };
    for (const V3Row& row : rows) {
        const vmterm::CliOptions got =
            vmterm::ParseOptions(row.arguments, row.environment ? environment : NoEnvironment);
        const Expected seen{.commandLine = got.commandLine,
                            .snmpVersion = got.reading.version,
                            .usm = got.reading.usm,
                            .error = got.error};
        EXPECT_EQ(Describe(seen), Describe(row.expected)) << row.name;
    }
    unlink(authFile.c_str());
}

}  // namespace

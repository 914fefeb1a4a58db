// vellumark's command line: --help and --version, every other argument joined into the
// command-line text start-up splits, "--" before a target that starts with "-", the usage
// errors, and SNMPv3's user handed to start-up beside that text, never in it.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "options/qt_options.h"

namespace {

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    vmqt::LaunchAction action;
    std::string text;  // the command line, or the error
};

TEST(QtOptions, ArgumentsToLaunchOrUsageErrors) {
    using A = vmqt::LaunchAction;
    const Row rows[] = {
        {"nothing: the prompt asks", {}, A::Run, ""},
        {"help after a target", {"printer", "--help"}, A::Help, ""},
        {"-h", {"-h"}, A::Help, ""},
        {"--version", {"--version"}, A::Version, ""},
        {"after -- everything is text", {"--", "--help", "-x"}, A::Run, "--help -x"},
        {"further arguments are joined", {"-", "public", "extra"}, A::Run, "- public extra"},
        // The window's options lead the command-line text, in one canonical form.
        {"no ping and retry after the target",
         {"printer", "--no-ping", "--retry", "0120"},
         A::Run,
         "--no-ping --retry 120 printer"},
        {"retry alone: the prompt asks", {"--retry=5"}, A::Run, "--retry 5 "},
        {"a retry of 0",
         {"--retry", "0", "printer"},
         A::UsageError,
         "--retry: '0' is not a whole number from 1 to 86400"},
        {"a retry too long",
         {"--retry=100000"},
         A::UsageError,
         "--retry: '100000' is not a whole number from 1 to 86400"},
        {"a retry without a value", {"printer", "--retry"}, A::UsageError, "--retry needs a value"},
        {"unknown option", {"--bogus"}, A::UsageError, "unknown option '--bogus'"},
        {"the condition's version, in canonical form",
         {"p", "--condition-version=2c", "--no-notify"},
         A::Run,
         "--condition-version 2c --no-notify p"},
        {"a version that is none",
         {"--condition-version", "3c", "p"},
         A::UsageError,
         "--condition-version: '3c' is not 1, 2c or 3"},
    };
    for (const Row& row : rows) {
        const vmqt::Launch launch = vmqt::ParseLaunch(row.arguments);
        EXPECT_EQ(launch.action, row.action) << row.name;
        EXPECT_EQ(launch.text, row.text) << row.name;
    }
}

// SNMPv3 for the condition: net-snmp's letters as the terminal takes them, the version chosen by
// --condition-version, and the passwords, from wherever they came, only in the request.
TEST(QtOptions, SnmpV3ForTheCondition) {
    const std::map<std::string, std::string> variables = {{vmcli::PRIV_PASSWORD_VARIABLE, "env"}};
    const vmcli::Environment environment =
        [&variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string text;  // the command line, or the error
        std::string usm;   // what the request carries: "user level auth/password priv/password"
    } rows[] = {
        {"authPriv in net-snmp's letters",
         {"--condition-version", "3", "-u", "lab", "-l", "authPriv", "-a", "SHA-256", "-A",
          "umber-auth", "-x", "AES", "-X", "umber-priv", "p"},
         "--condition-version 3 p",
         "lab authPriv SHA-256/umber-auth AES/umber-priv"},
        {"long names, the privacy password from the environment",
         {"p", "--user=lab", "--security-level", "authPriv", "--auth-protocol", "SHA512",
          "--auth-password", "a", "--priv-protocol", "AES256C", "--condition-version=3"},
         "--condition-version 3 p",
         "lab authPriv SHA-512/a AES-256-C/env"},
        {"noAuthNoPriv needs only a user",
         {"--condition-version", "3", "-u", "lab"},
         "--condition-version 3 ",
         "lab noAuthNoPriv none/ none/env"},
        {"version 3 without a user",
         {"--condition-version", "3", "p"},
         "--condition-version 3 needs --user (-u)",
         ""},
        {"the SNMPv3 options without version 3",
         {"--condition-version", "2c", "-u", "lab", "p"},
         "the SNMPv3 options need --condition-version 3",
         ""},
        {"a level without its password",
         {"--condition-version", "3", "-u", "lab", "-l", "authNoPriv", "-a", "MD5", "p"},
         "authNoPriv needs an authentication password",
         ""},
    };
    for (const auto& row : rows) {
        const vmqt::Launch launch = vmqt::ParseLaunch(row.arguments, environment);
        const condition::UsmCredentials& u = launch.condition.usm;
        const std::string usm = launch.action != vmqt::LaunchAction::Run
                                    ? ""
                                    : u.user + " " + usm::Name(u.level) + " " + usm::Name(u.auth) +
                                          "/" + u.authPassword + " " + usm::Name(u.priv) + "/" +
                                          u.privPassword;
        EXPECT_EQ(launch.text + " | " + usm, row.text + " | " + row.usm) << row.name;
    }
}

}  // namespace

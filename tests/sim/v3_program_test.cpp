// The simulator's SNMPv3 users as net-snmp's tools see them (the other direction of the
// interop against snmpd): snmpget -v3 at every level with a spread of protocols, both AES-256
// key extensions, snmpbulkwalk -v3 through a table at every level, the context picking the
// profile, and the errors snmpget prints for a wrong password, an unknown user and a level the
// user lacks. The community still answers v2c beside them. Skipped without net-snmp's tools.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"

namespace {

const std::string MODEL_OID = ".1.3.6.1.2.1.25.3.2.1.3.1";  // hrDeviceDescr.1
const std::string MODEL = "HP LaserJet Pro 4012dn";         // laser-mono's

PrinterSimOptions WithUsers() {
    PrinterSimOptions options;
    for (const char* user : {
             "plain:noAuthNoPriv",
             "md5des:authPriv:MD5:md5-auth-pw:DES:md5-priv-pw",
             "sha256aes:authPriv:SHA-256:sha-auth-pw:AES:sha-priv-pw",
             "sha224aes192:authPriv:SHA224:sha-auth-pw:AES192:sha-priv-pw",
             "shaaes256c:authPriv:SHA:sha-auth-pw:AES-256-C:sha-priv-pw",
             "shaaes256:authPriv:SHA:sha-auth-pw:AES-256:sha-priv-pw",
             "sha512:authNoPriv:SHA-512:sha512-auth-pw",
         }) {
        options.extraArgs.push_back("--v3-user");
        options.extraArgs.push_back(user);
    }
    // A second profile under community "colour": the context name "colour" reads it.
    options.extraArgs.insert(options.extraArgs.end(), {"--profile", "colour=colour-laser"});
    return options;
}

std::string V3Arguments(const std::string& user, const std::string& level,
                        const std::string& auth = "", const std::string& authPassword = "",
                        const std::string& priv = "", const std::string& privPassword = "") {
    std::string arguments = "-v3 -On -t 1 -r 0 -u " + user + " -l " + level;
    if (!auth.empty()) {
        arguments += " -a " + auth + " -A " + authPassword;
    }
    if (!priv.empty()) {
        arguments += " -x " + priv + " -X " + privPassword;
    }
    return arguments;
}

TEST(SimV3, NetSnmpReadsEveryUserAndSeesTheRefusals) {
    if (RunCommand("command -v snmpget && command -v snmpbulkwalk").first != 0) {
        GTEST_SKIP() << "net-snmp's snmpget/snmpbulkwalk are missing (Debian package snmp)";
    }
    PrinterSim sim(WithUsers());
    ASSERT_TRUE(sim.ok()) << sim.error();
    struct Row {
        const char* name;
        std::string arguments;
    };
    const Row rows[] = {
        {"noAuthNoPriv", V3Arguments("plain", "noAuthNoPriv")},
        {"MD5 + DES",
         V3Arguments("md5des", "authPriv", "MD5", "md5-auth-pw", "DES", "md5-priv-pw")},
        {"SHA-256 + AES",
         V3Arguments("sha256aes", "authPriv", "SHA-256", "sha-auth-pw", "AES", "sha-priv-pw")},
        {"SHA-224 + AES-192", V3Arguments("sha224aes192", "authPriv", "SHA-224", "sha-auth-pw",
                                          "AES-192", "sha-priv-pw")},
        {"SHA + AES-256-C (Reeder)",
         V3Arguments("shaaes256c", "authPriv", "SHA", "sha-auth-pw", "AES-256-C", "sha-priv-pw")},
        {"SHA + AES-256 (Blumenthal)",
         V3Arguments("shaaes256", "authPriv", "SHA", "sha-auth-pw", "AES-256", "sha-priv-pw")},
        {"SHA-512 authNoPriv", V3Arguments("sha512", "authNoPriv", "SHA-512", "sha512-auth-pw")},
        {"v2c beside them", "-v2c -On -t 1 -r 0 -c orchid"},
    };
    for (const Row& row : rows) {
        const auto [status, output] =
            RunCommand("snmpget " + row.arguments + " " + sim.target() + " " + MODEL_OID + " 2>&1");
        EXPECT_EQ(status, 0) << row.name << ": " << output;
        EXPECT_NE(output.find(MODEL), std::string::npos) << row.name << ": " << output;
    }

    // A walk through the supplies table at every level (in the SNMP exporter's spellings at
    // authPriv): the same rows whoever reads them.
    struct Walk {
        const char* name;
        std::string arguments;
    };
    const Walk walks[] = {
        {"noAuthNoPriv", V3Arguments("plain", "noAuthNoPriv")},
        {"authNoPriv SHA-512", V3Arguments("sha512", "authNoPriv", "SHA-512", "sha512-auth-pw")},
        {"authPriv SHA256 + AES128",
         V3Arguments("sha256aes", "authPriv", "SHA256", "sha-auth-pw", "AES128", "sha-priv-pw")},
    };
    const auto [v2cStatus, v2cWalk] = RunCommand("snmpbulkwalk -v2c -On -t 1 -r 0 -c orchid " +
                                                 sim.target() + " .1.3.6.1.2.1.43.11.1.1 2>&1");
    ASSERT_EQ(v2cStatus, 0) << v2cWalk;
    ASSERT_NE(v2cWalk.find(".1.3.6.1.2.1.43.11.1.1.9.1.1 = "), std::string::npos) << v2cWalk;
    for (const Walk& walk : walks) {
        const auto [status, output] = RunCommand("snmpbulkwalk " + walk.arguments + " " +
                                                 sim.target() + " .1.3.6.1.2.1.43.11.1.1 2>&1");
        EXPECT_EQ(status, 0) << walk.name << ": " << output;
        EXPECT_EQ(output, v2cWalk) << walk.name;
    }

    // The context naming the other profile.
    const auto [colourStatus, colour] =
        RunCommand("snmpget " + V3Arguments("plain", "noAuthNoPriv") + " -n colour " +
                   sim.target() + " " + MODEL_OID + " 2>&1");
    EXPECT_EQ(colourStatus, 0) << colour;
    EXPECT_EQ(colour.find(MODEL), std::string::npos) << "not laser-mono's model: " << colour;

    // The refusals as snmpget words them. (A wrong protocol fails the same MAC check as a wrong
    // password; which report each refusal gets: usm_agent_test.cpp.)
    struct Refusal {
        const char* name;
        std::string arguments;
        const char* message;  // what snmpget prints
    };
    const Refusal refusals[] = {
        {"wrong password",
         V3Arguments("sha256aes", "authPriv", "SHA-256", "not-the-pw", "AES", "sha-priv-pw"),
         "Authentication failure"},
        {"unknown user", V3Arguments("mallory", "noAuthNoPriv"), "Unknown user name"},
        {"authPriv for an authNoPriv user",
         V3Arguments("sha512", "authPriv", "SHA-512", "sha512-auth-pw", "AES", "sha512-priv-pw"),
         "Unsupported security level"},
        {"noAuthNoPriv for an authPriv user", V3Arguments("md5des", "noAuthNoPriv"),
         "authorizationError"},
    };
    for (const Refusal& row : refusals) {
        const auto [status, output] =
            RunCommand("snmpget " + row.arguments + " " + sim.target() + " " + MODEL_OID + " 2>&1");
        EXPECT_NE(status, 0) << row.name << ": " << output;
        EXPECT_NE(output.find(row.message), std::string::npos) << row.name << ": " << output;
    }
}

}  // namespace

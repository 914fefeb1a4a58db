// The configuration file: what loads, and that every mistake is refused with where it is. (A
// file with auths and printers, and the credentials they give a reading: http_test.py.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "exporter/config.h"

namespace exporter {
namespace {

TEST(Config, Loads) {
    Config config;
    std::string error;
    ASSERT_TRUE(
        ParseConfig("printers:\n  - {name: Lab, target: \"lab-printer:1161\"}", config, error))
        << error;
    ASSERT_EQ(config.printers.size(), 1u);
    EXPECT_EQ(config.printers[0].auth, DEFAULT_AUTH);
    // Without an auth of its own, the one printers ship with, over what fleets run.
    EXPECT_EQ(config.auths.at(DEFAULT_AUTH).community, "public");
    EXPECT_EQ(config.auths.at(DEFAULT_AUTH).version, condition::SnmpVersion::V2c);

    ASSERT_TRUE(ParseConfig("auths:\n  default: {version: 2c, community: x}\n", config, error));
    EXPECT_EQ(config.auths.at(DEFAULT_AUTH).community, "x");
    ASSERT_TRUE(ParseConfig("", config, error));
    EXPECT_TRUE(config.printers.empty());
}

// SNMPv3 auths as Prometheus's SNMP exporter writes them, its defaults (MD5, DES) included, and
// the passwords from files so that the configuration holds none.
TEST(Config, LoadsSnmpV3AuthsInTheSnmpExportersWords) {
    const std::string passFile = "/tmp/vm-config-test-pass." + std::to_string(getpid());
    std::ofstream(passFile) << "from-a-file\r\nignored\n";
    struct Row {
        const char* name;
        std::string yaml;  // the auth's fields after "version: 3, "
        condition::UsmCredentials usm;
    };
    using usm::AuthProtocol;
    using usm::PrivProtocol;
    using usm::SecurityLevel;
    const Row rows[] = {
        {"authPriv with every field",
         "username: mon, security_level: authPriv, password: pa, auth_protocol: SHA256, "
         "priv_protocol: AES192C, priv_password: px, context_name: printer",
         {"mon", SecurityLevel::AuthPriv, AuthProtocol::Sha256, "pa", PrivProtocol::Aes192C, "px",
          "printer"}},
        {"the SNMP exporter's defaults",
         "username: mon, security_level: authPriv, password: pa, priv_password: px",
         {"mon", SecurityLevel::AuthPriv, AuthProtocol::Md5, "pa", PrivProtocol::Des, "px", ""}},
        {"passwords from files",
         "username: mon, security_level: authPriv, auth_protocol: SHA, password_file: " + passFile +
             ", priv_protocol: AES, priv_password_file: " + passFile,
         {"mon", SecurityLevel::AuthPriv, AuthProtocol::Sha1, "from-a-file", PrivProtocol::Aes128,
          "from-a-file", ""}},
        {"noAuthNoPriv by default", "username: mon", {.user = "mon"}},
    };
    for (const Row& row : rows) {
        Config config;
        std::string error;
        ASSERT_TRUE(ParseConfig("auths:\n  v3: {version: 3, " + row.yaml + "}\n", config, error))
            << row.name << ": " << error;
        const Auth& auth = config.auths.at("v3");
        EXPECT_EQ(auth.version, condition::SnmpVersion::V3) << row.name;
        const condition::UsmCredentials& got = auth.usm;
        EXPECT_EQ(got.user, row.usm.user) << row.name;
        EXPECT_EQ(got.level, row.usm.level) << row.name;
        EXPECT_EQ(got.auth, row.usm.auth) << row.name;
        EXPECT_EQ(got.authPassword, row.usm.authPassword) << row.name;
        EXPECT_EQ(got.priv, row.usm.priv) << row.name;
        EXPECT_EQ(got.privPassword, row.usm.privPassword) << row.name;
        EXPECT_EQ(got.contextName, row.usm.contextName) << row.name;
    }
    unlink(passFile.c_str());
}

TEST(Config, RefusesMistakes) {
    struct Case {
        const char* yaml;
        const char* error;  // a part of the message
    } cases[] = {
        {"auth: {}", "line 1: unknown key 'auth'"},
        {"auths:\n  a: {version: 4, community: x}", "line 2: version must be 1, 2c or 3"},
        {"auths:\n  a: {version: 3, community: x}", "unknown key 'community'"},
        {"auths:\n  a: {version: 2c, community: x, username: y}", "unknown key 'username'"},
        {"auths:\n  a: {version: 3}", "'username' is missing"},
        {"auths:\n  a: {version: 3, username: u, security_level: secret}",
         "security_level must be noAuthNoPriv, authNoPriv or authPriv"},
        {"auths:\n  a: {version: 3, username: u, security_level: authNoPriv, password: p,\n"
         "      auth_protocol: SHA1024}",
         "line 3: unknown auth_protocol 'SHA1024'"},
        {"auths:\n  a: {version: 3, username: u, security_level: authPriv, password: p,\n"
         "      priv_password: x, priv_protocol: ROT13}",
         "unknown priv_protocol 'ROT13'"},
        {"auths:\n  a: {version: 3, username: u, security_level: authNoPriv}",
         "authNoPriv needs a password"},
        {"auths:\n  a: {version: 3, username: u, security_level: authPriv, password: p}",
         "authPriv needs a priv_password"},
        {"auths:\n  a: {version: 3, username: u, password: p, password_file: /dev/null}",
         "give 'password' or 'password_file', not both"},
        {"auths:\n  a: {version: 3, username: u, password_file: /nonexistent/pass}",
         "password_file '/nonexistent/pass' cannot be read"},
        {"auths:\n  a: {version: 1}", "'community' is missing"},
        {"auths:\n  a: {version: 1, community: x, user: y}", "unknown key 'user'"},
        {"auths:\n  a: {version: 1, community: [x]}", "must be a text"},
        {"auths: [a]", "must map names"},
        {"printers:\n  - {name: a, target: 'bad host'}", "line 2:"},
        {"printers:\n  - {name: a}", "'target' is missing"},
        {"printers:\n  - {name: a, target: b, auth: nope}", "unknown auth 'nope'"},
        {"printers: {a: b}", "must be a list"},
        {"- a\n- b", "must be a map"},
        {"auths: {a: [", ""},  // YAML syntax: yaml-cpp's message
    };
    for (const Case& c : cases) {
        Config config;
        config.printers.push_back({"kept", "x", DEFAULT_AUTH});
        std::string error;
        EXPECT_FALSE(ParseConfig(c.yaml, config, error)) << c.yaml;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.yaml << " -> " << error;
        EXPECT_EQ(config.printers.size(), 1u) << "nothing loaded on error";
    }
}

}  // namespace
}  // namespace exporter

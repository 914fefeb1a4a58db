// The configuration file: what loads, and that every mistake is refused with where it is; the
// printers file Prometheus shares; the web configuration. (A file with auths and printers, and
// the credentials they give a reading: http_test.py; reloading: reload_test.py.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "exporter/config.h"
#include "exporter/web_config.h"

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
        // yaml-cpp would keep the first of a repeated key and drop the rest without a word.
        {"auths:\n  a: {version: 1, community: x}\n  a: {version: 2c, community: y}",
         "line 3: auth 'a' is given twice"},
        {"auths: {}\nprinters: []\nauths:\n  a: {version: 1, community: x}",
         "line 3: key 'auths' is given twice"},
        {"printers:\n  - {name: a, target: b, name: c}", "line 2: key 'name' is given twice"},
        {"auths:\n  a: {version: 1, community: x, version: 2c}", "key 'version' is given twice"},
        {"auths: {}\n---\nprinters: []\n", "line 3: a second YAML document"},
        {"auths: {}\n...\n---\n", "a second YAML document"},
        {"auths:\n  a: {version: 1, community: x}\n  long: {version: 1, community: "
         "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
         "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
         "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx}",
         "line 3: auth 'long': a community has at most 255 bytes"},
        {"auths:\n  a: {version: 1, community: x, allowed_targets: [10.0.0.1/8]}",
         "'10.0.0.1/8' is not a network"},
        {"auths:\n  a: {version: 1, community: x, allowed_targets: 10.0.0.0/8}",
         "'allowed_targets' must be a list"},
        {"auths:\n  a: {version: 1, community: x, allowed_targets: ['a b']}",
         "allowed target 'a b'"},
        {"auths:\n  a: {version: 3, username: u, allowed_targets: [10.0.0.1/8]}",
         "'10.0.0.1/8' is not a network"},
        {"listen: 'localhost:9116'", "line 1: listen address must be an IPv4 or IPv6 address"},
        {"listen: 127.0.0.1", "listen address '127.0.0.1'"},
        {"allow_targets: [10.0.0.0/8, 10.0.0.1/8]", "'10.0.0.1/8' is not a network"},
        {"allow_targets: 10.0.0.0/8", "'allow_targets' must be a list"},
        {"max_probes: 0", "max_probes must be a whole number from 1 to 100000"},
        {"max_probes: many", "max_probes must be"},
        {"web_config: [a]", "'web_config' must be a text"},
        {"printers_file: /nonexistent/printers.yml",
         "printers_file /nonexistent/printers.yml: cannot be read"},
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

TEST(Config, OptionsAndScopes) {
    Config config;
    std::string error;
    ASSERT_TRUE(
        ParseConfig("listen: '[::1]:9116'\n"
                    "allow_targets: [10.0.0.0/8, 'fd00::/8']\n"
                    "max_probes: 50\n"
                    "web_config: web.yml\n"
                    "auths:\n"
                    "  office: {version: 1, community: o, allowed_targets: [10.1.0.0/16]}\n"
                    "  lab: {version: 2c, community: l}\n"
                    "  spare: {version: 2c, community: s}\n"
                    "printers:\n"
                    "  - {name: Lab, target: 10.2.0.1, auth: lab}\n",
                    config, error))
        << error;
    EXPECT_EQ(config.listen.value_or(""), "[::1]:9116");
    ASSERT_TRUE(config.allowTargets.has_value());
    EXPECT_EQ(config.allowTargets->size(), 2u);
    EXPECT_EQ(config.maxProbes.value_or(0), 50);
    EXPECT_EQ(config.webConfig.value_or(""), "web.yml");
    // Its own networks; the printers listed with it; none listed with it: nowhere.
    const AuthScope& office = config.auths.at("office").scope;
    EXPECT_TRUE(office.scoped);
    EXPECT_EQ(office.networks.size(), 1u);
    EXPECT_TRUE(office.printers.empty());
    const AuthScope& lab = config.auths.at("lab").scope;
    EXPECT_TRUE(lab.scoped);
    ASSERT_EQ(lab.printers.size(), 1u);
    EXPECT_EQ(lab.printers[0].host, "10.2.0.1");
    EXPECT_TRUE(config.auths.at("spare").scope.scoped);
    EXPECT_TRUE(config.auths.at("spare").scope.printers.empty());
    EXPECT_TRUE(config.auths.at(DEFAULT_AUTH).scope.scoped);

    // Without printers and allowed_targets an auth goes wherever the allow-list lets.
    ASSERT_TRUE(ParseConfig("auths: {lab: {version: 2c, community: l}}", config, error));
    EXPECT_FALSE(config.auths.at("lab").scope.scoped);
    EXPECT_FALSE(config.listen.has_value());
    EXPECT_FALSE(config.maxProbes.has_value());
}

// Prometheus's file_sd list, as packaging/prometheus/printers.yml ships it, read for the page.
TEST(Config, PrintersFile) {
    struct Row {
        const char* name;
        const char* yaml;
        const char* error;  // a part of it; "" when it loads
        std::size_t printers;
    } rows[] = {
        {"empty", "", "", 0},
        {"json, as file_sd takes too", R"([{"targets": ["10.0.0.1", "10.0.0.2:1161"]}])", "", 2},
        {"a label twice", "- targets: [a]\n  labels: {printer_name: x, printer_name: y}",
         "line 2: label 'printer_name' is given twice", 0},
        {"a misspelt key", "- {targets: [a], lables: {}}", "unknown key 'lables'", 0},
        {"no targets", "- {labels: {}}", "'targets' is missing", 0},
        {"a bad target", "- targets: [a]\n- targets: ['bad host']", "line 2:", 0},
        {"not a list", "{targets: [a]}", "must be a list", 0},
        {"labels not a map", "- {targets: [a], labels: [x]}", "'labels' must map", 0},
        {"a second document", "- targets: [a]\n---\n- targets: [b]", "second YAML document", 0},
    };
    for (const Row& row : rows) {
        std::vector<PrinterEntry> printers;
        std::string error;
        const bool ok = ParsePrintersFile(row.yaml, printers, error);
        EXPECT_EQ(ok, row.error[0] == '\0') << row.name << ": " << error;
        EXPECT_NE(error.find(row.error), std::string::npos) << row.name << ": " << error;
        if (ok) {
            EXPECT_EQ(printers.size(), row.printers) << row.name;
        }
    }

    // The shipped list: its names and auths; the exporter.yml that names it.
    const std::string shipped = VM_SOURCE_DIR "/packaging/prometheus";
    Config config;
    std::string error;
    ASSERT_TRUE(
        ParseConfig("auths: {warehouse: {version: 2c, community: w}}\n"
                    "printers_file: printers.yml\n",
                    config, error, shipped))
        << error;
    ASSERT_EQ(config.printers.size(), 4u);
    const PrinterEntry expected[] = {{"reception-2f", "192.168.1.20", DEFAULT_AUTH},
                                     {"", "192.168.1.21", DEFAULT_AUTH},
                                     {"", "192.168.1.22", DEFAULT_AUTH},
                                     {"warehouse-dock", "10.20.0.15:161", "warehouse"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(config.printers[i].name, expected[i].name) << i;
        EXPECT_EQ(config.printers[i].target, expected[i].target) << i;
        EXPECT_EQ(config.printers[i].auth, expected[i].auth) << i;
    }
    EXPECT_FALSE(ParseConfig("printers_file: printers.yml\n", config, error, shipped));
    EXPECT_NE(error.find("printer 'warehouse-dock' names unknown auth 'warehouse'"),
              std::string::npos)
        << error;
    EXPECT_TRUE(LoadConfig(shipped + "/exporter.yml", config, error)) << error;
}

TEST(WebConfig, LoadsAndRefuses) {
    const std::string folder = ::testing::TempDir();
    std::ofstream(folder + "/cert.pem") << "CERT";
    std::ofstream(folder + "/key.pem") << "KEY";
    // htpasswd -nbBC 10 prometheus secret
    const std::string hash = "$2y$10$xtrX3/irsIYbU.PbysT/SevCcFotHvgwawNkglZ9lMZ5K14iKRbYm";
    WebConfig web;
    std::string error;
    ASSERT_TRUE(
        ParseWebConfig("tls_server_config: {cert_file: cert.pem, key_file: key.pem}\n"
                       "basic_auth_users:\n  prometheus: '" +
                           hash + "'\n",
                       web, error, folder))
        << error;
    EXPECT_EQ(web.certificate, "CERT");
    EXPECT_EQ(web.key, "KEY");
    PasswordCheck check(web.users);
    EXPECT_TRUE(check.Required());
    struct Try {
        const char* name;
        const char* user;
        const char* password;
        bool ok;
    } tries[] = {
        {"right", "prometheus", "secret", true},
        {"again, remembered", "prometheus", "secret", true},
        {"wrong password", "prometheus", "Secret", false},
        {"a prefix", "prometheus", "secre", false},
        {"longer", "prometheus", "secret2", false},
        {"empty", "prometheus", "", false},
        {"unknown user", "grafana", "secret", false},
    };
    for (const Try& t : tries) {
        PasswordCheck fresh(web.users);  // each with its budget of hashes whole
        EXPECT_EQ(fresh.Verify(t.user, t.password), t.ok) << t.name;
        EXPECT_EQ(check.Verify(t.user, t.password), t.ok) << t.name << ", after the others";
    }

    // Guessing spends the time the server may hash: then even the right password, never seen,
    // is refused unchecked until the time is there again; a pair remembered still passes.
    PasswordCheck guessed(web.users);
    for (int i = 0; i < 40; ++i) {
        EXPECT_FALSE(guessed.Verify("prometheus", "guess")) << i;
    }
    EXPECT_FALSE(guessed.Verify("prometheus", "secret")) << "beyond the budget";
    EXPECT_TRUE(check.Verify("prometheus", "secret")) << "remembered";
    bool passed = false;
    for (int i = 0; i < 100 && !passed; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        passed = guessed.Verify("prometheus", "secret");
    }
    EXPECT_TRUE(passed) << "when the budget came back";

    struct Bad {
        const char* name;
        std::string yaml;
        const char* error;
    } bads[] = {
        {"a plain password", "basic_auth_users: {u: secret}", "must be a bcrypt hash"},
        {"an unknown key", "tls_server_config: {cert_file: cert.pem, key_file: key.pem, x: 1}",
         "unknown key 'x'"},
        {"no key file", "tls_server_config: {cert_file: cert.pem}", "needs cert_file and key_file"},
        {"a missing file", "tls_server_config: {cert_file: none.pem, key_file: key.pem}",
         "none.pem: cannot be read"},
        {"a user twice", "basic_auth_users:\n  u: '" + hash + "'\n  u: '" + hash + "'",
         "line 3: user 'u' is given twice"},
        {"a misspelt section", "basic_auth_user: {}", "unknown key 'basic_auth_user'"},
    };
    for (const Bad& bad : bads) {
        WebConfig loaded;
        EXPECT_FALSE(ParseWebConfig(bad.yaml, loaded, error, folder)) << bad.name;
        EXPECT_NE(error.find(bad.error), std::string::npos) << bad.name << ": " << error;
    }
}

}  // namespace
}  // namespace exporter

// The configuration file: what loads, and that every mistake is refused with where it is. (A
// file with auths and printers, and the credentials they give a reading: http_test.py.)
#include <gtest/gtest.h>

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

TEST(Config, RefusesMistakes) {
    struct Case {
        const char* yaml;
        const char* error;  // a part of the message
    } cases[] = {
        {"auth: {}", "line 1: unknown key 'auth'"},
        {"auths:\n  a: {version: 3, community: x}", "line 2: version must be 1 or 2c"},
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

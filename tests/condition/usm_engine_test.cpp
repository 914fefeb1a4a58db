// The engine reading over SNMPv3 against the simulator program's v3 users: every security
// level reads the same condition as SNMPv2c does, and each mistake a user makes ends the
// reading with its own error well before the deadline, never as a time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "condition/engine.h"
#include "condition/render.h"
#include "platform/net/net.h"
#include "snmp/usm_keys.h"
#include "tests/support/printer_sim.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::ReadError;
using condition::UsmCredentials;
using usm::AuthProtocol;
using usm::PrivProtocol;
using usm::SecurityLevel;
using Clock = std::chrono::steady_clock;

constexpr const char* AUTH_PASSWORD = "cobalt-toner-auth";
constexpr const char* PRIV_PASSWORD = "cobalt-toner-priv";

PrinterSimOptions ColourLaserWithV3Users() {
    PrinterSimOptions options = PrinterSim::Bundled("colour-laser");
    // Not the readers' default community: a reading that fell back to SNMPv2c reads nothing.
    options.community = "ochre";
    options.extraArgs = {
        "--v3-user",
        std::string("secret:authPriv:SHA-256:") + AUTH_PASSWORD + ":AES:" + PRIV_PASSWORD,
        "--v3-user",
        std::string("signed:authNoPriv:MD5:") + AUTH_PASSWORD,
        "--v3-user",
        "open:noAuthNoPriv"};
    return options;
}

condition::ReadRequest V3Request(std::uint16_t port, const UsmCredentials& usm) {
    return {.agent = net::IPv4Endpoint(127, 0, 0, 1, port),
            .version = condition::SnmpVersion::V3,
            .usm = usm,
            .timeoutMs = 1000,
            .deadline = Clock::now() + 10s};
}

UsmCredentials Secret() {
    return {.user = "secret",
            .level = SecurityLevel::AuthPriv,
            .auth = AuthProtocol::Sha256,
            .authPassword = AUTH_PASSWORD,
            .priv = PrivProtocol::Aes128,
            .privPassword = PRIV_PASSWORD};
}

TEST(ConditionUsm, EveryLevelReadsTheConditionSnmpV2cReads) {
    PrinterSim sim(ColourLaserWithV3Users());
    ASSERT_TRUE(sim.ok()) << sim.error();
    const Condition v2c = condition::ReadOnce({.agent = net::IPv4Endpoint(127, 0, 0, 1, sim.port()),
                                               .version = condition::SnmpVersion::V2c,
                                               .community = "ochre",
                                               .timeoutMs = 1000,
                                               .deadline = Clock::now() + 10s});
    ASSERT_EQ(v2c.error, "");
    ASSERT_FALSE(v2c.supplies.empty());
    struct Row {
        const char* name;
        UsmCredentials usm;
    };
    const Row rows[] = {
        {"authPriv SHA-256 AES", Secret()},
        {"authNoPriv MD5",
         {.user = "signed",
          .level = SecurityLevel::AuthNoPriv,
          .auth = AuthProtocol::Md5,
          .authPassword = AUTH_PASSWORD}},
        {"noAuthNoPriv", {.user = "open"}},
    };
    for (const Row& row : rows) {
        const auto started = Clock::now();
        const Condition v3 = condition::ReadOnce(V3Request(sim.port(), row.usm));
        EXPECT_EQ(v3.error, "") << row.name;
        EXPECT_EQ(condition::ConditionJson(v3), condition::ConditionJson(v2c)) << row.name;
        EXPECT_LT(Clock::now() - started, 5s) << row.name << ": no request may wait out a time-out";
    }
}

// Key derivation is a million hash rounds: a fleet read again and again with one user derives
// each password's key once, not once per reading or per request.
TEST(ConditionUsm, KeysAreDerivedOncePerPasswordAcrossReadings) {
    PrinterSimOptions options = ColourLaserWithV3Users();
    options.extraArgs.insert(options.extraArgs.end(), {"--fleet", "3"});
    PrinterSim fleet(options);
    ASSERT_TRUE(fleet.ok()) << fleet.error();
    const std::size_t before = usm::KeyCache::Shared().derivations();
    for (int round = 0; round < 2; ++round) {
        for (std::size_t printer = 0; printer < 3; ++printer) {
            const Condition c = condition::ReadOnce(V3Request(fleet.port(printer), Secret()));
            EXPECT_EQ(c.error, "") << "printer " << printer << " round " << round;
        }
    }
    EXPECT_LE(usm::KeyCache::Shared().derivations() - before, 2u)
        << "one derivation per password at most, whatever the engines and readings";
}

// Datagrams the simulator's printers received so far.
std::uint64_t Received(const PrinterSim& sim) {
    const std::string stats = sim.command("stats");
    const auto at = stats.find(" requests=");
    return at == std::string::npos ? 0 : std::stoull(stats.substr(at + 10));
}

// The requests of one reading, counted where the printer receives them.
std::uint64_t RequestsOf(const PrinterSim& sim, const condition::ReadRequest& request) {
    const std::uint64_t before = Received(sim);
    const Condition c = condition::ReadOnce(request);
    EXPECT_EQ(c.error, "");
    return Received(sim) - before;
}

// The engine's discovery is one round trip per printer, not per reading: later readings of a
// printer send what an SNMPv2c reading sends. A printer whose engine restarted or changed
// since costs one request more, once.
TEST(ConditionUsm, OnlyAPrintersFirstReadingDiscoversItsEngine) {
    // An engine ID of this run's own, so that nothing an earlier reading of this process
    // remembers can match it.
    const auto ticks = Clock::now().time_since_epoch().count();
    char engine[32];
    std::snprintf(engine, sizeof engine, "8000000004%016llx",
                  static_cast<unsigned long long>(ticks));
    PrinterSimOptions options = ColourLaserWithV3Users();
    options.extraArgs.insert(options.extraArgs.end(), {"--engine-id", engine});
    auto sim = std::make_unique<PrinterSim>(options);
    ASSERT_TRUE(sim->ok()) << sim->error();
    const std::uint16_t port = sim->port();
    condition::ReadRequest v2c = V3Request(port, {});
    v2c.version = condition::SnmpVersion::V2c;
    v2c.community = "ochre";
    const std::uint64_t plain = RequestsOf(*sim, v2c);
    ASSERT_GT(plain, 0u);
    EXPECT_EQ(RequestsOf(*sim, V3Request(port, Secret())), plain + 1) << "first: discovery";
    EXPECT_EQ(RequestsOf(*sim, V3Request(port, Secret())), plain) << "second: none";

    struct Row {
        const char* name;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"restarted with the next boots", {"--engine-id", engine, "--engine-boots", "2"}},
        {"another engine ID", {"--engine-id", "80000000046e6577"}},
    };
    for (const Row& row : rows) {
        sim.reset();
        PrinterSimOptions again = ColourLaserWithV3Users();
        again.extraArgs.insert(again.extraArgs.end(), row.args.begin(), row.args.end());
        again.extraArgs.insert(again.extraArgs.end(),
                               {"--listen", "127.0.0.1:" + std::to_string(port)});
        sim = std::make_unique<PrinterSim>(again);
        ASSERT_TRUE(sim->ok()) << row.name << ": " << sim->error();
        ASSERT_EQ(sim->port(), port) << row.name;
        EXPECT_EQ(RequestsOf(*sim, V3Request(port, Secret())), plain + 1) << row.name;
        EXPECT_EQ(RequestsOf(*sim, V3Request(port, Secret())), plain) << row.name << ", again";
    }
}

TEST(ConditionUsm, EachMistakeEndsTheReadingWithItsOwnError) {
    PrinterSim sim(ColourLaserWithV3Users());
    ASSERT_TRUE(sim.ok()) << sim.error();
    struct Row {
        const char* name;
        UsmCredentials usm;
        std::string error;
    };
    UsmCredentials wrongPassword = Secret();
    wrongPassword.authPassword = "cobalt-toner-wrong";
    UsmCredentials wrongProtocol = Secret();
    wrongProtocol.auth = AuthProtocol::Sha1;
    UsmCredentials unknownUser = Secret();
    unknownUser.user = "stranger";
    UsmCredentials levelTooHigh = Secret();
    levelTooHigh.user = "signed";
    levelTooHigh.auth = AuthProtocol::Md5;
    UsmCredentials noPrivacyProtocol = Secret();
    noPrivacyProtocol.priv = PrivProtocol::None;
    const Row rows[] = {
        {"wrong password", wrongPassword, "authentication failed (wrong password or protocol)"},
        {"wrong protocol", wrongProtocol, "authentication failed (wrong password or protocol)"},
        {"unknown user", unknownUser, "unknown user stranger"},
        {"a level the user does not have", levelTooHigh,
         "security level not supported by the agent"},
        {"authPriv without a privacy protocol", noPrivacyProtocol,
         "authPriv needs a privacy protocol"},
    };
    for (const Row& row : rows) {
        const auto started = Clock::now();
        const Condition c = condition::ReadOnce(V3Request(sim.port(), row.usm));
        EXPECT_EQ(c.error, row.error) << row.name;
        ASSERT_EQ(c.errorKinds.size(), 1u) << row.name;
        EXPECT_EQ(c.errorKinds[0], ReadError::Security) << row.name;
        EXPECT_TRUE(c.supplies.empty()) << row.name;
        EXPECT_LT(Clock::now() - started, 900ms) << row.name << ": an error, not a time-out";
    }
}

}  // namespace

// The condition reading against agents written by others: snmpsimd serving the full profile
// (v1 and v2c), net-snmp's snmpd on v2c (real Host Resources objects, and Printer MIB rows set
// by `override`). Each runs on 127.0.0.1 and a port of its own (tests/support starts and stops
// them); a test is skipped when its program is missing. (Others' tools against our simulator:
// tests/sim.)
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "condition/engine.h"
#include "condition/render.h"
#include "platform/net/net.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_agent.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::SnmpVersion;

// A reading of `target` over `version`, ended by `within` from now.
Condition Read(const std::string& target, SnmpVersion version, int timeoutMs = 1000,
               int retries = 1, std::chrono::milliseconds within = 20s) {
    return condition::ReadOnce({.agent = *net::ResolveTarget(target, 100),
                                .version = version,
                                .timeoutMs = timeoutMs,
                                .retries = retries,
                                .deadline = std::chrono::steady_clock::now() + within});
}

// The agent answers once a short reading is answered.
bool Answers(const std::string& target) {
    return Read(target, SnmpVersion::V1, 200, 0, 1s).answered;
}

TEST(ConditionInterop, SnmpsimdServingTheFullProfile) {
    if (!Installed(SNMPSIMD_PATH)) {
        GTEST_SKIP() << SNMPSIMD_PATH << " is not installed (Debian package snmpsim)";
    }
    LoopbackAgent agent;
    ASSERT_TRUE(agent.StartSnmpsimd("orchid", drive::FullProfileText(), Answers)) << agent.log();
    for (const SnmpVersion version : {SnmpVersion::V1, SnmpVersion::V2c}) {
        const Condition read = Read(agent.target(), version);
        const Condition ours = drive::Drive(drive::FullPrinter(), version);
        const int v = static_cast<int>(version);
        EXPECT_EQ(condition::ConditionJson(read), condition::ConditionJson(ours)) << v;
        // The text says what cut a reading short: an error of its own shows here.
        EXPECT_EQ(condition::ConditionText(read), condition::ConditionText(ours)) << v;
        EXPECT_EQ(read.model, ours.model) << v;
        EXPECT_EQ(read.consoleLines, ours.consoleLines) << v;
    }
}

TEST(ConditionInterop, NetSnmpAgentOverV2c) {
    if (!Installed(SNMPD_PATH)) {
        GTEST_SKIP() << SNMPD_PATH << " is not installed (Debian package snmpd)";
    }
    LoopbackAgent agent;
    ASSERT_TRUE(
        agent.StartSnmpd("rocommunity orchid 127.0.0.1\n"
                         "sysName interop-printer\nsysLocation room 101\n"
                         "override .1.3.6.1.2.1.43.11.1.1.6.1.1 octet_str \"Black Toner\"\n"
                         "override .1.3.6.1.2.1.43.11.1.1.6.1.2 octet_str \"Cyan Toner\"\n"
                         "override .1.3.6.1.2.1.43.11.1.1.8.1.1 integer 100\n"
                         "override .1.3.6.1.2.1.43.11.1.1.8.1.2 integer 100\n"
                         "override .1.3.6.1.2.1.43.11.1.1.9.1.1 integer 63\n"
                         "override .1.3.6.1.2.1.43.11.1.1.9.1.2 integer -3\n",
                         Answers))
        << agent.log();
    const Condition read = Read(agent.target(), SnmpVersion::V2c);
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.name, "interop-printer");
    EXPECT_EQ(read.location, "room 101");
    EXPECT_TRUE(read.uptimeTicks.has_value());
    ASSERT_EQ(read.supplies.size(), 2u);
    EXPECT_EQ(read.supplies[0].description, "Black Toner");
    EXPECT_DOUBLE_EQ(read.supplies[0].percent.value_or(-1), 63.0);
    EXPECT_EQ(read.supplies[1].levelState, condition::LevelState::SomeRemaining);
}

}  // namespace

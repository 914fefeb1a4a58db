// The condition reading against agents written by others, and others' tools against our
// simulator: snmpsimd serving the full profile (v1 and v2c), net-snmp's snmpd on v2c (real
// Host Resources objects, and Printer MIB rows set by `override`), and net-snmp's
// snmpbulkwalk -v2c against vellumark-printer-sim. Each peer runs on 127.0.0.1 and a port of
// its own (tests/support starts and stops them); a test is skipped when its program is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "condition/endpoint.h"
#include "condition/engine.h"
#include "tests/condition/fake_agent.h"
#include "tests/support/loopback_agent.h"
#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::SnmpVersion;

condition::ReadRequest RequestTo(const std::string& target, SnmpVersion version) {
    condition::ReadRequest request;
    request.agent = *condition::ResolveEndpoint(target, 100ms);
    request.version = version;
    request.timeoutMs = 1000;
    request.deadline = std::chrono::steady_clock::now() + 20s;
    return request;
}

// The agent answers once a short reading over `version` is answered.
LoopbackAgent::Answers AnswersOver(SnmpVersion version) {
    return [version](const std::string& target) {
        condition::ReadRequest probe = RequestTo(target, version);
        probe.timeoutMs = 200;
        probe.retries = 0;
        probe.deadline = std::chrono::steady_clock::now() + 1s;
        return condition::ReadOnce(probe).answered;
    };
}

std::string ProfileWithoutComments() {
    std::stringstream in(fake::FullPrinterProfile());
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#') {
            out += line + "\n";
        }
    }
    return out;
}

TEST(ConditionInterop, SnmpsimdServingTheFullProfile) {
    if (!Installed(SNMPSIMD_PATH)) {
        GTEST_SKIP() << SNMPSIMD_PATH << " is not installed (Debian package snmpsim)";
    }
    LoopbackAgent agent;
    ASSERT_TRUE(
        agent.StartSnmpsimd("orchid", ProfileWithoutComments(), AnswersOver(SnmpVersion::V1)))
        << agent.log();
    fake::Agent ours;
    ours.Load(fake::FullPrinterProfile());
    for (const SnmpVersion version : {SnmpVersion::V1, SnmpVersion::V2c}) {
        const Condition read = condition::ReadOnce(RequestTo(agent.target(), version));
        const Condition expected = fake::Drive(ours, version);
        const char* label = version == SnmpVersion::V1 ? "v1" : "v2c";
        EXPECT_EQ(read.error, "") << label;
        EXPECT_EQ(read.health, condition::Health::Critical) << label;
        EXPECT_EQ(read.reasons, expected.reasons) << label;
        EXPECT_EQ(read.model, expected.model) << label;
        EXPECT_EQ(read.consoleLines, expected.consoleLines) << label;
        ASSERT_EQ(read.supplies.size(), 5u) << label;
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(read.supplies[i].colour, expected.supplies[i].colour) << label;
            EXPECT_EQ(read.supplies[i].level, expected.supplies[i].level) << label;
        }
        EXPECT_EQ(read.inputs.size(), 2u) << label;
        EXPECT_EQ(read.alerts.size(), 2u) << label;
        EXPECT_EQ(read.markers.size(), 1u) << label;
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
                         AnswersOver(SnmpVersion::V2c)))
        << agent.log();
    const Condition read = condition::ReadOnce(RequestTo(agent.target(), SnmpVersion::V2c));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.name, "interop-printer");
    EXPECT_EQ(read.location, "room 101");
    EXPECT_TRUE(read.uptimeTicks.has_value());
    ASSERT_EQ(read.supplies.size(), 2u);
    EXPECT_EQ(read.supplies[0].description, "Black Toner");
    EXPECT_DOUBLE_EQ(read.supplies[0].percent.value_or(-1), 63.0);
    EXPECT_EQ(read.supplies[1].levelState, condition::LevelState::SomeRemaining);
}

// Our simulator read by net-snmp's snmpbulkwalk over v2c: the profile's tables come back.
TEST(ConditionInterop, SnmpbulkwalkAgainstOurSimulator) {
#ifndef VM_PRINTER_SIM_PATH
    GTEST_SKIP() << "vellumark-printer-sim is not built";
#else
    if (!Installed("/usr/bin/snmpbulkwalk")) {
        GTEST_SKIP() << "/usr/bin/snmpbulkwalk is not installed (Debian package snmp)";
    }
    PrinterSim sim(PrinterSim::Text(fake::FullPrinterProfile()));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const auto [status, out] = RunCommand("/usr/bin/snmpbulkwalk -v2c -c orchid -On -t 1 -r 0 " +
                                          sim.target() + " .1.3.6.1.2.1.43.11.1.1 2>/dev/null");
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find(".1.3.6.1.2.1.43.11.1.1.6.1.4 = STRING: \"Yellow Toner Cartridge\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(".1.3.6.1.2.1.43.11.1.1.9.1.5 = INTEGER: -3"), std::string::npos) << out;
    std::size_t lines = 0;
    for (const char c : out) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 40u) << "8 columns of 5 supplies:\n" << out;
#endif
}

}  // namespace

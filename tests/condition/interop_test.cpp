// The condition reading against an agent written by others: snmpsimd serving the full profile
// (v1 and v2c) on 127.0.0.1 and a port of its own (tests/support starts and stops it); skipped
// when snmpsimd is missing. (net-snmp's snmpd answers our manager: tests/snmpmgr. Others' tools
// against our simulator: tests/sim.)
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "condition/endpoint.h"
#include "condition/engine.h"
#include "condition/render.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_agent.h"

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

// The agent answers once a short reading is answered.
bool Answers(const std::string& target) {
    condition::ReadRequest probe = RequestTo(target, SnmpVersion::V1);
    probe.timeoutMs = 200;
    probe.retries = 0;
    probe.deadline = std::chrono::steady_clock::now() + 1s;
    return condition::ReadOnce(probe).answered;
}

TEST(ConditionInterop, SnmpsimdServingTheFullProfile) {
    if (!Installed(SNMPSIMD_PATH)) {
        GTEST_SKIP() << SNMPSIMD_PATH << " is not installed (Debian package snmpsim)";
    }
    LoopbackAgent agent;
    ASSERT_TRUE(agent.StartSnmpsimd("orchid", drive::FullProfileText(), Answers)) << agent.log();
    for (const SnmpVersion version : {SnmpVersion::V1, SnmpVersion::V2c}) {
        const Condition read = condition::ReadOnce(RequestTo(agent.target(), version));
        const Condition ours = drive::Drive(drive::FullPrinter(), version);
        const int v = static_cast<int>(version);
        EXPECT_EQ(read.error, "") << v;
        EXPECT_EQ(condition::ConditionJson(read), condition::ConditionJson(ours)) << v;
        EXPECT_EQ(condition::ConditionText(read), condition::ConditionText(ours)) << v;
        EXPECT_EQ(read.model, ours.model) << v;
        EXPECT_EQ(read.consoleLines, ours.consoleLines) << v;
    }
}

}  // namespace

// Our manager against an agent written by others: net-snmp's snmpd, started here on 127.0.0.1
// and a free port. Skipped when snmpd is not installed. (snmpsimd reads through the condition
// reading: tests/condition.)
#include <gtest/gtest.h>

#include <string>

#include "tests/snmpmgr/manager_get.h"
#include "tests/support/loopback_agent.h"

namespace {

constexpr const char* SYS_DESCR = ".1.3.6.1.2.1.1.1.0";

// The agent answers once a GET of sysDescr.0 comes back.
bool Answers(const std::string& target) {
    return Get(target, "orchid", {SYS_DESCR}, 150).ok != 0;
}

TEST(SnmpInterop, NetSnmpAgent) {
    if (!Installed(SNMPD_PATH)) {
        GTEST_SKIP() << SNMPD_PATH << " is not installed (Debian package snmpd)";
    }
    LoopbackAgent agent;
    ASSERT_TRUE(agent.StartSnmpd("rocommunity orchid 127.0.0.1\nsysDescr Vellumark interop agent\n",
                                 Answers))
        << agent.log();

    const Got r =
        Get(agent.target(), "orchid", {SYS_DESCR, ".1.3.6.1.2.1.1.2.0", ".1.3.6.1.2.1.1.3.0"});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOERROR);
    ASSERT_EQ(r.values.size(), 3u);
    EXPECT_EQ(r.values[0], "04:Vellumark interop agent");
    EXPECT_EQ(r.values[1].rfind("06:.1.3.6.1.4.1.8072.", 0), 0u) << "net-snmp's enterprise";
    EXPECT_EQ(r.values[2], "43:") << "TimeTicks";
}

}  // namespace

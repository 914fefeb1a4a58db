// The hint that follows the fatal message, in network namespaces of the test's own (as root):
// it is given only when the kernel refuses both a raw and a ping socket, and then names both
// settings, this program's path and the option that does without the echo.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/net/icmp_access.h"
#include "tests/net/private_network.h"

namespace {

struct Outcome {
    char skip[128];
    bool setupFailed;
    char hint[1024];
    char program[512];
};

struct Case {
    const char* name;
    const char* pingGroupRange;
    bool asNobody;
    bool hint;  // expected
};

void Look(Outcome& o, const Case& c) {
    if (!EnterPrivateNetwork(o.skip)) {
        return;
    }
    o.setupFailed = !WriteSysctl("/proc/sys/net/ipv4/ping_group_range", c.pingGroupRange) ||
                    (c.asNobody && !BecomeNobody());
    const std::string hint = net::IcmpAccessHint("--skip-it");
    std::snprintf(o.hint, sizeof o.hint, "%s", hint.c_str());
    const ssize_t size = readlink("/proc/self/exe", o.program, sizeof o.program - 1);
    o.program[size > 0 ? size : 0] = '\0';
}

TEST(IcmpAccessHint, OnlyWhenNeitherSocketIsAllowed) {
    const Case cases[] = {
        {"root has raw sockets", "1 0", false, false},
        {"nobody may use ping sockets", "0 2147483647", true, false},
        {"nobody with ping sockets off", "1 0", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o{};
        ASSERT_TRUE(RunInChild(o, [&](Outcome& out) { Look(out, c); }));
        if (o.skip[0] != '\0') {
            GTEST_SKIP() << o.skip;
        }
        ASSERT_FALSE(o.setupFailed) << "the sysctl or dropping privileges";
        const std::string hint = o.hint;
        EXPECT_EQ(!hint.empty(), c.hint) << hint;
        if (c.hint) {
            EXPECT_EQ(hint.find('\n'), std::string::npos) << "one line";
            for (const std::string& part :
                 {std::string("sysctl net.ipv4.ping_group_range=\"0 2147483647\""),
                  "setcap cap_net_raw+ep " + std::string(o.program) + ",",
                  std::string("--skip-it")}) {
                EXPECT_NE(hint.find(part), std::string::npos) << part << " in " << hint;
            }
        }
    }
}

}  // namespace

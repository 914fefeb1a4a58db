// Name resolution against a DNS server of the test's own: when it never answers, the program's
// lookup gives up in the time it was given instead of the resolver's own 10 s, and the one-shot
// program with it; when it answers, the one-shot program looks the name up once, for the window
// and the condition reading alike; a name with only an AAAA record is watched over IPv6. Run in a
// network and mount namespace of the test's own, where /etc/resolv.conf names a loopback socket.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/net/net.h"
#include "tests/net/private_network.h"
#include "tests/support/dns_responder.h"

namespace {

using namespace std::chrono_literals;

struct Outcome {
    char skip[128];
    int onceStatus;
    long onceMs;
    int queries;     // for printer.example, A and AAAA alike
    char agent[64];  // what the window's lookup made of the target, when asked
};

using Clock = std::chrono::steady_clock;

// In the child: a namespace with lo up, a DNS server on 127.0.0.1:53 that knows `names` and a
// resolv.conf naming it; then the one-shot program for `target`, or with `windowOnly` the
// window's lookup of it alone.
void RunWithDns(Outcome& o, std::map<std::string, DnsResponder::Name> names, const char* target,
                bool windowOnly = false) {
    char conf[] = "/tmp/vm-resolv-XXXXXX";
    const int fd = mkstemp(conf);
    const char text[] = "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n";
    if (fd < 0 || write(fd, text, sizeof text - 1) != sizeof text - 1 ||
        !EnterPrivateNetwork(o.skip, CLONE_NEWNS) ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(conf, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        std::snprintf(o.skip, sizeof o.skip, "no private namespace: %s", std::strerror(errno));
        return;
    }
    unlink(conf);
    DnsResponder dns(std::move(names), 53);
    if (!dns.ok()) {
        std::snprintf(o.skip, sizeof o.skip, "no DNS server: %s", std::strerror(errno));
        return;
    }
    if (windowOnly) {
        net::Endpoint agent;
        if (net::ResolveAgentTarget(target, 2000, &agent)) {
            std::snprintf(o.agent, sizeof o.agent, "%s", net::EndpointText(agent).c_str());
        }
        return;
    }
    const std::string command =
        std::string(VM_TERM_BINARY " --once ") + target + " >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    o.onceMs = static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
    o.onceStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.queries = dns.Queries("printer");
}

TEST(BoundedResolution, ASilentDnsServerHoldsNoCallerPastItsTime) {
    Outcome o{};
    ASSERT_TRUE(RunInChild(o, [](Outcome& out) {
        // An answer that never comes in time.
        RunWithDns(out, {{"printer", {.v4 = {{127, 0, 0, 1}}, .delay = 60s}}},
                   "printer.example:16161");
    })) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    // The name does not resolve, so the printer is unreachable (3), and start-up is over in
    // about a second: the lookup the window, the condition library and the exporter share gives
    // up in its time (the resolver alone would wait 10 s).
    EXPECT_EQ(o.onceStatus, 3);
    EXPECT_LT(o.onceMs, 3000);
}

TEST(BoundedResolution, TheOneShotProgramLooksTheNameUpOnce) {
    Outcome o{};
    // Nothing listens on the port: the window's reads and the condition reading both go
    // unanswered, the condition reading after the window's.
    ASSERT_TRUE(RunInChild(o, [](Outcome& out) {
        RunWithDns(out, {{"printer", {.v4 = {{127, 0, 0, 1}}}}}, "printer.example:9");
    })) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    EXPECT_EQ(o.onceStatus, 3);
    // One lookup asks for both addresses at once: its A and its AAAA query.
    EXPECT_EQ(o.queries, 2) << "one lookup serves the window and the condition reading";
}

// A name with only an AAAA record: the window takes its IPv6 address (an IPv4 one would have
// been preferred), with the port given.
TEST(BoundedResolution, ANameWithOnlyAnIPv6AddressIsWatchedOverIPv6) {
    Outcome o{};
    ASSERT_TRUE(RunInChild(o, [](Outcome& out) {
        RunWithDns(out, {{"v6only", {.v6 = {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}}}},
                   "v6only.example:16161", true);
    })) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    EXPECT_STREQ(o.agent, "[::1]:16161");
}

}  // namespace

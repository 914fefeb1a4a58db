// Name resolution when the DNS server never answers: the lookup gives up in the time it was
// given, and the whole program with it, instead of the resolver's own 10 s. Run in a network
// and mount namespace of the test's own, where /etc/resolv.conf names a loopback socket that
// reads queries and answers none.
#include <arpa/inet.h>
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/net/net.h"
#include "tests/net/private_network.h"

namespace {

struct Outcome {
    char skip[128];
    bool nameResolved;
    long nameMs;
    int onceStatus;
    long onceMs;
};

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
}

// In the child: a namespace with lo up, a silent DNS server on 127.0.0.1:53 and a resolv.conf
// naming it; then the lookups.
void RunSilentDns(Outcome& o) {
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
    const int dns = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{AF_INET, htons(53), {htonl(INADDR_LOOPBACK)}, {}};
    if (bind(dns, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        std::snprintf(o.skip, sizeof o.skip, "no silent DNS server: %s", std::strerror(errno));
        return;
    }

    // The one lookup that the window, the condition library and the exporter share.
    net::IpAddress resolved;
    auto start = Clock::now();
    o.nameResolved = net::ResolveHost("printer.example", 750, &resolved, nullptr);
    o.nameMs = MillisecondsSince(start);

    start = Clock::now();
    const int status = std::system(VM_TERM_BINARY " --once printer.example:16161 >/dev/null 2>&1");
    o.onceMs = MillisecondsSince(start);
    o.onceStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BoundedResolution, ASilentDnsServerHoldsNoCallerPastItsTime) {
    Outcome o{};
    ASSERT_TRUE(RunInChild(o, RunSilentDns)) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    EXPECT_FALSE(o.nameResolved);
    // Given 750 ms; the resolver alone would wait 10 s.
    EXPECT_GE(o.nameMs, 700);
    EXPECT_LT(o.nameMs, 2000);
    // The one-shot program: the name does not resolve, so the printer is unreachable (3), and
    // start-up is over in about a second.
    EXPECT_EQ(o.onceStatus, 3);
    EXPECT_LT(o.onceMs, 3000);
}

}  // namespace

// The probe end to end, each case in a forked child inside a network namespace of its own (only
// `lo`), where the ICMP sysctls can be set freely and a root raw socket sees every request sent.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "probe/echo.h"
#include "probe/probe.h"
#include "state/monitor_state.h"
#include "state/watched_target.h"
#include "tests/net/private_network.h"
#include "text/bounded_text.h"

namespace {

// What the child saw.
struct Outcome {
    char skip[128];
    bool setupFailed;
    char kind;  // 'r'aw, 'd'atagram, 's'ervice or 'n'one
    int results[4];
    int requests;  // echo requests seen on the wire
    long long elapsedMs;
    int fdsBefore, fdsAfter;
};

int OpenDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}

struct Case {
    const char* what;
    bool v6;                     // the targets are IPv6: ICMPv6 sockets
    const char* pingGroupRange;  // written when not empty (it governs ICMPv6 ping sockets too)
    bool ignoreEcho;             // icmp_echo_ignore_all=1 (ICMPv6: icmp/echo_ignore_all=1)
    bool asNobody;               // probe as nobody:nogroup with no other groups
    std::vector<const char*> targets;
    char kind;
    std::vector<int> results;
    int requests;  // our own request is seen on the raw socket too, and must not count
};

void Probe(Outcome& o, const Case& c) {
    if (!EnterPrivateNetwork(o.skip)) {
        return;
    }
    const int watcher =
        c.v6 ? socket(AF_INET6, SOCK_RAW, IPPROTO_ICMPV6) : socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    const char* ignoreAll = c.v6 ? "/proc/sys/net/ipv6/icmp/echo_ignore_all"
                                 : "/proc/sys/net/ipv4/icmp_echo_ignore_all";
    o.setupFailed = watcher < 0 ||
                    (*c.pingGroupRange &&
                     !WriteSysctl("/proc/sys/net/ipv4/ping_group_range", c.pingGroupRange)) ||
                    (c.ignoreEcho && !WriteSysctl(ignoreAll, "1")) ||
                    (c.asNobody && !BecomeNobody());
    if (o.setupFailed) {
        return;
    }
    net::IcmpSocket* socket = net::IcmpOpen(c.v6 ? net::Family::IPv6 : net::Family::IPv4);
    o.kind = socket == nullptr ? 'n' : "rds"[static_cast<int>(net::IcmpSocketKind(socket))];
    net::IcmpClose(socket);
    o.fdsBefore = OpenDescriptors();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < c.targets.size(); ++i) {
        BoundedCopy(g_target, TARGET_CHARS, c.targets[i]);
        SetWatchedTarget(true, true);
        o.results[i] = ProbeTarget();
    }
    o.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
    o.fdsAfter = OpenDescriptors();
    std::uint8_t packet[1024];
    for (ssize_t n; (n = recv(watcher, packet, sizeof packet, MSG_DONTWAIT)) >= 0;) {
        // An ICMPv6 raw socket delivers the bare message; an ICMP one the IPv4 header first.
        const std::size_t header = c.v6 ? 0 : (packet[0] & 0x0Fu) * 4u;
        o.requests += static_cast<std::size_t>(n) >= header + ECHO_REQUEST_BYTES &&
                      packet[header] == (c.v6 ? ICMPV6_ECHO_REQUEST_TYPE : ICMP_ECHO_REQUEST);
    }
}

TEST(ProbeInNamespace, RepliesSilenceAndNoSocket) {
    const char* ALL = "0 2147483647";
    const int REPLY = PROBE_REPLY, NONE = PROBE_NO_REPLY, ERR = PROBE_ERROR;
    const Case cases[] = {
        // "no:such" is a host name whole; it resolves nowhere and sends nothing. A reply counts
        // only from the address probed.
        {"raw", false, "", false, false, {"no:such", "127.0.0.1"}, 'r', {NONE, REPLY}, 1},
        {"ping socket as nobody", false, ALL, false, true, {"127.0.0.2"}, 'd', {REPLY}, 1},
        {"silent host, raw", false, "", true, false, {"127.0.0.1"}, 'r', {NONE}, 1},
        {"silent host, ping", false, ALL, true, true, {"127.0.0.1"}, 'd', {NONE}, 1},
        // No socket wins over a target that does not resolve.
        {"no socket", false, "1 0", false, true, {"127.0.0.1", "no:such"}, 'n', {ERR, ERR}, 0},
        // ICMPv6, bare and in brackets with a port (the probe uses the address alone). The
        // kernel fills the checksum: a wrong one would be dropped and give no reply.
        {"ICMPv6 raw", true, "", false, false, {"::1", "[::1]:16161"}, 'r', {REPLY, REPLY}, 2},
        {"ICMPv6 ping socket as nobody", true, ALL, false, true, {"[::1]"}, 'd', {REPLY}, 1},
        {"ICMPv6 silent host, raw", true, "", true, false, {"::1"}, 'r', {NONE}, 1},
        {"ICMPv6 silent host, ping", true, ALL, true, true, {"::1"}, 'd', {NONE}, 1},
        {"ICMPv6 no socket", true, "1 0", false, true, {"::1"}, 'n', {ERR}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o{};
        ASSERT_TRUE(RunInChild(o, [&](Outcome& out) { Probe(out, c); }))
            << "the child reported nothing";
        if (o.skip[0] != '\0') {
            GTEST_SKIP() << o.skip;
        }
        ASSERT_FALSE(o.setupFailed) << "sysctls, watcher or dropping privileges";
        EXPECT_EQ(o.kind, c.kind) << "the kind of socket the probe opened";
        EXPECT_EQ(std::vector<int>(o.results, o.results + c.targets.size()), c.results)
            << "the probe results, one per target";
        EXPECT_EQ(o.fdsAfter, o.fdsBefore) << "every probe releases its socket";
        EXPECT_EQ(o.requests, c.requests) << "echo requests seen on the wire";
        // The whole wait ran out, and no longer. On a raw socket our own request wakes the wait
        // first; a wait that went on by whole-millisecond ticks could end one millisecond early.
        if (c.results.back() == PROBE_NO_REPLY) {
            EXPECT_GE(o.elapsedMs, PROBE_WAIT_MS) << "the wait for a reply ended early";
            EXPECT_LT(o.elapsedMs, 1500) << "the wait for a reply went on too long";
        }
    }
}

}  // namespace

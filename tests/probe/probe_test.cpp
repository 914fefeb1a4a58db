// The probe end to end on loopback: in the test's own namespace as root (raw socket), and in
// network namespaces made for each case, where the ICMP sysctls can be set freely.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "netns_sandbox.h"
#include "probe/echo.h"
#include "probe/probe.h"
#include "shell/globals.h"
#include "text/bounded_text.h"

namespace {

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    while (readdir(dir) != nullptr) {
        ++count;
    }
    closedir(dir);
    return count;
}

bool HostAnswersEcho() {
    std::FILE* file = std::fopen("/proc/sys/net/ipv4/icmp_echo_ignore_all", "r");
    if (file == nullptr) {
        return false;
    }
    int ignore = 1;
    const bool read = std::fscanf(file, "%d", &ignore) == 1;
    std::fclose(file);
    return read && ignore == 0;
}

TEST(ProbeTarget, RawSocketGetsLoopbackReplyAndReleasesEverything) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "a raw ICMP socket needs root";
    }
    if (!HostAnswersEcho()) {
        GTEST_SKIP() << "this host ignores echo requests";
    }
    // The SNMP port is not part of what is probed. On a raw socket our own request is read
    // before the reply, so a reply here also shows the wait going on past other datagrams.
    const char* targets[] = {"127.0.0.1", "127.0.0.1:1161", "127.0.0.2"};
    const int before = OpenDescriptors();
    for (int round = 0; round < 10; ++round) {
        for (const char* target : targets) {
            BoundedCopy(g_target, TARGET_CHARS, target);
            const std::uint32_t identifier = g_echo_identifier;
            ASSERT_EQ(ProbeTarget(), PROBE_REPLY) << target;
            EXPECT_EQ(g_echo_identifier, identifier + 1);
        }
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

SandboxRun RunSandboxed(const SandboxSetup& setup, const std::vector<std::string>& targets) {
    return RunInSandbox(PROBE_CLI, setup, targets);
}

#define SKIP_OR_FAIL_UNLESS_MADE(run)                    \
    do {                                                 \
        if (!(run).skipReason.empty()) {                 \
            GTEST_SKIP() << (run).skipReason;            \
        }                                                \
        ASSERT_EQ((run).failure, "") << "sandbox setup"; \
    } while (false)

std::uint16_t LittleEndian16(const std::array<std::uint8_t, 12>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(ProbeInNamespace, FirstRequestsCarryOneAndTwoAndUnresolvableTargetsSendNothing) {
    SandboxSetup setup;
    // "no:such:host" is a host name as a whole (not host and port) and resolves nowhere; the
    // namespace has no route off the machine for any lookup to take.
    const SandboxRun run = RunSandboxed(setup, {"no:such:host", "127.0.0.1", "127.0.0.1:161"});
    SKIP_OR_FAIL_UNLESS_MADE(run);
    EXPECT_EQ(run.socketKind, "raw");
    EXPECT_EQ(run.results, (std::vector<int>{PROBE_NO_REPLY, PROBE_REPLY, PROBE_REPLY}));
    ASSERT_EQ(run.requests.size(), 2u);
    for (std::size_t i = 0; i < run.requests.size(); ++i) {
        const auto& request = run.requests[i];
        EXPECT_EQ(request[0], 8);
        EXPECT_EQ(request[1], 0);
        EXPECT_EQ(LittleEndian16(request, 4), i + 1) << "identifier";
        EXPECT_EQ(LittleEndian16(request, 6), i + 1) << "sequence";
        EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0);
    }
}

TEST(ProbeInNamespace, PingSocketServesAnUnprivilegedUser) {
    SandboxSetup setup;
    setup.pingGroupRange = "0 2147483647";
    setup.unprivileged = true;
    const SandboxRun run = RunSandboxed(setup, {"127.0.0.1", "127.0.0.1"});
    SKIP_OR_FAIL_UNLESS_MADE(run);
    EXPECT_EQ(run.socketKind, "datagram");
    EXPECT_EQ(run.results, (std::vector<int>{PROBE_REPLY, PROBE_REPLY}));
    ASSERT_EQ(run.requests.size(), 2u);
    // The kernel owns a ping socket's identifier; the sequence is ours.
    EXPECT_EQ(LittleEndian16(run.requests[0], 6), 1);
    EXPECT_EQ(LittleEndian16(run.requests[1], 6), 2);
}

TEST(ProbeInNamespace, SilentHostIsNoReplyThoughOurRequestCameBack) {
    struct Case {
        const char* what;
        bool unprivileged;
        const char* kind;
    };
    const Case cases[] = {{"raw socket", false, "raw"}, {"ping socket", true, "datagram"}};
    for (const Case& c : cases) {
        SandboxSetup setup;
        setup.ignoreEcho = true;
        setup.unprivileged = c.unprivileged;
        setup.pingGroupRange = "0 2147483647";
        const SandboxRun run = RunSandboxed(setup, {"127.0.0.1"});
        SKIP_OR_FAIL_UNLESS_MADE(run);
        EXPECT_EQ(run.socketKind, c.kind) << c.what;
        EXPECT_EQ(run.results, std::vector<int>{PROBE_NO_REPLY}) << c.what;
        // On the raw socket our own request was readable within the wait; it must not count.
        EXPECT_EQ(run.requests.size(), 1u) << c.what;
        // The whole wait ran out (process start and exit included).
        EXPECT_GE(run.elapsedMs, PROBE_WAIT_MS) << c.what;
        EXPECT_LT(run.elapsedMs, 2000) << c.what;
    }
}

TEST(ProbeInNamespace, NoWayToSendAnEchoIsAnError) {
    SandboxSetup setup;
    setup.pingGroupRange = "1 0";
    setup.unprivileged = true;
    const SandboxRun run = RunSandboxed(setup, {"127.0.0.1", "no:such:host"});
    SKIP_OR_FAIL_UNLESS_MADE(run);
    EXPECT_EQ(run.socketKind, "none");
    // No socket wins over a target that does not resolve.
    EXPECT_EQ(run.results, (std::vector<int>{PROBE_ERROR, PROBE_ERROR}));
    EXPECT_EQ(run.exitStatus, PROBE_ERROR);
    EXPECT_TRUE(run.requests.empty());
}

}  // namespace

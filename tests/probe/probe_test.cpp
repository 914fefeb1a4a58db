// The probe end to end, each case in a forked child inside a network namespace of its own (only
// `lo`), where the ICMP sysctls can be set freely and a root raw socket sees every request sent.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "probe/echo.h"
#include "probe/probe.h"
#include "state/monitor_state.h"
#include "state/watched_target.h"
#include "text/bounded_text.h"

namespace {

struct Sandbox {
    const char* pingGroupRange;  // written when not empty
    bool ignoreEcho;             // icmp_echo_ignore_all=1
    bool asNobody;               // probe as nobody:nogroup with no other groups
};

// What the child saw; plain data, passed back through a pipe.
struct Outcome {
    char skip[128];  // this machine cannot make the sandbox
    bool setupFailed;
    char kind;  // 'r'aw, 'd'atagram, 's'ervice or 'n'one
    int results[4];
    int requestCount;
    std::uint8_t requests[4][ECHO_REQUEST_BYTES];
    long long elapsedMs;
    int fdsBefore, fdsAfter;
};

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr) {
        ++count;
    }
    closedir(dir);
    return count;
}

bool Write(const char* path, const char* value) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    const auto size = static_cast<ssize_t>(std::strlen(value));
    const bool ok = fd >= 0 && write(fd, value, static_cast<std::size_t>(size)) == size;
    close(fd);
    return ok;
}

void Probe(Outcome& o, const Sandbox& box, const std::vector<const char*>& targets) {
    if (unshare(CLONE_NEWNET) != 0) {
        std::snprintf(o.skip, sizeof o.skip, "no network namespace: %s", std::strerror(errno));
        return;
    }
    ifreq lo{};
    std::strcpy(lo.ifr_name, "lo");
    lo.ifr_flags = IFF_UP;
    const int watcher = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    o.setupFailed =
        ioctl(watcher, SIOCSIFFLAGS, &lo) != 0 ||
        (*box.pingGroupRange &&
         !Write("/proc/sys/net/ipv4/ping_group_range", box.pingGroupRange)) ||
        (box.ignoreEcho && !Write("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1")) || watcher < 0 ||
        (box.asNobody && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                          setresuid(65534, 65534, 65534) != 0));
    if (o.setupFailed) {
        return;
    }
    net::IcmpSocket* socket = net::IcmpOpen();
    o.kind = socket == nullptr ? 'n' : "rds"[static_cast<int>(net::IcmpSocketKind(socket))];
    net::IcmpClose(socket);
    o.fdsBefore = OpenDescriptors();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < targets.size(); ++i) {
        BoundedCopy(g_target, TARGET_CHARS, targets[i]);
        SetWatchedTarget(true, true);
        o.results[i] = ProbeTarget();
    }
    o.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
    o.fdsAfter = OpenDescriptors();
    std::uint8_t packet[1024];
    for (ssize_t n; (n = recv(watcher, packet, sizeof packet, MSG_DONTWAIT)) >= 0;) {
        const std::size_t header = (packet[0] & 0x0Fu) * 4u;
        if (static_cast<std::size_t>(n) >= header + ECHO_REQUEST_BYTES && packet[header] == 8 &&
            o.requestCount < 4) {
            std::memcpy(o.requests[o.requestCount++], packet + header, ECHO_REQUEST_BYTES);
        }
    }
}

Outcome RunInNamespace(const Sandbox& box, const std::vector<const char*>& targets) {
    Outcome o{};
    int pipeFds[2];
    if (geteuid() != 0 || pipe(pipeFds) != 0) {
        std::strcpy(o.skip, "a network namespace needs root");
        return o;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        Probe(o, box, targets);
        _exit(write(pipeFds[1], &o, sizeof o) == sizeof o ? 0 : 1);
    }
    close(pipeFds[1]);
    if (read(pipeFds[0], &o, sizeof o) != sizeof o) {
        std::strcpy(o.skip, "the child reported nothing");
    }
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    return o;
}

TEST(ProbeInNamespace, RepliesSilenceAndNoSocket) {
    const char* ALL = "0 2147483647";
    struct Case {
        const char* what;
        Sandbox box;
        std::vector<const char*> targets;
        char kind;
        std::vector<int> results;
        int requests;  // our own request is seen on the raw socket too, and must not count
    };
    const Case cases[] = {
        // "no:such:host" is a host name whole; it resolves nowhere and sends nothing. The port
        // is not part of what is probed.
        {"raw socket",
         {"", false, false},
         {"no:such:host", "127.0.0.1", "127.0.0.1:161", "127.0.0.2"},
         'r',
         {PROBE_NO_REPLY, PROBE_REPLY, PROBE_REPLY, PROBE_REPLY},
         3},
        {"ping socket as nobody",
         {ALL, false, true},
         {"127.0.0.1", "127.0.0.1"},
         'd',
         {PROBE_REPLY, PROBE_REPLY},
         2},
        {"silent host, raw", {"", true, false}, {"127.0.0.1"}, 'r', {PROBE_NO_REPLY}, 1},
        {"silent host, ping", {ALL, true, true}, {"127.0.0.1"}, 'd', {PROBE_NO_REPLY}, 1},
        // No socket wins over a target that does not resolve.
        {"no socket",
         {"1 0", false, true},
         {"127.0.0.1", "no:such:host"},
         'n',
         {PROBE_ERROR, PROBE_ERROR},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint32_t firstIdentifier = g_echo_identifier, firstSequence = g_echo_sequence;
        const Outcome o = RunInNamespace(c.box, c.targets);
        if (o.skip[0] != '\0') {
            GTEST_SKIP() << o.skip;
        }
        ASSERT_FALSE(o.setupFailed) << "bringing lo up, sysctls, watcher or dropping privileges";
        EXPECT_EQ(o.kind, c.kind) << "the kind of socket the probe opened";
        EXPECT_EQ(std::vector<int>(o.results, o.results + c.targets.size()), c.results)
            << "the probe results, one per target";
        EXPECT_EQ(o.fdsAfter, o.fdsBefore) << "every probe releases its socket";
        ASSERT_EQ(o.requestCount, c.requests) << "echo requests seen on the wire";
        for (int i = 0; i < o.requestCount; ++i) {
            const std::uint8_t* r = o.requests[i];
            EXPECT_EQ(r[0], 8);
            EXPECT_EQ(InternetChecksum(r, ECHO_REQUEST_BYTES), 0);
            EXPECT_EQ(r[6] | r[7] << 8, firstSequence + static_cast<std::uint32_t>(i));
            if (c.kind == 'r') {  // the kernel owns a ping socket's identifier
                EXPECT_EQ(r[4] | r[5] << 8, firstIdentifier + static_cast<std::uint32_t>(i));
            }
        }
        // The whole wait ran out, and no longer. On a raw socket our own request wakes the wait
        // first; a wait that went on by whole-millisecond ticks could end one millisecond early.
        if (c.results.back() == PROBE_NO_REPLY) {
            EXPECT_GE(o.elapsedMs, PROBE_WAIT_MS) << "the wait for a reply ended early";
            EXPECT_LT(o.elapsedMs, 1500) << "the wait for a reply went on too long";
        }
    }
}

}  // namespace

// Name resolution against a DNS server of the test's own: when it never answers, the program's
// lookup gives up in the time it was given instead of the resolver's own 10 s, and the one-shot
// program with it; when it answers, the one-shot program looks the name up once, for the window
// and the condition reading alike; a name with only an AAAA record is watched over IPv6. Run in a
// network and mount namespace of the test's own, where /etc/resolv.conf names a loopback socket.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/net/net.h"
#include "tests/net/private_network.h"

namespace {

struct Outcome {
    char skip[128];
    int onceStatus;
    long onceMs;
    int addressQueries;  // A queries the server received
    char agent[64];      // what the window's lookup made of the target, when asked
};

// What the server answers.
enum class Records { None, A, OnlyAAAA };

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t QUERY_A = 1;
constexpr std::uint16_t QUERY_AAAA = 28;

// The answer to a query for an A record of any name: 127.0.0.1 (or, for `OnlyAAAA`, to an AAAA
// query: ::1); to any other query, no record. Empty for a datagram that is no query.
std::vector<std::uint8_t> Answer(const std::uint8_t* query, std::size_t size, std::uint16_t* type,
                                 Records records) {
    std::size_t at = 12;
    while (at < size && query[at] != 0 && query[at] < 64) {
        at += 1 + query[at];
    }
    if (size < 12 || at + 5 > size || query[at] != 0) {
        return {};
    }
    *type = static_cast<std::uint16_t>(query[at + 1] << 8 | query[at + 2]);
    std::vector<std::uint8_t> answer(query, query + at + 5);  // the header and the question
    const bool address = records == Records::OnlyAAAA ? *type == QUERY_AAAA : *type == QUERY_A;
    answer[2] = 0x81;  // a response, recursion desired and available, no error
    answer[3] = 0x80;
    answer[6] = 0;
    answer[7] = address ? 1 : 0;
    for (std::size_t i = 8; i < 12; ++i) {
        answer[i] = 0;
    }
    if (address && records == Records::OnlyAAAA) {
        // The name by a pointer to the question's, type AAAA, class IN, TTL 60, ::1.
        answer.insert(answer.end(), {0xC0, 12, 0, 28, 0, 1, 0, 0, 0, 60, 0, 16});
        answer.insert(answer.end(), 15, 0);
        answer.push_back(1);
    } else if (address) {
        // The name by a pointer to the question's, type A, class IN, TTL 60, 127.0.0.1.
        answer.insert(answer.end(), {0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 127, 0, 0, 1});
    }
    return answer;
}

// In the child: a namespace with lo up, a DNS server on 127.0.0.1:53 (silent, or answering with
// `records`) and a resolv.conf naming it; then the one-shot program for `target`, or with
// `windowOnly` the window's lookup of it alone.
void RunWithDns(Outcome& o, Records records, const char* target, bool windowOnly = false) {
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
        std::snprintf(o.skip, sizeof o.skip, "no DNS server: %s", std::strerror(errno));
        return;
    }
    std::atomic<bool> stop{false};
    std::thread server([&] {
        std::uint8_t query[512];
        pollfd ready{dns, POLLIN, 0};
        while (!stop) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t size = poll(&ready, 1, 50) == 1
                                     ? recvfrom(dns, query, sizeof query, 0,
                                                reinterpret_cast<sockaddr*>(&from), &length)
                                     : -1;
            std::uint16_t type = 0;
            const auto answer = size > 0
                                    ? Answer(query, static_cast<std::size_t>(size), &type, records)
                                    : std::vector<std::uint8_t>();
            o.addressQueries += !answer.empty() && type == QUERY_A;
            if (records != Records::None && !answer.empty()) {
                sendto(dns, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                       length);
            }
        }
    });

    if (windowOnly) {
        net::Endpoint agent;
        if (net::ResolveAgentTarget(target, 2000, &agent)) {
            std::snprintf(o.agent, sizeof o.agent, "%s", net::EndpointText(agent).c_str());
        }
        stop = true;
        server.join();
        return;
    }
    const std::string command =
        std::string(VM_TERM_BINARY " --once ") + target + " >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    o.onceMs = static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
    o.onceStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    stop = true;
    server.join();
}

TEST(BoundedResolution, ASilentDnsServerHoldsNoCallerPastItsTime) {
    Outcome o{};
    ASSERT_TRUE(RunInChild(o, [](Outcome& out) {
        RunWithDns(out, Records::None, "printer.example:16161");
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
        RunWithDns(out, Records::A, "printer.example:9");
    })) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    EXPECT_EQ(o.onceStatus, 3);
    EXPECT_EQ(o.addressQueries, 1) << "one lookup serves the window and the condition reading";
}

// A name with only an AAAA record: the window takes its IPv6 address (an IPv4 one would have
// been preferred), with the port given.
TEST(BoundedResolution, ANameWithOnlyAnIPv6AddressIsWatchedOverIPv6) {
    Outcome o{};
    ASSERT_TRUE(RunInChild(o, [](Outcome& out) {
        RunWithDns(out, Records::OnlyAAAA, "v6only.example:16161", true);
    })) << "the namespace child reported nothing";
    if (o.skip[0] != '\0') {
        GTEST_SKIP() << o.skip;
    }
    EXPECT_STREQ(o.agent, "[::1]:16161");
}

}  // namespace

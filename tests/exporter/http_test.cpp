// The exporter's HTTP server on loopback against a reader of the test's own: answers and
// refusals, deadlines, credentials, the cap on probes, a thousand probes at once, slow clients,
// the status page's cache and shutdown.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "condition/endpoint.h"
#include "exporter/server.h"
#include "tests/exporter/fake_reader.h"
#include "tests/exporter/http_client.h"
#include "tests/exporter/sample_condition.h"

namespace exporter {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::FakeAnswer;
using testing::HttpGet;

constexpr std::uint16_t ANSWERING = 1161;  // agents' ports the fake reader knows
constexpr std::uint16_t SLOW = 1162;       // answers after 300 ms
constexpr std::uint16_t SILENT = 1163;     // never answers (until the deadline)

// An exporter on an ephemeral loopback port with the fake reader behind it.
struct Exporter {
    explicit Exporter(ServerLimits limits = {}, const std::string& yaml = "",
                      std::vector<Cidr> allow = DefaultAllowList()) {
        std::string error;
        EXPECT_TRUE(ParseConfig(yaml.empty() ? "auths:\n  office: {version: 2c, community: "
                                               "s3cret}\n"
                                             : yaml,
                                config, error))
            << error;
        FakeAnswer answer{true, 0ms, testing::SampleCondition()};
        reader->Set(ANSWERING, answer);
        answer.delay = 300ms;
        reader->Set(SLOW, answer);
        reader->Set(SILENT, FakeAnswer{false, 0ms, {}});
        launcher = std::make_unique<Launcher>(*reader, *resolver, std::move(allow));
        cache = std::make_unique<StatusCache>(config, *launcher);
        ServerOptions options;
        options.listen = "127.0.0.1:0";
        options.limits = limits;
        server = std::make_unique<Server>(options, config, *launcher, *cache, metrics, *reader);
        EXPECT_TRUE(server->Start(error)) << error;
        port = server->Port();
    }
    ~Exporter() {
        server->Shutdown(200ms);
        resolver.reset();
        reader.reset();
    }
    testing::HttpAnswer Get(const std::string& path, const std::string& headers = "") const {
        return HttpGet(port, path, headers);
    }

    Config config;
    SelfMetrics metrics;
    std::unique_ptr<testing::FakeReader> reader = std::make_unique<testing::FakeReader>();
    // Names other than localhost (from /etc/hosts) fail here: a test sends no DNS query.
    std::unique_ptr<Resolver> resolver =
        std::make_unique<Resolver>(2, 64, [](const std::string& host, std::uint16_t agentPort) {
            return host == "localhost" ? SystemLookup(host, agentPort)
                                       : Resolution{false, {}, "name lookup failed: test"};
        });
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<StatusCache> cache;
    std::unique_ptr<Server> server;
    std::uint16_t port = 0;
};

std::string Probe(std::uint16_t agentPort, const std::string& extra = "") {
    return "/probe?target=127.0.0.1:" + std::to_string(agentPort) + extra;
}

TEST(Http, AnswersAndRefusals) {
    std::vector<Cidr> allow;
    std::string why;
    ASSERT_TRUE(ParseCidrList("127.0.0.2/32,::1/128", allow, why));
    Exporter exporter({}, "", allow);
    struct Case {
        std::string path;
        int status;
        const char* body;  // a part of it
        const char* method = "GET";
    } cases[] = {
        {"/probe?target=127.0.0.2:1161", 200, "vellumark_up 1\n"},
        {"/probe?target=[::1]:1161", 200, "vellumark_up 1\n"},
        {"/probe?target=127.0.0.2:1163", 200, "vellumark_up 0\n"},
        {"/probe?target=printer.test", 200, "vellumark_up 0\n"},
        {"/probe", 400, "missing parameter 'target'\n"},
        {"/probe?target=", 400, "target is empty\n"},
        {"/probe?target=" + std::string(300, 'a'), 400, "longer than 255"},
        {"/probe?target=bad%20host", 400, "character"},
        {"/probe?target=127.0.0.2:99999", 400, "port"},
        {"/probe?target=127.0.0.2&auth=nobody", 400, "unknown auth 'nobody'\n"},
        {"/probe?target=127.0.0.2&snmp_version=3", 400, "snmp_version must be 1 or 2c"},
        // Outside the list, by address and by a name resolved first.
        {"/probe?target=127.0.0.1:1161", 403, "127.0.0.1 is outside"},
        {"/probe?target=localhost:1161", 403, "is outside"},
        {"/nothing", 404, "not found"},
        {"/probe?target=127.0.0.2", 405, "only GET", "POST"},
        {"/-/healthy", 200, "Healthy"},
        {"/metrics", 200, "vellumark_exporter_probes_total{result=\"bad_request\"} 7\n"},
    };
    for (const Case& c : cases) {
        auto answer = HttpGet(exporter.port, c.path, "X-Prometheus-Scrape-Timeout-Seconds: 1\r\n",
                              15s, c.method);
        EXPECT_EQ(answer.status, c.status) << c.path;
        EXPECT_NE(answer.body.find(c.body), std::string::npos) << c.path << ": " << answer.body;
        if (c.status != 200) {
            EXPECT_EQ(answer.body.find('\n'), answer.body.size() - 1) << "one line: " << c.path;
        }
    }
    // Only the allowed addresses reached the reader.
    for (const auto& request : exporter.reader->Requests()) {
        EXPECT_TRUE(IsAllowed(allow, request.agent)) << condition::AddressText(request.agent);
    }
    EXPECT_EQ(exporter.reader->Requests().size(), 3u);
}

TEST(Http, CredentialsAndDeadlineReachTheReader) {
    Exporter exporter;
    struct Case {
        std::string query, header;
        condition::SnmpVersion version;
        const char* community;
        std::chrono::milliseconds timeout;
    } cases[] = {
        {"", "", condition::SnmpVersion::V1, "orchid", 10000ms},
        {"&auth=office", "", condition::SnmpVersion::V2c, "s3cret", 10000ms},
        {"&auth=office&snmp_version=1", "", condition::SnmpVersion::V1, "s3cret", 10000ms},
        {"&snmp_version=2c", "X-Prometheus-Scrape-Timeout-Seconds: 4\r\n",
         condition::SnmpVersion::V2c, "orchid", 3500ms},
        {"", "X-Prometheus-Scrape-Timeout-Seconds: 0.6\r\n", condition::SnmpVersion::V1, "orchid",
         300ms},
        {"", "X-Prometheus-Scrape-Timeout-Seconds: nonsense\r\n", condition::SnmpVersion::V1,
         "orchid", 10000ms},
    };
    for (const Case& c : cases) {
        auto before = Clock::now();
        auto answer = exporter.Get(Probe(ANSWERING, c.query), c.header);
        ASSERT_EQ(answer.status, 200) << c.query;
        EXPECT_NE(answer.headers.find("text/plain; version=0.0.4"), std::string::npos);
        auto request = exporter.reader->Requests().back();
        EXPECT_EQ(request.version, c.version) << c.query;
        EXPECT_EQ(request.community, c.community) << c.query;
        EXPECT_EQ(request.agent.port, ANSWERING);
        EXPECT_GE(request.deadline - before, c.timeout - 50ms) << c.header;
        EXPECT_LE(request.deadline - before, c.timeout + 200ms) << c.header;
    }
    // A probe that ends at its deadline says so in its duration and counts as unreachable.
    auto answer = exporter.Get(Probe(SILENT), "X-Prometheus-Scrape-Timeout-Seconds: 1\r\n");
    EXPECT_NE(answer.body.find("vellumark_up 0\n"), std::string::npos);
    EXPECT_NE(answer.body.find("vellumark_probe_duration_seconds 0.5"), std::string::npos)
        << answer.body;
    EXPECT_EQ(exporter.metrics.Count(ProbeResult::Unreachable), 1u);
}

TEST(Http, BeyondTheCapA503AtOnceAndMetricsStillAnswer) {
    ServerLimits limits;
    limits.maxProbes = 5;
    Exporter exporter(limits);
    std::vector<std::future<testing::HttpAnswer>> held;
    for (int i = 0; i < 5; ++i) {
        held.push_back(std::async(std::launch::async, [&] {
            return exporter.Get(Probe(SILENT), "X-Prometheus-Scrape-Timeout-Seconds: 2.5\r\n");
        }));
    }
    auto until = Clock::now() + 5s;
    while (exporter.metrics.InFlight() < 5 && Clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(exporter.metrics.InFlight(), 5);
    auto before = Clock::now();
    auto refused = exporter.Get(Probe(ANSWERING));
    EXPECT_EQ(refused.status, 503);
    EXPECT_LT(Clock::now() - before, 500ms);
    auto metrics = exporter.Get("/metrics");
    EXPECT_EQ(metrics.status, 200);
    EXPECT_NE(metrics.body.find("vellumark_exporter_probes_in_flight 5\n"), std::string::npos);
    for (auto& f : held) {
        EXPECT_EQ(f.get().status, 200);
    }
    EXPECT_EQ(exporter.Get(Probe(ANSWERING)).status, 200);
}

TEST(Http, AThousandProbesAtOnce) {
    // Both ends of every connection are in this process.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    ASSERT_GE(limit.rlim_cur, 2200u) << "too few descriptors for the test";
    Exporter exporter;
    constexpr int PROBES = 1000;
    // Raw sockets, all connected and sent before any answer is read.
    std::vector<int> sockets;
    for (int i = 0; i < PROBES; ++i) {
        int fd = testing::ConnectLoopback(exporter.port);
        ASSERT_GE(fd, 0) << i;
        std::string request = "GET " + Probe(i % 2 ? SLOW : ANSWERING) +
                              " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(request.size()));
        sockets.push_back(fd);
    }
    auto metrics = exporter.Get("/metrics");
    EXPECT_EQ(metrics.status, 200);
    int ok = 0;
    for (int fd : sockets) {
        char buffer[32] = {};
        std::string head;
        auto until = Clock::now() + 20s;
        while (head.size() < 12 && Clock::now() < until) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            head.append(buffer, static_cast<std::size_t>(n));
        }
        ok += head.rfind("HTTP/1.1 200", 0) == 0;
        close(fd);
    }
    EXPECT_EQ(ok, PROBES);
    EXPECT_EQ(exporter.metrics.Count(ProbeResult::Success), static_cast<unsigned>(PROBES));
}

TEST(Http, SlowClientsAreCutOffAndOthersServed) {
    ServerLimits limits;
    limits.receiveLimit = 700ms;
    Exporter exporter(limits);
    std::atomic<bool> ticking{true};
    std::thread ticker([&] {
        while (ticking) {
            exporter.server->CutSlowClients();
            std::this_thread::sleep_for(50ms);
        }
    });
    // Each sends the start of a request, then a byte now and then: never the end.
    std::vector<int> slow;
    for (int i = 0; i < 50; ++i) {
        int fd = testing::ConnectLoopback(exporter.port);
        ASSERT_GE(fd, 0);
        send(fd, "GET /metrics HTTP/1.1\r\nX-A: ", 28, MSG_NOSIGNAL);
        slow.push_back(fd);
    }
    auto start = Clock::now();
    int closed = 0;
    for (int round = 0; round < 10 && closed < 50; ++round) {
        for (int fd : slow) {
            send(fd, "a", 1, MSG_NOSIGNAL);
        }
        EXPECT_EQ(exporter.Get("/metrics").status, 200);
        std::this_thread::sleep_for(100ms);
        closed = 0;
        for (int fd : slow) {
            char c;
            closed += recv(fd, &c, 1, MSG_DONTWAIT) == 0;
        }
    }
    EXPECT_EQ(closed, 50);
    EXPECT_LT(Clock::now() - start, 1500ms);
    for (int fd : slow) {
        close(fd);
    }
    // A kept-alive connection that goes quiet is cut the same way.
    int idle = testing::ConnectLoopback(exporter.port);
    EXPECT_TRUE(testing::WaitClosed(idle, 2s));
    close(idle);
    ticking = false;
    ticker.join();
}

TEST(Http, StatusPageReadsAtMostOncePerIntervalAndNeverHoldsProbes) {
    Exporter exporter({}, R"(
printers:
  - {name: Front desk, target: "127.0.0.1:1162"}
  - {name: Basement, target: "127.0.0.1:1163"}
)");
    // The first load waits for the printers (the silent one until its deadline) while a probe
    // is answered at once.
    auto page = std::async(std::launch::async, [&] { return exporter.Get("/"); });
    std::this_thread::sleep_for(100ms);
    auto before = Clock::now();
    EXPECT_EQ(exporter.Get(Probe(ANSWERING)).status, 200);
    EXPECT_LT(Clock::now() - before, 300ms);
    auto first = page.get();
    EXPECT_EQ(first.status, 200);
    EXPECT_NE(first.headers.find("text/html"), std::string::npos);
    EXPECT_NE(first.body.find("Front desk"), std::string::npos);
    EXPECT_NE(first.body.find("<section class=\"printer critical\">"), std::string::npos);
    EXPECT_NE(first.body.find("<section class=\"printer unreachable\">"), std::string::npos);
    std::size_t reads = exporter.reader->Requests().size();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(exporter.Get("/").status, 200);
    }
    EXPECT_EQ(exporter.reader->Requests().size(), reads) << "cached for the interval";
}

TEST(Http, ShutdownAnswersProbesInFlightWithinASecond) {
    Exporter exporter;
    std::vector<std::future<testing::HttpAnswer>> held;
    for (int i = 0; i < 20; ++i) {
        held.push_back(std::async(std::launch::async, [&] { return exporter.Get(Probe(SILENT)); }));
    }
    auto until = Clock::now() + 5s;
    while (exporter.metrics.InFlight() < 20 && Clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    auto before = Clock::now();
    exporter.server->Shutdown(700ms);
    EXPECT_LT(Clock::now() - before, 1s);
    for (auto& f : held) {
        auto answer = f.get();
        EXPECT_EQ(answer.status, 503);
        EXPECT_NE(answer.body.find("shutting down"), std::string::npos);
    }
    EXPECT_LT(Clock::now() - before, 1s);
}

}  // namespace
}  // namespace exporter

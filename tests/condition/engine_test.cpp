// The engine on loopback UDP: against the simulator program, a fleet read at once under the cap
// on requests in flight with forged and stray datagrams about, and deadlines and Stop; against
// the simulator's responder played by the test on a socket of its own, lost requests and IPv6
// (the program listens on IPv4 only).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <iostream>
#include <memory>
#include <vector>

#include "condition/engine.h"
#include "platform/net/net.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/printer_sim.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::Health;
using Clock = std::chrono::steady_clock;

net::Endpoint Loopback(std::uint16_t port) {
    return net::IPv4Endpoint(127, 0, 0, 1, port);
}

// Submits a reading; its result comes through the future.
std::future<Condition> Read(condition::Reader& reader, const condition::ReadRequest& request) {
    auto result = std::make_shared<std::promise<Condition>>();
    std::future<Condition> future = result->get_future();
    reader.Submit(request, [result](Condition&& c) { result->set_value(std::move(c)); });
    return future;
}

bool Ready(std::future<Condition>& future, std::chrono::milliseconds wait = 0ms) {
    return future.wait_for(wait) == std::future_status::ready;
}

TEST(ConditionEngine, ReadsAFleetAtOnceUnderTheCapIgnoringForgedAndStrayAnswers) {
    PrinterSim fleet({.profileText = drive::FullProfileText(), .extraArgs = {"--fleet", "10"}});
    ASSERT_TRUE(fleet.ok()) << fleet.error();
    // Answers 10 ms late, so that requests overlap in the simulator's delay queue; printer 0
    // sends forged copies from another port first, printer 1 datagrams with other ids.
    ASSERT_EQ(fleet.command("delay 10"), "ok");
    ASSERT_EQ(fleet.command("printer 0 spoof 2"), "ok");
    ASSERT_EQ(fleet.command("printer 1 stray 2"), "ok");
    auto reader = condition::StartReader({.maxInFlight = 4});
    std::vector<std::future<Condition>> results;
    for (std::size_t i = 0; i < 40; ++i) {
        results.push_back(Read(*reader, {.agent = Loopback(fleet.port(i % 10)),
                                         .version = i % 2 == 0 ? condition::SnmpVersion::V1
                                                               : condition::SnmpVersion::V2c,
                                         .timeoutMs = 2000,
                                         .deadline = Clock::now() + 5s}));
    }
    // The answers waiting in the delay queue are the requests in flight.
    std::size_t most = 0;
    for (const auto until = Clock::now() + 30s; !Ready(results.back()) && Clock::now() < until;) {
        const std::string stats = fleet.command("stats");
        most = std::max<std::size_t>(most, std::stoul(stats.substr(stats.find(" queued=") + 8)));
    }
    EXPECT_EQ(most, 4u) << "requests in flight at most";
    for (auto& result : results) {
        ASSERT_TRUE(Ready(result, 10s));
        const Condition c = result.get();
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(c.supplies.size(), 5u);
        EXPECT_EQ(c.vendorStatus, "JAM") << "never a forged value";
    }
    const auto stats = reader->Stats();
    EXPECT_EQ(stats.inFlight, 0u);
    EXPECT_GE(stats.requests, results.size() * 4);
}

TEST(ConditionEngine, RetriesTimeoutsAndIpv6) {
    struct Case {
        const char* what;
        bool ipv6;
        std::function<bool(int)> drop;
        bool answered;
        const char* error;
        std::uint64_t retries, timeouts;
    } cases[] = {
        {"first request lost, one retry", false, [](int n) { return n == 0; }, true, "", 1, 0},
        {"silent agent", false, [](int) { return true; }, false, "timeout", 1, 1},
        {"over IPv6", true, nullptr, true, "", 0, 0},
    };
    const sim::Printer printer = drive::FullPrinter();
    std::vector<std::uint8_t> buffer(65536);
    for (const Case& c : cases) {
        std::uint16_t port = 0;
        const int fd = LoopbackUdp(port, c.ipv6);
        if (c.ipv6 && fd < 0) {
            std::cout << "no IPv6 loopback (::1) on this machine: not read over IPv6\n";
            continue;
        }
        ASSERT_GE(fd, 0);
        const auto agent = *net::LiteralEndpoint(c.ipv6 ? "::1" : "127.0.0.1", port);
        auto reader = condition::StartReader();
        auto result =
            Read(*reader, {.agent = agent, .timeoutMs = 300, .deadline = Clock::now() + 5s});
        // The test plays the simulator's responder until the reading ends; request n (from 0)
        // is dropped when drop(n).
        for (auto [n, until] = std::pair(0, Clock::now() + 10s);
             !Ready(result, 1ms) && Clock::now() < until;) {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size = recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (size > 0 && !(c.drop && c.drop(n++))) {
                const sim::Reply reply =
                    sim::Respond(buffer.data(), static_cast<std::size_t>(size), printer);
                sendto(fd, reply.response.data(), reply.response.size(), 0,
                       reinterpret_cast<sockaddr*>(&from), length);
            }
        }
        close(fd);
        ASSERT_TRUE(Ready(result)) << c.what;
        const Condition read = result.get();
        EXPECT_EQ(read.answered, c.answered) << c.what;
        EXPECT_EQ(read.error, c.error) << c.what;
        EXPECT_EQ(reader->Stats().retries, c.retries) << c.what;
        EXPECT_EQ(reader->Stats().timeouts, c.timeouts) << c.what;
    }
}

TEST(ConditionEngine, DeadlineAndStopEndReadings) {
    PrinterSim sim({.profileText = drive::FullProfileText()});
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Each answer takes 300 ms, so the first comes well within the deadline (room for a loaded
    // machine) and the dozen a whole reading needs do not.
    ASSERT_EQ(sim.command("delay 300"), "ok");
    auto reader = condition::StartReader();
    auto late = Read(*reader, {.agent = Loopback(sim.port()),
                               .timeoutMs = 2000,
                               .retries = 0,
                               .deadline = Clock::now() + 1000ms});
    ASSERT_TRUE(Ready(late, 2s)) << "ended by its deadline";
    const Condition read = late.get();
    EXPECT_TRUE(read.answered) << "the device walk came back in time";
    EXPECT_EQ(read.error, "deadline passed");

    ASSERT_EQ(sim.command("silence on"), "ok");
    std::vector<std::future<Condition>> results;
    for (int i = 0; i < 5; ++i) {
        results.push_back(Read(
            *reader,
            {.agent = Loopback(sim.port()), .timeoutMs = 5000, .deadline = Clock::now() + 5s}));
    }
    reader.reset();
    for (auto& result : results) {
        ASSERT_TRUE(Ready(result)) << "Stop calls every done before it returns";
        const Condition c = result.get();
        EXPECT_EQ(c.error, "reader stopped");
        EXPECT_EQ(c.health, Health::Unreachable);
    }
}

}  // namespace

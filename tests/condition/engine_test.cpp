// The engine against the scripted agent on loopback UDP: many readings at once, the source
// check, retries and time-outs, the cap on requests in flight, deadlines, IPv6 and Stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "condition/engine.h"
#include "tests/condition/fake_agent.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::Health;
using Clock = std::chrono::steady_clock;

fake::Agent FullPrinter() {
    fake::Agent agent;
    agent.Load(fake::FullPrinterProfile());
    return agent;
}

condition::ReadRequest RequestFor(const fake::UdpAgent& agent, int timeoutMs = 200,
                                  int retries = 1) {
    condition::ReadRequest request;
    request.agent = agent.endpoint();
    request.timeoutMs = timeoutMs;
    request.retries = retries;
    request.deadline = Clock::now() + 5s;
    return request;
}

// Collects the results of readings submitted to one reader; waits a bounded time.
struct Results {
    std::mutex mutex;
    std::vector<Condition> done;
    std::promise<void> all;
    std::size_t expected = 0;

    condition::ReadDone Callback() {
        return [this](Condition&& c) {
            std::lock_guard<std::mutex> lock(mutex);
            done.push_back(std::move(c));
            if (done.size() == expected) {
                all.set_value();
            }
        };
    }
    bool Wait(std::chrono::seconds limit) {
        return all.get_future().wait_for(limit) == std::future_status::ready;
    }
};

TEST(ConditionEngine, ReadsManyPrintersAtOnceOverBothVersions) {
    std::vector<std::unique_ptr<fake::UdpAgent>> agents;
    for (int i = 0; i < 20; ++i) {
        agents.push_back(std::make_unique<fake::UdpAgent>(FullPrinter()));
        ASSERT_TRUE(agents.back()->ok());
    }
    condition::ReaderOptions options;
    options.maxInFlight = 8;
    auto reader = condition::StartReader(options);
    Results results;
    results.expected = 200;
    for (std::size_t i = 0; i < results.expected; ++i) {
        auto request = RequestFor(*agents[i % agents.size()]);
        request.version = i % 2 == 0 ? condition::SnmpVersion::V1 : condition::SnmpVersion::V2c;
        reader->Submit(request, results.Callback());
    }
    ASSERT_TRUE(results.Wait(30s));
    for (const Condition& c : results.done) {
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(c.health, Health::Critical);
        EXPECT_EQ(c.supplies.size(), 5u);
    }
    const auto stats = reader->Stats();
    EXPECT_EQ(stats.inFlight, 0u);
    EXPECT_EQ(stats.timeouts, 0u);
    EXPECT_GE(stats.requests, 200u * 4);
}

// Faults of the path between reader and agent, each a reading with a known end.
TEST(ConditionEngine, SourceCheckRetriesAndTimeouts) {
    struct Case {
        const char* what;
        std::function<bool(int)> drop;
        bool spoof;
        int retries;
        bool answered;
        const char* error;
        std::uint64_t minRetries, timeouts;
    } cases[] = {
        {"a forged answer from another port first", nullptr, true, 0, true, "", 0, 0},
        {"first request lost, one retry", [](int n) { return n == 0; }, false, 1, true, "", 1, 0},
        {"silent agent", [](int) { return true; }, false, 1, false, "timeout", 1, 1},
        {"silent after the device walk", [](int n) { return n >= 1; }, false, 0, true,
         "timeout after 1 answers", 0, 1},
    };
    for (const Case& c : cases) {
        fake::UdpAgent agent(FullPrinter());
        agent.drop = c.drop;
        agent.spoof = c.spoof;
        auto reader = condition::StartReader();
        std::promise<Condition> result;
        reader->Submit(RequestFor(agent, 100, c.retries),
                       [&result](Condition&& r) { result.set_value(std::move(r)); });
        auto future = result.get_future();
        ASSERT_EQ(future.wait_for(10s), std::future_status::ready) << c.what;
        const Condition read = future.get();
        EXPECT_EQ(read.answered, c.answered) << c.what;
        EXPECT_EQ(read.error, c.error) << c.what;
        if (c.answered && c.error[0] == '\0') {
            EXPECT_EQ(read.vendorStatus, "JAM") << c.what << ": never the forged value";
            EXPECT_EQ(read.supplies.at(0).colour, "black") << c.what;
        }
        EXPECT_GE(reader->Stats().retries, c.minRetries) << c.what;
        EXPECT_EQ(reader->Stats().timeouts, c.timeouts) << c.what;
    }
}

TEST(ConditionEngine, CapsRequestsInFlight) {
    fake::UdpAgent agent(FullPrinter());
    agent.delayMs = 20;
    condition::ReaderOptions options;
    options.maxInFlight = 3;
    auto reader = condition::StartReader(options);
    Results results;
    results.expected = 10;
    for (std::size_t i = 0; i < results.expected; ++i) {
        reader->Submit(RequestFor(agent, 1000), results.Callback());
    }
    ASSERT_TRUE(results.Wait(30s));
    EXPECT_EQ(agent.maxOutstanding(), 3);
    for (const Condition& c : results.done) {
        EXPECT_EQ(c.error, "");
    }
}

TEST(ConditionEngine, DeadlineAndStopEndReadings) {
    fake::UdpAgent slow(FullPrinter());
    // Each answer takes 300 ms, so the first comes well within the deadline (room for a loaded
    // machine) and the dozen a whole reading needs do not.
    slow.delayMs = 300;
    auto request = RequestFor(slow, 2000, 0);
    request.deadline = Clock::now() + 1000ms;
    const auto start = Clock::now();
    const Condition late = condition::ReadOnce(request);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(late.answered) << "the device walk came back in time";
    EXPECT_EQ(late.error, "deadline passed");

    fake::UdpAgent silent(FullPrinter());
    silent.drop = [](int) { return true; };
    auto reader = condition::StartReader();
    Results results;
    results.expected = 5;
    for (int i = 0; i < 5; ++i) {
        reader->Submit(RequestFor(silent, 5000), results.Callback());
    }
    reader.reset();
    ASSERT_TRUE(results.Wait(1s)) << "Stop calls every done before it returns";
    for (const Condition& c : results.done) {
        EXPECT_EQ(c.error, "reader stopped");
        EXPECT_EQ(c.health, Health::Unreachable);
    }
}

TEST(ConditionEngine, ReadsOverIpv6) {
    fake::UdpAgent agent(FullPrinter(), true);
    if (!agent.ok()) {
        GTEST_SKIP() << "no IPv6 loopback (::1) on this machine";
    }
    const Condition read = condition::ReadOnce(RequestFor(agent));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.serial, "VMK4C-000042");
}

}  // namespace

// Name resolution by a deadline: a slow lookup must not hold a reading past it. (The system's
// lookup of localhost is exercised by the HTTP tests.)
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "exporter/resolver.h"

namespace exporter {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Resolver, SlowLookupEndsByTheDeadlineAndFullQueueAtOnce) {
    std::atomic<bool> release{false};
    auto slow = [&](const std::string&, std::uint16_t) {
        while (!release) {
            std::this_thread::sleep_for(5ms);
        }
        return Resolution{true, {}, ""};
    };
    auto resolver = std::make_unique<Resolver>(1, 2, slow);
    std::promise<std::pair<Resolution, Clock::time_point>> first;
    auto start = Clock::now();
    resolver->Resolve("slow.example", 161, start + 300ms, [&](Resolution&& r) {
        first.set_value({std::move(r), Clock::now()});
    });
    std::promise<Resolution> second;
    resolver->Resolve("slow2.example", 161, start + 10s,
                      [&](Resolution&& r) { second.set_value(std::move(r)); });
    // The queue holds two: a third is refused at once, on the caller's thread.
    bool refused = false;
    resolver->Resolve("third.example", 161, start + 10s, [&](Resolution&& r) { refused = !r.ok; });
    EXPECT_TRUE(refused);

    auto firstFuture = first.get_future();
    ASSERT_EQ(firstFuture.wait_for(2s), std::future_status::ready);
    auto [result, when] = firstFuture.get();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("timed out"), std::string::npos);
    EXPECT_LT(when - start, 400ms);

    // Destroyed while a lookup still blocks: it returns at once and calls nothing more.
    auto before = Clock::now();
    resolver.reset();
    EXPECT_LT(Clock::now() - before, 100ms);
    release = true;
    auto secondFuture = second.get_future();
    EXPECT_EQ(secondFuture.wait_for(200ms), std::future_status::timeout);
}

}  // namespace
}  // namespace exporter

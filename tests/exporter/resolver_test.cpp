// Name resolution against a DNS server of the test's own on loopback: a slow name delays only
// itself (40 of them waiting change nothing for the others), each request ends by its deadline,
// answers are kept for their time to live and shared by the requests that wait for one name, a
// full queue answers at once, and a destroyed resolver answers nobody.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "exporter/resolver.h"
#include "tests/support/dns_responder.h"

namespace exporter {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int SLOW_NAMES = 40;

std::map<std::string, DnsResponder::Name> Names() {
    std::map<std::string, DnsResponder::Name> names{
        {"fast", {.v4 = {{127, 0, 0, 2}}}},
        {"six", {.v6 = {{0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}}}},
        {"kept", {.v4 = {{127, 0, 0, 3}}, .ttl = 60}},
        {"brief", {.v4 = {{127, 0, 0, 4}}, .ttl = 0}},
        {"shared", {.v4 = {{127, 0, 0, 5}}, .delay = 200ms}},
        {"late", {.v4 = {{127, 0, 0, 6}}, .delay = 3000ms}},
    };
    for (int i = 0; i < SLOW_NAMES; ++i) {
        names["slow" + std::to_string(i)] = {.v4 = {{127, 0, 0, 9}}, .delay = 1500ms};
    }
    return names;
}

struct Answer {
    Resolution resolution;
    Clock::duration took;
};

std::future<Answer> Resolve(Resolver& resolver, const std::string& host, Clock::duration wait) {
    auto result = std::make_shared<std::promise<Answer>>();
    const auto start = Clock::now();
    resolver.Resolve(host, 161, start + wait, [result, start](Resolution&& r) {
        result->set_value({std::move(r), Clock::now() - start});
    });
    return result->get_future();
}

TEST(Resolver, ASlowNameDelaysOnlyItselfAndEachEndsByItsDeadline) {
    DnsResponder dns(Names());
    ASSERT_TRUE(dns.ok());
    Resolver resolver({.servers = dns.Servers()});
    ASSERT_TRUE(resolver.Ready());
    std::vector<std::future<Answer>> slow;
    for (int i = 0; i < SLOW_NAMES; ++i) {
        slow.push_back(Resolve(resolver, "slow" + std::to_string(i), 10s));
    }
    struct Row {
        const char* name;
        const char* host;
        std::chrono::milliseconds deadline;
        const char* address;  // EndpointText; nullptr: not resolved
        const char* error;    // when not resolved: the start of the reason
        std::chrono::milliseconds within;
    } rows[] = {
        {"a fast name among the slow", "fast", 5000ms, "127.0.0.2:161", "", 500ms},
        {"localhost from the hosts file", "localhost", 5000ms, "127.0.0.1:161", "", 500ms},
        {"a name with an IPv6 address only", "six", 5000ms, "[fd00::5]:161", "", 500ms},
        {"an unknown name", "nowhere", 5000ms, nullptr, "name lookup failed: ", 500ms},
        {"a slow name by its deadline", "late", 300ms, nullptr, "name lookup timed out", 450ms},
    };
    for (const Row& row : rows) {
        auto future = Resolve(resolver, row.host, row.deadline);
        ASSERT_EQ(future.wait_for(row.deadline + 1s), std::future_status::ready) << row.name;
        const Answer answer = future.get();
        EXPECT_LT(answer.took, row.within) << row.name;
        EXPECT_EQ(answer.resolution.ok, row.address != nullptr) << row.name;
        if (row.address != nullptr) {
            EXPECT_EQ(net::EndpointText(answer.resolution.endpoint), row.address) << row.name;
        } else {
            EXPECT_EQ(answer.resolution.error.rfind(row.error, 0), 0u)
                << row.name << ": " << answer.resolution.error;
        }
    }
    for (auto& future : slow) {
        ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
        const Answer answer = future.get();
        EXPECT_TRUE(answer.resolution.ok) << answer.resolution.error;
        EXPECT_GE(answer.took, 1400ms) << "the slow names were slow";
    }
}

TEST(Resolver, AnswersKeptForTheirTimeToLiveAndSharedByTheirWaiters) {
    DnsResponder dns(Names());
    ASSERT_TRUE(dns.ok());
    Resolver resolver({.servers = dns.Servers()});
    auto once = [&](const std::string& host) {
        auto future = Resolve(resolver, host, 5s);
        EXPECT_EQ(future.wait_for(6s), std::future_status::ready) << host;
        return future.get().resolution;
    };
    ASSERT_TRUE(once("kept").ok);
    const int oneLookup = dns.Queries("kept");
    ASSERT_GT(oneLookup, 0);
    struct Row {
        const char* name;
        const char* host;
        int lookups;  // queries, in lookups of one name
    } rows[] = {
        {"kept for its time to live", "kept", 1},
        {"a time to live of 0: asked again", "brief", 2},
    };
    ASSERT_TRUE(once("brief").ok);
    for (const Row& row : rows) {
        const Resolution again = once(row.host);
        EXPECT_TRUE(again.ok) << row.name;
        EXPECT_EQ(dns.Queries(row.host), row.lookups * oneLookup) << row.name;
    }
    // Ten requests at once for a name being looked up wait for that one lookup.
    std::vector<std::future<Answer>> waiting;
    for (int i = 0; i < 10; ++i) {
        waiting.push_back(Resolve(resolver, "shared", 5s));
    }
    for (auto& future : waiting) {
        ASSERT_EQ(future.wait_for(6s), std::future_status::ready);
        EXPECT_TRUE(future.get().resolution.ok);
    }
    EXPECT_EQ(dns.Queries("shared"), oneLookup) << "one lookup for ten requests";
}

TEST(Resolver, FullQueueAnswersAtOnceAndADestroyedResolverNobody) {
    DnsResponder dns(Names());
    ASSERT_TRUE(dns.ok());
    auto resolver =
        std::make_unique<Resolver>(ResolverOptions{.maxPending = 2, .servers = dns.Servers()});
    auto first = Resolve(*resolver, "slow0", 10s);
    auto second = Resolve(*resolver, "slow1", 10s);
    // Two are waiting: a third is refused at once, on the caller's thread.
    bool refused = false;
    resolver->Resolve("fast", 161, Clock::now() + 10s, [&](Resolution&& r) {
        refused = !r.ok && r.error == "too many name lookups in progress";
    });
    EXPECT_TRUE(refused);
    const auto before = Clock::now();
    resolver.reset();
    EXPECT_LT(Clock::now() - before, 200ms);
    // Their `done`s were dropped uncalled: their promises are broken, not kept.
    EXPECT_THROW(first.get(), std::future_error) << "nobody answered";
    EXPECT_THROW(second.get(), std::future_error) << "nobody answered";
}

}  // namespace
}  // namespace exporter

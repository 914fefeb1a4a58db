// What a reading becomes before any packet leaves: its time from Prometheus's scrape-timeout
// header, and the launcher's reading (an address outside the allow-list is forbidden, a name is
// resolved first and judged by its address, a name that does not resolve ends the reading). The
// HTTP side end to end, with the credentials and the deadline that reach the printer:
// http_test.py.
#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "exporter/launcher.h"
#include "exporter/server.h"
#include "platform/net/net.h"
#include "tests/support/dns_responder.h"

namespace exporter {
namespace {

using namespace std::chrono_literals;

TEST(ReadingTimeout, FromTheScrapeTimeoutHeaderLessTheMarginCappedByTheLongest) {
    struct Case {
        const char* name;
        const char* header;
        std::chrono::milliseconds longest;
        std::chrono::milliseconds timeout;
    } cases[] = {
        {"no header: the default", nullptr, 30000ms, 10000ms},
        {"less the margin", "4", 30000ms, 3500ms},
        {"at least half of it", "0.6", 30000ms, 300ms},
        {"half and margin alike", "1", 30000ms, 500ms},
        {"a unit is no number", "4s", 30000ms, 10000ms},
        {"not a number", "nonsense", 30000ms, 10000ms},
        {"zero", "0", 30000ms, 10000ms},
        {"negative", "-3", 30000ms, 10000ms},
        {"infinite", "inf", 30000ms, 10000ms},
        {"NaN", "nan", 30000ms, 10000ms},
        {"a slot held for 300 s", "300", 30000ms, 29500ms},
        {"a huge header", "99999", 30000ms, 29500ms},
        {"just at the cap", "30", 30000ms, 29500ms},
        {"a lower cap", "300", 5000ms, 4500ms},
        {"the default cut to a lower cap", nullptr, 5000ms, 5000ms},
        {"a bad header, the default cut", "x", 2000ms, 2000ms},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadingTimeout(c.header, 10000ms, 500ms, c.longest), c.timeout) << c.name;
    }
}

// Records each request and answers it at once.
struct RecordingReader : condition::Reader {
    void Submit(condition::ReadRequest request, condition::ReadDone done) override {
        requests.push_back(request);
        done(condition::Condition{});
    }
    condition::ReaderStats Stats() const override { return {}; }
    std::vector<condition::ReadRequest> requests;
};

TEST(Launcher, AllowListNamesAndCredentials) {
    RecordingReader reader;
    // "inside" resolves to 127.0.0.2, "mapped" to it as an IPv4-mapped IPv6 address, "outside"
    // to 127.0.0.1, "gone" to nothing, on a DNS server of the test's own.
    DnsResponder dns(
        {{"inside", {.v4 = {{127, 0, 0, 2}}}},
         {"mapped", {.v6 = {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 127, 0, 0, 2}}}},
         {"outside", {.v4 = {{127, 0, 0, 1}}}}});
    ASSERT_TRUE(dns.ok());
    Resolver resolver({.servers = dns.Servers()});
    std::vector<Cidr> allow;
    std::string why;
    ASSERT_TRUE(ParseCidrList("127.0.0.2/32,::1/128", allow, why));
    Launcher launcher(reader, resolver, allow);
    struct Case {
        const char* host;
        bool forbidden;
        const char* address;  // the outcome's: read or refused
        const char* error;    // the start of the outcome's condition's
    } cases[] = {
        {"127.0.0.2", false, "127.0.0.2", ""},
        {"::1", false, "::1", ""},
        {"127.0.0.1", true, "127.0.0.1", ""},
        {"inside", false, "127.0.0.2", ""},
        {"outside", true, "127.0.0.1", ""},  // a name cannot smuggle an address past the list
        {"gone", false, "", "name lookup failed: "},
        // Read, and sent, as the IPv4 address it is: an IPv6 socket could not send to it.
        {"::ffff:127.0.0.2", false, "127.0.0.2", ""},
        {"::ffff:127.0.0.1", true, "127.0.0.1", ""},
        {"mapped", false, "127.0.0.2", ""},
    };
    for (const Case& c : cases) {
        const std::size_t before = reader.requests.size();
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        std::promise<ReadOutcome> result;
        launcher.Read({c.host, 1161}, Auth{condition::SnmpVersion::V2c, "s3cret"}, deadline,
                      [&result](ReadOutcome&& outcome) { result.set_value(std::move(outcome)); });
        auto future = result.get_future();
        ASSERT_EQ(future.wait_for(5s), std::future_status::ready) << c.host;
        const ReadOutcome outcome = future.get();
        EXPECT_EQ(outcome.forbidden, c.forbidden) << c.host;
        EXPECT_EQ(outcome.address, c.address) << c.host;
        EXPECT_EQ(outcome.condition.error.rfind(c.error, 0), 0u) << c.host;
        EXPECT_EQ(outcome.condition.error.empty(), c.error[0] == '\0') << c.host;
        const bool read = !c.forbidden && c.error[0] == '\0';
        ASSERT_EQ(reader.requests.size(), before + (read ? 1 : 0)) << c.host;
        if (read) {
            EXPECT_EQ(net::AddressText(reader.requests.back().agent), c.address) << c.host;
        }
    }
}

}  // namespace
}  // namespace exporter

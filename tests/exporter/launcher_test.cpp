// What a reading becomes before any packet leaves: its time from Prometheus's scrape-timeout
// header, and the launcher's reading (an address outside the allow-list is forbidden, a name is
// resolved first and judged by its address, a name that does not resolve ends the reading). The
// HTTP side end to end, with the credentials and the deadline that reach the printer:
// http_test.py.
#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "exporter/config.h"
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
        {"infinite", "inf", 30000ms, 10000ms},
        {"a slot held for 300 s", "300", 30000ms, 29500ms},
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
        Auth auth;
        auth.community = "s3cret";
        launcher.Read({c.host, 1161}, auth, deadline,
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

// Where each auth may be sent: its allowed_targets, else the printers listed with it. A refusal
// sends nothing and says why in a line.
TEST(Launcher, AuthsGoOnlyWhereTheirScopeSays) {
    RecordingReader reader;
    // "inside" resolves to 127.0.0.2, the other names to 127.0.0.1.
    DnsResponder dns({{"inside", {.v4 = {{127, 0, 0, 2}}}},
                      {"outside", {.v4 = {{127, 0, 0, 1}}}},
                      {"named-printer", {.v4 = {{127, 0, 0, 1}}}}});
    ASSERT_TRUE(dns.ok());
    Resolver resolver({.servers = dns.Servers()});
    std::vector<Cidr> allow;
    std::string why;
    ASSERT_TRUE(ParseCidrList("127.0.0.0/8", allow, why));
    Launcher launcher(reader, resolver, allow);
    Config config;
    ASSERT_TRUE(
        ParseConfig("auths:\n"
                    "  office: {version: 2c, community: s3cret,\n"
                    "           allowed_targets: [127.0.0.2/32, 'Named-Printer:1161']}\n"
                    "  lab: {version: 1, community: lab}\n"
                    "printers:\n"
                    "  - {name: A, target: '127.0.0.4:1161', auth: lab}\n"
                    "  - {name: B, target: '127.0.0.5:1161'}\n",
                    config, why))
        << why;
    struct Case {
        const char* name;
        const char* auth;
        const char* host;
        std::uint16_t port;
        const char* refusal;  // a part of it; "" when the reading is sent
    } cases[] = {
        {"a network of allowed_targets", "office", "127.0.0.2", 1161, ""},
        {"any port in that network", "office", "127.0.0.2", 161, ""},
        {"outside allowed_targets", "office", "127.0.0.3", 1161,
         "auth 'office' may not be sent to 127.0.0.3"},
        {"a name judged by its address", "office", "inside", 1161, ""},
        {"a name whose address is outside", "office", "outside", 1161,
         "may not be sent to 127.0.0.1"},
        {"a printer of allowed_targets, any case", "office", "named-printer", 1161, ""},
        {"that printer on another port", "office", "named-printer", 162,
         "may not be sent to 127.0.0.1"},
        {"the printer listed with it", "lab", "127.0.0.4", 1161, ""},
        {"its printer's address on another port", "lab", "127.0.0.4", 161,
         "auth 'lab' may not be sent to 127.0.0.4"},
        {"a printer listed with another auth", "lab", "127.0.0.5", 1161,
         "may not be sent to 127.0.0.5"},
        {"a name never looked up", "lab", "inside", 1161, "may not be sent to inside"},
        {"default to its printer", "default", "127.0.0.5", 1161, ""},
        {"default elsewhere", "default", "127.0.0.3", 1161,
         "auth 'default' may not be sent to 127.0.0.3"},
        {"the allow-list first", "office", "10.0.0.1", 1161, "outside the networks"},
    };
    for (const Case& c : cases) {
        const std::size_t before = reader.requests.size();
        std::promise<ReadOutcome> result;
        const Auth& auth = config.auths.at(c.auth);
        launcher.Read({c.host, c.port}, auth, std::chrono::steady_clock::now() + 2s,
                      [&result](ReadOutcome&& outcome) { result.set_value(std::move(outcome)); });
        auto future = result.get_future();
        ASSERT_EQ(future.wait_for(5s), std::future_status::ready) << c.name;
        const ReadOutcome outcome = future.get();
        const bool sent = c.refusal[0] == '\0';
        EXPECT_EQ(outcome.forbidden, !sent) << c.name;
        EXPECT_NE(outcome.refusal.find(c.refusal), std::string::npos)
            << c.name << ": " << outcome.refusal;
        ASSERT_EQ(reader.requests.size(), before + (sent ? 1 : 0)) << c.name;
        if (sent) {
            EXPECT_EQ(reader.requests.back().community, auth.community) << c.name;
        }
    }
}

}  // namespace
}  // namespace exporter

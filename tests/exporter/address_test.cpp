// Targets, networks and the allow-list. Addresses here are only parsed: nothing is sent.
#include <gtest/gtest.h>

#include "exporter/address.h"
#include "platform/net/net.h"

namespace exporter {
namespace {

// The split itself is text/target_syntax's (tests/text, its refusals too); here, what a request
// is held to on top.
TEST(Target, Syntax) {
    struct Case {
        const char* name;
        std::string text;
        std::string host;  // empty: refused
        std::uint16_t port;
    } cases[] = {
        {"a name with every kind of character", "lab-printer2.example_net:65535",
         "lab-printer2.example_net", 65535},
        {"IPv6 in brackets", "[fd00::5]:16161", "fd00::5", 16161},
        {"IPv4-mapped IPv6 in brackets", "[::ffff:10.0.0.1]:161", "::ffff:10.0.0.1", 161},
        {"the longest host", std::string(255, 'a'), std::string(255, 'a'), 161},
        {"one byte too long", std::string(256, 'a'), "", 0},
        {"a name in brackets", "[printer]:161", "", 0},
        {"IPv4 in brackets", "[10.1.2.3]:161", "", 0},
        {"a space", "bad host", "", 0},
        {"an option's dash", "-option", "", 0},
        {"a newline", "x\ny", "", 0},
        {"a percent-encoded byte left in", "10.0.0.1%0a", "", 0},
    };
    for (const Case& c : cases) {
        std::string why;
        auto parsed = ParseTarget(c.text, why);
        if (c.host.empty()) {
            EXPECT_FALSE(parsed) << c.name;
            EXPECT_FALSE(why.empty()) << c.name;
            EXPECT_EQ(why.find('\n'), std::string::npos) << c.name;
        } else {
            ASSERT_TRUE(parsed) << c.name << ": " << why;
            EXPECT_EQ(parsed->host, c.host) << c.name;
            EXPECT_EQ(parsed->port, c.port) << c.name;
        }
    }
}

// The default networks, and a list from the command line (`given`).
TEST(AllowList, DefaultNetworksAndListsFromTheCommandLine) {
    std::vector<Cidr> list;
    std::string why;
    ASSERT_TRUE(ParseCidrList("127.0.0.2/32,10.0.0.0/9,2001:db8::/126", list, why)) << why;
    struct Case {
        const char* name;
        bool given;
        const char* address;
        bool allowed;
    } cases[] = {
        {"IPv4-compatible is IPv6, not the IPv4 address", false, "::10.0.0.1", false},
        {"IPv4-mapped, by a given IPv4 host", true, "::ffff:127.0.0.2", true},
        {"loopback, the default", false, "127.255.0.9", true},
        {"RFC 1918 10/8", false, "10.200.1.1", true},
        {"RFC 1918 172.16/12, its last", false, "172.31.255.255", true},
        {"just past 172.16/12", false, "172.32.0.1", false},
        {"just before 172.16/12", false, "172.15.255.255", false},
        {"RFC 1918 192.168/16", false, "192.168.7.7", true},
        {"just past 192.168/16", false, "192.169.0.1", false},
        {"IPv4 link-local", false, "169.254.3.4", true},
        {"carrier-grade NAT is not private", false, "100.64.0.1", false},
        {"IPv6 loopback", false, "::1", true},
        {"next to IPv6 loopback", false, "::2", false},
        {"IPv6 link-local", false, "fe80::1", true},
        {"IPv6 unique-local fd", false, "fd12:3456::1", true},
        {"IPv6 unique-local fc", false, "fc00::1", true},
        {"IPv4-mapped, private", false, "::ffff:10.0.0.1", true},
        {"IPv4-mapped, public", false, "::ffff:8.8.8.8", false},
        {"a given host", true, "127.0.0.2", true},
        {"its neighbour", true, "127.0.0.1", false},
        {"the last of a given /9", true, "10.127.255.255", true},
        {"just past a given /9", true, "10.128.0.0", false},
        {"the last of a given /126", true, "2001:db8::3", true},
        {"just past a given /126", true, "2001:db8::4", false},
    };
    for (const Case& c : cases) {
        auto endpoint = net::LiteralEndpoint(c.address, 161);
        ASSERT_TRUE(endpoint) << c.name;
        EXPECT_EQ(IsAllowed(c.given ? list : DefaultAllowList(), *endpoint), c.allowed)
            << c.name << ": " << c.address;
    }
    for (const char* bad : {"", "10.0.0.0/33", "10.0.0.1/8", "10.0.0.0/", "10.0.0.0/8,",
                            "printer/24", "::/129", "10.0.0.0/-1"}) {
        EXPECT_FALSE(ParseCidrList(bad, list, why)) << bad;
    }
}

}  // namespace
}  // namespace exporter

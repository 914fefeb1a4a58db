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
        std::string text;
        const char* host;  // nullptr: refused
        std::uint16_t port;
    } cases[] = {
        {"lab-printer2.example_net:65535", "lab-printer2.example_net", 65535},
        {"[fd00::5]:16161", "fd00::5", 16161},
        {std::string(256, 'a'), nullptr, 0},
        {"[printer]:161", nullptr, 0},
        {"[10.1.2.3]:161", nullptr, 0},
        {"bad host", nullptr, 0},
        {"-option", nullptr, 0},
        {"x\ny", nullptr, 0},
    };
    for (const Case& c : cases) {
        std::string why;
        auto parsed = ParseTarget(c.text, why);
        if (c.host == nullptr) {
            EXPECT_FALSE(parsed) << c.text;
            EXPECT_FALSE(why.empty()) << c.text;
            EXPECT_EQ(why.find('\n'), std::string::npos);
        } else {
            ASSERT_TRUE(parsed) << c.text << ": " << why;
            EXPECT_EQ(parsed->host, c.host);
            EXPECT_EQ(parsed->port, c.port);
        }
    }
    std::string why;
    EXPECT_TRUE(ParseTarget(std::string(255, 'a'), why));
}

// The default networks, and a list from the command line (`given`).
TEST(AllowList, DefaultNetworksAndListsFromTheCommandLine) {
    std::vector<Cidr> list;
    std::string why;
    ASSERT_TRUE(ParseCidrList("127.0.0.2/32,10.0.0.0/9,2001:db8::/126", list, why)) << why;
    struct Case {
        bool given;
        const char* address;
        bool allowed;
    } cases[] = {
        {false, "127.255.0.9", true},
        {false, "10.200.1.1", true},
        {false, "172.31.255.255", true},
        {false, "172.32.0.1", false},
        {false, "172.15.255.255", false},
        {false, "192.168.7.7", true},
        {false, "192.169.0.1", false},
        {false, "169.254.3.4", true},
        {false, "100.64.0.1", false},
        {false, "::1", true},
        {false, "::2", false},
        {false, "fe80::1", true},
        {false, "fd12:3456::1", true},
        {false, "fc00::1", true},
        {false, "::ffff:10.0.0.1", true},
        {false, "::ffff:8.8.8.8", false},
        {true, "127.0.0.2", true},
        {true, "127.0.0.1", false},
        {true, "10.127.255.255", true},
        {true, "10.128.0.0", false},
        {true, "2001:db8::3", true},
        {true, "2001:db8::4", false},
    };
    for (const Case& c : cases) {
        auto endpoint = net::LiteralEndpoint(c.address, 161);
        ASSERT_TRUE(endpoint) << c.address;
        EXPECT_EQ(IsAllowed(c.given ? list : DefaultAllowList(), *endpoint), c.allowed)
            << c.address;
    }
    for (const char* bad : {"", "10.0.0.0/33", "10.0.0.1/8", "10.0.0.0/", "10.0.0.0/8,",
                            "printer/24", "::/129", "10.0.0.0/-1"}) {
        EXPECT_FALSE(ParseCidrList(bad, list, why)) << bad;
    }
}

}  // namespace
}  // namespace exporter

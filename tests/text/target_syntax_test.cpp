#include "text/target_syntax.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// The window's form: only a single valid port is split off; a host that does not fit its buffer
// is cut and reported.
TEST(SplitTarget, OnlyASingleValidPortIsSplitOff) {
    const struct {
        const char* target;
        const char* host;
        std::uint16_t port;
        std::size_t capacity = 64;
        bool fits = true;
    } cases[] = {
        {"printer.example", "printer.example", 161},
        {"127.0.0.1:1", "127.0.0.1", 1},
        {"127.0.0.1:65535", "127.0.0.1", 65535},
        {"127.0.0.1:65536", "127.0.0.1:65536", 161},  // out of range: a host name whole
        {"127.0.0.1:0", "127.0.0.1:0", 161},
        {"127.0.0.1:", "127.0.0.1:", 161},
        {"127.0.0.1:16x", "127.0.0.1:16x", 161},
        {"::1", "::1", 161},
        {":161", "", 161},
        {"print:80", "prin", 80, 5, false},
        {"printer", "prin", 161, 5, false},
        {"prin:80", "prin", 80, 5, true},
    };
    for (const auto& c : cases) {
        char host[64] = "?";
        std::uint16_t port = 0;
        EXPECT_EQ(SplitTarget(c.target, host, c.capacity, &port), c.fits) << c.target;
        EXPECT_STREQ(host, c.host) << c.target;
        EXPECT_EQ(port, c.port) << c.target;
    }
}

// The forms that also take IPv6. A target: a single colon always introduces a port, which must
// then be good; brackets hold a host that only an IPv6 literal can be. A listening address: the
// port is required, 0 and an empty host (every address) allowed.
TEST(SplitHostPort, TargetsAndListeningAddresses) {
    using Split = std::optional<HostPort> (*)(std::string_view, std::string&);
    const Split target = SplitHostPort, listen = SplitListenAddress;
    const struct {
        Split split;
        const char* text;
        const char* host;  // nullptr: refused
        std::uint16_t port;
        bool ipv6;
    } cases[] = {
        {target, "printer", "printer", 161, false},
        {target, "lab-printer:65535", "lab-printer", 65535, false},
        {target, "::1", "::1", 161, true},
        {target, "fe80::1:161", "fe80::1:161", 161, true},  // bare: every colon is the address's
        {target, "[::1]", "::1", 161, true},
        {target, "[fd00::5]:16161", "fd00::5", 16161, true},
        {target, "[printer]:5", "printer", 5, true},
        {target, "printer:", nullptr, 0, false},
        {target, "printer:0", nullptr, 0, false},
        {target, "[::1", nullptr, 0, false},
        {target, "[::1]x", nullptr, 0, false},
        {target, ":161", nullptr, 0, false},
        {listen, "127.0.0.1:1161", "127.0.0.1", 1161, false},
        {listen, "127.0.0.1:0", "127.0.0.1", 0, false},
        {listen, ":9116", "", 9116, false},
        {listen, "[::]:9116", "::", 9116, true},
        {listen, "127.0.0.1", nullptr, 0, false},
        {listen, "127.0.0.1:", nullptr, 0, false},
        {listen, "[]:9116", nullptr, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.split == target ? "target " : "listen ") + c.text);
        std::string why;
        const auto got = c.split(c.text, why);
        ASSERT_EQ(got.has_value(), c.host != nullptr) << why;
        EXPECT_EQ(why.empty(), c.host != nullptr) << "a refusal says why";
        if (got) {
            EXPECT_EQ(std::tie(got->host, got->port, got->ipv6),
                      std::make_tuple(std::string(c.host), c.port, c.ipv6));
        }
    }
}

}  // namespace

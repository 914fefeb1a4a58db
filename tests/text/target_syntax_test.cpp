#include "text/target_syntax.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Which command-line targets are usage errors before anything runs: a port that was written
// and is not 1..65535. Everything else (a name, an IPv6 literal, a malformed bracket) is left
// to resolve or not.
TEST(TargetPortProblem, OnlyABadWrittenPortIsAUsageError) {
    const struct {
        const char* name;
        const char* target;
        const char* problem;  // nullptr: none
    } cases[] = {
        {"no port", "printer.example", nullptr},
        {"good port", "127.0.0.1:65535", nullptr},
        {"IPv6 bare", "::1", nullptr},
        {"IPv6 in brackets with a port", "[::1]:16161", nullptr},
        {"unclosed bracket", "[::1", nullptr},
        {"above the range", "127.0.0.1:65536",
         "port '65536' of target '127.0.0.1:65536' is not a number from 1 to 65535"},
        {"zero", "printer:0", "port '0' of target 'printer:0' is not a number from 1 to 65535"},
        {"empty", "printer:", "port '' of target 'printer:' is not a number from 1 to 65535"},
        {"letters", "[::1]:snmp",
         "port 'snmp' of target '[::1]:snmp' is not a number from 1 to 65535"},
        {"sign", "printer:+5", "port '+5' of target 'printer:+5' is not a number from 1 to 65535"},
    };
    for (const auto& c : cases) {
        const auto problem = TargetPortProblem(c.target);
        EXPECT_EQ(problem.value_or("(none)"), c.problem != nullptr ? c.problem : "(none)")
            << c.name;
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

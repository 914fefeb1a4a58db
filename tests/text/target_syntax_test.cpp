#include "text/target_syntax.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitTarget, OnlyASingleValidPortIsSplitOff) {
    struct Case {
        const char* target;
        const char* host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"printer.example", "printer.example", 161},
        {"127.0.0.1:16100", "127.0.0.1", 16100},
        {"127.0.0.1:1", "127.0.0.1", 1},
        {"127.0.0.1:65535", "127.0.0.1", 65535},
        {"127.0.0.1:65536", "127.0.0.1:65536", 161},  // out of range: a host name whole
        {"127.0.0.1:0", "127.0.0.1:0", 161},
        {"127.0.0.1:", "127.0.0.1:", 161},
        {"127.0.0.1:16x", "127.0.0.1:16x", 161},
        {"::1", "::1", 161},
        {"a:1:2", "a:1:2", 161},
        {"", "", 161},
        {":161", "", 161},
    };
    for (const Case& c : cases) {
        char host[64] = "?";
        std::uint16_t port = 0;
        EXPECT_TRUE(SplitTarget(c.target, host, sizeof host, &port)) << c.target;
        EXPECT_STREQ(host, c.host) << c.target;
        EXPECT_EQ(port, c.port) << c.target;
    }
}

TEST(SplitTarget, HostThatDoesNotFitIsCutAndReported) {
    char host[5] = "";
    std::uint16_t port = 0;
    EXPECT_FALSE(SplitTarget("printer:80", host, sizeof host, &port));
    EXPECT_STREQ(host, "prin");
    EXPECT_EQ(port, 80);
    EXPECT_FALSE(SplitTarget("printer", host, sizeof host, &port));
    EXPECT_STREQ(host, "prin");
    EXPECT_TRUE(SplitTarget("prin:80", host, sizeof host, &port));
}

}  // namespace

// Endpoints from target text: literals taken as they are, a name through the platform's lookup
// (localhost, from the hosts file: no DNS query), and refusals. The target syntax itself is
// tested with text/target_syntax (tests/text).
#include "condition/endpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;

TEST(ConditionEndpoint, FromTargetText) {
    struct Case {
        const char* text;
        const char* endpoint;  // nullptr: refused
    } cases[] = {
        {"127.0.0.1", "127.0.0.1:161"},
        {"127.0.0.1:1161", "127.0.0.1:1161"},
        {"::1", "[::1]:161"},
        {"[::1]:1161", "[::1]:1161"},
        {"localhost:1162", "127.0.0.1:1162"},  // the first IPv4 address, as the window takes
        {"[127.0.0.1]:5", nullptr},            // brackets hold IPv6 only
        {"a:b:c", nullptr},                    // colons: an IPv6 literal or nothing, not a name
        {"printer:0", nullptr},
        {":161", nullptr},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto endpoint = condition::ResolveEndpoint(c.text, 2000ms, &error);
        if (c.endpoint == nullptr) {
            EXPECT_FALSE(endpoint.has_value()) << c.text;
            EXPECT_FALSE(error.empty()) << c.text;
        } else {
            ASSERT_TRUE(endpoint.has_value()) << c.text << ": " << error;
            EXPECT_EQ(condition::EndpointText(*endpoint), c.endpoint) << c.text;
        }
    }
}

}  // namespace

// The one endpoint type: its text both ways, its socket addresses both ways, and the lookups
// that turn target text into one (literals and localhost from the hosts file: no DNS query).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/net/net.h"
#include "platform/net/socket_address.h"

namespace {

// The address as the system's own inet_ntop writes it from the socket address, and the port.
std::string SystemText(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(ntohs(v6.sin6_port));
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(v4.sin_port));
}

// Each text parsed, written back, and taken through a socket address and back: the written
// form is the one text of its endpoint, and the socket address holds what the system reads.
TEST(Endpoint, TextAndSocketAddressBothWays) {
    using net::Family;
    const struct {
        const char* name;
        const char* text;
        const char* written;  // nullptr: refused
        Family family = Family::IPv4;
    } cases[] = {
        {"IPv4", "127.0.0.1:161", "127.0.0.1:161"},
        {"IPv4, port 0 (any, to bind)", "10.0.0.1:0", "10.0.0.1:0"},
        {"IPv4, highest port", "192.168.1.20:65535", "192.168.1.20:65535"},
        {"IPv6 in brackets", "[::1]:1161", "[::1]:1161", Family::IPv6},
        {"IPv6 written canonically", "[FD00:0:0::5]:16161", "[fd00::5]:16161", Family::IPv6},
        {"IPv6 every address", "[::]:9116", "[::]:9116", Family::IPv6},
        {"IPv4-mapped IPv6", "[::ffff:10.0.0.1]:161", "[::ffff:10.0.0.1]:161", Family::IPv6},
        {"no port", "127.0.0.1", nullptr},
        {"empty port", "127.0.0.1:", nullptr},
        {"port past 65535", "127.0.0.1:65536", nullptr},
        {"signed port", "127.0.0.1:+5", nullptr},
        {"octet past 255", "256.0.0.1:1", nullptr},
        {"IPv6 without brackets", "::1", nullptr},
        {"IPv6 without brackets, with a port", "fe80::1:161", nullptr},
        {"IPv6 in brackets without a port", "[::1]", nullptr},
        {"IPv4 in brackets", "[127.0.0.1]:161", nullptr},
        {"a name", "printer:161", nullptr},
        {"a name in brackets", "[printer]:161", nullptr},
        {"text after the brackets", "[::1]x", nullptr},
        {"no closing bracket", "[::1:161", nullptr},
        {"no address", ":161", nullptr},
        {"empty", "", nullptr},
        {"space before the port", "1.2.3.4 :5", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        const auto parsed = net::ParseEndpoint(c.text, &why);
        ASSERT_EQ(parsed.has_value(), c.written != nullptr) << c.text;
        if (!parsed) {
            EXPECT_FALSE(why.empty()) << "a refusal says why";
            continue;
        }
        EXPECT_EQ(parsed->family, c.family);
        EXPECT_EQ(net::EndpointText(*parsed), c.written);
        EXPECT_EQ(net::ParseEndpoint(c.written), parsed) << "the written text reads back";

        sockaddr_storage address;
        std::memset(&address, 0xA5, sizeof address);  // every byte it leaves must be cleared
        const int length = net::ToSockaddr(*parsed, &address);
        EXPECT_EQ(length, c.family == Family::IPv6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
        EXPECT_EQ(address.ss_family, c.family == Family::IPv6 ? AF_INET6 : AF_INET);
        EXPECT_EQ(SystemText(address), c.written);
        net::Endpoint back;
        ASSERT_TRUE(net::FromSockaddr(address, length, &back));
        EXPECT_EQ(back, *parsed);
        EXPECT_FALSE(net::FromSockaddr(address, length - 1, &back)) << "a cut socket address";
        EXPECT_EQ(back, net::Endpoint{}) << "a refused socket address leaves nothing behind";
    }
}

// An IPv4-mapped address is the IPv4 address it carries; nothing else changes.
TEST(Endpoint, UnmappedReadsAMappedAddressAsIPv4) {
    const struct {
        const char* name;
        const char* address;
        const char* unmapped;  // EndpointText of the result
    } cases[] = {
        {"mapped loopback", "::ffff:127.0.0.1", "127.0.0.1:161"},
        {"mapped, hexadecimal", "::ffff:a00:1", "10.0.0.1:161"},
        {"IPv4 as it is", "10.0.0.1", "10.0.0.1:161"},
        {"IPv6 loopback", "::1", "[::1]:161"},
        {"IPv4-compatible, not mapped", "::127.0.0.1", "[::127.0.0.1]:161"},
        {"the prefix elsewhere", "ffff::7f00:1", "[ffff::7f00:1]:161"},
        {"one bit off the prefix", "::fffe:127.0.0.1", "[::fffe:7f00:1]:161"},
    };
    for (const auto& c : cases) {
        const auto endpoint = net::LiteralEndpoint(c.address, 161);
        ASSERT_TRUE(endpoint) << c.name;
        EXPECT_EQ(net::EndpointText(net::Unmapped(*endpoint)), c.unmapped) << c.name;
    }
}

// Equal endpoints are one address family, address and port; an IPv4 address fills only its
// four bytes, whatever the other twelve.
TEST(Endpoint, SameAddressAndEquality) {
    const net::Endpoint v4 = net::IPv4Endpoint(127, 0, 0, 1, 161);
    net::Endpoint otherPort = v4;
    otherPort.port = 162;
    // Its first four bytes are 127.0.0.1's.
    const net::Endpoint v6 = *net::LiteralEndpoint("7f00:1::", 161);
    net::Endpoint tail = v4;
    tail.address[15] = 1;
    const struct {
        const char* name;
        net::Endpoint a, b;
        bool sameAddress, equal;
    } cases[] = {
        {"itself", v4, v4, true, true},
        {"another port", v4, otherPort, true, false},
        {"another family, same first bytes", v4, v6, false, false},
        {"bytes past an IPv4 address", v4, tail, true, true},
        {"the socket library's literal", v4, *net::LiteralEndpoint("127.0.0.1", 161), true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(net::SameAddress(c.a, c.b), c.sameAddress) << c.name;
        EXPECT_EQ(c.a == c.b, c.equal) << c.name;
    }
    sockaddr_storage local{};
    reinterpret_cast<sockaddr_un&>(local).sun_family = AF_UNIX;
    net::Endpoint from = v4;
    EXPECT_FALSE(net::FromSockaddr(local, sizeof local, &from)) << "another family";
}

// Target text to an endpoint, the same for the window and the programs: IPv6 too, a bad port
// refused. Names are localhost only. (How the text splits into host and port, every refusal of
// it: tests/text/target_syntax_test.cpp.)
TEST(Endpoint, LookupsFromTargetText) {
    const struct {
        const char* name;
        const char* text;
        const char* target;  // nullptr: refused
    } cases[] = {
        {"IPv4 literal, default port", "10.0.0.1", "10.0.0.1:161"},
        {"a name, the first IPv4 address", "localhost:1162", "127.0.0.1:1162"},
        {"IPv6 in brackets", "[::1]:1161", "[::1]:1161"},
        {"IPv6 bare", "::1", "[::1]:161"},
        {"IPv4 in brackets", "[127.0.0.1]:5", nullptr},
        {"colons: an IPv6 literal or nothing", "a:b:c", nullptr},
        {"port out of range", "[::1]:65536", nullptr},
        {"empty", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        const auto target = net::ResolveTarget(c.text, 2000, &why);
        ASSERT_EQ(target.has_value(), c.target != nullptr) << why;
        if (target) {
            EXPECT_EQ(net::EndpointText(*target), c.target);
        } else {
            EXPECT_FALSE(why.empty()) << "a refusal says why";
        }
        // The window's view: the same endpoint, or false.
        net::Endpoint agent;
        ASSERT_EQ(net::ResolveAgentTarget(c.text, 2000, &agent), c.target != nullptr);
        if (c.target != nullptr) {
            EXPECT_EQ(net::EndpointText(agent), c.target);
        }
    }
}

}  // namespace

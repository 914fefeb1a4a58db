#include "tools/printer-sim/settings.h"

#include <cstring>

#include "platform/net/net.h"
#include "text/target_syntax.h"

namespace sim {

bool ParseIpv4(std::string_view text, std::uint32_t& address) {
    net::IpAddress parsed;
    if (!net::ParseIpLiteral(text, &parsed) || parsed.ipv6) {
        return false;
    }
    std::memcpy(&address, parsed.bytes.data(), 4);
    return true;
}

bool ParseEndpoint(const std::string& text, Endpoint& endpoint) {
    std::string why;
    const auto split = SplitListenAddress(text, why);
    std::uint32_t address = 0;
    if (!split || !ParseIpv4(split->host, address)) {
        return false;
    }
    endpoint.address = address;
    endpoint.port = split->port;
    return true;
}

}  // namespace sim

#include "tools/printer-sim/settings.h"

#include "platform/net/net.h"

namespace sim {

bool ParseAddress(std::string_view text, net::Endpoint& address) {
    const auto parsed = net::LiteralEndpoint(text, 0);
    if (!parsed) {
        return false;
    }
    address = *parsed;
    return true;
}

bool ParseEndpoint(const std::string& text, net::Endpoint& endpoint) {
    const auto parsed = net::ParseEndpoint(text);
    if (!parsed) {
        return false;
    }
    endpoint = *parsed;
    return true;
}

}  // namespace sim

// IP literals to bytes and back, the same on every platform (inet_pton and inet_ntop).
#include <cstring>

#include "platform/net/net.h"
#include "socket_api.h"

namespace net {

bool ParseIpLiteral(std::string_view text, IpAddress* address) {
    // The longest literal, an IPv6 address ending in a dotted quad, has 45 characters.
    char literal[64];
    if (address == nullptr || text.empty() || text.size() >= sizeof literal) {
        return false;
    }
    std::memcpy(literal, text.data(), text.size());
    literal[text.size()] = '\0';
    IpAddress parsed;
    if (inet_pton(AF_INET, literal, parsed.bytes.data()) == 1) {
        *address = parsed;
        return true;
    }
    if (inet_pton(AF_INET6, literal, parsed.bytes.data()) == 1) {
        parsed.ipv6 = true;
        *address = parsed;
        return true;
    }
    return false;
}

std::string IpAddressText(const IpAddress& address) {
    char text[INET6_ADDRSTRLEN] = "";
    inet_ntop(address.ipv6 ? AF_INET6 : AF_INET, address.bytes.data(), text, sizeof text);
    return text;
}

}  // namespace net

#include "exporter/address.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>

namespace exporter {
namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool IsIpv6Literal(const std::string& text) {
    in6_addr address;
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

}  // namespace

std::optional<TargetSpec> ParseTarget(std::string_view text, std::string& why) {
    if (text.empty()) {
        why = "target is empty";
        return std::nullopt;
    }
    if (text.size() > kMaxTargetLength) {
        why = "target is longer than " + std::to_string(kMaxTargetLength) + " bytes";
        return std::nullopt;
    }
    TargetSpec spec;
    std::string_view host = text;
    std::string_view port;
    bool bracketed = false;
    if (text.front() == '[') {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            why = "target has '[' without ']'";
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                why = "target has text after ']' that is not :PORT";
                return std::nullopt;
            }
            port = rest.substr(1);
            if (port.empty()) {
                why = "target's port is empty";
                return std::nullopt;
            }
        }
        bracketed = true;
    } else if (std::size_t colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) {
            why = "target's port is empty";
            return std::nullopt;
        }
    }
    if (!port.empty()) {
        auto number = ParsePort(port);
        if (!number) {
            why = "target's port is not a number from 1 to 65535";
            return std::nullopt;
        }
        spec.port = *number;
    }
    if (host.empty()) {
        why = "target's host is empty";
        return std::nullopt;
    }
    spec.host.assign(host);
    if (bracketed || host.find(':') != std::string_view::npos) {
        if (!IsIpv6Literal(spec.host)) {
            why = "target is not a valid IPv6 address";
            return std::nullopt;
        }
        return spec;
    }
    for (char c : host) {
        if (!IsHostChar(c)) {
            why = "target's host has a character other than letters, digits, '-', '_' and '.'";
            return std::nullopt;
        }
    }
    if (host.front() == '-' || host.front() == '.') {
        why = "target's host starts with '-' or '.'";
        return std::nullopt;
    }
    return spec;
}

std::optional<condition::Endpoint> ParseIpLiteral(const std::string& host, std::uint16_t port) {
    condition::Endpoint endpoint;
    endpoint.port = port;
    in_addr v4;
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        std::memcpy(endpoint.address.data(), &v4, 4);
        return endpoint;
    }
    in6_addr v6;
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        endpoint.ipv6 = true;
        std::memcpy(endpoint.address.data(), &v6, 16);
        return endpoint;
    }
    return std::nullopt;
}

std::string AddressText(const condition::Endpoint& endpoint) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(endpoint.ipv6 ? AF_INET6 : AF_INET, endpoint.address.data(), text, sizeof text);
    return text;
}

std::optional<Cidr> ParseCidr(std::string_view text) {
    std::size_t slash = text.find('/');
    std::string address(text.substr(0, slash));
    auto endpoint = ParseIpLiteral(address, 1);
    if (!endpoint) {
        return std::nullopt;
    }
    Cidr cidr;
    cidr.ipv6 = endpoint->ipv6;
    cidr.address = endpoint->address;
    const int bits = cidr.ipv6 ? 128 : 32;
    cidr.prefix = bits;
    if (slash != std::string_view::npos) {
        std::string_view prefix = text.substr(slash + 1);
        int value = -1;
        auto [end, error] = std::from_chars(prefix.data(), prefix.data() + prefix.size(), value);
        if (prefix.empty() || error != std::errc() || end != prefix.data() + prefix.size() ||
            value < 0 || value > bits) {
            return std::nullopt;
        }
        cidr.prefix = value;
    }
    // Host bits set ("10.1.2.3/8") are most likely a typing mistake: refuse rather than guess.
    for (int bit = cidr.prefix; bit < bits; ++bit) {
        if (cidr.address[bit / 8] & (0x80 >> (bit % 8))) {
            return std::nullopt;
        }
    }
    return cidr;
}

bool ParseCidrList(std::string_view text, std::vector<Cidr>& list, std::string& why) {
    list.clear();
    while (true) {
        std::size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        auto cidr = ParseCidr(item);
        if (!cidr) {
            why = "not a network in CIDR notation: '" + std::string(item) + "'";
            return false;
        }
        list.push_back(*cidr);
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

std::vector<Cidr> DefaultAllowList() {
    std::vector<Cidr> list;
    for (const char* network : {"127.0.0.0/8", "10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16",
                                "169.254.0.0/16", "::1/128", "fe80::/10", "fc00::/7"}) {
        list.push_back(*ParseCidr(network));
    }
    return list;
}

bool IsAllowed(const std::vector<Cidr>& list, const condition::Endpoint& endpoint) {
    bool ipv6 = endpoint.ipv6;
    std::array<std::uint8_t, 16> address = endpoint.address;
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (ipv6 && std::memcmp(address.data(), kMappedPrefix, 12) == 0) {
        ipv6 = false;
        std::memmove(address.data(), address.data() + 12, 4);
    }
    for (const Cidr& cidr : list) {
        if (cidr.ipv6 != ipv6) {
            continue;
        }
        int whole = cidr.prefix / 8;
        int rest = cidr.prefix % 8;
        if (std::memcmp(address.data(), cidr.address.data(), whole) != 0) {
            continue;
        }
        if (rest != 0) {
            std::uint8_t mask = static_cast<std::uint8_t>(0xff << (8 - rest));
            if ((address[whole] & mask) != (cidr.address[whole] & mask)) {
                continue;
            }
        }
        return true;
    }
    return false;
}

}  // namespace exporter

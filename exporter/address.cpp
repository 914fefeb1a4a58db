#include "exporter/address.h"

#include <charconv>
#include <cstring>

#include "platform/net/net.h"

namespace exporter {
namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

}  // namespace

std::optional<TargetSpec> ParseTarget(std::string_view text, std::string& why) {
    if (text.empty()) {
        why = "target is empty";
        return std::nullopt;
    }
    if (text.size() > MAX_TARGET_LENGTH) {
        why = "target is longer than " + std::to_string(MAX_TARGET_LENGTH) + " bytes";
        return std::nullopt;
    }
    const auto split = SplitHostPort(text, why);
    if (!split) {
        why = "target: " + why;
        return std::nullopt;
    }
    TargetSpec target{std::string(split->host), split->port};
    if (split->ipv6) {
        const auto address = net::LiteralEndpoint(target.host, target.port);
        if (!address || address->family != net::Family::IPv6) {
            why = "target is not a valid IPv6 address";
            return std::nullopt;
        }
        return target;
    }
    for (const char c : target.host) {
        if (!IsHostChar(c)) {
            why = "target's host has a character other than letters, digits, '-', '_' and '.'";
            return std::nullopt;
        }
    }
    if (target.host.front() == '-' || target.host.front() == '.') {
        why = "target's host starts with '-' or '.'";
        return std::nullopt;
    }
    return target;
}

std::optional<Cidr> ParseCidr(std::string_view text) {
    std::size_t slash = text.find('/');
    const auto address = net::LiteralEndpoint(text.substr(0, slash), 0);
    if (!address) {
        return std::nullopt;
    }
    Cidr cidr;
    cidr.network = *address;
    const int bits = static_cast<int>(net::AddressSize(address->family) * 8);
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
        if (cidr.network.address[bit / 8] & (0x80 >> (bit % 8))) {
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

bool IsAllowed(const std::vector<Cidr>& list, const net::Endpoint& endpoint) {
    const net::Endpoint judged = net::Unmapped(endpoint);
    const auto& address = judged.address;
    for (const Cidr& cidr : list) {
        if (cidr.network.family != judged.family) {
            continue;
        }
        int whole = cidr.prefix / 8;
        int rest = cidr.prefix % 8;
        if (std::memcmp(address.data(), cidr.network.address.data(), whole) != 0) {
            continue;
        }
        if (rest != 0) {
            std::uint8_t mask = static_cast<std::uint8_t>(0xff << (8 - rest));
            if ((address[whole] & mask) != (cidr.network.address[whole] & mask)) {
                continue;
            }
        }
        return true;
    }
    return false;
}

}  // namespace exporter

// Target text to an agent's endpoint: the split (text/target_syntax.h), then ResolveHost. A
// file of its own, so that a test can stand in for ResolveHost alone.
#include <string>

#include "platform/net/net.h"
#include "text/target_syntax.h"

namespace net {

std::optional<Endpoint> ResolveTarget(std::string_view target, int timeoutMs, std::string* why) {
    const auto refuse = [why](std::string reason) -> std::optional<Endpoint> {
        if (why != nullptr) {
            *why = std::move(reason);
        }
        return std::nullopt;
    };
    std::string reason;
    const auto split = SplitHostPort(target, reason);
    if (!split) {
        return refuse("bad target '" + std::string(target) + "': " + reason);
    }
    const std::string host(split->host);
    if (split->ipv6) {
        // Brackets or colons: only an IPv6 literal will do, never a lookup.
        const auto literal = LiteralEndpoint(host, split->port);
        if (!literal || literal->family != Family::IPv6) {
            return refuse("not an IPv6 address: " + host);
        }
        return literal;
    }
    Endpoint endpoint;
    if (!ResolveHost(host.c_str(), split->port, timeoutMs, &endpoint, &reason)) {
        return refuse(host + ": " + reason);
    }
    return endpoint;
}

bool ResolveAgentTarget(const char* target, int timeoutMs, Endpoint* endpoint) {
    if (target == nullptr || endpoint == nullptr) {
        return false;
    }
    const auto resolved = ResolveTarget(target, timeoutMs);
    if (!resolved) {
        return false;
    }
    *endpoint = *resolved;
    return true;
}

}  // namespace net

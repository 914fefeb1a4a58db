// The window's target to its agent's endpoint: the window's split (a single ":port"), then the
// window's IPv4 lookup. A file of its own, so that a test can stand in for ResolveIPv4 alone.
#include "platform/net/net.h"
#include "text/target_syntax.h"

namespace net {
namespace {

// A DNS name has at most 253 characters; anything longer cannot resolve anyway.
constexpr std::size_t HOST_CAPACITY = 256;

}  // namespace

bool ResolveAgentTarget(const char* target, int timeoutMs, Endpoint* endpoint) {
    char host[HOST_CAPACITY];
    std::uint16_t port = SNMP_DEFAULT_PORT;
    if (target == nullptr || endpoint == nullptr ||
        !SplitTarget(target, host, sizeof host, &port) || host[0] == '\0') {
        return false;
    }
    return ResolveIPv4(host, port, timeoutMs, endpoint);
}

}  // namespace net

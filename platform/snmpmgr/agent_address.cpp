#include "platform/snmpmgr/agent_address.h"

#include "platform/net/net.h"
#include "text/target_syntax.h"

namespace {

// A DNS name has at most 253 characters; anything longer cannot resolve anyway.
constexpr std::size_t HOST_CAPACITY = 256;

}  // namespace

bool ResolveAgent(const char* agent, AgentAddress* out) {
    if (agent == nullptr || out == nullptr) {
        return false;
    }
    char host[HOST_CAPACITY];
    std::uint16_t port = SNMP_DEFAULT_PORT;
    if (!SplitTarget(agent, host, sizeof host, &port) || host[0] == '\0') {
        return false;
    }
    std::uint32_t address = 0;
    if (!net::ResolveIPv4(host, RESOLVE_TIMEOUT_MS, &address)) {
        return false;
    }
    out->address = address;
    out->port = port;
    return true;
}

#include "state/watched_target.h"

#include "platform/net/net.h"
#include "state/monitor_state.h"
#include "text/target_syntax.h"

void SetWatchedTarget(bool targetFits, bool communityFits) {
    g_agent = WatchedAgent{};
    if (!targetFits) {
        g_reason = REASON_TARGET_TOO_LONG;
        return;
    }
    if (!communityFits) {
        g_reason = REASON_COMMUNITY_TOO_LONG;
        return;
    }
    char host[TARGET_CHARS];
    std::uint16_t port = SNMP_DEFAULT_PORT;
    // The host part of a target that fits always fits too.
    SplitTarget(g_target, host, sizeof host, &port);
    std::uint32_t address = 0;
    if (!net::ResolveIPv4(host, RESOLVE_TIMEOUT_MS, &address)) {
        g_reason = REASON_NOT_RESOLVED;
        return;
    }
    g_agent.usable = true;
    g_agent.address = AgentAddress{address, port};
}

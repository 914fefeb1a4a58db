#include "state/watched_target.h"

#include "platform/net/net.h"
#include "state/monitor_state.h"

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
    net::Endpoint address;
    if (!net::ResolveAgentTarget(g_target, RESOLVE_TIMEOUT_MS, &address)) {
        g_reason = REASON_NOT_RESOLVED;
        return;
    }
    g_agent.usable = true;
    g_agent.address = address;
}

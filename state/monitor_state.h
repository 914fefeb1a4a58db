// The watched printer and the monitoring state: what start-up, the status window, the probe and
// the SNMP reads share. Texts are 8-bit, their sizes count the terminator, and every write is
// bounded by them.
#pragma once

#include "platform/net/net.h"
#include "platform/snmpmgr/mgmtapi.h"

inline constexpr int TARGET_CHARS = 64;
inline constexpr int COMMUNITY_CHARS = 64;
inline constexpr int MODEL_CHARS = 128;

enum MonitorState : int {
    STATE_OK = 0,           // the printer is polled on each tick
    STATE_LOST = 1,         // the probe got no reply, or an SNMP request got no answer
    STATE_UNREACHABLE = 2,  // the unreachable display is shown; polling waits for Update Target
};

// Why the printer does not count as answering, as the platform is told after each tick.
inline constexpr const char* REASON_NOT_RESOLVED = "not-resolved";
inline constexpr const char* REASON_TARGET_TOO_LONG = "target-too-long";
inline constexpr const char* REASON_COMMUNITY_TOO_LONG = "community-too-long";
inline constexpr const char* REASON_NO_ECHO_REPLY = "no-echo-reply";
inline constexpr const char* REASON_TIMEOUT = "timeout";
inline constexpr const char* REASON_NO_SESSION = "no-session";
inline constexpr const char* REASON_NO_MODEL = "no-model";

// The agent that g_target names, worked out once when the target is set (start-up, Update
// Target): the probe and every SNMP session use it, and no tick resolves a name again.
struct WatchedAgent {
    bool usable = false;    // false: the target did not fit or did not resolve; nothing is sent
    net::Endpoint address;  // IPv4 or IPv6, as net::ResolveAgentTarget gives it
};

extern char g_target[TARGET_CHARS];  // a target as text/target_syntax.h reads it
extern char g_community[COMMUNITY_CHARS];
extern char g_model[MODEL_CHARS];
extern int g_state;  // a MonitorState
extern LPSNMP_MGR_SESSION g_session;
extern WatchedAgent g_agent;
extern const char* g_reason;  // one of the REASON_ texts, or null while the printer answers

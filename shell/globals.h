// The program's shared state: one watched printer, its texts and the monitoring state.
// Texts are 8-bit, their sizes count the terminator, and every write is bounded by them.
#pragma once

#include "platform/snmpmgr/mgmtapi.h"
#include "win32_types.h"

inline constexpr int TARGET_CHARS = 64;
inline constexpr int COMMUNITY_CHARS = 64;
inline constexpr int MODEL_CHARS = 128;
inline constexpr int TITLE_CHARS = 128;

enum MonitorState : int {
    STATE_OK = 0,           // the printer is polled on each tick
    STATE_LOST = 1,         // the probe got no reply, or an SNMP request got no answer
    STATE_UNREACHABLE = 2,  // the unreachable display is shown; polling waits for Update Target
};

extern HINSTANCE g_hinstance;
extern char g_target[TARGET_CHARS];  // host name or dotted IPv4, optionally ":port"
extern char g_community[COMMUNITY_CHARS];
extern char g_model[MODEL_CHARS];
extern char g_title[TITLE_CHARS];
extern int g_state;  // a MonitorState
extern LPSNMP_MGR_SESSION g_session;
extern HICON g_icon_online;
extern HICON g_icon_offline;
extern HICON g_icon_current;

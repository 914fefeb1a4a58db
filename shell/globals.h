// The status window's share of the program's state: its title and the tray's icons, beside the
// monitoring state everything shares.
#pragma once

#include "condition/reader.h"
#include "state/monitor_state.h"
#include "win32_types.h"

inline constexpr int TITLE_CHARS = 128;

extern HINSTANCE g_hinstance;
extern char g_title[TITLE_CHARS];
extern HICON g_icon_online;
extern HICON g_icon_offline;
extern HICON g_icon_current;

// How the window learns and regains reachability, as the command line's options set them.
extern bool g_skip_echo;      // no echo is sent: the model query alone decides
extern UINT g_retry_seconds;  // 0, or the unreachable window runs Update Target this often

// How the status window watches the printer's whole condition, as the command line set it.
extern UINT g_condition_seconds;  // between readings while the details window is closed
extern bool g_notify;             // say in the tray when the condition gets worse or clears
// What every reading of the condition asks for, copied by the watcher, which adds the window's
// agent and community and the reading's deadline: the version from the command-line text,
// the rest (SNMPv3's user and passwords, time-out, retries, supply warning) as the front-end
// set it before start-up, so that no password ever travels in the command-line text.
extern condition::ReadRequest g_condition_request;
extern bool g_notify;  // say in the tray when the condition gets worse or clears

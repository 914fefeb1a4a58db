// Reading one object from the printer's agent, and the model query.
// tests/shell/shell_test.cpp links a scripted QueryPrinterModel in place of object_text.cpp's.
#pragma once

#include "platform/snmpmgr/mgmtapi.h"

inline constexpr int SNMP_TIMEOUT_MS = 500;
inline constexpr int SNMP_RETRIES = 0;
inline constexpr int OBJECT_TEXT_CHARS = 128;

// One GET of `oid` through g_session (which must be open). Returns true when the agent
// answered with an error status other than noSuchName; `text` (OBJECT_TEXT_CHARS) then holds
// the value's text, at most 127 characters (empty when the value has none).
// No answer: returns false, releases `oid` (left empty), sets g_state to STATE_LOST (and
// g_reason to REASON_TIMEOUT) and leaves `text` untouched. noSuchName: returns false, g_state
// unchanged. Never opens or closes a session and never reads g_state.
bool GetObjectText(AsnObjectIdentifier* oid, char* text);

// Opens a session of its own to the watched agent (g_agent) with g_community, finds the
// printer's rows (g_rows, FindPrinterRows), reads the model into g_model and closes it; without
// a usable agent it opens none and returns false. The model is the printer device's
// hrDeviceDescr, or sysDescr.0 when the agent has none. Returns true when the model was read; on
// false g_model keeps what it held. On return g_session is null. The first request without
// answer ends the query and leaves g_state at STATE_LOST.
bool QueryPrinterModel();

// One status poll cycle: the printer objects of StatusOidTable, read through one session,
// delivered into the status window's controls.
// tests/shell/shell_test.cpp links a scripted PollPrinterStatus in place of poll_cycle.cpp's.
#pragma once

#include "win32_types.h"

#include "shell/window_oids.h"

// Runs one cycle against the watched agent (g_agent) with g_community, reading StatusOidTable
// at the printer's rows (g_rows). Callers call it only in STATE_OK; g_session is null on entry
// and on return. A session that cannot open, or the first request without answer, ends the
// cycle with g_state STATE_LOST; rows the agent does not have leave their controls alone. A
// printer without supply rows is asked for none and gets an empty toner bar.
void PollPrinterStatus(HWND dialog);

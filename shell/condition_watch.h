// The printer's whole condition, watched beside the status window without ever holding up its
// 2-second cycle: an engine core owned from the window's initialisation to its exit, stepped
// with zero-wait steps from the window's own timers (no thread). It reads every
// g_condition_seconds, every 30 s while the details window is open and at once when that opens,
// but only while the window polls the printer: a printer the window shows as unreachable gets
// no further traffic from here and is observed as unreachable. After each reading it refreshes
// the open details window (WM_CONDITION_READ) and, unless notifications are off, says in the
// tray's balloon what got worse or cleared (condition/notifications.h).
#pragma once

#include <string>

#include "condition/condition.h"
#include "condition/reader.h"
#include "win32_types.h"

namespace watch {

inline constexpr UINT FIRST_READING_MS = 3000;  // after start-up: the window's first cycle is done
inline constexpr UINT STEP_MS = 100;

// The status window's initialisation and exit. Stop ends the open details window first.
void Start(HWND monitor);
void Stop();
// CONDITION_TIMER_ID or CONDITION_STEP_TIMER_ID, delivered to the status window.
void OnTimer(UINT_PTR timerId);

// The details window's procedure says when it opens and closes.
void DetailsOpened(HWND details);
void DetailsClosed(HWND details);
HWND DetailsWindow();  // the open details window, or null

// The last reading, or null before the first has ended.
const condition::Condition* LastReading();
// "Reading..." before the first reading, then when and how the last one ended.
std::string ReadAtText();
// What the engine has sent since the window started.
condition::ReaderStats Stats();

}  // namespace watch

// The dialog procedures. Both dispatch on the Win32 message number and return FALSE for
// every message, handled or not, so the dialog manager's default processing always follows.
#pragma once

#include "win32_types.h"

// The target prompt (IDD_TARGET): focus to the edit on WM_INITDIALOG; OK stores at most 63
// characters of the edit in g_target and ends the dialog. Cancel, Esc and close are ignored.
INT_PTR CALLBACK TargetDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The status window (IDD_MONITOR): tray icon, 2-second poll timer and the monitoring state.
INT_PTR CALLBACK MonitorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The details window (IDD_DETAILS), run from the tray menu: the printer's whole condition as
// the status window's watcher last read it, shown again on each WM_CONDITION_READ. Close, Esc
// and the close box end it.
INT_PTR CALLBACK DetailsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr UINT WM_TRAYNOTIFY = WM_USER + 210;  // 1234: the tray icon's callback
inline constexpr UINT TRAY_ICON_ID = 500;
inline constexpr UINT_PTR POLL_TIMER_ID = 1;
inline constexpr UINT POLL_PERIOD_MS = 2000;
inline constexpr UINT_PTR RETRY_TIMER_ID = 2;  // only with a retry period: see g_retry_seconds
// The condition's watcher, on the status window: its schedule, and a short step timer that
// runs only while a reading is in flight.
inline constexpr UINT_PTR CONDITION_TIMER_ID = 3;
inline constexpr UINT_PTR CONDITION_STEP_TIMER_ID = 4;
// Sent to the open details window when a reading has ended.
inline constexpr UINT WM_CONDITION_READ = WM_APP + 1;

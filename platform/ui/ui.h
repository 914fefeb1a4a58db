// The user-interface seam: exactly the operations that start-up and the status window need of
// the platform, named and shaped after the Win32 calls they stand for. The Win32 layer maps
// each one onto the real call; the Qt, terminal and test layers implement the same contract
// (the test layer, tests/support/fake_ui, records every call and is linked in place of a
// front-end).
//
// Messages delivered to a dialog procedure carry Win32 message numbers and command
// identifiers on every platform (see win32_types.h). Every operation runs on the GUI thread.
#pragma once

#include "win32_types.h"

namespace ui {

// Runs the dialog template `templateId` modally with `procedure` (WM_INITDIALOG first, with
// `initParam`) and returns the result given to EndDialog once the dialog has ended.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateId, HWND owner, DLGPROC procedure,
                        LPARAM initParam);
// Ends the modal dialog; DialogBoxParamA returns `result` once the current message is handled.
BOOL EndDialog(HWND dialog, INT_PTR result);

HWND GetDlgItem(HWND dialog, int controlId);
// Copies at most capacity - 1 characters of the control's text, always terminated; returns
// the count copied.
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity);
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);
// Messages to a control of the dialog: the progress bar's (PBM_*) and an edit's text limit
// (EM_LIMITTEXT).
LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam);
// Delivers a message to the window's procedure at once, before returning.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Shows or hides a window (the dialog or one of its controls). Returns nonzero when the window
// was visible before the call.
BOOL ShowWindow(HWND window, int command);
HWND SetFocus(HWND window);

// A periodic timer that delivers WM_TIMER (wParam = timerId) to the dialog.
UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR timerId);

HICON LoadIconA(HINSTANCE instance, LPCSTR iconId);
HMENU LoadMenuA(HINSTANCE instance, LPCSTR menuId);
HMENU GetSubMenu(HMENU menu, int position);
// Shows the popup; without TPM_RETURNCMD the chosen item reaches `owner` as WM_COMMAND.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* rect);
BOOL DestroyMenu(HMENU menu);
BOOL GetCursorPos(POINT* point);
BOOL SetForegroundWindow(HWND window);

HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// The notification-area icon: NIM_ADD, NIM_MODIFY or NIM_DELETE with the record. The icon's
// mouse activity comes back to record.hWnd as record.uCallbackMessage with the mouse message
// number in lParam.
BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record);

// Copies at most count - 1 characters and terminates (the kernel's lstrcpynA).
LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count);

// After each tick and each Update Target: whether the printer answered and, when it did not,
// why. `reason` is null when it answered, else one of "not-resolved", "target-too-long",
// "community-too-long", "no-echo-reply", "timeout", "no-session", "no-model". The window shows
// none of it (the Windows layer ignores it); scripts read it from the terminal program's
// one-shot mode.
void ReportMonitorState(HWND dialog, LPCSTR reason);

}  // namespace ui

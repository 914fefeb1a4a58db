// The UI seam on Windows: each operation is the user32/shell32/kernel32 call of the same name,
// arguments and results passed through unchanged. Four additions, all invisible to the dialog
// procedures: the common controls are registered before the first dialog (the windows hold
// progress bars), a bar given a colour is drawn unthemed, every dialog runs behind a thin
// procedure that re-adds the tray icon when the notification area is re-created (see
// tray_restore.h), and the tests may have the tray calls logged (see tray_log.h).
#include "platform/ui/ui.h"
#include "platform/ui/win32/tray_log.h"
#include "platform/ui/win32/tray_restore.h"

// After windows.h, which ui.h brings.
#include <uxtheme.h>

namespace ui {
namespace {

// The procedure of the dialog being created: DialogBoxParamA cannot carry it to the window
// before WM_INITDIALOG, and the dialog manager sends WM_SETFONT earlier still. Each dialog
// keeps its own in a window property from its first message on, so a dialog run from another
// one's procedure (the details window from the status window's) leaves the outer one's alone.
DLGPROC g_pendingProcedure = nullptr;
constexpr const char* PROCEDURE_PROPERTY = "Vellumark.DialogProcedure";

void InitCommonControlsOnce() {
    static bool done = false;
    if (!done) {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_PROGRESS_CLASS;
        ::InitCommonControlsEx(&controls);
        done = true;
    }
}

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto procedure = reinterpret_cast<DLGPROC>(::GetPropA(dialog, PROCEDURE_PROPERTY));
    if (procedure == nullptr && g_pendingProcedure != nullptr) {
        procedure = g_pendingProcedure;
        g_pendingProcedure = nullptr;
        ::SetPropA(dialog, PROCEDURE_PROPERTY, reinterpret_cast<HANDLE>(procedure));
    }
    const UINT taskbarCreated = TaskbarCreatedMessage();
    if (taskbarCreated != 0 && message == taskbarCreated) {
        RestoreTrayIcon(dialog);
    }
    const INT_PTR result =
        procedure != nullptr ? procedure(dialog, message, wParam, lParam) : FALSE;
    if (message == WM_NCDESTROY) {
        ::RemovePropA(dialog, PROCEDURE_PROPERTY);
        ForgetTrayIcon(dialog);
    }
    return result;
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateId, HWND owner, DLGPROC procedure,
                        LPARAM initParam) {
    InitCommonControlsOnce();
    TaskbarCreatedMessage();  // registered before the window exists, so no broadcast is missed
    g_pendingProcedure = procedure;
    const INT_PTR result =
        ::DialogBoxParamA(instance, templateId, owner, DialogTrampoline, initParam);
    g_pendingProcedure = nullptr;
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    return ::EndDialog(dialog, result);
}

HWND GetDlgItem(HWND dialog, int controlId) {
    return ::GetDlgItem(dialog, controlId);
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    return ::GetDlgItemTextA(dialog, controlId, text, capacity);
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    return ::SetDlgItemTextA(dialog, controlId, text);
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    if (message == PBM_SETBARCOLOR) {
        // A themed bar draws the theme's colour and ignores this one. The program asks for no
        // visual styles, but wine themes the common controls all the same: the bar that is
        // given a colour is drawn the classic way, which draws it (a blank, which names no
        // theme class, turns the theme off for the one window).
        ::SetWindowTheme(::GetDlgItem(dialog, controlId), L" ", L" ");
    }
    return ::SendDlgItemMessageA(dialog, controlId, message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(window, message, wParam, lParam);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    return ::SetWindowTextA(window, text);
}

BOOL ShowWindow(HWND window, int command) {
    return ::ShowWindow(window, command);
}

HWND SetFocus(HWND window) {
    return ::SetFocus(window);
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC procedure) {
    return ::SetTimer(window, timerId, periodMs, procedure);
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    return ::KillTimer(window, timerId);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR iconId) {
    return ::LoadIconA(instance, iconId);
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR menuId) {
    return ::LoadMenuA(instance, menuId);
}

HMENU GetSubMenu(HMENU menu, int position) {
    return ::GetSubMenu(menu, position);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* rect) {
    return ::TrackPopupMenu(menu, flags, x, y, reserved, owner, rect);
}

BOOL DestroyMenu(HMENU menu) {
    return ::DestroyMenu(menu);
}

BOOL GetCursorPos(POINT* point) {
    return ::GetCursorPos(point);
}

BOOL SetForegroundWindow(HWND window) {
    return ::SetForegroundWindow(window);
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    return ::BeginPaint(window, paint);
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    return ::EndPaint(window, paint);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return ::MessageBoxA(owner, text, caption, type);
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    RememberTrayIcon(operation, *record);
    LogTrayCall(operation, *record);
    return ::Shell_NotifyIconA(operation, record);
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count) {
    return ::lstrcpynA(destination, source, count);
}

void ReportMonitorState(HWND, LPCSTR) {}

}  // namespace ui

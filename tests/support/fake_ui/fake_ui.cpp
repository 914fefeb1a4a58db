// The fake UI seam: every ui:: function updates the kept state of fake_ui.h.
#include "tests/support/fake_ui/fake_ui.h"

#include <cstdint>
#include <cstring>

#include "platform/ui/posix/kernel_copy.h"
#include "platform/ui/ui.h"

namespace fakeui {
namespace {

constexpr std::uintptr_t CONTROL_BITS = 16;  // a dialog's handle is its template id above these

std::uintptr_t Value(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// The dialog a handle names, and the control (-1: the dialog itself).
Dialog& Of(HWND window, int* control = nullptr) {
    if (control != nullptr) {
        *control = static_cast<int>(Value(window) & ((1u << CONTROL_BITS) - 1)) - 1;
    }
    return W().dialogs[static_cast<int>(Value(window) >> CONTROL_BITS)];
}

LRESULT Deliver(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const DLGPROC procedure = Of(dialog).procedure;
    return procedure != nullptr ? procedure(dialog, message, wParam, lParam) : 0;
}

}  // namespace

World& W() {
    static World world;
    return world;
}

void Reset() {
    W() = World{};
}

HWND DialogHandle(int templateId) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(templateId) << CONTROL_BITS);
}

HWND ControlHandle(HWND dialog, int controlId) {
    return reinterpret_cast<HWND>(Value(dialog) + static_cast<std::uintptr_t>(controlId) + 1);
}

HICON IconHandle(int iconId) {
    return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(iconId));
}

void DeliverPosted() {
    for (std::size_t i = 0; i < W().posted.size(); ++i) {
        Deliver(W().posted[i].first, WM_COMMAND, W().posted[i].second, 0);
    }
    W().posted.clear();
}

}  // namespace fakeui

namespace ui {

using fakeui::Of;
using fakeui::W;

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateId, HWND, DLGPROC procedure, LPARAM initParam) {
    const int id = static_cast<int>(fakeui::Value(templateId));
    const HWND handle = fakeui::DialogHandle(id);
    W().ran.push_back(id);
    fakeui::Dialog& dialog = W().dialogs[id] = fakeui::Dialog{};
    dialog.procedure = procedure;
    procedure(handle, WM_INITDIALOG, 0, initParam);
    // The dialog manager shows a modal dialog once its initialisation has returned.
    dialog.visible = !dialog.ended;
    if (W().drivers.contains(id) && !dialog.ended) {
        W().drivers[id](handle);
    }
    fakeui::DeliverPosted();
    dialog.procedure = nullptr;
    dialog.visible = false;
    return dialog.ended.value_or(-1);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Of(dialog).ended = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int controlId) {
    return fakeui::ControlHandle(dialog, controlId);
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    return static_cast<UINT>(
        std::strlen(KernelCopyN(text, Of(dialog).texts[controlId].c_str(), capacity)));
}

// Edit controls notify their dialog (EN_CHANGE) while their text is set, inside the caller.
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    Of(dialog).texts[controlId] = text;
    if (W().onText) {
        W().onText(controlId, text);
    }
    fakeui::Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(controlId) | (0x300u << 16),
                    reinterpret_cast<LPARAM>(fakeui::ControlHandle(dialog, controlId)));
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    if (message == EM_LIMITTEXT) {
        Of(dialog).limits[controlId] = wParam;
        return 0;
    }
    return posixui::ApplyProgressMessage(Of(dialog).bars[controlId], message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return fakeui::Deliver(window, message, wParam, lParam);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    Of(window).title = text;
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    int control = -1;
    fakeui::Dialog& dialog = Of(window, &control);
    bool& visible = control < 0 ? dialog.visible : dialog.shown[control];
    const bool was = visible;
    visible = command != SW_HIDE;
    return was ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    Of(window).focus = window;
    return nullptr;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC) {
    Of(window).timers[timerId] = periodMs;
    return timerId;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    return Of(window).timers.erase(timerId) != 0 ? TRUE : FALSE;
}

HICON LoadIconA(HINSTANCE, LPCSTR iconId) {
    return fakeui::IconHandle(static_cast<int>(fakeui::Value(iconId)));
}

HMENU LoadMenuA(HINSTANCE, LPCSTR) {
    ++W().liveMenus;
    return reinterpret_cast<HMENU>(&W());  // any handle: the fake keeps no menus
}

HMENU GetSubMenu(HMENU menu, int) {
    return menu;
}

// Without TPM_RETURNCMD the chosen item is posted, so it arrives after the handler returns.
BOOL TrackPopupMenu(HMENU, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    W().popup = std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(flags);
    if (W().menuChoice != 0) {
        W().posted.emplace_back(owner, static_cast<WPARAM>(W().menuChoice));
    }
    return TRUE;
}

BOOL DestroyMenu(HMENU) {
    --W().liveMenus;
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    *point = W().cursor;
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
    W().foreground = window;
    return TRUE;
}

// No test paints; the procedure's WM_PAINT handler needs these to link.
HDC BeginPaint(HWND, PAINTSTRUCT*) {
    return nullptr;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
    return TRUE;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    W().messageBox = std::string(caption) + "|" + text + "|" + std::to_string(type);
    return IDOK;
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    W().trayCalls.emplace_back(operation, *record);
    return W().tray.Apply(operation, *record);
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count) {
    return KernelCopyN(destination, source, count);
}

void ReportMonitorState(HWND dialog, LPCSTR reason) {
    Of(dialog).reported = reason != nullptr ? reason : "answered";
}

}  // namespace ui

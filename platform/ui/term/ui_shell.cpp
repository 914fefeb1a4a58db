// Icons, the notification area, the message box, painting, the kernel's bounded copy and the
// program's reports of the printer.
#include <string>

#include "display_text.h"
#include "kernel_copy.h"
#include "platform/ui/ui.h"
#include "shell/resources/resource.h"
#include "term_runtime.h"
#include "terminal.h"
#include "tray.h"

namespace ui {

HICON LoadIconA(HINSTANCE, LPCSTR iconId) {
    const auto id = reinterpret_cast<std::uintptr_t>(iconId);
    return id == IDI_ONLINE || id == IDI_OFFLINE ? vmterm::IconHandle(id == IDI_ONLINE) : nullptr;
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    return record != nullptr ? vmterm::NotifyIcon(operation, *record, vmterm::Clock::now()) : FALSE;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    const std::string line = vmterm::TerminalText(caption != nullptr ? caption : "Error") + ": " +
                             vmterm::TerminalText(text != nullptr ? text : "") + "\n";
    vmterm::WriteAll(vmterm::Config().errorFd, line);
    return IDOK;
}

BOOL GetCursorPos(POINT* point) {
    if (point == nullptr) {
        return FALSE;
    }
    *point = POINT{0, 0};
    return TRUE;
}

BOOL SetForegroundWindow(HWND) {
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (paint == nullptr) {
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    // The device context is never drawn on; the window's address stands for it.
    paint->hdc = reinterpret_cast<HDC>(window);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
    return TRUE;
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count) {
    return KernelCopyN(destination, source, count);
}

void ReportMonitorState(HWND, LPCSTR reason) {
    vmterm::LastMonitorReport() = vmterm::MonitorReport{true, reason != nullptr ? reason : ""};
}

}  // namespace ui

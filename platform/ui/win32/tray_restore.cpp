#include "platform/ui/win32/tray_restore.h"

#include "platform/ui/win32/tray_record.h"

namespace ui {

namespace {

// The program has one tray icon on one GUI thread.
TrayMemory g_tray;

}  // namespace

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void RememberTrayIcon(DWORD operation, const NOTIFYICONDATAA& record) {
    TrayMemoryApply(g_tray, operation, record);
}

void RestoreTrayIcon(HWND dialog) {
    NOTIFYICONDATAA record{};
    if (TrayMemoryReAddRecord(g_tray, dialog, &record)) {
        ::Shell_NotifyIconA(NIM_ADD, &record);
    }
}

void ForgetTrayIcon(HWND dialog) {
    if (g_tray.present && g_tray.record.hWnd == dialog) {
        g_tray = TrayMemory{};
    }
}

}  // namespace ui

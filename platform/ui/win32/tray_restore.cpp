#include "platform/ui/win32/tray_restore.h"

#include "platform/ui/tray_record.h"

namespace ui {

namespace {

// The program's tray icons, on its one GUI thread.
TrayRecords g_tray;

}  // namespace

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void RememberTrayIcon(DWORD operation, const NOTIFYICONDATAA& record) {
    g_tray.Apply(operation, record);
}

void RestoreTrayIcon(HWND dialog) {
    if (const NOTIFYICONDATAA* kept = g_tray.FirstOf(dialog)) {
        NOTIFYICONDATAA record = ReAddRecord(*kept);
        ::Shell_NotifyIconA(NIM_ADD, &record);
    }
}

void ForgetTrayIcon(HWND dialog) {
    g_tray.Forget(dialog);
}

}  // namespace ui

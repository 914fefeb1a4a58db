// Shell_NotifyIconA on QSystemTrayIcon: the records kept by the shared bookkeeping
// (platform/ui/tray_record.h), each shown as one icon with its picture and tip, and a balloon
// for each call that asks for one. The icon's activations come back to the owning dialog as its
// callback message with the mouse message in lParam (double-click → WM_LBUTTONDBLCLK, context
// request → WM_RBUTTONDOWN, click → WM_LBUTTONUP).
#pragma once

#include <QString>

#include "win32_types.h"

class QSystemTrayIcon;

namespace vmqt {

// NIM_ADD, NIM_MODIFY or NIM_DELETE, with the Shell's result.
BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record);
// Removes every icon of a window that is going away.
void RemoveTrayIconsOf(HWND owner);

// What a tray icon currently shows, for tests and diagnostics.
struct TrayIconView {
    QSystemTrayIcon* icon = nullptr;
    const NOTIFYICONDATAA* record = nullptr;  // as the Shell keeps it
    int balloons = 0;                         // balloons shown so far
    QString balloonTitle;
    QString balloonText;
};
// The icon of (owner, id), or nullptr.
const TrayIconView* FindTrayIcon(HWND owner, UINT id);

}  // namespace vmqt

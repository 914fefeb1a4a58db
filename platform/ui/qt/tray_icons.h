// Shell_NotifyIconA on QSystemTrayIcon: one icon per (window, identifier), with the record's
// icon, tip, callback message and balloon. The icon's activations come back to the owning
// dialog as its callback message with the mouse message in lParam (double-click →
// WM_LBUTTONDBLCLK, context request → WM_RBUTTONDOWN, click → WM_LBUTTONUP).
#pragma once

#include <QString>

#include "win32_types.h"

class QSystemTrayIcon;

namespace vmqt {

// NIM_ADD, NIM_MODIFY or NIM_DELETE. Returns FALSE for an add of an existing icon and for a
// modify or delete of a missing one, as the Shell does.
BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record);
// Removes every icon of a window that is going away.
void RemoveTrayIconsOf(HWND owner);

// What a tray icon currently shows, for tests and diagnostics.
struct TrayIconView {
    QSystemTrayIcon* icon;
    UINT callbackMessage;
    HICON iconHandle;
    int balloons;  // balloons shown so far
    QString balloonTitle;
    QString balloonText;
    int balloonIcon;  // QSystemTrayIcon::MessageIcon
    int balloonTimeoutMs;
};
// The icon of (owner, id), or nullptr.
const TrayIconView* FindTrayIcon(HWND owner, UINT id);

}  // namespace vmqt

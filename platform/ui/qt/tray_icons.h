// Shell_NotifyIconA on QSystemTrayIcon: the records kept by the shared bookkeeping
// (platform/ui/tray_record.h), each shown as one icon with its picture and tip, and a balloon
// for each call that asks for one (the desktop's notification, QSystemTrayIcon::showMessage).
// Where the desktop has no notification area, a balloon that brings news (NIM_MODIFY; the
// greeting that comes with NIM_ADD is no news) is written to stderr and its window asks for
// attention in the taskbar instead, so that it is not lost. The icon's activations come back to the
// owning dialog as its callback message with the mouse message in lParam (double-click →
// WM_LBUTTONDBLCLK, context request → WM_RBUTTONDOWN, click → WM_LBUTTONUP).
#pragma once

#include <QString>
#include <QSystemTrayIcon>
#include <vector>

#include "win32_types.h"

namespace vmqt {

// NIM_ADD, NIM_MODIFY or NIM_DELETE, with the Shell's result.
BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record);
// Removes every icon of a window that is going away.
void RemoveTrayIconsOf(HWND owner);

// How a balloon reached the user.
enum class BalloonRoute {
    Tray,    // QSystemTrayIcon::showMessage
    Stderr,  // no notification area: a line per text line on stderr, and the taskbar entry
};

// One balloon as the layer passed it on.
struct Balloon {
    QString title;
    QString text;  // lines joined with "\n"
    QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
    int timeoutMs = 0;
    BalloonRoute route = BalloonRoute::Tray;
};

// What a tray icon currently shows, for tests and diagnostics.
struct TrayIconView {
    QSystemTrayIcon* icon = nullptr;
    const NOTIFYICONDATAA* record = nullptr;  // as the Shell keeps it
    std::vector<Balloon> balloons;            // the latest balloons, oldest first
    int balloonsShown = 0;                    // every balloon so far
};
// The icon of (owner, id), or nullptr.
const TrayIconView* FindTrayIcon(HWND owner, UINT id);

}  // namespace vmqt

// The terminal's notification area: the icons added with Shell_NotifyIconA, kept as records
// so that the status display can show the current picture and tip, and the balloon of the
// latest record that asked for one.
#pragma once

#include <optional>
#include <string>

#include "dialog_model.h"
#include "win32_types.h"

namespace vmterm {

enum class IconKind { None, Online, Offline, Other };

// The handles LoadIconA gives for IDI_ONLINE and IDI_OFFLINE, and what a handle stands for.
HICON OnlineIcon();
HICON OfflineIcon();
IconKind KindOfIcon(HICON icon);
const char* IconKindName(IconKind kind);  // "online", "offline", "none", "other"

struct TrayIcon {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr;
    std::string tip;  // bytes as given, at most the field's width
};

struct Balloon {
    std::string title;
    std::string text;
    Clock::time_point until;
};

// NIM_ADD, NIM_MODIFY (the fields named by uFlags) and NIM_DELETE, keyed by hWnd and uID.
// FALSE for a null record, an unknown operation, an add of a present icon, or a modify or
// delete of an absent one.
BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA* record, Clock::time_point now);

// The first icon that belongs to `window`, if any.
std::optional<TrayIcon> TrayIconOf(HWND window);
// The balloon still on show at `now`, if any.
std::optional<Balloon> ActiveBalloon(Clock::time_point now);
// Forgets every icon and balloon.
void ClearTray();

}  // namespace vmterm

#include "tray.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vmterm {
namespace {

// Distinct addresses stand for the two icons; they are never followed.
char g_onlineTag;
char g_offlineTag;

std::vector<TrayIcon>& Icons() {
    static std::vector<TrayIcon> icons;
    return icons;
}

std::optional<Balloon>& CurrentBalloon() {
    static std::optional<Balloon> balloon;
    return balloon;
}

// A fixed-width field of the record: its bytes up to the first zero, never past its end.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

constexpr UINT kDefaultBalloonMs = 10000;
constexpr UINT kLongestBalloonMs = 30000;

void Apply(TrayIcon& icon, const NOTIFYICONDATAA& record, Clock::time_point now) {
    if ((record.uFlags & NIF_MESSAGE) != 0) {
        icon.callbackMessage = record.uCallbackMessage;
    }
    if ((record.uFlags & NIF_ICON) != 0) {
        icon.icon = record.hIcon;
    }
    if ((record.uFlags & NIF_TIP) != 0) {
        icon.tip = FieldText(record.szTip);
    }
    if ((record.uFlags & NIF_INFO) != 0 && record.szInfo[0] != '\0') {
        UINT ms = record.uTimeout == 0 ? kDefaultBalloonMs : record.uTimeout;
        ms = std::min(ms, kLongestBalloonMs);
        CurrentBalloon() = Balloon{FieldText(record.szInfoTitle), FieldText(record.szInfo),
                                   now + std::chrono::milliseconds(ms)};
    }
}

}  // namespace

HICON OnlineIcon() {
    return reinterpret_cast<HICON>(&g_onlineTag);
}
HICON OfflineIcon() {
    return reinterpret_cast<HICON>(&g_offlineTag);
}

IconKind KindOfIcon(HICON icon) {
    if (icon == nullptr) {
        return IconKind::None;
    }
    if (icon == OnlineIcon()) {
        return IconKind::Online;
    }
    if (icon == OfflineIcon()) {
        return IconKind::Offline;
    }
    return IconKind::Other;
}

const char* IconKindName(IconKind kind) {
    switch (kind) {
        case IconKind::Online:
            return "online";
        case IconKind::Offline:
            return "offline";
        case IconKind::Other:
            return "other";
        case IconKind::None:
            break;
    }
    return "none";
}

BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA* record, Clock::time_point now) {
    if (record == nullptr) {
        return FALSE;
    }
    auto& icons = Icons();
    const auto found = std::find_if(icons.begin(), icons.end(), [&](const TrayIcon& icon) {
        return icon.window == record->hWnd && icon.id == record->uID;
    });
    switch (operation) {
        case NIM_ADD: {
            if (found != icons.end()) {
                return FALSE;
            }
            TrayIcon icon;
            icon.window = record->hWnd;
            icon.id = record->uID;
            Apply(icon, *record, now);
            icons.push_back(std::move(icon));
            return TRUE;
        }
        case NIM_MODIFY:
            if (found == icons.end()) {
                return FALSE;
            }
            Apply(*found, *record, now);
            return TRUE;
        case NIM_DELETE:
            if (found == icons.end()) {
                return FALSE;
            }
            icons.erase(found);
            return TRUE;
        default:
            return FALSE;
    }
}

std::optional<TrayIcon> TrayIconOf(HWND window) {
    for (const TrayIcon& icon : Icons()) {
        if (icon.window == window) {
            return icon;
        }
    }
    return std::nullopt;
}

std::optional<Balloon> ActiveBalloon(Clock::time_point now) {
    auto& balloon = CurrentBalloon();
    if (balloon && now >= balloon->until) {
        balloon.reset();
    }
    return balloon;
}

void ClearTray() {
    Icons().clear();
    CurrentBalloon().reset();
}

}  // namespace vmterm

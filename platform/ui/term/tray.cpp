#include "tray.h"

#include <algorithm>

namespace vmterm {
namespace {

// Distinct addresses stand for the two icons; they are never followed.
char g_onlineTag;
char g_offlineTag;

constexpr UINT kDefaultBalloonMs = 10000;
constexpr UINT kLongestBalloonMs = 30000;

std::optional<Balloon>& CurrentBalloon() {
    static std::optional<Balloon> balloon;
    return balloon;
}

}  // namespace

ui::TrayRecords& TrayIcons() {
    static ui::TrayRecords icons;
    return icons;
}

HICON IconHandle(bool online) {
    return reinterpret_cast<HICON>(online ? &g_onlineTag : &g_offlineTag);
}

const char* IconName(HICON icon) {
    if (icon == nullptr) {
        return "none";
    }
    return icon == IconHandle(true) ? "online" : icon == IconHandle(false) ? "offline" : "other";
}

BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record, Clock::time_point now) {
    const BOOL done = TrayIcons().Apply(operation, record);
    if (done && operation != NIM_DELETE && ui::ShowsBalloon(record)) {
        const UINT ms =
            std::min(record.uTimeout == 0 ? kDefaultBalloonMs : record.uTimeout, kLongestBalloonMs);
        CurrentBalloon() = Balloon{FieldText(record.szInfoTitle), FieldText(record.szInfo),
                                   now + std::chrono::milliseconds(ms)};
    }
    return done;
}

std::optional<Balloon> ActiveBalloon(Clock::time_point now) {
    auto& balloon = CurrentBalloon();
    if (balloon && now >= balloon->until) {
        balloon.reset();
    }
    return balloon;
}

void ClearTray() {
    TrayIcons().Clear();
    CurrentBalloon().reset();
}

}  // namespace vmterm

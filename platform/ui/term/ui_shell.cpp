// Icons, the notification area, the message box, painting, the kernel's bounded copy and the
// program's reports of the printer.
#include <algorithm>
#include <string>

#include "platform/ui/posix/kernel_copy.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/ui.h"
#include "shell/resources/resource.h"

namespace vmterm {
namespace {

// Distinct addresses stand for the two icons; they are never followed.
char g_onlineTag;
char g_offlineTag;

constexpr UINT DEFAULT_BALLOON_MS = 10000;
constexpr UINT LONGEST_BALLOON_MS = 30000;

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
        const UINT ms = std::min(record.uTimeout == 0 ? DEFAULT_BALLOON_MS : record.uTimeout,
                                 LONGEST_BALLOON_MS);
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
    vmterm::Runtime().report = vmterm::MonitorReport{true, reason != nullptr ? reason : ""};
}

}  // namespace ui

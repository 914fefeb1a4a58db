// Icons, the notification area, the message box, painting, the kernel's bounded copy and the
// program's reports of the printer.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ui/posix/kernel_copy.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/ui.h"

namespace vmterm {
namespace {

constexpr UINT DEFAULT_BALLOON_MS = 10000;
constexpr UINT LONGEST_BALLOON_MS = 30000;

std::optional<Balloon>& CurrentBalloon() {
    static std::optional<Balloon> balloon;
    return balloon;
}

unsigned& NewAlerts() {
    static unsigned count = 0;
    return count;
}

}  // namespace

ui::TrayRecords& TrayIcons() {
    static ui::TrayRecords icons;
    return icons;
}

// A handle is the address of the icon's entry in the program's resources; it is followed only
// once found among them.
HICON IconHandle(const tmpl::IconTemplate& icon) {
    return reinterpret_cast<HICON>(const_cast<tmpl::IconTemplate*>(&icon));
}

const tmpl::IconTemplate* IconOf(HICON handle) {
    for (const tmpl::IconTemplate& icon : tmpl::ProgramResources().icons) {
        if (IconHandle(icon) == handle) {
            return &icon;
        }
    }
    return nullptr;
}

const char* IconName(HICON icon) {
    if (icon == nullptr) {
        return "none";
    }
    const tmpl::IconTemplate* found = IconOf(icon);
    return found != nullptr ? found->name : "other";
}

BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record, Clock::time_point now) {
    const BOOL done = TrayIcons().Apply(operation, record);
    if (done && operation != NIM_DELETE && ui::ShowsBalloon(record)) {
        const UINT ms = std::min(record.uTimeout == 0 ? DEFAULT_BALLOON_MS : record.uTimeout,
                                 LONGEST_BALLOON_MS);
        const bool alert = operation == NIM_MODIFY;
        CurrentBalloon() = Balloon{FieldText(record.szInfoTitle), FieldText(record.szInfo),
                                   now + std::chrono::milliseconds(ms), alert};
        NewAlerts() += alert ? 1 : 0;
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

unsigned TakeNewAlerts() {
    return std::exchange(NewAlerts(), 0);
}

void ClearTray() {
    TrayIcons().Clear();
    CurrentBalloon().reset();
    NewAlerts() = 0;
}

}  // namespace vmterm

namespace ui {

HICON LoadIconA(HINSTANCE, LPCSTR iconId) {
    const auto id = reinterpret_cast<std::uintptr_t>(iconId);
    const tmpl::IconTemplate* icon = id <= 0xFFFF ? tmpl::FindIcon(static_cast<int>(id)) : nullptr;
    return icon != nullptr ? vmterm::IconHandle(*icon) : nullptr;
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    return record != nullptr ? vmterm::NotifyIcon(operation, *record, vmterm::Clock::now()) : FALSE;
}

// The caption before the first line, as a box would title it; each further line of the text on
// a line of its own, each made terminal-safe.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    const std::string_view lines = text != nullptr ? text : "";
    std::string out = vmterm::TerminalText(caption != nullptr ? caption : "Error") + ": ";
    std::size_t start = 0;
    for (std::size_t end; (end = lines.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        out += vmterm::TerminalText(lines.substr(start, end - start)) + "\n";
    }
    out += vmterm::TerminalText(lines.substr(start)) + "\n";
    vmterm::WriteAll(vmterm::Config().errorFd, out);
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

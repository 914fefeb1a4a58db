// The recording fake of the UI seam: every ui:: function logs itself and updates the kept state.
#include "tests/support/fake_ui/fake_ui.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <set>

#include "platform/ui/posix/kernel_copy.h"
#include "platform/ui/posix/live_dialogs.h"
#include "platform/ui/posix/progress_state.h"
#include "platform/ui/tray_record.h"
#include "platform/ui/ui.h"

namespace fakeui {
namespace {

constexpr std::uintptr_t DIALOG_BASE = 0x10000000;
constexpr std::uintptr_t DIALOG_STRIDE = 0x10000;  // room for every control id below it
constexpr std::uintptr_t ICON_BASE = 0x20000000;
constexpr std::uintptr_t MENU_BASE = 0x30000000;
constexpr std::uintptr_t SUBMENU_FLAG = 0x08000000;
constexpr std::uintptr_t HDC_VALUE = 0x50000000;
constexpr UINT EN_CHANGE_CODE = 0x0300;

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A dialog the fake runs or a test drives: its handle and procedure.
struct Running {
    HWND handle;
    DLGPROC procedure;
    HWND Handle() const { return handle; }
    Running* ControlOf(HWND) { return nullptr; }  // the fake's controls have no procedure
};

struct State {
    std::vector<Call> calls;
    std::map<std::pair<HWND, int>, std::string> texts;
    std::map<HWND, bool> visible;
    std::map<HWND, std::string> titles;
    std::map<std::pair<HWND, int>, posixui::ProgressState> bars;
    std::map<HWND, std::map<UINT_PTR, UINT>> timers;
    ui::TrayRecords tray;
    std::deque<Running> running;  // stable addresses for the table below
    posixui::LiveDialogs<Running> live;
    std::map<HWND, INT_PTR> endResults;
    std::map<int, Driver> drivers;
    std::set<std::uintptr_t> liveMenus;
    std::uintptr_t nextMenu = 1;
    std::deque<Posted> posted;
    std::vector<int> notifyingControls;
    TextHook textHook;
    bool logging = true;
    Call scratch;  // where calls go while the log is off
    POINT cursor{0, 0};
    int menuChoice = 0;
    HWND focus = nullptr;
};

State& S() {
    static State state;
    return state;
}

std::uintptr_t Value(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// Readable names for the fake handles so that logged calls can be compared as text.
std::string Name(const void* handle) {
    const std::uintptr_t v = Value(handle);
    if (v == 0) {
        return "0";
    }
    if (v == INSTANCE_VALUE) {
        return "hinst";
    }
    if (v >= DIALOG_BASE && v < ICON_BASE) {
        const std::uintptr_t offset = v - DIALOG_BASE;
        if (offset % DIALOG_STRIDE == 0) {
            return "dlg" + std::to_string(offset / DIALOG_STRIDE);
        }
        return "ctl" + std::to_string(offset % DIALOG_STRIDE - 1);
    }
    if (v >= ICON_BASE && v < MENU_BASE) {
        return "icon" + std::to_string(v - ICON_BASE);
    }
    if (v >= MENU_BASE && v < HDC_VALUE) {
        const std::uintptr_t n = v - MENU_BASE;
        if ((n & SUBMENU_FLAG) != 0) {
            return "sub" + std::to_string(n & ~SUBMENU_FLAG);
        }
        return "menu" + std::to_string(n);
    }
    if (v == HDC_VALUE) {
        return "hdc";
    }
    return "h" + std::to_string(v);
}

std::string Quote(const char* text) {
    return text == nullptr ? std::string("null") : "\"" + std::string(text) + "\"";
}

// Appends the call to the log; `args` builds its text form only while the log is kept.
template <typename Args>
Call& Record(const char* function, HWND window, std::initializer_list<long long> ints, Args args) {
    if (!S().logging) {
        return S().scratch;
    }
    Call call;
    call.function = function;
    call.window = window;
    call.ints.assign(ints);
    call.description = std::string(function) + "(" + args() + ")";
    S().calls.push_back(std::move(call));
    return S().calls.back();
}

// Resource identifiers arrive as MAKEINTRESOURCEA values.
long long ResourceId(LPCSTR id) {
    return static_cast<long long>(Value(id));
}

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Running* found = S().live.Find(window);
    return found != nullptr ? found->procedure(window, message, wParam, lParam) : 0;
}

void Attach(HWND dialog, DLGPROC procedure) {
    if (Running* found = S().live.Find(dialog)) {
        found->procedure = procedure;
        return;
    }
    S().running.push_back({dialog, procedure});
    S().live.Add(&S().running.back());
}

void Detach(HWND dialog) {
    if (Running* found = S().live.Find(dialog)) {
        S().live.Remove(found);
    }
}

bool Ended(HWND dialog) {
    return S().endResults.count(dialog) != 0;
}

}  // namespace

void Reset() {
    S() = State{};
}

HWND DialogHandle(int templateId) {
    return reinterpret_cast<HWND>(DIALOG_BASE +
                                  static_cast<std::uintptr_t>(templateId) * DIALOG_STRIDE);
}

HWND ControlHandle(HWND dialog, int controlId) {
    return reinterpret_cast<HWND>(Value(dialog) + static_cast<std::uintptr_t>(controlId) + 1);
}

HICON IconHandle(int iconId) {
    return reinterpret_cast<HICON>(ICON_BASE + static_cast<std::uintptr_t>(iconId));
}

HINSTANCE Instance() {
    return reinterpret_cast<HINSTANCE>(INSTANCE_VALUE);
}

void AttachProcedure(HWND dialog, DLGPROC procedure) {
    Attach(dialog, procedure);
}

void DeliverPosted() {
    while (!S().posted.empty()) {
        const Posted message = S().posted.front();
        S().posted.pop_front();
        Deliver(message.window, message.message, message.wParam, message.lParam);
    }
}

const std::vector<Call>& Calls() {
    return S().calls;
}

std::vector<std::string> CallStrings() {
    std::vector<std::string> out;
    for (const Call& call : S().calls) {
        out.push_back(call.description);
    }
    return out;
}

std::vector<Call> CallsTo(const std::string& function) {
    std::vector<Call> out;
    std::copy_if(S().calls.begin(), S().calls.end(), std::back_inserter(out),
                 [&](const Call& call) { return call.function == function; });
    return out;
}

std::vector<std::string> CallStringsOf(const std::string& function) {
    std::vector<std::string> out;
    for (const Call& call : CallsTo(function)) {
        out.push_back(call.description);
    }
    return out;
}

void ClearCalls() {
    S().calls.clear();
}

void Note(const std::string& what) {
    Call call;
    call.function = what;
    call.description = what;
    S().calls.push_back(std::move(call));
}

std::string ControlText(HWND dialog, int controlId) {
    const auto found = S().texts.find({dialog, controlId});
    return found == S().texts.end() ? std::string() : found->second;
}

void SetControlText(HWND dialog, int controlId, const std::string& text) {
    S().texts[{dialog, controlId}] = text;
}

bool IsVisible(HWND window) {
    const auto found = S().visible.find(window);
    return found != S().visible.end() && found->second;
}

void SetVisible(HWND window, bool visible) {
    S().visible[window] = visible;
}

std::string WindowTitle(HWND window) {
    const auto found = S().titles.find(window);
    return found == S().titles.end() ? std::string() : found->second;
}

ProgressBar Progress(HWND dialog, int controlId) {
    const posixui::ProgressState& bar = S().bars[{dialog, controlId}];
    const bool defaultColor = bar.barColor == posixui::DEFAULT_BAR_COLOR;
    return ProgressBar{bar.minimum, bar.maximum, bar.position, bar.step,
                       defaultColor ? -1 : static_cast<long long>(bar.barColor)};
}

std::map<UINT_PTR, UINT> Timers(HWND window) {
    return S().timers[window];
}

HWND Focus() {
    return S().focus;
}

int LiveMenus() {
    return static_cast<int>(S().liveMenus.size());
}

std::optional<NOTIFYICONDATAA> TrayIcon(HWND window, UINT id) {
    const NOTIFYICONDATAA* found = S().tray.Find(window, id);
    return found != nullptr ? std::optional<NOTIFYICONDATAA>(*found) : std::nullopt;
}

std::optional<INT_PTR> EndResult(HWND dialog) {
    const auto found = S().endResults.find(dialog);
    if (found == S().endResults.end()) {
        return std::nullopt;
    }
    return found->second;
}

void SetCursor(POINT point) {
    S().cursor = point;
}
void SetMenuChoice(int command) {
    S().menuChoice = command;
}
void SetDriver(int templateId, Driver driver) {
    S().drivers[templateId] = std::move(driver);
}
void NotifyChangesOf(std::vector<int> controlIds) {
    S().notifyingControls = std::move(controlIds);
}
void SetTextHook(TextHook hook) {
    S().textHook = std::move(hook);
}
void SetLogging(bool on) {
    S().logging = on;
}

}  // namespace fakeui

namespace ui {

using fakeui::Call;

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateId, HWND owner, DLGPROC procedure,
                        LPARAM initParam) {
    const long long id = fakeui::ResourceId(templateId);
    Call& call =
        fakeui::Record("DialogBoxParamA", owner, {id, static_cast<long long>(initParam)}, [&] {
            return std::string(fakeui::Name(instance) + ", " + std::to_string(id) + ", " +
                               fakeui::Name(owner) + ", " + std::to_string(initParam));
        });
    call.procedure = procedure;

    const HWND dialog = fakeui::DialogHandle(static_cast<int>(id));
    fakeui::S().endResults.erase(dialog);
    fakeui::Attach(dialog, procedure);
    fakeui::S().visible[dialog] = false;
    procedure(dialog, WM_INITDIALOG, 0, initParam);
    // The dialog manager shows a modal dialog once its initialisation has returned.
    if (!fakeui::Ended(dialog)) {
        fakeui::S().visible[dialog] = true;
    }
    const auto driver = fakeui::S().drivers.find(static_cast<int>(id));
    if (driver != fakeui::S().drivers.end() && !fakeui::Ended(dialog)) {
        driver->second(dialog, procedure);
    }
    fakeui::DeliverPosted();
    fakeui::Detach(dialog);
    fakeui::S().visible[dialog] = false;
    const auto result = fakeui::EndResult(dialog);
    return result ? *result : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    fakeui::Record("EndDialog", dialog, {static_cast<long long>(result)}, [&] {
        return std::string(fakeui::Name(dialog) + ", " + std::to_string(result));
    });
    fakeui::S().endResults[dialog] = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int controlId) {
    fakeui::Record("GetDlgItem", dialog, {controlId}, [&] {
        return std::string(fakeui::Name(dialog) + ", " + std::to_string(controlId));
    });
    return fakeui::ControlHandle(dialog, controlId);
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    fakeui::Record("GetDlgItemTextA", dialog, {controlId, capacity}, [&] {
        return std::string(fakeui::Name(dialog) + ", " + std::to_string(controlId) + ", " +
                           std::to_string(capacity));
    });
    if (capacity <= 0) {
        return 0;
    }
    const std::string held = fakeui::ControlText(dialog, controlId);
    const std::size_t count = std::min(held.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(text, held.data(), count);
    text[count] = '\0';
    return static_cast<UINT>(count);
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    Call& call = fakeui::Record("SetDlgItemTextA", dialog, {controlId}, [&] {
        return std::string(fakeui::Name(dialog) + ", " + std::to_string(controlId) + ", " +
                           fakeui::Quote(text));
    });
    call.text = text == nullptr ? "" : text;
    const std::string held = call.text;
    fakeui::S().texts[{dialog, controlId}] = held;
    if (fakeui::S().textHook) {
        fakeui::S().textHook(dialog, controlId, held);
    }
    const auto& notifying = fakeui::S().notifyingControls;
    if (std::find(notifying.begin(), notifying.end(), controlId) != notifying.end()) {
        const WPARAM wParam = static_cast<WPARAM>(controlId & 0xFFFF) |
                              (static_cast<WPARAM>(fakeui::EN_CHANGE_CODE) << 16);
        fakeui::Deliver(dialog, WM_COMMAND, wParam,
                        reinterpret_cast<LPARAM>(fakeui::ControlHandle(dialog, controlId)));
    }
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    fakeui::Record(
        "SendDlgItemMessageA", dialog,
        {controlId, message, static_cast<long long>(wParam), static_cast<long long>(lParam)}, [&] {
            return std::string(fakeui::Name(dialog) + ", " + std::to_string(controlId) + ", " +
                               std::to_string(message) + ", " + std::to_string(wParam) + ", " +
                               std::to_string(lParam));
        });
    if (message == EM_LIMITTEXT) {
        return 0;  // edits keep no limit here: what is typed is set by the test
    }
    return posixui::ApplyProgressMessage(fakeui::S().bars[{dialog, controlId}], message, wParam,
                                         lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    fakeui::Record("SendMessageA", window,
                   {message, static_cast<long long>(wParam), static_cast<long long>(lParam)}, [&] {
                       return std::string(fakeui::Name(window) + ", " + std::to_string(message) +
                                          ", " + std::to_string(wParam) + ", " +
                                          std::to_string(lParam));
                   });
    return fakeui::Deliver(window, message, wParam, lParam);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    Call& call = fakeui::Record("SetWindowTextA", window, {}, [&] {
        return std::string(fakeui::Name(window) + ", " + fakeui::Quote(text));
    });
    call.text = text == nullptr ? "" : text;
    fakeui::S().titles[window] = call.text;
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    fakeui::Record("ShowWindow", window, {command}, [&] {
        return std::string(fakeui::Name(window) + ", " + std::to_string(command));
    });
    const bool wasVisible = fakeui::IsVisible(window);
    fakeui::S().visible[window] = command != SW_HIDE;
    return wasVisible ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    fakeui::Record("SetFocus", window, {}, [&] { return std::string(fakeui::Name(window)); });
    const HWND previous = fakeui::S().focus;
    fakeui::S().focus = window;
    return previous;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC procedure) {
    fakeui::Record("SetTimer", window,
                   {static_cast<long long>(timerId), periodMs, procedure == nullptr ? 0 : 1}, [&] {
                       return std::string(fakeui::Name(window) + ", " + std::to_string(timerId) +
                                          ", " + std::to_string(periodMs) + ", " +
                                          (procedure == nullptr ? "0" : "proc"));
                   });
    fakeui::S().timers[window][timerId] = periodMs;
    return timerId;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    fakeui::Record("KillTimer", window, {static_cast<long long>(timerId)}, [&] {
        return std::string(fakeui::Name(window) + ", " + std::to_string(timerId));
    });
    return fakeui::S().timers[window].erase(timerId) != 0 ? TRUE : FALSE;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR iconId) {
    const long long id = fakeui::ResourceId(iconId);
    fakeui::Record("LoadIconA", nullptr, {id},
                   [&] { return std::string(fakeui::Name(instance) + ", " + std::to_string(id)); });
    return fakeui::IconHandle(static_cast<int>(id));
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR menuId) {
    const long long id = fakeui::ResourceId(menuId);
    fakeui::Record("LoadMenuA", nullptr, {id},
                   [&] { return std::string(fakeui::Name(instance) + ", " + std::to_string(id)); });
    const std::uintptr_t number = fakeui::S().nextMenu++;
    fakeui::S().liveMenus.insert(number);
    return reinterpret_cast<HMENU>(fakeui::MENU_BASE + number);
}

HMENU GetSubMenu(HMENU menu, int position) {
    fakeui::Record("GetSubMenu", nullptr, {position}, [&] {
        return std::string(fakeui::Name(menu) + ", " + std::to_string(position));
    });
    return reinterpret_cast<HMENU>(fakeui::Value(menu) | fakeui::SUBMENU_FLAG);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* rect) {
    fakeui::Record("TrackPopupMenu", owner, {flags, x, y, reserved, rect == nullptr ? 0 : 1}, [&] {
        return std::string(fakeui::Name(menu) + ", " + std::to_string(flags) + ", " +
                           std::to_string(x) + ", " + std::to_string(y) + ", " +
                           std::to_string(reserved) + ", " + fakeui::Name(owner) + ", " +
                           (rect == nullptr ? "0" : "rect"));
    });
    // Without TPM_RETURNCMD the chosen item is posted, so it arrives after the handler returns.
    if (fakeui::S().menuChoice != 0) {
        fakeui::S().posted.push_back(
            {owner, WM_COMMAND, static_cast<WPARAM>(fakeui::S().menuChoice), 0});
    }
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    fakeui::Record("DestroyMenu", nullptr, {}, [&] { return std::string(fakeui::Name(menu)); });
    const std::uintptr_t number = fakeui::Value(menu) - fakeui::MENU_BASE;
    return fakeui::S().liveMenus.erase(number) != 0 ? TRUE : FALSE;
}

BOOL GetCursorPos(POINT* point) {
    fakeui::Record("GetCursorPos", nullptr, {}, [&] { return std::string(""); });
    *point = fakeui::S().cursor;
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
    fakeui::Record("SetForegroundWindow", window, {},
                   [&] { return std::string(fakeui::Name(window)); });
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    fakeui::Record("BeginPaint", window, {paint == nullptr ? 0 : 1}, [&] {
        return std::string(fakeui::Name(window) + (paint == nullptr ? ", 0" : ", paint"));
    });
    if (paint != nullptr) {
        std::memset(paint, 0, sizeof *paint);
        paint->hdc = reinterpret_cast<HDC>(fakeui::HDC_VALUE);
    }
    return reinterpret_cast<HDC>(fakeui::HDC_VALUE);
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    const bool matches = paint != nullptr && paint->hdc == reinterpret_cast<HDC>(fakeui::HDC_VALUE);
    fakeui::Record("EndPaint", window, {matches ? 1 : 0}, [&] {
        return std::string(fakeui::Name(window) + (matches ? ", paint" : ", other"));
    });
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    Call& call = fakeui::Record("MessageBoxA", owner, {type}, [&] {
        return std::string(fakeui::Name(owner) + ", " + fakeui::Quote(text) + ", " +
                           fakeui::Quote(caption) + ", " + std::to_string(type));
    });
    call.text = text == nullptr ? "" : text;
    call.text2 = caption == nullptr ? "" : caption;
    return IDOK;
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    Call& call = fakeui::Record("Shell_NotifyIconA", record->hWnd, {operation}, [&] {
        return std::string(std::to_string(operation) + ", " + fakeui::Name(record->hWnd) + ", " +
                           std::to_string(record->uID) + ", " + std::to_string(record->uFlags));
    });
    call.record = *record;
    return fakeui::S().tray.Apply(operation, *record);
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count) {
    Call& call = fakeui::Record("lstrcpynA", nullptr, {count}, [&] {
        return std::string(fakeui::Quote(source) + ", " + std::to_string(count));
    });
    call.text = source == nullptr ? "" : source;
    return KernelCopyN(destination, source, count);
}

void ReportMonitorState(HWND dialog, LPCSTR reason) {
    Call& call =
        fakeui::Record("ReportMonitorState", dialog, {}, [&] { return fakeui::Quote(reason); });
    call.text = reason == nullptr ? "" : reason;
}

}  // namespace ui

#include "shell/condition_watch.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <utility>

#include "condition/details_text.h"
#include "condition/engine_core.h"
#include "condition/health.h"
#include "condition/notifications.h"
#include "platform/ui/ui.h"
#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "state/monitor_state.h"
#include "text/bounded_text.h"

namespace watch {
namespace {

// One printer, read one request at a time.
constexpr std::size_t REQUESTS_AT_ONCE = 1;
constexpr std::chrono::seconds READING_TIME{20};
constexpr UINT BALLOON_TIMEOUT_MS = 10000;

struct Watch {
    HWND monitor = nullptr;
    std::unique_ptr<condition::EngineCore> engine;
    unsigned generation = 0;  // a reading of an earlier window is not this one's
    bool reading = false;     // a reading is in flight
    HWND details = nullptr;
    std::optional<condition::Condition> last;
    std::tm readAt{};
    condition::Announced announced;
};

Watch& W() {
    static Watch watch;
    return watch;
}

UINT Period() {
    const UINT seconds =
        W().details != nullptr ? static_cast<UINT>(DETAILS_READING_SECONDS) : g_condition_seconds;
    return seconds * 1000;
}

DWORD BalloonIcon(condition::NoticeLevel level) {
    switch (level) {
        case condition::NoticeLevel::Info:
            return NIIF_INFO;
        case condition::NoticeLevel::Warning:
            return NIIF_WARNING;
        case condition::NoticeLevel::Error:
            break;
    }
    return NIIF_ERROR;
}

// The tray's balloon, with nothing else of the icon's record touched.
void Announce(const condition::Observation& observed) {
    const std::vector<condition::Notice> notices = condition::NextNotices(W().announced, observed);
    if (notices.empty() || !g_notify) {
        return;
    }
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
    record.hWnd = W().monitor;
    record.uID = TRAY_ICON_ID;
    record.uFlags = NIF_INFO;
    const condition::Notice said = condition::Combined(notices, sizeof record.szInfo);
    BoundedCopy(record.szInfoTitle, sizeof record.szInfoTitle, g_title);
    BoundedCopy(record.szInfo, sizeof record.szInfo, said.text.c_str());
    record.uTimeout = BALLOON_TIMEOUT_MS;
    record.dwInfoFlags = BalloonIcon(said.level);
    ui::Shell_NotifyIconA(NIM_MODIFY, &record);
}

void Keep(condition::Condition&& condition) {
    Watch& w = W();
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) {
        w.readAt = *local;
    }
    w.last = std::move(condition);
    Announce(condition::Observe(*w.last));
    if (w.details != nullptr) {
        ui::SendMessageA(w.details, WM_CONDITION_READ, 0, 0);
    }
}

void Done(unsigned generation, condition::Condition&& condition) {
    Watch& w = W();
    if (generation != w.generation || w.monitor == nullptr) {
        return;
    }
    w.reading = false;
    ui::KillTimer(w.monitor, CONDITION_STEP_TIMER_ID);
    Keep(std::move(condition));
}

// What the window shows as unreachable is observed so, without a request.
void ObserveUnreachable() {
    condition::Condition unreachable;
    unreachable.error = g_reason != nullptr ? std::string("not answering the window: ") + g_reason
                                            : "not answering the window";
    condition::DeriveHealth(unreachable, condition::NO_SUPPLY_RULES);
    Keep(std::move(unreachable));
}

void Begin() {
    Watch& w = W();
    if (w.reading || w.engine == nullptr) {
        return;
    }
    if (g_state != STATE_OK || !g_agent.usable) {
        ObserveUnreachable();
        return;
    }
    condition::ReadRequest request = g_condition_request;
    request.agent = g_agent.address;
    request.community = g_community;
    request.deadline = std::chrono::steady_clock::now() + READING_TIME;
    w.reading = true;
    ui::SetTimer(w.monitor, CONDITION_STEP_TIMER_ID, STEP_MS, nullptr);
    // An engine that cannot send ends the reading inside Submit: Done has run by then.
    const unsigned generation = w.generation;
    w.engine->Submit(std::move(request), [generation](condition::Condition&& condition) {
        Done(generation, std::move(condition));
    });
}

}  // namespace

void Start(HWND monitor) {
    Watch& w = W();
    // An earlier window's engine ends its readings as no one's before anything is reset.
    const unsigned generation = ++w.generation;
    w.engine.reset();
    w = Watch{};
    w.generation = generation;
    w.monitor = monitor;
    w.engine = std::make_unique<condition::EngineCore>(REQUESTS_AT_ONCE);
    ui::SetTimer(monitor, CONDITION_TIMER_ID, FIRST_READING_MS, nullptr);
}

void Stop() {
    Watch& w = W();
    if (w.monitor == nullptr) {
        return;
    }
    if (w.details != nullptr) {
        ui::EndDialog(w.details, 0);
        w.details = nullptr;
    }
    ui::KillTimer(w.monitor, CONDITION_STEP_TIMER_ID);
    ui::KillTimer(w.monitor, CONDITION_TIMER_ID);
    ++w.generation;  // the readings the engine ends now are no one's
    w.engine.reset();
    w.monitor = nullptr;
    w.reading = false;
}

void OnTimer(UINT_PTR timerId) {
    Watch& w = W();
    if (w.monitor == nullptr) {
        return;
    }
    if (timerId == CONDITION_STEP_TIMER_ID) {
        if (w.reading) {
            w.engine->Step(0);
        } else {
            ui::KillTimer(w.monitor, CONDITION_STEP_TIMER_ID);
        }
        return;
    }
    // The first reading comes early; from then on the schedule keeps its period.
    ui::SetTimer(w.monitor, CONDITION_TIMER_ID, Period(), nullptr);
    Begin();
}

void DetailsOpened(HWND details) {
    Watch& w = W();
    w.details = details;
    if (w.monitor != nullptr) {
        ui::SetTimer(w.monitor, CONDITION_TIMER_ID, Period(), nullptr);
        Begin();
    }
}

void DetailsClosed(HWND details) {
    Watch& w = W();
    if (w.details != details) {
        return;
    }
    w.details = nullptr;
    if (w.monitor != nullptr) {
        ui::SetTimer(w.monitor, CONDITION_TIMER_ID, Period(), nullptr);
    }
}

HWND DetailsWindow() {
    return W().details;
}

const condition::Condition* LastReading() {
    return W().last ? &*W().last : nullptr;
}

std::string ReadAtText() {
    const Watch& w = W();
    if (!w.last) {
        return "Reading...";
    }
    return condition::ReadAtText(*w.last, w.readAt.tm_hour, w.readAt.tm_min, w.readAt.tm_sec);
}

condition::ReaderStats Stats() {
    return W().engine != nullptr ? W().engine->Stats() : condition::ReaderStats{};
}

}  // namespace watch

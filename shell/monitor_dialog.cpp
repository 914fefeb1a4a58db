// The status window: tray icon, poll timer and the monitoring state machine that decides on
// each tick whether to read the printer or to show it as unreachable.
#include <cstring>

#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/condition_watch.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/object_text.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "state/watched_target.h"
#include "text/bounded_text.h"

namespace {

constexpr int TIP_CHARS = 64;  // the tip is copied with 64, not the field's full width
constexpr int BALLOON_CHARS = 64;
constexpr UINT BALLOON_TIMEOUT_MS = 10000;
constexpr UINT TONER_RANGE_MAX = 30000;

void OnPaint(HWND dialog) {
    PAINTSTRUCT paint;
    ui::BeginPaint(dialog, &paint);
    ui::EndPaint(dialog, &paint);
}

// Adds the tray icon with its one balloon, starts the timer, prepares the controls and runs
// the first tick at once, so the window is first shown with that tick's results.
void OnInitDialog(HWND dialog, NOTIFYICONDATAA* record) {
    record->hIcon = g_icon_current;
    record->uCallbackMessage = WM_TRAYNOTIFY;
    record->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    BoundedCopy(record->szTip, TIP_CHARS, g_title);
    BoundedCopy(record->szInfoTitle, sizeof record->szInfoTitle, g_title);
    ui::lstrcpynA(record->szInfo, "By Quillfen", BALLOON_CHARS);
    record->dwInfoFlags = NIIF_INFO;
    record->uTimeout = BALLOON_TIMEOUT_MS;
    ui::Shell_NotifyIconA(NIM_ADD, record);

    ui::SetTimer(dialog, POLL_TIMER_ID, POLL_PERIOD_MS, nullptr);
    // The box doubles as the entry for a new target: no more may be typed than a target holds.
    ui::SendDlgItemMessageA(dialog, IDC_PRIMARY, EM_LIMITTEXT, TARGET_CHARS - 1, 0);
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY, g_target);
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Target Printer:");

    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETRANGE, 0, MAKELPARAM(0, TONER_RANGE_MAX));
    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETBARCOLOR, 0, 0);  // black
    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETSTEP, 1, 0);

    ui::SetWindowTextA(dialog, g_title);
    ui::SendMessageA(dialog, WM_TIMER, POLL_TIMER_ID, 0);
    watch::Start(dialog);
}

// Tells the platform whether the printer answers and, when it does not, why.
void ReportState(HWND dialog) {
    ui::ReportMonitorState(dialog, g_state == STATE_OK ? nullptr : g_reason);
}

// Polls while the printer answers; otherwise shows it as unreachable and waits for Update
// Target. The target text goes into IDC_PRIMARY only on entering the unreachable display:
// from then on the box belongs to the user typing a new target.
void OnTick(HWND dialog, NOTIFYICONDATAA* record) {
    if (g_state == STATE_OK) {
        PollPrinterStatus(dialog);
        // Also after a cycle that lost the printer; the next tick shows that.
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Primary Status:");
        ReportState(dialog);
        return;
    }
    ui::ShowWindow(ui::GetDlgItem(dialog, IDC_UPDATE_TARGET), SW_SHOWNORMAL);
    if (g_state == STATE_LOST) {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, g_target);
    }
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Unreachable:");
    record->uFlags = NIF_ICON;
    record->hIcon = g_icon_offline;
    ui::Shell_NotifyIconA(NIM_MODIFY, record);
    // Counted from entering the display: the ticks that keep it must not restart the wait.
    if (g_state != STATE_UNREACHABLE && g_retry_seconds > 0) {
        ui::SetTimer(dialog, RETRY_TIMER_ID, g_retry_seconds * 1000, nullptr);
    }
    g_state = STATE_UNREACHABLE;
    ReportState(dialog);
}

// Takes the typed target into g_target and works out its agent. A text longer than a target
// holds is never taken cut; g_target then keeps what it was.
void ReadTypedTarget(HWND dialog) {
    char typed[TARGET_CHARS + 1] = "";
    ui::GetDlgItemTextA(dialog, IDC_PRIMARY, typed, sizeof typed);
    const bool fits = BoundedCopy(g_target, TARGET_CHARS, typed) == BOUNDED_OK;
    SetWatchedTarget(fits, true);
}

// Whether the new target may go on to the model query: its echo came back, or, without the
// echo, it gave an agent to ask. Otherwise g_reason says why not.
bool Answers() {
    if (g_skip_echo) {
        return g_agent.usable;
    }
    if (ProbeTarget() == PROBE_REPLY) {
        return true;
    }
    if (g_agent.usable) {
        g_reason = REASON_NO_ECHO_REPLY;
    }
    return false;
}

void StopRetrying(HWND dialog) {
    if (g_retry_seconds > 0) {
        ui::KillTimer(dialog, RETRY_TIMER_ID);
    }
}

// Adopts the target typed into IDC_PRIMARY once it answers both the probe and the model
// query. Any failure ends silently in the window: the user corrects the entry and presses
// again; the platform is told why.
void OnUpdateTarget(HWND dialog, NOTIFYICONDATAA* record) {
    // Enter in the dialog issues this command too; while polling, the box shows the printer's
    // status, not a target, so nothing is read.
    if (g_state == STATE_OK) {
        return;
    }
    ReadTypedTarget(dialog);
    if (!Answers()) {
        ReportState(dialog);
        return;
    }
    if (!QueryPrinterModel()) {
        // A request without answer has said so already; otherwise the agent has no model.
        if (g_state != STATE_LOST) {
            g_reason = REASON_NO_MODEL;
        }
        ReportState(dialog);
        return;
    }
    g_state = STATE_OK;
    g_reason = nullptr;
    StopRetrying(dialog);
    record->uFlags = NIF_ICON | NIF_TIP;
    PollPrinterStatus(dialog);
    // Shown whatever the cycle found; if it lost the printer again, the next tick says so.
    ui::ShowWindow(ui::GetDlgItem(dialog, IDC_UPDATE_TARGET), SW_HIDE);
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Primary Status:");
    BoundedFormat(g_title, TITLE_CHARS, "%s Monitor", g_model);
    BoundedCopy(record->szTip, TIP_CHARS, g_title);
    record->hIcon = g_icon_online;
    ui::Shell_NotifyIconA(NIM_MODIFY, record);
    ui::SetWindowTextA(dialog, g_title);
    ReportState(dialog);
}

// The timer, the tray icon and the dialog go together: removed in that order, and only here.
void OnExit(HWND dialog, NOTIFYICONDATAA* record) {
    ui::KillTimer(dialog, POLL_TIMER_ID);
    StopRetrying(dialog);
    watch::Stop();  // the details window ends first
    ui::Shell_NotifyIconA(NIM_DELETE, record);
    ui::EndDialog(dialog, 0);
}

// The details window runs modally beside the status window, which its loop keeps serving (its
// timers, its tray icon). Asked for again while it is open, it comes to the front.
void ShowDetails() {
    if (const HWND open = watch::DetailsWindow()) {
        ui::SetForegroundWindow(open);
        return;
    }
    ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_DETAILS), nullptr, DetailsDialogProc, 0);
}

void OnCommand(HWND dialog, WORD command, NOTIFYICONDATAA* record) {
    switch (command) {
        case IDCANCEL:
        case IDM_EXIT:
            OnExit(dialog, record);
            break;
        case IDM_SHOW:
            ui::ShowWindow(dialog, SW_SHOWNORMAL);
            break;
        case IDM_HIDE:
        case IDC_HIDE:
            ui::ShowWindow(dialog, SW_HIDE);
            break;
        case IDC_UPDATE_TARGET:
            OnUpdateTarget(dialog, record);
            break;
        case IDM_DETAILS:
            ShowDetails();
            break;
        default:
            break;
    }
}

// The menu is loaded afresh for each popup and destroyed with its popup afterwards. The
// dialog must be in the foreground, hidden or not, or the menu would not close when the user
// clicks elsewhere.
void ShowTrayMenu(HWND dialog) {
    POINT cursor{0, 0};
    ui::GetCursorPos(&cursor);
    ui::SetForegroundWindow(dialog);
    HMENU menu = ui::LoadMenuA(g_hinstance, MAKEINTRESOURCEA(IDR_TRAYMENU));
    HMENU popup = ui::GetSubMenu(menu, 0);
    ui::TrackPopupMenu(popup, TPM_LEFTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y,
                       0, dialog, nullptr);
    ui::DestroyMenu(menu);
}

void OnTrayNotify(HWND dialog, LPARAM mouseMessage) {
    switch (mouseMessage) {
        case WM_LBUTTONDBLCLK:
            // ShowWindow tells whether the window had been visible: then the double-click
            // hides it, so it toggles.
            if (ui::ShowWindow(dialog, SW_SHOW) != 0) {
                ui::ShowWindow(dialog, SW_HIDE);
            }
            break;
        case WM_RBUTTONDOWN:
            ShowTrayMenu(dialog);
            break;
        default:
            break;
    }
}

}  // namespace

INT_PTR CALLBACK MonitorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // A record of this call's own: the first tick and the edits' change notifications enter
    // this procedure again while an outer call is still filling its record.
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
    record.hWnd = dialog;
    record.uID = TRAY_ICON_ID;

    switch (message) {
        case WM_PAINT:
            OnPaint(dialog);
            break;
        case WM_INITDIALOG:
            OnInitDialog(dialog, &record);
            break;
        case WM_COMMAND:
            OnCommand(dialog, LOWORD(wParam), &record);
            break;
        case WM_TIMER:
            // The retry presses Update Target for the user; only the window that shows the
            // printer as unreachable has the button to press.
            if (wParam == CONDITION_TIMER_ID || wParam == CONDITION_STEP_TIMER_ID) {
                // The condition's watcher: never a tick of the poll cycle.
                watch::OnTimer(wParam);
            } else if (wParam == RETRY_TIMER_ID && g_retry_seconds > 0) {
                if (g_state == STATE_UNREACHABLE) {
                    OnUpdateTarget(dialog, &record);
                }
            } else {
                OnTick(dialog, &record);
            }
            break;
        case WM_TRAYNOTIFY:
            OnTrayNotify(dialog, lParam);
            break;
        default:
            break;
    }
    // Returning 0 for every message lets the dialog manager's default processing follow, and
    // after WM_INITDIALOG sets no initial focus.
    return 0;
}

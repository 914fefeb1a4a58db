// The window and control operations of the UI seam over the terminal's dialog model.
#include <algorithm>
#include <cstring>

#include "dialog_model.h"
#include "platform/ui/ui.h"

namespace ui {

using vmterm::Control;
using vmterm::ControlFromHandle;
using vmterm::ControlKind;
using vmterm::Dialog;
using vmterm::DialogFromHandle;

HWND GetDlgItem(HWND dialog, int controlId) {
    Dialog* owner = DialogFromHandle(dialog);
    if (owner == nullptr) {
        return nullptr;
    }
    Control* control = owner->Find(controlId);
    return control != nullptr ? vmterm::HandleOf(*control) : nullptr;
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    if (text == nullptr || capacity <= 0) {
        return 0;
    }
    text[0] = '\0';
    Dialog* owner = DialogFromHandle(dialog);
    Control* control = owner != nullptr ? owner->Find(controlId) : nullptr;
    if (control == nullptr) {
        return 0;
    }
    // Stops at an embedded zero as the platform's string copy would.
    const std::size_t length = std::min(strnlen(control->text.c_str(), control->text.size()),
                                        static_cast<std::size_t>(capacity - 1));
    std::memcpy(text, control->text.data(), length);
    text[length] = '\0';
    return static_cast<UINT>(length);
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    Dialog* owner = DialogFromHandle(dialog);
    Control* control = owner != nullptr ? owner->Find(controlId) : nullptr;
    if (control == nullptr) {
        return FALSE;
    }
    vmterm::SetControlText(*owner, *control, text != nullptr ? text : "");
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, controlId), message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Dialog* dialog = DialogFromHandle(window)) {
        return vmterm::Deliver(*dialog, message, wParam, lParam);
    }
    Control* control = ControlFromHandle(window, nullptr);
    if (control != nullptr && control->kind == ControlKind::Progress) {
        return vmterm::ApplyProgressMessage(control->progress, message, wParam, lParam);
    }
    return 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const char* value = text != nullptr ? text : "";
    if (Dialog* dialog = DialogFromHandle(window)) {
        dialog->title = value;
        return TRUE;
    }
    Dialog* owner = nullptr;
    if (Control* control = ControlFromHandle(window, &owner)) {
        vmterm::SetControlText(*owner, *control, value);
        return TRUE;
    }
    return FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    bool* visible = nullptr;
    if (Dialog* dialog = DialogFromHandle(window)) {
        visible = &dialog->visible;
    } else if (Control* control = ControlFromHandle(window, nullptr)) {
        visible = &control->visible;
    }
    if (visible == nullptr) {
        return FALSE;
    }
    const bool before = *visible;
    *visible = command != SW_HIDE;
    return before ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    Dialog* owner = nullptr;
    if (ControlFromHandle(window, &owner) == nullptr) {
        owner = DialogFromHandle(window);
    }
    if (owner == nullptr) {
        return nullptr;
    }
    HWND previous = owner->focus;
    owner->focus = window;
    return previous;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* owner = DialogFromHandle(dialog);
    if (owner == nullptr) {
        return FALSE;
    }
    owner->ended = true;
    owner->result = result;
    return TRUE;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC) {
    Dialog* dialog = DialogFromHandle(window);
    if (dialog == nullptr) {
        return 0;
    }
    constexpr UINT kShortestPeriodMs = 10;  // USER_TIMER_MINIMUM
    const UINT period = std::max(periodMs, kShortestPeriodMs);
    const auto due = vmterm::Clock::now() + std::chrono::milliseconds(period);
    for (vmterm::DialogTimer& timer : dialog->timers) {
        if (timer.id == timerId) {
            timer.periodMs = period;
            timer.due = due;
            return timerId;
        }
    }
    dialog->timers.push_back({timerId, period, due});
    return timerId != 0 ? timerId : 1;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    Dialog* dialog = DialogFromHandle(window);
    if (dialog == nullptr) {
        return FALSE;
    }
    auto& timers = dialog->timers;
    const auto found = std::find_if(timers.begin(), timers.end(),
                                    [&](const vmterm::DialogTimer& t) { return t.id == timerId; });
    if (found == timers.end()) {
        return FALSE;
    }
    timers.erase(found);
    return TRUE;
}

}  // namespace ui

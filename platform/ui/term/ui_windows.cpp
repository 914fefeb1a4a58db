// The dialog, window and control operations of the UI seam over the terminal's dialogs:
// DialogBoxParamA builds the template, initialises it and runs it until it ends.
#include <algorithm>
#include <cstring>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/ui.h"

namespace ui {
namespace {

using vmterm::Control;
using vmterm::Dialog;

// A handle resolved to a running dialog, or to one of its controls and its dialog.
struct Target {
    Dialog* dialog = nullptr;
    Control* control = nullptr;
};

Target Resolve(HWND window) {
    Target target;
    target.dialog = vmterm::RunningDialogs().Find(window);
    if (target.dialog == nullptr) {
        target.dialog = vmterm::RunningDialogs().OwnerOf(window, &target.control);
    }
    return target;
}

Control* DialogControl(HWND dialog, int controlId) {
    Dialog* owner = vmterm::RunningDialogs().Find(dialog);
    return owner != nullptr ? owner->Find(controlId) : nullptr;
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateId, HWND, DLGPROC procedure, LPARAM initParam) {
    // Only templates given by number, and only those the program has.
    const auto id = reinterpret_cast<std::uintptr_t>(templateId);
    const tmpl::DialogTemplate* found =
        id <= 0xFFFF ? tmpl::FindDialogTemplate(static_cast<int>(id)) : nullptr;
    if (found == nullptr || found->controls.empty() || procedure == nullptr) {
        return -1;
    }
    vmterm::Dialog dialog(*found, procedure);
    vmterm::RunningDialogs().Add(&dialog);
    // wParam names the control that would get the focus: the first of the template.
    vmterm::Deliver(dialog, WM_INITDIALOG,
                    reinterpret_cast<WPARAM>(dialog.controls.front().Handle()), initParam);
    if (!dialog.ended) {
        if (dialog.timers.empty() && !vmterm::LiveWindowRunning()) {
            vmterm::RunForm(dialog);
        } else {
            vmterm::RunLiveWindow(dialog);
        }
    }
    vmterm::RunningDialogs().Remove(&dialog);
    return dialog.result;
}

HWND GetDlgItem(HWND dialog, int controlId) {
    Control* control = DialogControl(dialog, controlId);
    return control != nullptr ? control->Handle() : nullptr;
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    if (text == nullptr || capacity <= 0) {
        return 0;
    }
    text[0] = '\0';
    const Control* control = DialogControl(dialog, controlId);
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
    return SetWindowTextA(GetDlgItem(dialog, controlId), text);
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, controlId), message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Target target = Resolve(window);
    if (target.control == nullptr) {
        return target.dialog != nullptr ? vmterm::Deliver(*target.dialog, message, wParam, lParam)
                                        : 0;
    }
    if (target.control->kind == vmterm::ControlKind::Progress) {
        return posixui::ApplyProgressMessage(target.control->progress, message, wParam, lParam);
    }
    if (message == EM_LIMITTEXT && target.control->IsEdit()) {
        target.control->limit = static_cast<std::size_t>(wParam);  // 0: no limit of its own
    }
    return 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const char* value = text != nullptr ? text : "";
    const Target target = Resolve(window);
    if (target.control != nullptr) {
        vmterm::SetControlText(*target.dialog, *target.control, value);
    } else if (target.dialog != nullptr) {
        target.dialog->title = value;
    }
    return target.dialog != nullptr ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    const Target target = Resolve(window);
    if (target.dialog == nullptr) {
        return FALSE;
    }
    bool& visible = target.control != nullptr ? target.control->visible : target.dialog->visible;
    const bool before = visible;
    visible = command != SW_HIDE;
    return before ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    const Target target = Resolve(window);
    if (target.dialog == nullptr) {
        return nullptr;
    }
    const HWND previous = target.dialog->focus;
    target.dialog->focus = window;
    return previous;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* owner = vmterm::RunningDialogs().Find(dialog);
    if (owner == nullptr) {
        return FALSE;
    }
    owner->ended = true;
    owner->result = result;
    return TRUE;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC) {
    Dialog* dialog = vmterm::RunningDialogs().Find(window);
    if (dialog == nullptr) {
        return 0;
    }
    constexpr UINT SHORTEST_PERIOD_MS = 10;  // USER_TIMER_MINIMUM
    const UINT period = std::max(periodMs, SHORTEST_PERIOD_MS);
    // A timer set again restarts with its new period.
    std::erase_if(dialog->timers,
                  [&](const vmterm::DialogTimer& timer) { return timer.id == timerId; });
    dialog->timers.push_back(
        {timerId, period, vmterm::Clock::now() + std::chrono::milliseconds(period)});
    return timerId != 0 ? timerId : 1;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    Dialog* dialog = vmterm::RunningDialogs().Find(window);
    if (dialog == nullptr) {
        return FALSE;
    }
    return std::erase_if(dialog->timers,
                         [&](const vmterm::DialogTimer& timer) { return timer.id == timerId; }) != 0
               ? TRUE
               : FALSE;
}

}  // namespace ui

// The terminal's stand-in for a dialog box: its controls with their texts, visibility and
// progress state, its title, timers and posted messages, and the table of live dialogs that
// turns a window handle back into a dialog or control. Handles are the addresses of these
// objects; an unknown handle is only ever compared, never followed.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "progress_bar.h"
#include "win32_types.h"

namespace vmterm {

using Clock = std::chrono::steady_clock;

enum class ControlKind { Button, Edit, MultiLineEdit, Static, Progress };

struct Control {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;  // the control's bytes as set or typed
    bool visible = true;
    ProgressState progress;
};

struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct DialogTimer {
    UINT_PTR id;
    UINT periodMs;
    Clock::time_point due;
};

struct Dialog {
    int templateId = 0;
    DLGPROC procedure = nullptr;
    std::string title;
    bool visible = false;  // shown once initialisation has returned
    bool ended = false;
    INT_PTR result = 0;
    HWND focus = nullptr;
    std::vector<Control> controls;  // fixed once built, so their addresses stay valid
    std::vector<DialogTimer> timers;
    std::deque<PostedMessage> posted;

    HWND Handle() { return reinterpret_cast<HWND>(this); }
    Control* Find(int controlId);
};

inline HWND HandleOf(Control& control) {
    return reinterpret_cast<HWND>(&control);
}

// A dialog built from the template `templateId` (IDD_TARGET or IDD_MONITOR), with the
// template's caption, controls and their initial texts and visibility; nothing for others.
std::unique_ptr<Dialog> CreateDialogFromTemplate(int templateId, DLGPROC procedure);

// Makes the dialog's handle and its controls' handles known while it runs.
void RegisterDialog(Dialog& dialog);
void UnregisterDialog(Dialog& dialog);
Dialog* DialogFromHandle(HWND window);
// The control behind `window`, with the dialog that owns it in `owner`; nothing when unknown.
Control* ControlFromHandle(HWND window, Dialog** owner);

// Calls the dialog's procedure with one message and returns its result.
LRESULT Deliver(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Delivers WM_COMMAND for `commandId` as a click or menu choice would (notification 0).
void DeliverCommand(Dialog& dialog, int commandId);

// Sets a control's text. A single-line edit then notifies its dialog with EN_UPDATE and
// EN_CHANGE, as the platform's edit control does when its text is set or typed.
void SetControlText(Dialog& dialog, Control& control, std::string_view text);

// The template's command id that Enter triggers: its default push button.
int DefaultButtonId(const Dialog& dialog);

}  // namespace vmterm

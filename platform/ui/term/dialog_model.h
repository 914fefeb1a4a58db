// The terminal's dialog box, built from a dialog template (platform/ui/dialog_template.h): the
// controls in template order with their class, text, visibility, progress-bar state and typing
// limit; the title, timers and posted messages. Handles are the addresses of these objects and
// are resolved only through the table of running dialogs, never followed blindly.
#pragma once

#include <chrono>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/posix/live_dialogs.h"
#include "platform/ui/posix/progress_state.h"
#include "win32_types.h"

namespace vmterm {

using Clock = std::chrono::steady_clock;

enum class ControlKind {
    PushButton,
    DefaultButton,
    GroupBox,
    Edit,
    MultiLineEdit,
    Static,
    Progress
};

struct Control {
    const tmpl::ControlTemplate* source = nullptr;
    ControlKind kind = ControlKind::Static;
    std::string text;  // the bytes as set or typed
    bool visible = false;
    posixui::ProgressState progress;
    std::size_t limit = 0;  // EM_LIMITTEXT: the most bytes typing may leave; 0 for no limit

    HWND Handle() { return reinterpret_cast<HWND>(this); }
    bool IsButton() const { return kind == ControlKind::PushButton || IsDefault(); }
    bool IsDefault() const { return kind == ControlKind::DefaultButton; }
    bool IsEdit() const { return kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit; }
    // A static whose text lines up against the control to its right.
    bool IsLabel() const;
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
    Dialog(const tmpl::DialogTemplate& from, DLGPROC dialogProcedure);

    DLGPROC procedure;
    std::string title;
    bool visible = false;  // shown once initialisation has returned
    bool ended = false;
    INT_PTR result = 0;
    HWND focus = nullptr;
    std::vector<Control> controls;  // template order; fixed once built, so addresses stay
    std::vector<DialogTimer> timers;
    std::deque<PostedMessage> posted;

    HWND Handle() { return reinterpret_cast<HWND>(this); }
    Control* Find(int controlId);
    Control* ControlOf(HWND handle);
    // The template's default push button, which Enter presses; nullptr when it has none.
    Control* DefaultButton();
    // Where typing goes: the edit with the focus, else the first single-line edit; never a
    // read-only one.
    Control* EntryField();
    // The first control that passes `test`, or nullptr.
    template <typename Test>
    Control* First(Test test) {
        for (Control& control : controls) {
            if (test(control)) {
                return &control;
            }
        }
        return nullptr;
    }
};

posixui::LiveDialogs<Dialog>& RunningDialogs();

// Calls the dialog's procedure with one message and returns its result.
LRESULT Deliver(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam);
// WM_COMMAND for `commandId` as a click, a key or a menu choice gives it (notification 0).
void DeliverCommand(Dialog& dialog, int commandId);

// Sets a control's text. An edit then notifies its dialog with EN_UPDATE and EN_CHANGE, as
// the platform's edit controls do when their text is set or typed.
void SetControlText(Dialog& dialog, Control& control, std::string_view text);

// The message loops behind DialogBoxParamA, entered once WM_INITDIALOG has been handled; each
// returns when the dialog has ended (or cannot go on). A dialog that started a timer in its
// initialisation, or that opens while a live window runs, is a live window; any other is a
// form to fill in.
// A form: its entry field asked for on the terminal line by line (or read from a piped
// input); Enter presses the default button, Esc sends IDCANCEL. When the input ends, the
// entry so far is taken.
void RunForm(Dialog& dialog);

// A live window: drawn on the full screen and redrawn as it changes, its timers, keys and
// tray activity delivered as messages; in once mode printed a single time and then closed
// with IDCANCEL. One opened while another runs is drawn in its place until it ends, and the
// timers and posted messages of every running dialog are delivered meanwhile.
void RunLiveWindow(Dialog& dialog);
// Whether a live window is running (on the terminal, not in once mode).
bool LiveWindowRunning();

// Lets the user pick an item of a popup menu in the running live window; the chosen item's
// identifier, or 0 when none was chosen (Esc, or no keyboard to ask).
int ChooseMenuItem(std::span<const tmpl::MenuItemTemplate> items);

}  // namespace vmterm

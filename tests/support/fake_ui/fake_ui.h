// A recording implementation of the UI seam for tests. Every ui:: call is appended to a log
// with its arguments, in order; the fake also keeps what a real window system would keep
// (control texts, visibility, titles, progress bars, timers, the tray icon, focus, live menus)
// so tests can read the state that the dialog procedures leave behind. Results that come from
// the user (popup-menu choice, cursor position, what a modal dialog does) are scripted.
//
// Handles are fake but stable and readable: a dialog run from template T is "dlgT", control C
// of a dialog is "ctlC", icon I is "iconI"; the log's text form uses these names.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32_types.h"

namespace fakeui {

// One recorded call. `text` is the function's text argument (if any); `ints` holds its other
// arguments as numbers in call order; `record` is a copy of the tray record for
// Shell_NotifyIconA. `ToString()` gives e.g. SetDlgItemTextA(dlg201, 3002, "Unreachable:").
struct Call {
    std::string function;
    HWND window = nullptr;  // the window or dialog the call addresses, if any
    std::vector<long long> ints;
    std::string text;
    std::string text2;  // a second text (MessageBoxA's caption)
    DLGPROC procedure = nullptr;
    NOTIFYICONDATAA record{};
    std::string description;
    const std::string& ToString() const { return description; }
};

// A progress bar as the common control keeps it (platform/ui/posix/progress_state.h).
struct ProgressBar {
    long long minimum = 0;
    long long maximum = 100;
    long long position = 0;  // as sent
    long long step = 10;
    long long color = -1;  // CLR_DEFAULT until PBM_SETBARCOLOR
};

inline constexpr UINT_PTR INSTANCE_VALUE = 0x4000;

// Forgets every call, every kept state and every script.
void Reset();

// The stable handles the fake hands out.
HWND DialogHandle(int templateId);
HWND ControlHandle(HWND dialog, int controlId);
HICON IconHandle(int iconId);
HINSTANCE Instance();

// Makes `procedure` the procedure of `dialog`, as a running dialog would have it, so that
// SendMessageA, posted commands and edit notifications reach it. Use when a test drives a
// dialog procedure directly instead of through DialogBoxParamA.
void AttachProcedure(HWND dialog, DLGPROC procedure);

// Delivers messages that were posted (a popup menu's chosen command) to their dialogs.
void DeliverPosted();

// The log.
const std::vector<Call>& Calls();
std::vector<std::string> CallStrings();
// Only the calls to `function`.
std::vector<Call> CallsTo(const std::string& function);
std::vector<std::string> CallStringsOf(const std::string& function);
void ClearCalls();
// Turns the log off (and on again): the kept state is still updated. For benchmarks, where
// the log would only grow.
void SetLogging(bool on);
// Adds an entry of the test's own (e.g. "ProbeTarget") so that calls into the rest of the
// program can be ordered against the UI calls.
void Note(const std::string& what);

// Kept state.
std::string ControlText(HWND dialog, int controlId);
void SetControlText(HWND dialog, int controlId, const std::string& text);  // as the user types
bool IsVisible(HWND window);
void SetVisible(HWND window, bool visible);
std::string WindowTitle(HWND window);
ProgressBar Progress(HWND dialog, int controlId);
std::map<UINT_PTR, UINT> Timers(HWND window);  // timer id -> period
HWND Focus();
int LiveMenus();  // menus loaded and not destroyed
// The tray icon as the Shell would hold it after the adds, modifies and deletes so far.
std::optional<NOTIFYICONDATAA> TrayIcon(HWND window, UINT id);
// The results given to EndDialog, by dialog.
std::optional<INT_PTR> EndResult(HWND dialog);

// Scripts.
void SetCursor(POINT point);
// The command TrackPopupMenu posts to its owner (0: the menu is dismissed).
void SetMenuChoice(int command);
// Called by DialogBoxParamA after WM_INITDIALOG has been handled: plays the user's part.
// Without a driver the dialog ends only if its own procedure ends it. DialogBoxParamA returns
// EndDialog's result, or -1 when the dialog was never ended.
using Driver = std::function<void(HWND dialog, DLGPROC procedure)>;
void SetDriver(int templateId, Driver driver);
// When on, SetDlgItemTextA on these controls sends the dialog WM_COMMAND with EN_CHANGE (0x300)
// at once, as edit controls do while their text is set.
void NotifyChangesOf(std::vector<int> controlIds);
// Called after every SetDlgItemTextA has been recorded, e.g. to change the world between two
// deliveries of a poll cycle.
using TextHook = std::function<void(HWND dialog, int controlId, const std::string& text)>;
void SetTextHook(TextHook hook);

}  // namespace fakeui

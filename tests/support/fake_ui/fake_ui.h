// A fake of the UI seam for the core's tests: it keeps what a window system would hold after
// the calls so far (each dialog's control texts, typing limits, visibility, title, progress
// bars, timers, end result and the state last reported; the tray icons) for tests to read. What
// the user does (typing, the cursor, a menu choice, the part played in a modal dialog) is
// scripted. Dialogs are known by template id; a handle names the dialog or one of its controls.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/posix/progress_state.h"
#include "platform/ui/tray_record.h"

namespace fakeui {

struct Dialog {
    DLGPROC procedure = nullptr;  // while it runs; a test that drives a procedure sets it
    std::map<int, std::string> texts;
    std::map<int, WPARAM> limits;  // EM_LIMITTEXT
    std::map<int, bool> shown;     // controls ShowWindow addressed
    bool visible = false;
    std::string title;
    std::map<int, posixui::ProgressState> bars;
    std::map<UINT_PTR, UINT> timers;  // id -> period
    std::optional<INT_PTR> ended;
    std::string reported = "-";  // after ReportMonitorState: "answered" or the reason
    HWND focus = nullptr;
};

struct World {
    std::map<int, Dialog> dialogs;
    std::vector<int> ran;  // the templates DialogBoxParamA ran, in order
    ui::TrayRecords tray;
    std::vector<std::pair<DWORD, NOTIFYICONDATAA>> trayCalls;  // every Shell_NotifyIconA, in order
    std::string messageBox;  // "caption|text|type" of the last one
    POINT cursor{0, 0};
    int menuChoice = 0;  // what the user picks from a popup menu (0: dismissed)
    std::string popup;   // the last popup menu: "x,y flags"
    int liveMenus = 0;   // loaded and not destroyed
    HWND foreground = nullptr;
    std::vector<std::pair<HWND, WPARAM>> posted;  // commands waiting for DeliverPosted
    // Plays the user's part in a modal dialog once WM_INITDIALOG has been handled.
    std::map<int, std::function<void(HWND)>> drivers;
    // Called after each SetDlgItemTextA, e.g. to change the world within a poll cycle.
    std::function<void(int control, const std::string& text)> onText;
};

World& W();
void Reset();
HWND DialogHandle(int templateId);
HWND ControlHandle(HWND dialog, int controlId);
HICON IconHandle(int iconId);
// Delivers the commands posted so far (a popup menu's choice) to their dialogs.
void DeliverPosted();

}  // namespace fakeui

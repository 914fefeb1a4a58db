// The UI seam on the terminal driven by dialog procedures of the test's own on a piped input:
// the target prompt, and the live window's translation of keys, tray clicks and the popup
// menu into the messages the program's procedures handle. The terminal itself (full screen,
// resize, Ctrl-C) is driven end to end in a real terminal (term_e2e_test.cpp).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"

namespace {

std::vector<std::string> g_seen;  // what the procedures saw, in order

// Output captured in a temporary file; input from a pipe written up front.
class TermIo {
  public:
    explicit TermIo(const std::string& input) : out_(std::tmpfile()) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(fds[1]);
        vmterm::Runtime() = vmterm::TermRuntime{};
        vmterm::Config().inputFd = in_ = fds[0];
        vmterm::Config().outputFd = vmterm::Config().errorFd = fileno(out_);
        vmterm::ClearTray();
        g_seen.clear();
    }
    ~TermIo() {
        close(in_);
        std::fclose(out_);
    }
    std::string Output() const {
        std::string text(static_cast<std::size_t>(lseek(fileno(out_), 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(fileno(out_), text.data(), text.size(), 0),
                  static_cast<ssize_t>(text.size()));
        return text;
    }

  private:
    int in_ = -1;
    std::FILE* out_;
};

std::string TextOf(HWND dialog, int id) {
    char text[128] = "#";
    ui::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ui::SendDlgItemMessageA(dialog, IDC_TARGET_EDIT, EM_LIMITTEXT, 30, 0);
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        // Buffers of no and of one character, and a control the dialog lacks.
        char text[4] = "#";
        const bool bounded = ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, 0) == 0 &&
                             text[0] == '#' &&
                             ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, 1) == 0 &&
                             text[0] == '\0' && TextOf(dialog, 4242).empty();
        g_seen.push_back((bounded ? "" : "unbounded ") + TextOf(dialog, IDC_TARGET_EDIT));
        ui::EndDialog(dialog, 0);
    }
    return FALSE;
}

TEST(TargetPrompt, ReadsALineFromAPipedInputAndRefusesOneTooLong) {
    const std::string tooLong(31, 'a');
    const struct {
        const char* name;
        std::string input;
        std::string seen;  // what the prompt's procedure read
        std::string left;  // what stays for the status window
    } cases[] = {
        {"a line, more after it", "printer.example:1161\nq", "printer.example:1161", "q"},
        {"spaces, quotes, CR LF", "with spaces  and \"quotes\"\r\n", "with spaces  and \"quotes\"",
         ""},
        {"too long, never taken cut", tooLong + "\nshort\n", "short", ""},
        {"too long, then the input ends: the entry so far", tooLong + "\n", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& [name, input, seen, left] = c;
        TermIo io(input);
        EXPECT_EQ(
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr, PromptProc, 0), 0);
        EXPECT_EQ(g_seen, std::vector{seen});
        EXPECT_EQ(vmterm::Runtime().unreadInput, left);
        EXPECT_EQ(io.Output().rfind("IP or HOST Name of Printer to Monitor: ", 0), 0u);
        EXPECT_EQ(io.Output().find("at most 30 characters") != std::string::npos,
                  input.starts_with(tooLong));
    }
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, PromptProc, 0), -1);
}

// A status window of the test's own: a fast timer, the tray icon with its menu, the update
// button shown and the entry limited as the program does; it notes what it is sent.
INT_PTR CALLBACK WindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    NOTIFYICONDATAA record{};
    record.hWnd = dialog;
    record.uID = 500;
    if (message == WM_INITDIALOG) {
        ui::SetTimer(dialog, 1, 20, nullptr);
        record.uFlags = NIF_MESSAGE | NIF_ICON;
        record.uCallbackMessage = WM_TRAYNOTIFY;
        ui::Shell_NotifyIconA(NIM_ADD, &record);
        ui::ShowWindow(ui::GetDlgItem(dialog, IDC_UPDATE_TARGET), SW_SHOWNORMAL);
        ui::SendDlgItemMessageA(dialog, IDC_PRIMARY, EM_LIMITTEXT, 10, 0);
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "old");
    } else if (message == WM_TRAYNOTIFY) {
        g_seen.push_back("tray " + std::to_string(lParam));
        if (lParam == WM_RBUTTONDOWN) {
            HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
            ui::TrackPopupMenu(ui::GetSubMenu(menu, 0), 0, 0, 0, 0, dialog, nullptr);
            ui::DestroyMenu(menu);
        }
    } else if (message == WM_COMMAND && HIWORD(wParam) == 0) {
        g_seen.push_back("command " + std::to_string(LOWORD(wParam)) + " " +
                         TextOf(dialog, IDC_PRIMARY));
        if (LOWORD(wParam) == IDCANCEL) {
            ui::KillTimer(dialog, 1);
            ui::Shell_NotifyIconA(NIM_DELETE, &record);
            ui::EndDialog(dialog, 7);
        }
    }
    return FALSE;
}

TEST(LiveWindow, KeysTrayClicksAndTheMenuBecomeMessages) {
    // Typing goes to the entry (refused past its limit) until Tab; Enter presses the default
    // button; t and m are the tray's double-click and right click; the menu's second item; q.
    TermIo io(
        "\x15typed-target-too-long\r\tt"
        "m2"
        "hq");
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, WindowProc, 0),
              7);
    const std::vector<std::string> expected = {
        "command 3001 typed-targ",  // Enter: the default button, with what was typed
        "tray 515",                 // t: WM_LBUTTONDBLCLK
        "tray 516",                 // m: WM_RBUTTONDOWN opens the menu ...
        "command 204 typed-targ",   // ... and its item 2 arrives once the menu is closed
        "command 1000 typed-targ",  // h: the Hide button
        "command 2 typed-targ",     // q: IDCANCEL
    };
    EXPECT_EQ(g_seen, expected);
    EXPECT_NE(io.Output().find("Menu: 1 Show Vellumark  2 Hide Vellumark  3 Exit Vellumark  "
                               "4 Printer Details...  Esc closes"),
              std::string::npos)
        << io.Output();
}

}  // namespace

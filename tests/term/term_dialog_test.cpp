// The UI seam on the terminal driven by dialog procedures of the test's own on a piped input:
// the target prompt, and the live window's translation of keys, tray clicks and the popup
// menu into the messages the program's procedures handle. The terminal itself (full screen,
// resize, Ctrl-C) is driven end to end in a real terminal (term_e2e_test.cpp).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"

namespace {

std::vector<std::string> g_seen;  // what the procedures saw, in order

// Output captured in a temporary file; input from a pipe written up front, or typed while
// the window runs (Typing).
class TermIo {
  public:
    explicit TermIo(const std::string& input, bool keepTyping = false) : out_(std::tmpfile()) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        typing_ = fds[1];
        if (!keepTyping) {
            EndTyping();
        }
        vmterm::Runtime() = vmterm::TermRuntime{};
        vmterm::Config().inputFd = in_ = fds[0];
        vmterm::Config().outputFd = vmterm::Config().errorFd = fileno(out_);
        vmterm::ClearTray();
        g_seen.clear();
    }
    ~TermIo() {
        EndTyping();
        close(in_);
        std::fclose(out_);
    }
    int TypingFd() const { return typing_; }
    void EndTyping() {
        if (typing_ >= 0) {
            close(typing_);
            typing_ = -1;
        }
    }
    std::string Output() const {
        std::string text(static_cast<std::size_t>(lseek(fileno(out_), 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(fileno(out_), text.data(), text.size(), 0),
                  static_cast<ssize_t>(text.size()));
        return text;
    }

  private:
    int in_ = -1;
    int typing_ = -1;
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

// A status window and a details window of the test's own, opened over it by the program's
// key: the status window's timer refreshes the details while they are open, as the program's
// condition watcher does; Exit ends the details first, then the status window.
std::atomic<HWND> g_details{nullptr};
std::atomic<int> g_refreshes{0};
std::atomic<bool> g_detailsClosed{false};

INT_PTR CALLBACK DetailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        g_details = dialog;
        ui::SetWindowTextA(dialog, "Printer Details");
        g_seen.push_back("details init");
    } else if (message == WM_CONDITION_READ) {
        ++g_refreshes;
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        g_seen.push_back("details 2");
        ui::EndDialog(dialog, 3);
    }
    return FALSE;
}

INT_PTR CALLBACK StatusProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    NOTIFYICONDATAA record{};
    record.hWnd = dialog;
    record.uID = 500;
    if (message == WM_INITDIALOG) {
        ui::SetTimer(dialog, 1, 20, nullptr);
        record.uFlags = NIF_MESSAGE;
        record.uCallbackMessage = WM_TRAYNOTIFY;
        ui::Shell_NotifyIconA(NIM_ADD, &record);
        ui::SetWindowTextA(dialog, "Status");
    } else if (message == WM_TIMER && g_details != nullptr) {
        ui::SendMessageA(g_details, WM_CONDITION_READ, 0, 0);
    } else if (message == WM_TRAYNOTIFY && lParam == WM_RBUTTONDOWN) {
        g_seen.push_back("tray " + std::to_string(lParam));
        HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
        ui::TrackPopupMenu(ui::GetSubMenu(menu, 0), 0, 0, 0, 0, dialog, nullptr);
        ui::DestroyMenu(menu);
    } else if (message == WM_COMMAND) {
        g_seen.push_back("command " + std::to_string(LOWORD(wParam)));
        if (LOWORD(wParam) == IDM_DETAILS && g_details == nullptr) {
            const INT_PTR result = ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR),
                                                       nullptr, DetailsProc, 0);
            g_details = nullptr;
            g_detailsClosed = true;
            g_seen.push_back("details returned " + std::to_string(result));
        } else if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDM_EXIT) {
            if (g_details != nullptr) {
                ui::EndDialog(g_details, 5);
            }
            ui::KillTimer(dialog, 1);
            ui::Shell_NotifyIconA(NIM_DELETE, &record);
            ui::EndDialog(dialog, 7);
        }
    }
    return FALSE;
}

// Keys typed from a thread of the test's own, each batch once its condition holds (or 5 s have
// passed: the test then ends and says what did not happen).
struct Step {
    std::function<bool()> ready;
    std::string keys;
};

void TypeSteps(TermIo& io, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!step.ready() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(write(io.TypingFd(), step.keys.data(), step.keys.size()),
                  static_cast<ssize_t>(step.keys.size()));
    }
    io.EndTyping();
}

TEST(NestedWindow, RunsOverTheStatusWindowWhoseTimersAndMenuGoOn) {
    const auto now = [] { return true; };
    const auto refreshed = [] { return g_refreshes >= 3; };
    const auto closed = [] { return g_detailsClosed.load(); };
    const struct {
        const char* name;
        std::vector<Step> steps;
        INT_PTR result;  // the status window's
        std::vector<std::string> seen;
    } cases[] = {
        {"d again reaches the status window, Esc closes the details, q exits",
         {{now, "d"}, {refreshed, "d\x1b"}, {closed, "q"}},
         7,
         {"command 206", "details init", "command 206", "details 2", "details returned 3",
          "command 2"}},
        {"Exit from the status window's tray menu ends the details first",
         {{now, "d"}, {refreshed, "m3"}},
         7,
         {"command 206", "details init", "tray 516", "command 205", "details returned 5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TermIo io("", true);
        vmterm::Config().commandKeys = {{'d', IDM_DETAILS, "Details"}};
        g_details = nullptr;
        g_refreshes = 0;
        g_detailsClosed = false;
        std::thread typist(TypeSteps, std::ref(io), std::cref(c.steps));
        const INT_PTR result =
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, StatusProc, 0);
        typist.join();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(g_seen, c.seen);
        EXPECT_GE(g_refreshes, 3) << "the status window's timer stopped under the details";

        // Each window drawn with its keys: the details over the status window, then the status
        // window again.
        const std::string out = io.Output();
        const std::size_t details = out.find("== Printer Details ==\n");
        ASSERT_NE(details, std::string::npos) << out;
        const std::string block = out.substr(details, out.find("Keys:", details) - details);
        EXPECT_EQ(out.compare(details + block.size(), 24, "Keys: h Hide  Esc Close\n"), 0) << out;
        EXPECT_EQ(block.find("Tray:"), std::string::npos) << "the details have no tray";
        EXPECT_LT(out.find("Keys: h Hide  d Details  m Menu  q Exit\n"), details) << out;
        if (c.result == 7 && c.seen.back() == "command 2") {
            EXPECT_GT(out.rfind("== Status ==\n"), details) << out;
        }
    }
}

// The balloon the tray icon is added with stays a notice; each later one is an alert: "! "
// lines, and the bell once per alert with --bell.
int g_ticks = 0;
const std::vector<std::string>* g_alerts = nullptr;

INT_PTR CALLBACK AlertingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    NOTIFYICONDATAA record{};
    record.hWnd = dialog;
    record.uID = 500;
    record.uFlags = NIF_INFO;
    std::strcpy(record.szInfoTitle, "Lab Monitor");
    if (message == WM_INITDIALOG) {
        g_ticks = 0;
        ui::SetTimer(dialog, 1, 20, nullptr);
        std::strcpy(record.szInfo, "By Quillfen");
        ui::Shell_NotifyIconA(NIM_ADD, &record);
        ui::SetWindowTextA(dialog, "Status");
    } else if (message == WM_TIMER) {
        const auto tick = static_cast<std::size_t>(++g_ticks);
        if (tick >= 2 && tick - 2 < g_alerts->size()) {
            ui::lstrcpynA(record.szInfo, (*g_alerts)[tick - 2].c_str(), sizeof record.szInfo);
            ui::Shell_NotifyIconA(NIM_MODIFY, &record);
        } else if (tick > g_alerts->size() + 3) {
            ui::Shell_NotifyIconA(NIM_DELETE, &record);
            ui::EndDialog(dialog, 0);
        }
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ui::EndDialog(dialog, 0);
    }
    return FALSE;
}

TEST(LiveWindow, AlertsAreLinesOfTheirOwnAndRingTheBellOnce) {
    const struct {
        const char* name;
        bool bell;
        std::vector<std::string> alerts;
        std::vector<std::string> shown;  // blocks of lines the output holds
        std::size_t bells;
    } cases[] = {
        {"no bell without the option", false, {"Paper jam"}, {"== Status ==\n! Paper jam\n"}, 0},
        {"one alert of two lines",
         true,
         {"Paper jam\r\nToner low: Yellow Toner 5%"},
         {"== Status ==\n! Paper jam\n! Toner low: Yellow Toner 5%\n"},
         1},
        {"two alerts, the later in place of the earlier",
         true,
         {"Paper jam", "Cleared: paper jam"},
         {"== Status ==\n! Paper jam\n", "== Status ==\n! Cleared: paper jam\n   "},
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TermIo io("");
        vmterm::Config().bell = c.bell;
        g_alerts = &c.alerts;
        EXPECT_EQ(
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, AlertingProc, 0),
            0);
        const std::string out = io.Output();
        EXPECT_NE(out.find("Notification: Lab Monitor: By Quillfen\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("! By Quillfen"), std::string::npos) << out;
        for (const std::string& block : c.shown) {
            EXPECT_NE(out.find(block), std::string::npos) << block << "\nin\n" << out;
        }
        EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(out, '\a')), c.bells) << out;
    }
}

}  // namespace

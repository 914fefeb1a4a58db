// The UI seam on the terminal, driven by small dialog procedures of the tests' own: control
// texts and visibility, timers, tray records, the target prompt and the status window's keys
// on a piped input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "shell/resources/resource.h"
#include "term_runtime.h"
#include "tray.h"

namespace {

std::vector<WORD> g_commands;
std::string g_readTarget;
std::vector<std::string> g_failures;

// Output captured in a temporary file; input from a pipe written up front.
class TermIo {
  public:
    explicit TermIo(const std::string& input) {
        std::FILE* file = std::tmpfile();
        out_ = dup(fileno(file));
        std::fclose(file);
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(fds[1]);
        in_ = fds[0];
        vmterm::Config() = vmterm::TermConfig{};
        vmterm::Config().inputFd = in_;
        vmterm::Config().outputFd = vmterm::Config().errorFd = out_;
        vmterm::UnreadInput().clear();
        vmterm::ClearTray();
        g_commands.clear();
        g_readTarget.clear();
        g_failures.clear();
    }
    ~TermIo() {
        close(in_);
        close(out_);
    }

    std::string Output() const {
        std::string text(static_cast<std::size_t>(lseek(out_, 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(out_, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
        return text;
    }

  private:
    int in_ = -1;
    int out_ = -1;
};

NOTIFYICONDATAA Record(HWND dialog) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = dialog;
    record.uID = 500;
    return record;
}

// A status window procedure shaped like the program's: tray icon, texts, commands.
INT_PTR CALLBACK MonitorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    NOTIFYICONDATAA record = Record(dialog);
    if (message == WM_INITDIALOG) {
        record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        record.uCallbackMessage = WM_USER + 210;
        record.hIcon = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE));
        std::strcpy(record.szTip, "Lab Printer Monitor");
        ui::Shell_NotifyIconA(NIM_ADD, &record);
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
        ui::SetWindowTextA(dialog, "Lab Printer Monitor");
    } else if (message == WM_COMMAND && HIWORD(wParam) == 0) {
        const WORD id = LOWORD(wParam);
        g_commands.push_back(id);
        if (id == IDCANCEL || id == IDM_EXIT) {
            ui::Shell_NotifyIconA(NIM_DELETE, &record);
            ui::EndDialog(dialog, 0);
        } else if (id == IDC_HIDE || id == IDM_SHOW) {
            ui::ShowWindow(dialog, id == IDC_HIDE ? SW_HIDE : SW_SHOWNORMAL);
        } else if (id == IDC_UPDATE_TARGET &&
                   !ui::ShowWindow(ui::GetDlgItem(dialog, IDC_UPDATE_TARGET), SW_SHOWNORMAL)) {
            // First press: the unreachable display; later presses read the entry.
            ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Unreachable:");
        } else if (id == IDC_UPDATE_TARGET) {
            char text[64];
            ui::GetDlgItemTextA(dialog, IDC_PRIMARY, text, sizeof text);
            g_readTarget = text;
        }
    } else if (message == WM_USER + 210 && lParam == WM_RBUTTONDOWN) {
        HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
        ui::TrackPopupMenu(ui::GetSubMenu(menu, 0), 0x28, 0, 0, 0, dialog, nullptr);
        ui::DestroyMenu(menu);
    }
    return FALSE;
}

#define CHECK_IN_PROC(condition)          \
    if (!(condition)) {                   \
        g_failures.push_back(#condition); \
    }

// Checks control operations while its dialog is live, then ends it.
INT_PTR CALLBACK ControlsProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY, std::string(100, 'x').c_str());
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 64) == 63);
    CHECK_IN_PROC(std::string(buffer) == std::string(63, 'x') && buffer[64] == '#');
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 1) == 0 && buffer[0] == '\0');
    buffer[0] = '#';
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 0) == 0 && buffer[0] == '#');
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, 4242, buffer, 8) == 0 && buffer[0] == '\0');

    // ShowWindow answers whether the window was visible before.
    HWND update = ui::GetDlgItem(dialog, IDC_UPDATE_TARGET);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_SHOWNORMAL) == FALSE);  // hidden in the template
    CHECK_IN_PROC(ui::ShowWindow(update, SW_SHOWNORMAL) == TRUE);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_HIDE) == TRUE);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_HIDE) == FALSE);

    // A second SetTimer with the same id replaces it; KillTimer twice fails once.
    CHECK_IN_PROC(ui::SetTimer(dialog, 7, 1000, nullptr) == 7);
    CHECK_IN_PROC(ui::SetTimer(dialog, 7, 2000, nullptr) == 7);
    CHECK_IN_PROC(ui::KillTimer(dialog, 7) == TRUE);
    CHECK_IN_PROC(ui::KillTimer(dialog, 7) == FALSE);
    ui::EndDialog(dialog, 42);
    return FALSE;
}

TEST(Controls, TextsVisibilityAndTimersBehaveAsThePlatformsDo) {
    TermIo io("");
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, ControlsProc, 0),
              42);
    EXPECT_EQ(g_failures, std::vector<std::string>{});
    EXPECT_EQ(io.Output(), "");  // ended during initialisation: nothing drawn
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, ControlsProc, 0), -1);
}

TEST(Tray, RecordsAreKeptPerIconAndReadWithinTheirFields) {
    TermIo io("");
    HWND window = reinterpret_cast<HWND>(&io);
    NOTIFYICONDATAA record = Record(window);
    record.uFlags = NIF_ICON | NIF_TIP;
    record.hIcon = vmterm::OfflineIcon();
    std::memset(record.szTip, 'T', sizeof record.szTip);  // no terminator in the field
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_MODIFY, &record), FALSE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_ADD, &record), TRUE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_ADD, &record), FALSE);

    NOTIFYICONDATAA modify = Record(window);
    modify.uFlags = NIF_ICON;  // the tip is not named, so it stays
    modify.hIcon = vmterm::OnlineIcon();
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_MODIFY, &modify), TRUE);
    EXPECT_EQ(vmterm::KindOfIcon(vmterm::TrayIconOf(window)->icon), vmterm::IconKind::Online);
    EXPECT_EQ(vmterm::TrayIconOf(window)->tip, std::string(sizeof record.szTip, 'T'));
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_DELETE, &modify), TRUE);
    EXPECT_FALSE(vmterm::TrayIconOf(window).has_value());
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        char text[64];
        ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, sizeof text);
        g_readTarget = text;
        ui::EndDialog(dialog, 0);
    }
    return FALSE;
}

TEST(TargetPrompt, ReadsOneLineFromAPipedInput) {
    const struct {
        std::string input;
        std::string target;
        std::string left;  // what stays for the status window
    } cases[] = {
        {"printer.example:1161\nq", "printer.example:1161", "q"},
        {"with spaces  and \"quotes\"\r\n", "with spaces  and \"quotes\"", ""},
        {"", "", ""},
        {std::string(100, 'a') + "\n", std::string(63, 'a'), ""},
    };
    for (const auto& c : cases) {
        TermIo io(c.input);
        EXPECT_EQ(
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr, PromptProc, 0), 0);
        EXPECT_EQ(g_readTarget, c.target);
        EXPECT_EQ(vmterm::UnreadInput(), c.left);
        EXPECT_EQ(io.Output().rfind("IP or HOST Name of Printer to Monitor: ", 0), 0u);
    }
}

TEST(StatusWindow, KeysBecomeCommandsAndTheEntryFieldTakesTyping) {
    // h: Hide; s: Show; u: Update Target (shows the entry); typing edits the entry; Enter
    // adopts it; Tab back to keys; m: tray menu, 3: its Exit.
    TermIo io("hsu\x15new-host\x7fT\r\tzm3");
    ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 0);
    const std::vector<WORD> expected = {IDC_HIDE, IDM_SHOW, IDC_UPDATE_TARGET, IDC_UPDATE_TARGET,
                                        IDM_EXIT};
    EXPECT_EQ(g_commands, expected);
    EXPECT_EQ(g_readTarget, "new-hosT");
    const std::string out = io.Output();
    EXPECT_NE(out.find("[hidden: s Show, q Exit] Lab Printer Monitor"), std::string::npos) << out;
    EXPECT_NE(out.find("Unreachable: [new-hosT_]"), std::string::npos) << out;
    EXPECT_NE(out.find("Menu:  1 Show Vellumark  2 Hide Vellumark  3 Exit Vellumark"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << "no cursor movement on a plain output";
}

}  // namespace

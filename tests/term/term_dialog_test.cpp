// The UI seam on the terminal, driven by small dialog procedures of the tests' own: message
// order, control texts and visibility, tray records, menus, the once printout, the target
// prompt on a piped input, and the status window's keys and timer on a piped input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/ui.h"
#include "shell/resources/resource.h"
#include "term_runtime.h"
#include "tray.h"

namespace {

constexpr UINT kTrayMessage = WM_USER + 210;
constexpr UINT kTrayId = 500;

struct Received {
    UINT message;
    WORD low;
    WORD high;
    LPARAM lParam;
};

std::vector<Received> g_received;
int g_state = 0;
std::string g_readTarget;
std::atomic<int> g_ticks = 0;
BOOL g_shownDuringInit = TRUE;

// Output captured in a temporary file; input from a pipe written up front.
class TermIo {
  public:
    explicit TermIo(const std::string& input, bool once = false, bool json = false) {
        char path[] = "/tmp/vm-term-test-XXXXXX";
        out_ = mkstemp(path);
        unlink(path);
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(fds[1]);
        in_ = fds[0];
        vmterm::TermConfig& config = vmterm::Config();
        config = vmterm::TermConfig{};
        config.once = once;
        config.json = json;
        config.inputFd = in_;
        config.outputFd = out_;
        config.errorFd = out_;
        config.monitorState = [] { return std::optional<int>(g_state); };
        vmterm::UnreadInput().clear();
        vmterm::LastOnceOutcome() = {};
        vmterm::ClearTray();
        g_received.clear();
        g_readTarget.clear();
        g_ticks = 0;
        g_state = 0;
    }
    ~TermIo() {
        close(in_);
        close(out_);
    }
    TermIo(const TermIo&) = delete;
    TermIo& operator=(const TermIo&) = delete;

    std::string Output() const {
        std::string text;
        char buffer[4096];
        ssize_t count = 0;
        lseek(out_, 0, SEEK_SET);
        while ((count = read(out_, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
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
    record.uID = kTrayId;
    return record;
}

void Exit(HWND dialog) {
    ui::KillTimer(dialog, 1);
    NOTIFYICONDATAA record = Record(dialog);
    ui::Shell_NotifyIconA(NIM_DELETE, &record);
    ui::EndDialog(dialog, 0);
}

// A status window procedure shaped like the program's: tray add, timer, texts, toner.
INT_PTR CALLBACK MonitorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    g_received.push_back({message, LOWORD(wParam), HIWORD(wParam), lParam});
    NOTIFYICONDATAA record = Record(dialog);
    switch (message) {
        case WM_INITDIALOG:
            g_shownDuringInit = ui::ShowWindow(dialog, SW_SHOWNORMAL);
            ui::ShowWindow(dialog, SW_HIDE);  // a modal dialog is shown after init all the same
            record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
            record.uCallbackMessage = kTrayMessage;
            record.hIcon = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE));
            std::strcpy(record.szTip, "Lab \x1b[31mPrinter Monitor");
            std::strcpy(record.szInfoTitle, "Lab Printer Monitor");
            ui::lstrcpynA(record.szInfo, "By Quillfen", 64);
            record.uTimeout = 10000;
            ui::Shell_NotifyIconA(NIM_ADD, &record);
            ui::SetTimer(dialog, 1, 20, nullptr);
            ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
            ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Primary Status:");
            ui::SetDlgItemTextA(dialog, IDC_SECONDARY,
                                "Ready\r\nTray \x9b"
                                "2\r\n");
            ui::SetDlgItemTextA(dialog, IDC_PAGECOUNT, "48213");
            ui::SetDlgItemTextA(dialog, IDC_POWERON_COUNT, "212");
            ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETPOS, 62, 0);
            ui::SetWindowTextA(dialog, "Lab Printer Monitor");
            return FALSE;
        case WM_TIMER:
            ++g_ticks;
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL:
                case IDM_EXIT:
                    Exit(dialog);
                    break;
                case IDC_HIDE:
                    ui::ShowWindow(dialog, SW_HIDE);
                    break;
                case IDM_SHOW:
                    ui::ShowWindow(dialog, SW_SHOWNORMAL);
                    break;
                case IDC_UPDATE_TARGET: {
                    // First press: the unreachable display; later presses read the entry.
                    HWND button = ui::GetDlgItem(dialog, IDC_UPDATE_TARGET);
                    if (!ui::ShowWindow(button, SW_SHOWNORMAL)) {
                        ui::SetDlgItemTextA(dialog, IDC_PRIMARY_LABEL, "Unreachable:");
                        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "old");
                    } else {
                        char text[64];
                        ui::GetDlgItemTextA(dialog, IDC_PRIMARY, text, sizeof text);
                        g_readTarget = text;
                    }
                    break;
                }
                default:
                    break;
            }
            return FALSE;
        default:
            if (message == kTrayMessage && lParam == WM_RBUTTONDOWN) {
                HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
                ui::TrackPopupMenu(ui::GetSubMenu(menu, 0), 0x28, 0, 0, 0, dialog, nullptr);
                ui::DestroyMenu(menu);
            }
            return FALSE;
    }
}

std::vector<WORD> Commands() {
    std::vector<WORD> ids;
    for (const Received& r : g_received) {
        if (r.message == WM_COMMAND && r.high == 0) {
            ids.push_back(r.low);
        }
    }
    return ids;
}

TEST(OnceMode, PrintsTheFirstContentAsJsonAndExitsThroughCancel) {
    TermIo io("", true, true);
    const INT_PTR result =
        ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 5);
    EXPECT_EQ(result, 0);
    const std::string out = io.Output();
    EXPECT_EQ(out,
              "{\"title\":\"Lab Printer Monitor\",\"label\":\"Primary Status:\","
              "\"primary\":\"READY\",\"secondary\":[\"Ready\",\"Tray \\u009b2\"],"
              "\"toner\":{\"min\":0,\"max\":100,\"pos\":62,\"percent\":62},"
              "\"page_count\":\"48213\",\"power_on_count\":\"212\","
              "\"tray\":{\"icon\":\"online\",\"tip\":\"Lab \\u001b[31mPrinter Monitor\"},"
              "\"state\":\"ok\",\"update_target\":false,\"visible\":true}\n");
    ASSERT_FALSE(g_received.empty());
    EXPECT_EQ(g_received.front().message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(g_received.front().lParam, 5);
    EXPECT_EQ(g_received.back().message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(g_received.back().low, IDCANCEL);
    EXPECT_FALSE(g_shownDuringInit);  // not visible until initialisation returned
    EXPECT_FALSE(vmterm::TrayIconOf(nullptr).has_value());
    EXPECT_TRUE(vmterm::LastOnceOutcome().printed);
    EXPECT_EQ(vmterm::LastOnceOutcome().state, 0);
}

TEST(OnceMode, PlainTextHasNoEscapesAndRecordsTheState) {
    TermIo io("", true, false);
    g_state = 2;
    ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 0);
    const std::string out = io.Output();
    EXPECT_NE(out.find("     Primary Status: READY\n"), std::string::npos) << out;
    EXPECT_NE(out.find("                     Tray \xEF\xBF\xBD"
                       "2\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[############--------] 62%"), std::string::npos) << out;
    EXPECT_NE(out.find("Tray: online - Lab \xE2\x90\x9B[31mPrinter Monitor"), std::string::npos)
        << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
    EXPECT_EQ(vmterm::LastOnceOutcome().state, 2);
}

TEST(EditNotifications, SingleLineEditsNotifyOthersDoNot) {
    TermIo io("", true, false);
    ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 0);
    std::vector<std::pair<WORD, WORD>> notifications;
    for (const Received& r : g_received) {
        if (r.message == WM_COMMAND && r.high != 0) {
            notifications.emplace_back(r.low, r.high);
        }
    }
    // IDC_PRIMARY set once: EN_UPDATE then EN_CHANGE; the multi-line edit and statics: none.
    const std::vector<std::pair<WORD, WORD>> expected = {{IDC_PRIMARY, 0x0400},
                                                         {IDC_PRIMARY, 0x0300}};
    EXPECT_EQ(notifications, expected);
}

// A procedure that checks control operations while its dialog is live, then ends.
std::vector<std::string> g_failures;
#define CHECK_IN_PROC(condition)          \
    if (!(condition)) {                   \
        g_failures.push_back(#condition); \
    }

INT_PTR CALLBACK ControlsProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    const std::string longText(100, 'x');
    ui::SetDlgItemTextA(dialog, IDC_PRIMARY, longText.c_str());
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 64) == 63);
    CHECK_IN_PROC(std::string(buffer) == std::string(63, 'x'));
    CHECK_IN_PROC(buffer[64] == '#');
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 1) == 0 && buffer[0] == '\0');
    buffer[0] = '#';
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_PRIMARY, buffer, 0) == 0 && buffer[0] == '#');
    CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, 4242, buffer, 8) == 0 && buffer[0] == '\0');
    CHECK_IN_PROC(ui::SetDlgItemTextA(dialog, 4242, "x") == FALSE);

    HWND update = ui::GetDlgItem(dialog, IDC_UPDATE_TARGET);
    CHECK_IN_PROC(update != nullptr && update != dialog);
    CHECK_IN_PROC(ui::GetDlgItem(dialog, IDC_HIDE) != update);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_SHOWNORMAL) == FALSE);  // hidden in the template
    CHECK_IN_PROC(ui::ShowWindow(update, SW_SHOWNORMAL) == TRUE);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_HIDE) == TRUE);
    CHECK_IN_PROC(ui::ShowWindow(update, SW_HIDE) == FALSE);
    CHECK_IN_PROC(ui::ShowWindow(reinterpret_cast<HWND>(buffer), SW_SHOW) == FALSE);

    HWND edit = ui::GetDlgItem(dialog, IDC_PRIMARY);
    CHECK_IN_PROC(ui::SetFocus(edit) == nullptr);
    CHECK_IN_PROC(ui::SetFocus(update) == edit);

    // The toner bar answers through both ways of sending.
    HWND toner = ui::GetDlgItem(dialog, IDC_TONER);
    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETPOS, 40, 0);
    CHECK_IN_PROC(ui::SendMessageA(toner, PBM_GETPOS, 0, 0) == 40);
    CHECK_IN_PROC(ui::SendDlgItemMessageA(dialog, IDC_PRIMARY, PBM_GETPOS, 0, 0) == 0);

    // Timers: a second SetTimer with the same id replaces it; KillTimer twice fails once.
    CHECK_IN_PROC(ui::SetTimer(dialog, 7, 1000, nullptr) == 7);
    CHECK_IN_PROC(ui::SetTimer(dialog, 7, 2000, nullptr) == 7);
    CHECK_IN_PROC(ui::KillTimer(dialog, 7) == TRUE);
    CHECK_IN_PROC(ui::KillTimer(dialog, 7) == FALSE);
    CHECK_IN_PROC(ui::SetTimer(nullptr, 7, 1000, nullptr) == 0);

    // Icons and menus.
    HICON online = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE));
    HICON offline = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_OFFLINE));
    CHECK_IN_PROC(online != nullptr && offline != nullptr && online != offline);
    CHECK_IN_PROC(ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE)) == online);
    CHECK_IN_PROC(ui::LoadIconA(nullptr, MAKEINTRESOURCEA(999)) == nullptr);
    HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
    HMENU popup = ui::GetSubMenu(menu, 0);
    CHECK_IN_PROC(menu != nullptr && popup != nullptr && popup != menu);
    CHECK_IN_PROC(ui::GetSubMenu(menu, 1) == nullptr);
    CHECK_IN_PROC(ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(228)) == nullptr);
    CHECK_IN_PROC(ui::DestroyMenu(menu) == TRUE);
    CHECK_IN_PROC(ui::DestroyMenu(menu) == FALSE);
    CHECK_IN_PROC(ui::TrackPopupMenu(popup, 0, 0, 0, 0, dialog, nullptr) == FALSE);

    PAINTSTRUCT paint;
    CHECK_IN_PROC(ui::BeginPaint(dialog, &paint) != nullptr);
    CHECK_IN_PROC(ui::EndPaint(dialog, &paint) == TRUE);
    CHECK_IN_PROC(ui::EndDialog(reinterpret_cast<HWND>(buffer), 1) == FALSE);
    ui::EndDialog(dialog, 42);
    return FALSE;
}

TEST(Controls, TextsVisibilityTimersIconsAndMenusBehaveAsThePlatformsDo) {
    TermIo io("", true, false);
    g_failures.clear();
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, ControlsProc, 0),
              42);
    EXPECT_EQ(g_failures, std::vector<std::string>{});
    EXPECT_EQ(io.Output(), "");  // ended during initialisation: nothing printed
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, ControlsProc, 0), -1);
    EXPECT_EQ(ui::GetDlgItem(nullptr, IDC_PRIMARY), nullptr);
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
    auto icon = vmterm::TrayIconOf(window);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->tip, std::string(sizeof record.szTip, 'T'));
    EXPECT_EQ(vmterm::KindOfIcon(icon->icon), vmterm::IconKind::Offline);

    NOTIFYICONDATAA modify = Record(window);
    modify.uFlags = NIF_ICON;  // the tip is not named, so it stays
    modify.hIcon = vmterm::OnlineIcon();
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_MODIFY, &modify), TRUE);
    icon = vmterm::TrayIconOf(window);
    EXPECT_EQ(vmterm::KindOfIcon(icon->icon), vmterm::IconKind::Online);
    EXPECT_EQ(icon->tip.size(), sizeof record.szTip);
    EXPECT_FALSE(vmterm::ActiveBalloon(vmterm::Clock::now()).has_value());

    NOTIFYICONDATAA removal = Record(window);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_DELETE, &removal), TRUE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_DELETE, &removal), FALSE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_ADD, nullptr), FALSE);
    EXPECT_FALSE(vmterm::TrayIconOf(window).has_value());
}

TEST(Kernel, LstrcpynCopiesAtMostCountMinusOne) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ui::lstrcpynA(buffer, "By Quillfen", 5), buffer);
    EXPECT_STREQ(buffer, "By Q");
    std::memset(buffer, '#', sizeof buffer);
    ui::lstrcpynA(buffer, "abc", 0);
    EXPECT_EQ(buffer[0], '#');
    ui::lstrcpynA(buffer, "abc", 1);
    EXPECT_EQ(buffer[0], '\0');
    ui::lstrcpynA(buffer, "abc", 8);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(ui::lstrcpynA(nullptr, "abc", 8), nullptr);
}

TEST(MessageBox, PrintsCaptionAndTextOnTheErrorOutput) {
    TermIo io("");
    EXPECT_EQ(ui::MessageBoxA(nullptr, "Error: WinSock", "Fatal Error!", MB_OK | MB_ICONERROR),
              IDOK);
    EXPECT_EQ(io.Output(), "Fatal Error!: Error: WinSock\n");
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    g_received.push_back({message, LOWORD(wParam), HIWORD(wParam), 0});
    if (message == WM_INITDIALOG) {
        ui::SetFocus(ui::GetDlgItem(dialog, IDC_TARGET_EDIT));
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        char text[64];
        ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, sizeof text);
        g_readTarget = text;
        ui::EndDialog(dialog, 0);
    }
    return FALSE;
}

TEST(TargetPrompt, ReadsOneLineFromAPipedInput) {
    struct Case {
        std::string input;
        std::string target;
        std::string left;  // what stays for the next reader
    };
    const std::vector<Case> cases = {
        {"printer.example:1161\nq", "printer.example:1161", "q"},
        {"with spaces  and \"quotes\"\r\n", "with spaces  and \"quotes\"", ""},
        {"no line end", "no line end", ""},
        {"", "", ""},
        {std::string(100, 'a') + "\n", std::string(63, 'a'), ""},
    };
    for (const Case& c : cases) {
        TermIo io(c.input);
        EXPECT_EQ(
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr, PromptProc, 0), 0);
        EXPECT_EQ(g_readTarget, c.target);
        EXPECT_EQ(vmterm::UnreadInput(), c.left);
        EXPECT_EQ(io.Output().rfind("IP or HOST Name of Printer to Monitor: ", 0), 0u);
        ASSERT_FALSE(g_received.empty());
        EXPECT_EQ(g_received.front().message, static_cast<UINT>(WM_INITDIALOG));
    }
}

TEST(StatusWindow, KeysBecomeCommandsAndTheEntryFieldTakesTyping) {
    // h: Hide; s: Show; u: Update Target (shows the entry); typing edits the entry; Enter
    // adopts it; Tab back to keys; m: tray menu, 3: its Exit.
    TermIo io("hsu\x15new-host\x7fT\r\tzm3");
    ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 0);
    const std::vector<WORD> expected = {IDC_HIDE, IDM_SHOW, IDC_UPDATE_TARGET, IDC_UPDATE_TARGET,
                                        IDM_EXIT};
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(g_readTarget, "new-hosT");
    const std::string out = io.Output();
    EXPECT_NE(out.find("[hidden: s Show, q Exit] Lab Printer Monitor"), std::string::npos) << out;
    EXPECT_NE(out.find("Unreachable: [new-hosT_]"), std::string::npos) << out;
    EXPECT_NE(out.find("Menu:  1 Show Vellumark  2 Hide Vellumark  3 Exit Vellumark"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Notification: Lab Printer Monitor: By Quillfen"), std::string::npos);
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << "no cursor movement on a plain output";
    EXPECT_FALSE(vmterm::TrayIconOf(nullptr).has_value());
}

TEST(StatusWindow, TimerTicksUntilTheInputEndsWithEsc) {
    // The input is a pipe that stays open until the test closes it, so the loop waits on it
    // and on the 20 ms timer.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    TermIo io("");
    vmterm::Config().inputFd = fds[0];
    std::thread closer([&] {
        for (int waited = 0; g_ticks < 3 && waited < 5000; waited += 5) {
            usleep(5000);  // gives up after about five seconds; the check below then fails
        }
        EXPECT_EQ(write(fds[1], "\x1b", 1), 1);
        close(fds[1]);
    });
    ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorProc, 0);
    closer.join();
    close(fds[0]);
    EXPECT_GE(g_ticks, 3);
    for (const Received& r : g_received) {
        if (r.message == WM_TIMER) {
            EXPECT_EQ(r.low, 1);  // the timer's id in wParam
        }
    }
    EXPECT_EQ(Commands(), std::vector<WORD>{IDCANCEL});
}

}  // namespace

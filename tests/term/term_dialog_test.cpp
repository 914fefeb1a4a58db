// The UI seam on the terminal, driven by a small dialog procedure of the test's own on a piped
// input: the target prompt, control texts and tray records. The status window's keys are driven
// end to end in a real terminal (term_e2e_test.cpp).
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

std::string g_readTarget;
std::vector<std::string> g_failures;

// Output captured in a temporary file; input from a pipe written up front.
class TermIo {
  public:
    explicit TermIo(const std::string& input) : out_(std::tmpfile()) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(fds[1]);
        vmterm::Config() = vmterm::TermConfig{};
        vmterm::Config().inputFd = in_ = fds[0];
        vmterm::Config().outputFd = vmterm::Config().errorFd = fileno(out_);
        vmterm::UnreadInput().clear();
        vmterm::ClearTray();
        g_readTarget.clear();
        g_failures.clear();
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

TEST(Tray, RecordsAreKeptPerIconAndReadWithinTheirFields) {
    TermIo io("");
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = reinterpret_cast<HWND>(&io);
    record.uFlags = NIF_ICON | NIF_TIP;
    record.hIcon = vmterm::OfflineIcon();
    std::memset(record.szTip, 'T', sizeof record.szTip);  // no terminator in the field
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_MODIFY, &record), FALSE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_ADD, &record), TRUE);
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_ADD, &record), FALSE);
    record.uFlags = NIF_ICON;  // the tip is not named: the old one stays
    record.hIcon = vmterm::OnlineIcon();
    record.szTip[0] = '\0';
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_MODIFY, &record), TRUE);
    const vmterm::TrayIcon icon = vmterm::TrayIconOf(record.hWnd).value();
    EXPECT_EQ(vmterm::KindOfIcon(icon.icon), vmterm::IconKind::Online);
    EXPECT_EQ(icon.tip, std::string(sizeof record.szTip, 'T'));
    EXPECT_EQ(ui::Shell_NotifyIconA(NIM_DELETE, &record), TRUE);
    EXPECT_FALSE(vmterm::TrayIconOf(record.hWnd).has_value());
}

#define CHECK_IN_PROC(condition)          \
    if (!(condition)) {                   \
        g_failures.push_back(#condition); \
    }

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        // Buffers of no and of one character, and a control the dialog lacks.
        char text[64] = "#";
        CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, 0) == 0 && text[0] == '#');
        CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, 1) == 0 && text[0] == 0);
        text[0] = '#';
        CHECK_IN_PROC(ui::GetDlgItemTextA(dialog, 4242, text, 8) == 0 && text[0] == 0);
        ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, text, sizeof text);
        g_readTarget = text;
        ui::EndDialog(dialog, 0);
    }
    return FALSE;
}

TEST(TargetPrompt, ReadsOneLineFromAPipedInputWithinTheBuffer) {
    const struct {
        std::string input;
        std::string target;
        std::string left;  // what stays for the status window
    } cases[] = {
        {"printer.example:1161\nq", "printer.example:1161", "q"},
        {"with spaces  and \"quotes\"\r\n", "with spaces  and \"quotes\"", ""},
        {"", "", ""},
        {std::string(100, 'a') + "\n", std::string(63, 'a'), ""},  // cut to the buffer
    };
    for (const auto& c : cases) {
        TermIo io(c.input);
        EXPECT_EQ(
            ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr, PromptProc, 0), 0);
        EXPECT_EQ(g_readTarget, c.target);
        EXPECT_EQ(vmterm::UnreadInput(), c.left);
        EXPECT_EQ(io.Output().rfind("IP or HOST Name of Printer to Monitor: ", 0), 0u);
        EXPECT_EQ(g_failures, std::vector<std::string>{});
    }
    EXPECT_EQ(ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, PromptProc, 0), -1);
}

}  // namespace

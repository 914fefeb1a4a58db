// Start-up and the target prompt through the recording fake UI, with scripted probe, model
// query and poll cycle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/fake/fake_ui.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "tests/shell/scripted_core.h"
#include "text/bounded_text.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::Reset();
        g_hinstance = nullptr;
        BoundedCopy(g_target, TARGET_CHARS, "stale");
        BoundedCopy(g_community, COMMUNITY_CHARS, "stale");
        g_model[0] = '\0';
        g_title[0] = '\0';
        g_state = STATE_UNREACHABLE;
        g_icon_online = g_icon_offline = g_icon_current = nullptr;
        // The user types into the prompt and presses OK.
        fakeui::SetDriver(IDD_TARGET, [this](HWND dialog, DLGPROC procedure) {
            fakeui::SetControlText(dialog, IDC_TARGET_EDIT, promptEntry);
            procedure(dialog, WM_COMMAND, IDOK, 0);
        });
        // The status window: note the state its initialisation left, then close it.
        fakeui::SetDriver(IDD_MONITOR, [this](HWND dialog, DLGPROC procedure) {
            stateAtMonitor = g_state;
            procedure(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    }

    int Run(const std::string& commandLine) {
        std::vector<char> text(commandLine.begin(), commandLine.end());
        text.push_back('\0');
        const int result = WinMain(fakeui::Instance(), nullptr, text.data(), 1);
        EXPECT_EQ(std::string(text.data()), commandLine) << "the caller's text was changed";
        return result;
    }
    bool Prompted() {
        for (const fakeui::Call& call : fakeui::CallsTo("DialogBoxParamA")) {
            if (call.ints[0] == IDD_TARGET) {
                return true;
            }
        }
        return false;
    }

    std::string promptEntry = "prompted.host";
    int stateAtMonitor = -1;
};

TEST_F(StartupTest, CommandLineTable) {
    const std::string long70(70, 'x');
    const std::string long63(63, 'x');
    struct Case {
        std::string line;
        bool prompt;
        std::string target;
        std::string community;
    };
    const Case cases[] = {
        {"", true, "prompted.host", "orchid"},
        {"     ", true, "prompted.host", "orchid"},
        {"printer.lan", false, "printer.lan", "orchid"},
        {"  printer.lan    public  ", false, "printer.lan", "public"},
        {"10.0.0.5 private third fourth", false, "10.0.0.5", "private"},
        {long70, false, long63, "orchid"},
        {"p " + long70, false, "p", long63},
        {"printer\tpublic", false, "printer\tpublic", "orchid"},
        {"\"printer\" \"public\"", false, "\"printer\"", "\"public\""},
        {"\"my printer\"", false, "\"my", "printer\""},
        {"\t", false, "\t", "orchid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("command line [" + c.line + "]");
        SetUp();
        EXPECT_EQ(Run(c.line), 1);
        EXPECT_EQ(Prompted(), c.prompt);
        EXPECT_STREQ(g_target, c.target.c_str());
        EXPECT_STREQ(g_community, c.community.c_str());
        EXPECT_EQ(scripted::ProbedTargets(), std::vector<std::string>{c.target});
    }
}

TEST_F(StartupTest, PromptComesFirstAndTheWindowLast) {
    EXPECT_EQ(Run(""), 1);
    EXPECT_EQ(g_hinstance, fakeui::Instance());
    const std::vector<fakeui::Call> dialogs = fakeui::CallsTo("DialogBoxParamA");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].ToString(), "DialogBoxParamA(hinst, 202, 0, 0)");
    EXPECT_EQ(dialogs[0].procedure, &TargetDialogProc);
    EXPECT_EQ(dialogs[1].ToString(), "DialogBoxParamA(hinst, 201, 0, 5)");
    EXPECT_EQ(dialogs[1].procedure, &MonitorDialogProc);

    std::vector<std::string> order;
    for (const fakeui::Call& call : fakeui::Calls()) {
        if (call.function == "DialogBoxParamA" || call.function == "ProbeTarget" ||
            call.function == "LoadIconA" || call.function == "QueryPrinterModel" ||
            call.function == "MessageBoxA") {
            order.push_back(call.ToString());
        }
    }
    EXPECT_THAT(order, ElementsAre("DialogBoxParamA(hinst, 202, 0, 0)", "ProbeTarget",
                                   "LoadIconA(hinst, 100)", "LoadIconA(hinst, 101)",
                                   "QueryPrinterModel", "DialogBoxParamA(hinst, 201, 0, 5)"));
}

TEST_F(StartupTest, ProbeErrorIsFatal) {
    for (const std::string line : {"", "printer.lan"}) {
        SCOPED_TRACE("command line [" + line + "]");
        SetUp();
        scripted::QueueProbe(PROBE_ERROR);
        EXPECT_EQ(Run(line), 1);
        std::vector<std::string> seen;
        for (const fakeui::Call& call : fakeui::Calls()) {
            seen.push_back(call.ToString());
        }
        std::vector<std::string> expected;
        if (line.empty()) {
            // The prompt's own calls come first.
            expected = {"DialogBoxParamA(hinst, 202, 0, 0)", "GetDlgItem(dlg202, 3000)",
                        "SetFocus(ctl3000)", "GetDlgItemTextA(dlg202, 3000, 64)",
                        "EndDialog(dlg202, 0)"};
        }
        expected.push_back("ProbeTarget");
        expected.push_back("MessageBoxA(0, \"Error: WinSock\", \"Fatal Error!\", 16)");
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(scripted::ModelCalls(), 0);
        EXPECT_EQ(g_icon_online, nullptr);
        EXPECT_EQ(g_icon_offline, nullptr);
    }
}

TEST_F(StartupTest, TitleAndFirstIconFollowTheModelNotTheProbe) {
    using M = scripted::Model;
    struct Case {
        const char* name;
        int probe;
        M model;
        int state;
        const char* title;
        int icon;
    };
    const Case cases[] = {
        {"reply, model", PROBE_REPLY, M::Read, STATE_OK, "LaserJet 9000 Monitor", IDI_ONLINE},
        {"no reply, model", PROBE_NO_REPLY, M::Read, STATE_LOST, "LaserJet 9000 Monitor",
         IDI_ONLINE},
        {"reply, no model", PROBE_REPLY, M::NoSuchName, STATE_OK, "Quillfen - Printer Monitor",
         IDI_OFFLINE},
        {"reply, model lost", PROBE_REPLY, M::Lost, STATE_LOST, "Quillfen - Printer Monitor",
         IDI_OFFLINE},
        {"no reply, no model", PROBE_NO_REPLY, M::Lost, STATE_LOST, "Quillfen - Printer Monitor",
         IDI_OFFLINE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        scripted::QueueProbe(c.probe);
        scripted::QueueModel(c.model, "LaserJet 9000");
        EXPECT_EQ(Run("printer.lan"), 1);
        // The window's first tick runs inside its initialisation: it polls in STATE_OK and
        // turns STATE_LOST into the unreachable display.
        EXPECT_EQ(scripted::PollCalls(), c.state == STATE_OK ? 1 : 0);
        EXPECT_EQ(stateAtMonitor, c.state == STATE_OK ? STATE_OK : STATE_UNREACHABLE);
        EXPECT_STREQ(g_title, c.title);
        EXPECT_EQ(g_icon_online, fakeui::IconHandle(IDI_ONLINE));
        EXPECT_EQ(g_icon_offline, fakeui::IconHandle(IDI_OFFLINE));
        EXPECT_EQ(g_icon_current, fakeui::IconHandle(c.icon));
        // The window took them over: the first tray add and the caption.
        const std::vector<fakeui::Call> tray = fakeui::CallsTo("Shell_NotifyIconA");
        ASSERT_FALSE(tray.empty());
        EXPECT_EQ(tray[0].record.hIcon, fakeui::IconHandle(c.icon));
        EXPECT_EQ(fakeui::CallsTo("SetWindowTextA").at(0).text, c.title);
        // Start-up never shows the window's end as an error.
        EXPECT_THAT(fakeui::CallsTo("MessageBoxA"), IsEmpty());
    }
}

TEST_F(StartupTest, LongModelsAreCutInTheTitle) {
    const std::string model119(119, 'm');
    const std::string model120 = std::string(119, 'm') + "n";
    scripted::QueueModel(scripted::Model::Read, model119);
    Run("printer.lan");
    EXPECT_EQ(std::string(g_title), model119 + " Monitor");
    EXPECT_EQ(std::strlen(g_title), 127u);

    SetUp();
    scripted::QueueModel(scripted::Model::Read, model120);
    Run("printer.lan");
    EXPECT_EQ(std::string(g_title), model120 + " Monito");
    EXPECT_EQ(std::strlen(g_title), 127u);
}

TEST_F(StartupTest, PromptEntryIsTakenAsTyped) {
    const std::string long80(80, 'h');
    for (const std::string& entry : {std::string(""), std::string(" two words "), long80}) {
        SCOPED_TRACE("entry [" + entry + "]");
        SetUp();
        promptEntry = entry;
        Run("");
        EXPECT_STREQ(g_target, entry.substr(0, 63).c_str());
        EXPECT_STREQ(g_community, "orchid");
        EXPECT_EQ(scripted::ProbeCalls(), 1);  // an empty entry is probed all the same
    }
}

TEST_F(StartupTest, TargetDialogProcedure) {
    const HWND dialog = fakeui::DialogHandle(IDD_TARGET);
    EXPECT_EQ(TargetDialogProc(dialog, WM_INITDIALOG, 0, 0), FALSE);
    EXPECT_EQ(fakeui::Focus(), fakeui::ControlHandle(dialog, IDC_TARGET_EDIT));

    // Esc, the close box and Alt+F4 arrive as IDCANCEL and are ignored, as is anything else.
    fakeui::ClearCalls();
    fakeui::SetControlText(dialog, IDC_TARGET_EDIT, std::string(80, 'a') + "tail");
    EXPECT_EQ(TargetDialogProc(dialog, WM_COMMAND, IDCANCEL, 0), FALSE);
    EXPECT_EQ(TargetDialogProc(dialog, WM_TIMER, 1, 0), FALSE);
    EXPECT_EQ(TargetDialogProc(dialog, WM_COMMAND, IDC_TARGET_EDIT | (0x0300 << 16), 0), FALSE);
    EXPECT_THAT(fakeui::CallStrings(), IsEmpty());

    // OK, whatever its notification code, takes the first 63 characters and ends the prompt.
    EXPECT_EQ(TargetDialogProc(dialog, WM_COMMAND, IDOK | (1 << 16), 0), FALSE);
    EXPECT_THAT(fakeui::CallStrings(),
                ElementsAre("GetDlgItemTextA(dlg202, 3000, 64)", "EndDialog(dlg202, 0)"));
    EXPECT_EQ(std::string(g_target), std::string(63, 'a'));
}

}  // namespace

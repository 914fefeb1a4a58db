// The shell's logic over the recording fake UI, with scripted stand-ins for the probe, the
// model query and the poll cycle: start-up and the target prompt, then the status window's
// procedure driven message by message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "snmp/object_text.h"
#include "state/watched_target.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "text/bounded_text.h"

namespace scripted {

// The model query: Read sets g_model; NoSuchName fails and leaves g_state alone; Lost fails
// with g_state <- STATE_LOST, as a silent printer does.
enum class Model { Read, NoSuchName, Lost };
// The poll cycle: Answered writes "READY" into IDC_PRIMARY; Lost writes nothing and leaves
// g_state STATE_LOST.
enum class Poll { Answered, Lost };

struct Script {
    bool resolves = true;  // whether the target names an agent
    int probe = PROBE_REPLY;
    Model model = Model::Read;
    std::string modelText = "Scripted Model";
    Poll poll = Poll::Answered;
    int probeCalls = 0, modelCalls = 0, pollCalls = 0;
    int pollMisuses = 0;                           // polls outside STATE_OK or with a session open
    bool targetFits = true, communityFits = true;  // as the shell last set the target
};
Script S;

}  // namespace scripted

// The stand-ins, linked in place of the real ones; each call is noted in the fake UI's log so
// tests can order it against the UI calls. Like the real ones, they send nothing for a target
// that gave no usable agent, and say why a request went unanswered.
void SetWatchedTarget(bool targetFits, bool communityFits) {
    auto& s = scripted::S;
    s.targetFits = targetFits;
    s.communityFits = communityFits;
    g_agent.usable = targetFits && communityFits && s.resolves;
    g_reason = !targetFits      ? REASON_TARGET_TOO_LONG
               : !communityFits ? REASON_COMMUNITY_TOO_LONG
               : !s.resolves    ? REASON_NOT_RESOLVED
                                : g_reason;
}

int ProbeTarget() {
    ++scripted::S.probeCalls;
    fakeui::Note("ProbeTarget");
    return g_agent.usable || scripted::S.probe == PROBE_ERROR ? scripted::S.probe : PROBE_NO_REPLY;
}

bool QueryPrinterModel() {
    auto& s = scripted::S;
    ++s.modelCalls;
    fakeui::Note("QueryPrinterModel");
    if (!g_agent.usable) {
        return false;
    }
    if (s.model == scripted::Model::Read) {
        BoundedCopy(g_model, MODEL_CHARS, s.modelText.c_str());
    }
    if (s.model == scripted::Model::Lost) {
        g_state = STATE_LOST;
        g_reason = REASON_TIMEOUT;
    }
    return s.model == scripted::Model::Read;
}

void PollPrinterStatus(HWND dialog) {
    auto& s = scripted::S;
    ++s.pollCalls;
    s.pollMisuses += g_state != STATE_OK || g_session != nullptr ? 1 : 0;
    fakeui::Note("PollPrinterStatus");
    if (s.poll == scripted::Poll::Answered) {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
    } else {
        g_state = STATE_LOST;
        g_reason = REASON_TIMEOUT;
    }
}

using ::testing::ElementsAre;

namespace {

// What the window last told the platform: "-" nothing, "answered", or why not.
std::string Reported() {
    const std::vector<fakeui::Call> reports = fakeui::CallsTo("ReportMonitorState");
    if (reports.empty()) {
        return "-";
    }
    const std::string& last = reports.back().ToString();
    return last.size() >= 5 && last.compare(last.size() - 5, 5, "null)") == 0 ? "answered"
                                                                              : reports.back().text;
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::S = {};
        BoundedCopy(g_target, TARGET_CHARS, "stale");
        BoundedCopy(g_community, COMMUNITY_CHARS, "stale");
        g_model[0] = g_title[0] = '\0';
        g_state = STATE_UNREACHABLE;
        g_icon_online = g_icon_offline = g_icon_current = nullptr;
        // The user types into the prompt, tries Esc (ignored), then presses OK.
        fakeui::SetDriver(IDD_TARGET, [this](HWND dialog, DLGPROC procedure) {
            fakeui::SetControlText(dialog, IDC_TARGET_EDIT, promptEntry);
            procedure(dialog, WM_COMMAND, IDCANCEL, 0);
            procedure(dialog, WM_COMMAND, IDOK | (1 << 16), 0);
        });
    }
    void Run(const std::string& commandLine) {
        std::string text = commandLine;
        EXPECT_EQ(WinMain(fakeui::Instance(), nullptr, text.data(), 1), 1);
        EXPECT_EQ(text, commandLine) << "the caller's text was changed";
    }

    std::string promptEntry;
};

TEST_F(StartupTest, CommandLineTable) {
    const std::string x70(70, 'x'), x63(63, 'x'), h80(80, 'h'), h63(63, 'h');
    // The command line; the entry typed into the prompt, if there is one; the outcome, and
    // what the first tick reports: a target or community that does not fit is never used cut,
    // and the printer counts as unreachable without a packet sent.
    using Row = std::tuple<std::string, std::string, bool, std::string, std::string, std::string>;
    const Row cases[] = {
        {"     ", "", true, "", "orchid", "answered"},  // an empty entry is probed all the same
        {"", " two words ", true, " two words ", "orchid", "answered"},
        {"", h80, true, h63, "orchid", "answered"},  // the prompt's box holds no more
        {"  printer.lan    public  ", "", false, "printer.lan", "public", "answered"},
        {"10.0.0.5 private third fourth", "", false, "10.0.0.5", "private", "answered"},
        {x70, "", false, x63, "orchid", REASON_TARGET_TOO_LONG},
        {"p " + x70, "", false, "p", x63, REASON_COMMUNITY_TOO_LONG},
        {"\"my printer\"", "", false, "\"my", "printer\"", "answered"},
        {"\t", "", false, "\t", "orchid", "answered"},  // only spaces separate
    };
    for (const auto& [line, entry, prompt, target, community, reported] : cases) {
        SCOPED_TRACE("command line [" + line + "], entry [" + entry + "]");
        SetUp();
        promptEntry = entry;
        Run(line);
        // The prompt first, if at all; the status window last.
        const std::vector<fakeui::Call> dialogs = fakeui::CallsTo("DialogBoxParamA");
        ASSERT_EQ(dialogs.size(), prompt ? 2u : 1u);
        EXPECT_EQ(dialogs.front().procedure, prompt ? &TargetDialogProc : &MonitorDialogProc);
        EXPECT_EQ(dialogs.back().ToString(), "DialogBoxParamA(hinst, 201, 0, 5)");
        EXPECT_STREQ(g_target, target.c_str());
        EXPECT_STREQ(g_community, community.c_str());
        EXPECT_EQ(scripted::S.probeCalls, 1);
        EXPECT_EQ(Reported(), reported);
        EXPECT_EQ(g_state, reported == "answered" ? STATE_OK : STATE_UNREACHABLE);
        // The prompt's box takes no more than a target holds.
        if (prompt) {
            EXPECT_EQ(fakeui::CallStringsOf("SendDlgItemMessageA").at(0),
                      "SendDlgItemMessageA(dlg202, 3000, 197, 63, 0)");
        }
    }
}

TEST_F(StartupTest, ANameThatDoesNotResolveIsUnreachableAtOnce) {
    scripted::S.resolves = false;
    Run("gone.example");
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
    EXPECT_EQ(Reported(), REASON_NOT_RESOLVED);
    EXPECT_EQ(fakeui::ControlText(fakeui::DialogHandle(IDD_MONITOR), IDC_PRIMARY), "gone.example");
    scripted::S = {};
    scripted::S.probe = PROBE_NO_REPLY;  // resolves, but the echo goes unanswered
    Run("quiet.example");
    EXPECT_EQ(Reported(), REASON_NO_ECHO_REPLY);
}

TEST_F(StartupTest, ProbeErrorIsFatal) {
    scripted::S.probe = PROBE_ERROR;
    Run("printer.lan");
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("ProbeTarget", "MessageBoxA(0, \"Error: WinSock\", \"Fatal Error!\", 16)"));
}

TEST_F(StartupTest, TitleAndFirstIconFollowTheModelNotTheProbe) {
    using M = scripted::Model;
    const char* const model = "LaserJet 9000 Monitor";
    const char* const none = "Quillfen - Printer Monitor";
    // The window's first tick runs inside its initialisation: it polls in STATE_OK and turns
    // STATE_LOST into the unreachable display; `state` is as the initialisation left it.
    const std::tuple<int, M, int, const char*, int> cases[] = {
        {PROBE_REPLY, M::Read, STATE_OK, model, IDI_ONLINE},
        {PROBE_NO_REPLY, M::Read, STATE_UNREACHABLE, model, IDI_ONLINE},
        {PROBE_REPLY, M::NoSuchName, STATE_OK, none, IDI_OFFLINE},
        {PROBE_NO_REPLY, M::Lost, STATE_UNREACHABLE, none, IDI_OFFLINE},
    };
    for (const auto& [probe, query, state, title, icon] : cases) {
        SCOPED_TRACE(std::to_string(probe) + title);
        SetUp();
        scripted::S.probe = probe;
        scripted::S.model = query;
        scripted::S.modelText = "LaserJet 9000";
        Run("printer.lan");
        EXPECT_EQ(scripted::S.pollCalls, state == STATE_OK ? 1 : 0);
        EXPECT_EQ(g_state, state);
        EXPECT_STREQ(g_title, title);
        // The window took the first icon over.
        EXPECT_EQ(fakeui::CallsTo("Shell_NotifyIconA").at(0).record.hIcon,
                  fakeui::IconHandle(icon));
        EXPECT_TRUE(fakeui::CallsTo("MessageBoxA").empty());
    }
}

class MonitorDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::S = {};
        g_hinstance = fakeui::Instance();
        BoundedCopy(g_target, TARGET_CHARS, "printer.lan");
        BoundedCopy(g_title, TITLE_CHARS, "HP LaserJet 4250 Monitor");
        g_icon_online = fakeui::IconHandle(IDI_ONLINE);
        g_icon_offline = fakeui::IconHandle(IDI_OFFLINE);
        g_icon_current = g_icon_online;
        g_state = STATE_OK;
        g_session = nullptr;
        g_agent.usable = true;
        g_reason =
            REASON_NO_SESSION;  // why an earlier tick lost the printer, in rows that start so
        fakeui::AttachProcedure(dialog, MonitorDialogProc);
    }
    void TearDown() override { EXPECT_EQ(scripted::S.pollMisuses, 0); }

    // Every message must leave the dialog manager's default processing in place.
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        EXPECT_EQ(MonitorDialogProc(dialog, message, wParam, lParam), 0) << "message " << message;
    }
    void Command(WORD id, WORD code = 0) {
        Send(WM_COMMAND, static_cast<WPARAM>(id) | (static_cast<WPARAM>(code) << 16));
    }
    void Tray(LPARAM mouse) { Send(WM_TRAYNOTIFY, TRAY_ICON_ID, mouse); }
    void Tick() { Send(WM_TIMER, POLL_TIMER_ID); }
    std::string Text(int id) { return fakeui::ControlText(dialog, id); }
    bool UpdateButtonShown() {
        return fakeui::IsVisible(fakeui::ControlHandle(dialog, IDC_UPDATE_TARGET));
    }

    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
};

// A record as the procedure must send it: all zero but the fields a test fills.
NOTIFYICONDATAA Record(UINT flags, HICON icon) {
    NOTIFYICONDATAA r;
    std::memset(&r, 0, sizeof r);
    r.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
    r.hWnd = fakeui::DialogHandle(IDD_MONITOR);
    r.uID = 500;
    r.uFlags = flags;
    r.hIcon = icon;
    return r;
}

auto Fields(const NOTIFYICONDATAA& r) {
    return std::tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon,
                      std::string(r.szTip), std::string(r.szInfo), std::string(r.szInfoTitle),
                      r.uTimeout, r.dwInfoFlags);
}

// The window is first shown with the first tick's results: the tray icon, the timer and the
// controls are in place before the tick that initialisation runs at once, and that tick's label
// is the one left.
TEST_F(MonitorDialogTest, InitialisationPreparesEverythingThenPollsAtOnce) {
    Send(WM_INITDIALOG, 0, 5);
    const std::vector<std::string> log = fakeui::CallStrings();
    const auto at = [&](const std::string& call) {
        return std::find(log.begin(), log.end(), call) - log.begin();
    };
    const auto poll = at("PollPrinterStatus");
    EXPECT_LT(at("Shell_NotifyIconA(0, dlg201, 500, 23)"), poll);
    EXPECT_LT(at("SetDlgItemTextA(dlg201, 2000, \"printer.lan\")"), poll);
    EXPECT_LT(at("SetWindowTextA(dlg201, \"HP LaserJet 4250 Monitor\")"), poll);
    EXPECT_LT(poll, static_cast<std::ptrdiff_t>(log.size()));
    EXPECT_EQ(fakeui::Timers(dialog), (std::map<UINT_PTR, UINT>{{POLL_TIMER_ID, 2000}}));
    const fakeui::ProgressBar toner = fakeui::Progress(dialog, IDC_TONER);
    EXPECT_EQ(std::tie(toner.minimum, toner.maximum, toner.step, toner.color),
              std::make_tuple(0LL, 30000LL, 1LL, 0LL));
    // The box doubles as the entry for a new target: no more may be typed than a target holds.
    EXPECT_EQ(at("SendDlgItemMessageA(dlg201, 2000, 197, 63, 0)") < poll, true);
    EXPECT_EQ(Text(IDC_PRIMARY), "READY");
    EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
    EXPECT_EQ(Reported(), "answered");
}

// Each row of the state machine: the state before, the event, what the scripted parts answer,
// and what must follow, with the calls made to them (probe, model query, poll cycle).
enum Event { TICK, UPDATE, CANCEL, EXIT };

TEST_F(MonitorDialogTest, TransitionTable) {
    using M = scripted::Model;
    using P = scripted::Poll;
    constexpr int OK = STATE_OK, LOST = STATE_LOST, UNREACHABLE = STATE_UNREACHABLE;
    constexpr int NO_REPLY = PROBE_NO_REPLY, REPLY = PROBE_REPLY;
    // From, event, probe, model query, poll cycle, to; how often the probe, model query and
    // poll cycle ran; what the platform was last told ("-": nothing).
    const std::tuple<int, Event, int, M, P, int, const char*, const char*> cases[] = {
        {OK, TICK, REPLY, M::Read, P::Answered, OK, "001", "answered"},
        {OK, TICK, REPLY, M::Read, P::Lost, LOST, "001", "timeout"},
        {OK, UPDATE, REPLY, M::Read, P::Answered, OK, "000", "-"},
        {LOST, TICK, REPLY, M::Read, P::Answered, UNREACHABLE, "000", "no-session"},
        {UNREACHABLE, TICK, REPLY, M::Read, P::Answered, UNREACHABLE, "000", "no-session"},
        {LOST, UPDATE, NO_REPLY, M::Read, P::Answered, LOST, "100", "no-echo-reply"},
        {UNREACHABLE, UPDATE, NO_REPLY, M::Read, P::Answered, UNREACHABLE, "100", "no-echo-reply"},
        {UNREACHABLE, UPDATE, PROBE_ERROR, M::Read, P::Answered, UNREACHABLE, "100",
         "no-echo-reply"},
        {UNREACHABLE, UPDATE, REPLY, M::NoSuchName, P::Answered, UNREACHABLE, "110", "no-model"},
        {UNREACHABLE, UPDATE, REPLY, M::Lost, P::Answered, LOST, "110", "timeout"},
        {LOST, UPDATE, REPLY, M::Lost, P::Answered, LOST, "110", "timeout"},
        {UNREACHABLE, UPDATE, REPLY, M::Read, P::Answered, OK, "111", "answered"},
        {LOST, UPDATE, REPLY, M::Read, P::Answered, OK, "111", "answered"},
        {UNREACHABLE, UPDATE, REPLY, M::Read, P::Lost, LOST, "111", "timeout"},
        {OK, CANCEL, REPLY, M::Read, P::Answered, OK, "000", "-"},
        {UNREACHABLE, EXIT, REPLY, M::Read, P::Answered, UNREACHABLE, "000", "-"},
        {LOST, EXIT, REPLY, M::Read, P::Answered, LOST, "000", "-"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE("row " + std::to_string(&row - cases));
        const auto& [from, event, probe, model, poll, to, calls, reported] = row;
        SetUp();
        g_state = from;
        fakeui::SetControlText(dialog, IDC_PRIMARY, "typed.host");
        scripted::S.probe = probe;
        scripted::S.model = model;
        scripted::S.poll = poll;
        const WORD commands[] = {0, IDC_UPDATE_TARGET, IDCANCEL, IDM_EXIT};
        // Update Target comes with the code Enter gives it: any code is a click.
        event == TICK ? Tick() : Command(commands[static_cast<int>(event)], 1);

        const scripted::Script& s = scripted::S;
        EXPECT_EQ(g_state, to);
        EXPECT_EQ(Reported(), reported);
        EXPECT_EQ(std::string({char('0' + s.probeCalls), char('0' + s.modelCalls),
                               char('0' + s.pollCalls)}),
                  calls);
        // Update Target adopts the typed text whenever it gets to probe.
        EXPECT_STREQ(g_target, calls[0] == '1' ? "typed.host" : "printer.lan");
        EXPECT_EQ(fakeui::EndResult(dialog).has_value(), event == CANCEL || event == EXIT);
        if (event == CANCEL || event == EXIT) {
            // Timer first, then the icon, then the end: no tick can come after the icon is gone.
            EXPECT_THAT(fakeui::CallStrings(),
                        ElementsAre("KillTimer(dlg201, 1)", "Shell_NotifyIconA(2, dlg201, 500, 0)",
                                    "EndDialog(dlg201, 0)"));
        }
        if (event == TICK) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), from == OK ? "Primary Status:" : "Unreachable:");
            EXPECT_EQ(UpdateButtonShown(), from != OK);
            // Entering the unreachable display writes the target; staying there leaves the
            // user's box alone.
            EXPECT_EQ(Text(IDC_PRIMARY), from == LOST                        ? "printer.lan"
                                         : from == OK && poll == P::Answered ? "READY"
                                                                             : "typed.host");
        } else if (event == UPDATE && calls[2] == '0') {
            // A failed attempt changes nothing the user sees; while polling it does not even
            // read the box.
            EXPECT_EQ(fakeui::CallsTo("GetDlgItemTextA").size(), from == OK ? 0u : 1u);
            for (const char* shown :
                 {"SetDlgItemTextA", "ShowWindow", "SetWindowTextA", "Shell_NotifyIconA"}) {
                EXPECT_TRUE(fakeui::CallsTo(shown).empty()) << shown;
            }
        }
    }
}

TEST_F(MonitorDialogTest, TrayRecordsFieldByField) {
    // Edit controls notify the dialog while their text is set, inside the outer handler; those
    // nested commands must leave the record being built alone.
    fakeui::NotifyChangesOf({IDC_PRIMARY, IDC_SECONDARY});
    // 100 characters: the tip and the balloon title keep their first 63.
    const std::string longTitle(100, 'T');
    BoundedCopy(g_title, TITLE_CHARS, longTitle.c_str());
    g_icon_current = g_icon_offline;  // the first icon comes from start-up, whatever it is
    g_state = STATE_LOST;             // the first tick shows the unreachable display at once
    Send(WM_INITDIALOG, 0, 5);

    NOTIFYICONDATAA add = Record(0x17, g_icon_offline);
    add.uCallbackMessage = 1234;
    std::memcpy(add.szTip, longTitle.data(), 63);
    std::strcpy(add.szInfo, "By Quillfen");
    std::memcpy(add.szInfoTitle, longTitle.data(), 63);
    add.uTimeout = 10000;
    add.dwInfoFlags = 1;

    // Update Target adopts a model whose title is too long for the tip and, by one, for the
    // title; the first poll fails, which must not undo the new target's display.
    const std::string longModel(120, 'M');
    scripted::S.modelText = longModel;
    scripted::S.poll = scripted::Poll::Lost;
    Command(IDC_UPDATE_TARGET);
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
    EXPECT_FALSE(UpdateButtonShown());
    NOTIFYICONDATAA resumed = Record(0x6, g_icon_online);
    std::memcpy(resumed.szTip, longModel.data(), 63);
    Command(IDM_EXIT);

    const NOTIFYICONDATAA expected[] = {add, Record(0x2, g_icon_offline), resumed, Record(0, {})};
    const DWORD operations[] = {NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE};
    const std::vector<fakeui::Call> calls = fakeui::CallsTo("Shell_NotifyIconA");
    ASSERT_EQ(calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].ints[0], operations[i]);
        EXPECT_EQ(Fields(calls[i].record), Fields(expected[i]));
        // The bytes behind the texts must be zero as well.
        EXPECT_EQ(std::memcmp(&calls[i].record, &expected[i], sizeof expected[i]), 0);
    }
    // The window title takes all the title holds; only the tray cuts it further.
    EXPECT_EQ(fakeui::WindowTitle(dialog), longModel + " Monito");
    EXPECT_FALSE(fakeui::TrayIcon(dialog, TRAY_ICON_ID).has_value());
}

TEST_F(MonitorDialogTest, HideShowDoubleClickAndTheTrayMenu) {
    Send(WM_INITDIALOG, 0, 5);
    fakeui::SetVisible(dialog, true);
    fakeui::ClearCalls();
    Command(IDC_HIDE);
    Command(IDM_SHOW);
    Command(IDM_HIDE);
    Tray(WM_LBUTTONDBLCLK);  // hidden: shows
    Tray(WM_LBUTTONDBLCLK);  // visible: hides again
    // A single click does nothing; neither does a double-click in wParam or with high bits.
    Tray(WM_LBUTTONUP);
    Send(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK, 0);
    Send(WM_TRAYNOTIFY, TRAY_ICON_ID, static_cast<LPARAM>(0x10000 | WM_LBUTTONDBLCLK));
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("ShowWindow(dlg201, 0)", "ShowWindow(dlg201, 1)", "ShowWindow(dlg201, 0)",
                    "ShowWindow(dlg201, 5)", "ShowWindow(dlg201, 5)", "ShowWindow(dlg201, 0)"));

    // The right button opens the menu at the cursor, for a hidden window too.
    fakeui::ClearCalls();
    fakeui::SetCursor({812, 633});
    fakeui::SetMenuChoice(IDM_EXIT);
    Tray(WM_RBUTTONDOWN);
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("GetCursorPos()", "SetForegroundWindow(dlg201)", "LoadMenuA(hinst, 229)",
                    "GetSubMenu(menu1, 0)", "TrackPopupMenu(sub1, 40, 812, 633, 0, dlg201, 0)",
                    "DestroyMenu(menu1)"));
    EXPECT_FALSE(fakeui::EndResult(dialog).has_value());
    fakeui::DeliverPosted();  // the chosen item arrives afterwards as a command
    EXPECT_TRUE(fakeui::Timers(dialog).empty());
    EXPECT_FALSE(fakeui::TrayIcon(dialog, TRAY_ICON_ID).has_value());
    EXPECT_EQ(fakeui::EndResult(dialog), 0);
}

}  // namespace

// The core over the fake UI, with scripted stand-ins for name resolution, the probe, the model
// query and the poll cycle: start-up and the target prompt, then the status window's procedure
// driven message by message. Each test asserts on the state the window system is left in.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/net/net.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "snmp/object_text.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "text/bounded_text.h"

namespace scripted {

// The model query: Read sets g_model; NoSuchName fails and leaves g_state alone; Lost fails
// with g_state <- STATE_LOST, as a silent printer does. The poll cycle: Answered writes
// "READY" into IDC_PRIMARY; Lost writes nothing and leaves g_state STATE_LOST.
enum class Model { Read, NoSuchName, Lost };
enum class Poll { Answered, Lost };

struct Script {
    int probe = PROBE_REPLY;
    Model model = Model::Read;
    std::string modelText = "Scripted Model";
    Poll poll = Poll::Answered;
    int probeCalls = 0, modelCalls = 0, pollCalls = 0;
    int pollMisuses = 0;  // polls outside STATE_OK or with a session open
};
Script S;

}  // namespace scripted

// The stand-ins, linked in place of the real ones. Like the real ones, they send nothing for a
// target that gave no usable agent, and say why a request went unanswered.
bool net::ResolveIPv4(const char* host, int, std::uint32_t* address) {
    *address = 0x7F000001;
    return std::strcmp(host, "gone.example") != 0;
}

int ProbeTarget() {
    ++scripted::S.probeCalls;
    return g_agent.usable || scripted::S.probe == PROBE_ERROR ? scripted::S.probe : PROBE_NO_REPLY;
}

bool QueryPrinterModel() {
    auto& s = scripted::S;
    ++s.modelCalls;
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
    if (s.poll == scripted::Poll::Answered) {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
    } else {
        g_state = STATE_LOST;
        g_reason = REASON_TIMEOUT;
    }
}

namespace {

using fakeui::W;
const HWND MONITOR = fakeui::DialogHandle(IDD_MONITOR);

fakeui::Dialog& Monitor() {
    return W().dialogs[IDD_MONITOR];
}

const NOTIFYICONDATAA* TrayIcon() {
    return W().tray.Find(MONITOR, TRAY_ICON_ID);
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::S = {};
        BoundedCopy(g_target, TARGET_CHARS, "stale");
        BoundedCopy(g_community, COMMUNITY_CHARS, "stale");
        g_model[0] = g_title[0] = '\0';
        // The user types into the prompt, tries Esc (ignored), then presses OK.
        W().drivers[IDD_TARGET] = [this](HWND prompt) {
            W().dialogs[IDD_TARGET].texts[IDC_TARGET_EDIT] = promptEntry;
            ui::SendMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
            EXPECT_FALSE(W().dialogs[IDD_TARGET].ended) << "Esc and the close box are ignored";
            ui::SendMessageA(prompt, WM_COMMAND, IDOK | (1 << 16), 0);
        };
    }
    void Run(const std::string& commandLine) {
        std::string text = commandLine;
        EXPECT_EQ(WinMain(nullptr, nullptr, text.data(), 1), 1);
        EXPECT_EQ(text, commandLine) << "the caller's text was changed";
    }

    std::string promptEntry;
};

TEST_F(StartupTest, CommandLineTable) {
    const std::string x70(70, 'x'), x63(63, 'x'), h80(80, 'h'), h63(63, 'h');
    // The command line; the entry typed into the prompt, if there is one; the outcome, and
    // what the first tick reports: a target or community that does not fit is never used cut,
    // a name that does not resolve is unreachable at once, and no packet is sent for either.
    using Row = std::tuple<std::string, std::string, bool, std::string, std::string, std::string>;
    const Row cases[] = {
        {"     ", " two words ", true, " two words ", "orchid", "answered"},
        {"", h80, true, h63, "orchid", "answered"},  // the prompt reads no more than fits
        {"  printer.lan    public  third", "", false, "printer.lan", "public", "answered"},
        {"\t\"my\tprinter\" x", "", false, "\t\"my\tprinter\"", "x", "answered"},  // only spaces part
        {x70, "", false, x63, "orchid", REASON_TARGET_TOO_LONG},
        {"p " + x70, "", false, "p", x63, REASON_COMMUNITY_TOO_LONG},
        {"gone.example:1161", "", false, "gone.example:1161", "orchid", REASON_NOT_RESOLVED},
    };
    for (const auto& [line, entry, prompt, target, community, reported] : cases) {
        SCOPED_TRACE("command line [" + line + "], entry [" + entry + "]");
        SetUp();
        promptEntry = entry;
        Run(line);
        EXPECT_EQ(W().ran,
                  (prompt ? std::vector{IDD_TARGET, IDD_MONITOR} : std::vector{IDD_MONITOR}));
        EXPECT_STREQ(g_target, target.c_str());
        EXPECT_STREQ(g_community, community.c_str());
        EXPECT_EQ(scripted::S.probeCalls, 1);
        EXPECT_EQ(Monitor().reported, reported);
        EXPECT_EQ(g_state, reported == "answered" ? STATE_OK : STATE_UNREACHABLE);
        EXPECT_EQ(Monitor().texts[IDC_PRIMARY], reported == "answered" ? "READY" : target);
        if (prompt) {
            // The prompt's box takes no more than a target holds and has the keyboard.
            fakeui::Dialog& box = W().dialogs[IDD_TARGET];
            EXPECT_EQ(box.limits[IDC_TARGET_EDIT], 63u);
            EXPECT_EQ(box.focus, ui::GetDlgItem(fakeui::DialogHandle(IDD_TARGET), IDC_TARGET_EDIT));
        }
    }
}

TEST_F(StartupTest, ProbeErrorIsFatal) {
    scripted::S.probe = PROBE_ERROR;
    Run("printer.lan");
    EXPECT_EQ(W().messageBox, "Fatal Error!|Error: WinSock|16");
    EXPECT_TRUE(W().ran.empty());
}

TEST_F(StartupTest, TitleAndFirstIconFollowTheModelNotTheProbe) {
    using M = scripted::Model;
    const char* const model = "LaserJet 9000 Monitor";
    const char* const none = "Quillfen - Printer Monitor";
    // The window's first tick runs inside its initialisation: it polls in STATE_OK and turns
    // STATE_LOST into the unreachable display; `state` is as the initialisation left it.
    const std::tuple<int, M, int, const char*, int, std::string> cases[] = {
        {PROBE_REPLY, M::Read, STATE_OK, model, IDI_ONLINE, "answered"},
        {PROBE_NO_REPLY, M::Read, STATE_UNREACHABLE, model, IDI_ONLINE, REASON_NO_ECHO_REPLY},
        {PROBE_REPLY, M::NoSuchName, STATE_OK, none, IDI_OFFLINE, "answered"},
        {PROBE_NO_REPLY, M::Lost, STATE_UNREACHABLE, none, IDI_OFFLINE, REASON_TIMEOUT},
    };
    for (const auto& [probe, query, state, title, icon, reported] : cases) {
        SCOPED_TRACE(std::to_string(probe) + title);
        SetUp();
        scripted::S.probe = probe;
        scripted::S.model = query;
        scripted::S.modelText = "LaserJet 9000";
        Run("printer.lan");
        EXPECT_EQ(scripted::S.pollCalls, state == STATE_OK ? 1 : 0);
        EXPECT_EQ(g_state, state);
        EXPECT_STREQ(g_title, title);
        EXPECT_EQ(Monitor().title, title);
        EXPECT_EQ(Monitor().reported, reported);
        // The window takes the first icon over; the unreachable display turns it offline.
        EXPECT_EQ(g_icon_current, fakeui::IconHandle(icon));
        EXPECT_EQ(TrayIcon()->hIcon, fakeui::IconHandle(state == STATE_OK ? icon : IDI_OFFLINE));
        EXPECT_TRUE(W().messageBox.empty());
    }
}

class MonitorDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::S = {};
        BoundedCopy(g_target, TARGET_CHARS, "printer.lan");
        BoundedCopy(g_title, TITLE_CHARS, "HP LaserJet 4250 Monitor");
        g_icon_online = fakeui::IconHandle(IDI_ONLINE);
        g_icon_offline = fakeui::IconHandle(IDI_OFFLINE);
        g_icon_current = g_icon_online;
        g_state = STATE_OK;
        g_session = nullptr;
        g_agent.usable = true;
        Monitor().procedure = MonitorDialogProc;
    }
    void TearDown() override { EXPECT_EQ(scripted::S.pollMisuses, 0); }

    // Every message must leave the dialog manager's default processing in place.
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        EXPECT_EQ(MonitorDialogProc(MONITOR, message, wParam, lParam), 0) << "message " << message;
    }
    void Command(WORD id, WORD code = 0) {
        Send(WM_COMMAND, static_cast<WPARAM>(id) | (static_cast<WPARAM>(code) << 16));
    }
    void Tray(LPARAM mouse) { Send(WM_TRAYNOTIFY, TRAY_ICON_ID, mouse); }
    void Tick() { Send(WM_TIMER, POLL_TIMER_ID); }
    std::string Text(int id) { return Monitor().texts[id]; }
    bool UpdateButtonShown() { return Monitor().shown[IDC_UPDATE_TARGET]; }
    // Reaches `from` as the program does (polling, a cycle that lost the printer, or the tick
    // after that) and types `typed` into the box.
    void Reach(int from, const std::string& typed) {
        SetUp();
        scripted::S.poll = from == STATE_OK ? scripted::Poll::Answered : scripted::Poll::Lost;
        Send(WM_INITDIALOG, 0, 5);
        if (from == STATE_UNREACHABLE) {
            Tick();
        }
        ASSERT_EQ(g_state, from);
        scripted::S = {};
        Monitor().texts[IDC_PRIMARY] = typed;
        Monitor().reported = "-";
    }
    // What the user sees of the window and its tray icon.
    auto Seen() {
        return std::tuple(Monitor().texts, Monitor().shown, Monitor().title, TrayIcon()->hIcon,
                          std::string(TrayIcon()->szTip));
    }
};

TEST_F(MonitorDialogTest, InitialisationPreparesEverythingThenPollsAtOnce) {
    Send(WM_INITDIALOG, 0, 5);
    EXPECT_EQ(Monitor().timers, (std::map<UINT_PTR, UINT>{{POLL_TIMER_ID, 2000}}));
    const posixui::ProgressState& toner = Monitor().bars[IDC_TONER];
    EXPECT_EQ(std::tie(toner.minimum, toner.maximum, toner.step, toner.barColor),
              std::make_tuple(0, 30000, 1, 0u));
    // The box doubles as the entry for a new target: no more may be typed than a target holds.
    EXPECT_EQ(Monitor().limits[IDC_PRIMARY], 63u);
    EXPECT_EQ(Monitor().title, "HP LaserJet 4250 Monitor");
    // The first tick's results are what the window shows first.
    EXPECT_EQ(Text(IDC_PRIMARY), "READY");
    EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
    EXPECT_EQ(Monitor().reported, "answered");
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
    // poll cycle ran; what the platform was told ("-": nothing).
    const std::tuple<int, Event, int, M, P, int, const char*, const char*> cases[] = {
        {OK, TICK, REPLY, M::Read, P::Answered, OK, "001", "answered"},
        {OK, TICK, REPLY, M::Read, P::Lost, LOST, "001", "timeout"},
        {OK, UPDATE, REPLY, M::Read, P::Answered, OK, "000", "-"},
        {LOST, TICK, REPLY, M::Read, P::Answered, UNREACHABLE, "000", "timeout"},
        {UNREACHABLE, TICK, REPLY, M::Read, P::Answered, UNREACHABLE, "000", "timeout"},
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
        Reach(from, "typed.host");
        scripted::S = {probe, model, "Scripted Model", poll};
        const auto before = Seen();
        const WORD commands[] = {0, IDC_UPDATE_TARGET, IDCANCEL, IDM_EXIT};
        // Update Target comes with the code Enter gives it: any code is a click.
        event == TICK ? Tick() : Command(commands[static_cast<int>(event)], 1);

        const scripted::Script& s = scripted::S;
        EXPECT_EQ(g_state, to);
        EXPECT_EQ(s.pollMisuses, 0);
        EXPECT_EQ(Monitor().reported, reported);
        EXPECT_EQ(std::string({char('0' + s.probeCalls), char('0' + s.modelCalls),
                               char('0' + s.pollCalls)}),
                  calls);
        // Update Target adopts the typed text whenever it gets to probe.
        EXPECT_STREQ(g_target, calls[0] == '1' ? "typed.host" : "printer.lan");
        // Exit takes the timer and the icon with the dialog: no tick comes after.
        const bool exits = event == CANCEL || event == EXIT;
        EXPECT_EQ(Monitor().ended, exits ? std::optional<INT_PTR>(0) : std::nullopt);
        EXPECT_EQ(Monitor().timers.empty(), exits);
        EXPECT_EQ(TrayIcon() == nullptr, exits);
        if (event == TICK) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), from == OK ? "Primary Status:" : "Unreachable:");
            EXPECT_EQ(UpdateButtonShown(), from != OK);
            EXPECT_EQ(TrayIcon()->hIcon, from == OK ? g_icon_online : g_icon_offline);
            // Entering the unreachable display writes the target; staying there leaves the
            // user's box alone.
            EXPECT_EQ(Text(IDC_PRIMARY), from == LOST                        ? "printer.lan"
                                         : from == OK && poll == P::Answered ? "READY"
                                                                             : "typed.host");
        } else if (event == UPDATE && calls[2] == '0') {
            EXPECT_EQ(Seen(), before) << "a failed attempt changes nothing the user sees";
        } else if (event == UPDATE) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
            EXPECT_FALSE(UpdateButtonShown());
            EXPECT_EQ(Monitor().title, "Scripted Model Monitor");
            EXPECT_EQ(TrayIcon()->hIcon, g_icon_online);
        }
    }
}

TEST_F(MonitorDialogTest, ATypedTargetTooLongIsNeverUsedCut) {
    Reach(STATE_UNREACHABLE, std::string(60, 'x') + ":161");
    Command(IDC_UPDATE_TARGET);
    EXPECT_EQ(Monitor().reported, REASON_TARGET_TOO_LONG);
    EXPECT_FALSE(g_agent.usable);
    EXPECT_EQ(scripted::S.modelCalls, 0);
}

// A record as the procedure must leave it with the Shell: all zero but the fields a test fills.
NOTIFYICONDATAA Record(UINT flags, HICON icon, const std::string& tip) {
    NOTIFYICONDATAA r;
    std::memset(&r, 0, sizeof r);
    r.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
    r.hWnd = MONITOR;
    r.uID = TRAY_ICON_ID;
    r.uFlags = flags;
    r.hIcon = icon;
    r.uCallbackMessage = 1234;
    std::memcpy(r.szTip, tip.data(), 63);
    std::strcpy(r.szInfo, "By Quillfen");
    std::memcpy(r.szInfoTitle, tip.data(), 63);
    r.uTimeout = 10000;
    r.dwInfoFlags = 1;
    return r;
}

TEST_F(MonitorDialogTest, TheTrayRecordFieldByField) {
    // 100 characters: the tip and the balloon title keep their first 63.
    const std::string longTitle(100, 'T');
    BoundedCopy(g_title, TITLE_CHARS, longTitle.c_str());
    g_icon_current = g_icon_offline;  // the first icon comes from start-up, whatever it is
    g_state = STATE_LOST;             // the first tick shows the unreachable display at once
    // The edits' change notifications enter the procedure while its outer call still fills
    // its record; they must leave that record alone.
    Send(WM_INITDIALOG, 0, 5);
    NOTIFYICONDATAA expected = Record(0x17, g_icon_offline, longTitle);
    // The bytes behind the texts must be zero as well.
    EXPECT_EQ(std::memcmp(TrayIcon(), &expected, sizeof expected), 0);

    // Update Target adopts a model whose title is too long for the tip and, by one, for the
    // title; the first poll fails, which must not undo the new target's display.
    const std::string longModel(120, 'M');
    scripted::S.modelText = longModel;
    scripted::S.poll = scripted::Poll::Lost;
    Command(IDC_UPDATE_TARGET);
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
    EXPECT_FALSE(UpdateButtonShown());
    expected.hIcon = g_icon_online;
    std::memcpy(expected.szTip, longModel.data(), 63);
    EXPECT_EQ(std::memcmp(TrayIcon(), &expected, sizeof expected), 0);
    // The window title takes all the title holds; only the tray cuts it further.
    EXPECT_EQ(Monitor().title, longModel + " Monito");
}

TEST_F(MonitorDialogTest, HideShowDoubleClickAndTheTrayMenu) {
    Send(WM_INITDIALOG, 0, 5);
    Monitor().visible = true;
    // Each action and whether the window is visible after it. A single click does nothing;
    // neither does a double-click in wParam or with high bits.
    const std::pair<std::function<void()>, bool> steps[] = {
        {[&] { Command(IDC_HIDE); }, false},
        {[&] { Command(IDM_SHOW); }, true},
        {[&] { Command(IDM_HIDE); }, false},
        {[&] { Tray(WM_LBUTTONDBLCLK); }, true},
        {[&] { Tray(WM_LBUTTONDBLCLK); }, false},
        {[&] { Tray(WM_LBUTTONUP); }, false},
        {[&] { Send(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK, 0); }, false},
        {[&] { Tray(0x10000 | WM_LBUTTONDBLCLK); }, false},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        EXPECT_EQ(Monitor().visible, steps[i].second) << "step " << i;
    }

    // The right button opens the menu at the cursor, for a hidden window too, with the window
    // in the foreground so that a click elsewhere closes it; the menu is not kept.
    W().cursor = {812, 633};
    W().menuChoice = IDM_EXIT;
    Tray(WM_RBUTTONDOWN);
    EXPECT_EQ(W().popup,
              "812,633 " + std::to_string(TPM_LEFTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN));
    EXPECT_EQ(W().foreground, MONITOR);
    EXPECT_EQ(W().liveMenus, 0);
    EXPECT_FALSE(Monitor().ended.has_value());
    fakeui::DeliverPosted();  // the chosen item arrives afterwards as a command
    EXPECT_EQ(Monitor().ended, 0);
    EXPECT_EQ(TrayIcon(), nullptr);
}

}  // namespace

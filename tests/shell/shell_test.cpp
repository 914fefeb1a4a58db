// The core over the fake UI, with scripted stand-ins for name resolution, the probe, the model
// query and the poll cycle: start-up and the target prompt, then the status window's procedure
// driven message by message. Each test asserts on the state the window system is left in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/net/icmp_access.h"
#include "platform/net/net.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/command_line.h"
#include "shell/condition_watch.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/object_text.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "text/bounded_text.h"

namespace scripted {

// The model query reads `model`; "" is an agent without one (noSuchName), SILENT a printer
// that does not answer. The poll cycle writes "READY" into IDC_PRIMARY unless the printer is
// lost during it.
const std::string SILENT = "(silent)";
struct Script {
    int probe = PROBE_REPLY;
    std::string model = "Scripted Model";
    bool pollLost = false;
    int probeCalls = 0, modelCalls = 0, pollCalls = 0;
    int pollMisuses = 0;  // polls outside STATE_OK or with a session open
};
Script S;
std::string Hint;  // how the platform says echo could be allowed ("" where it has nothing)

// What a request without answer leaves behind.
bool Lost() {
    g_state = STATE_LOST;
    g_reason = REASON_TIMEOUT;
    return false;
}

}  // namespace scripted

// The stand-ins, linked in place of the real ones. Like the real ones, they send nothing for a
// target that gave no usable agent.
bool net::ResolveHost(const char* host, std::uint16_t port, int, Endpoint* endpoint, std::string*) {
    *endpoint = IPv4Endpoint(127, 0, 0, 1, port);
    return std::strcmp(host, "gone.example") != 0;
}

int ProbeTarget() {
    ++scripted::S.probeCalls;
    return g_agent.usable || scripted::S.probe == PROBE_ERROR ? scripted::S.probe : PROBE_NO_REPLY;
}

std::string net::IcmpAccessHint(const char* skipOption) {
    const std::string& hint = scripted::Hint;
    return hint.empty() ? hint : hint + " or " + skipOption;
}

bool QueryPrinterModel() {
    const std::string& model = scripted::S.model;
    ++scripted::S.modelCalls;
    if (!g_agent.usable || model.empty()) {
        return false;
    }
    if (model == scripted::SILENT) {
        return scripted::Lost();
    }
    BoundedCopy(g_model, MODEL_CHARS, model.c_str());
    return true;
}

void PollPrinterStatus(HWND dialog) {
    auto& s = scripted::S;
    ++s.pollCalls;
    s.pollMisuses += g_state != STATE_OK || g_session != nullptr ? 1 : 0;
    if (s.pollLost) {
        scripted::Lost();
    } else {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
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
        scripted::Hint.clear();
        BoundedCopy(g_target, TARGET_CHARS, "stale");
        BoundedCopy(g_community, COMMUNITY_CHARS, "stale");
        // The user tries Esc (ignored), types into the prompt, then presses OK.
        W().drivers[IDD_TARGET] = [this](HWND prompt) {
            ui::SendMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
            EXPECT_FALSE(W().dialogs[IDD_TARGET].ended) << "Esc and the close box are ignored";
            W().dialogs[IDD_TARGET].texts[IDC_TARGET_EDIT] = promptEntry;
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
    // A target or community that does not fit is never used cut, a name that does not resolve
    // is unreachable at once, and no packet is sent for either.
    const struct {
        const char* name;
        std::string line;
        std::string entry;  // typed into the prompt, if there is one
        bool prompt;
        std::string target;
        std::string community;
        std::string reported;  // by the first tick
    } cases[] = {
        {"blank line prompts", "     ", " two words ", true, " two words ", "orchid", "answered"},
        {"prompt reads no more than fits", "", h80, true, h63, "orchid", "answered"},
        {"target, community, extra word", "  printer.lan    public  third", "", false,
         "printer.lan", "public", "answered"},
        {"only spaces separate", "\t\"my\tprinter\" x", "", false, "\t\"my\tprinter\"", "x",
         "answered"},
        {"target too long", x70, "", false, x63, "orchid", REASON_TARGET_TOO_LONG},
        {"community too long", "p " + x70, "", false, "p", x63, REASON_COMMUNITY_TOO_LONG},
        {"name not resolved", "gone.example:1161", "", false, "gone.example:1161", "orchid",
         REASON_NOT_RESOLVED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        promptEntry = c.entry;
        Run(c.line);
        EXPECT_EQ(W().ran,
                  (c.prompt ? std::vector{IDD_TARGET, IDD_MONITOR} : std::vector{IDD_MONITOR}));
        EXPECT_EQ(std::tie(g_target, g_community), std::tie(c.target, c.community));
        EXPECT_EQ(scripted::S.probeCalls, 1);
        EXPECT_EQ(Monitor().reported, c.reported);
        EXPECT_EQ(Monitor().texts[IDC_PRIMARY], c.reported == "answered" ? "READY" : c.target);
        // The prompt's box takes no more than a target holds and has the keyboard.
        const fakeui::Dialog& box = W().dialogs[IDD_TARGET];
        EXPECT_EQ(box.limits.contains(IDC_TARGET_EDIT) ? box.limits.at(IDC_TARGET_EDIT) : 0,
                  c.prompt ? 63u : 0u);
        EXPECT_EQ(box.focus, c.prompt ? fakeui::ControlHandle(fakeui::DialogHandle(IDD_TARGET),
                                                              IDC_TARGET_EDIT)
                                      : nullptr);
    }
}

// The title and the tray's first icon follow the model query, not the probe. The window's
// first tick runs inside its initialisation: it polls in STATE_OK and turns STATE_LOST into the
// unreachable display; `state` is as the initialisation left it. No way to probe is fatal.
TEST_F(StartupTest, TitleFirstIconAndFirstTick) {
    const char* const model = "LaserJet 9000 Monitor";
    const char* const none = "Quillfen - Printer Monitor";
    const std::string silent = scripted::SILENT;
    const struct {
        const char* name;
        int probe;
        std::string query;  // the model query's answer
        int state;
        const char* title;
        int icon;
        std::string reported;
    } cases[] = {
        {"answers", PROBE_REPLY, "LaserJet 9000", STATE_OK, model, IDI_ONLINE, "answered"},
        {"model but no echo", PROBE_NO_REPLY, "LaserJet 9000", STATE_UNREACHABLE, model, IDI_ONLINE,
         "no-echo-reply"},
        {"echo but no model", PROBE_REPLY, "", STATE_OK, none, IDI_OFFLINE, "answered"},
        {"silent", PROBE_NO_REPLY, silent, STATE_UNREACHABLE, none, IDI_OFFLINE, REASON_TIMEOUT},
        {"no way to probe", PROBE_ERROR, "", PROBE_ERROR, "", 0, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& [name, probe, query, state, title, icon, reported] = c;
        SetUp();
        g_title[0] = '\0';
        scripted::S.probe = probe;
        scripted::S.model = query;
        Run("printer.lan");
        EXPECT_EQ(scripted::S.pollCalls, state == STATE_OK ? 1 : 0);
        EXPECT_EQ(g_state, state);
        EXPECT_EQ(Monitor().title, title);
        EXPECT_EQ(Monitor().reported, reported);
        EXPECT_EQ(W().messageBox, probe == PROBE_ERROR ? "Fatal Error!|Error: WinSock|16" : "");
        if (probe == PROBE_ERROR) {
            EXPECT_TRUE(W().ran.empty());
            continue;
        }
        // The window takes the first icon over; the unreachable display turns it offline.
        EXPECT_EQ(g_icon_current, fakeui::IconHandle(icon));
        EXPECT_EQ(TrayIcon()->hIcon, fakeui::IconHandle(state == STATE_OK ? icon : IDI_OFFLINE));
    }
}

// The options before the target, as the Windows program's command line carries them and the
// other front-ends hand them on: the prompt still comes without a target, and a bad retry
// period stops the program before anything is sent.
TEST_F(StartupTest, WindowOptionsOnTheCommandLine) {
    const struct {
        const char* name;
        std::string line;
        std::string target;
        std::string community;
        bool skipEcho;
        UINT retrySeconds;
        int probeCalls;
        std::string messageBox;
    } cases[] = {
        {"none", "printer.lan public", "printer.lan", "public", false, 0, 1, ""},
        {"no ping", "--no-ping printer.lan public", "printer.lan", "public", true, 0, 0, ""},
        {"both, either order", " --retry 30  --no-ping printer.lan", "printer.lan", "orchid", true,
         30, 0, ""},
        {"retry with =, the bounds", "--retry=86400 --retry=1 p", "p", "orchid", false, 1, 1, ""},
        {"options only: the prompt asks", "--no-ping", "typed", "orchid", true, 0, 0, ""},
        {"after the target an option is the community", "p --no-ping", "p", "--no-ping", false, 0,
         1, ""},
        {"a near spelling is the target", "--no-pings x", "--no-pings", "x", false, 0, 1, ""},
        {"retry out of range", "--retry 86401 p", "stale", "stale", false, 0, 0,
         "Vellumark|--retry: '86401' is not a whole number of seconds from 1 to 86400|16"},
        {"retry not a number", "--retry=10s p", "stale", "stale", false, 0, 0,
         "Vellumark|--retry: '10s' is not a whole number of seconds from 1 to 86400|16"},
        {"retry without a value", "--retry", "stale", "stale", false, 0, 0,
         "Vellumark|--retry: '' is not a whole number of seconds from 1 to 86400|16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        promptEntry = "typed";
        Run(c.line);
        EXPECT_EQ(std::tie(g_target, g_community), std::tie(c.target, c.community));
        EXPECT_EQ(std::tuple(g_skip_echo, g_retry_seconds), std::tuple(c.skipEcho, c.retrySeconds));
        EXPECT_EQ(scripted::S.probeCalls, c.probeCalls);
        EXPECT_EQ(W().messageBox, c.messageBox);
        // A refused command line sets nothing and opens no window.
        EXPECT_EQ(W().ran.empty(), !c.messageBox.empty());
    }
}

// The condition's options stand with the window's, in any order, before the target; the
// version alone of the condition's request comes from the text, whatever else the front-end put
// in the request stays.
TEST_F(StartupTest, ConditionOptionsOnTheCommandLine) {
    using V = condition::SnmpVersion;
    const struct {
        const char* name;
        std::string line;
        std::string target;
        UINT seconds;
        V version;
        bool notify;
        std::string messageBox;
    } cases[] = {
        {"defaults", "p", "p", 60, V::V1, true, ""},
        {"all three, with =", "--condition-every=10 --condition-version=2c --no-notify p", "p", 10,
         V::V2c, false, ""},
        {"among the window's",
         "--no-ping --condition-every 86400 --retry 5 --condition-version 1 p", "p", 86400, V::V1,
         true, ""},
        {"version 3 where the build reads it", "--condition-version 3 p", "p", 60, V::V3, true, ""},
        {"after the target it is the community", "p --no-notify", "p", 60, V::V1, true, ""},
        {"below the minimum", "--condition-every 9 p", "stale", 60, V::V1, true,
         "Vellumark|--condition-every: '9' is not a whole number of seconds from 10 to 86400|16"},
        {"no value", "--condition-every", "stale", 60, V::V1, true,
         "Vellumark|--condition-every: '' is not a whole number of seconds from 10 to 86400|16"},
        {"no such version", "--condition-version 3c p", "stale", 60, V::V1, true,
         "Vellumark|--condition-version: '3c' is not 1, 2c or 3|16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        // What an earlier start left must not survive: every start sets all three.
        g_condition_seconds = 12345;
        g_condition_request.version = c.version == V::V1 ? V::V2c : V::V1;
        g_condition_request.usm.user = "kept";
        g_notify = !c.notify;
        Run(c.line);
        EXPECT_EQ(W().messageBox, c.messageBox);
        EXPECT_STREQ(g_target, c.target.c_str());
        if (c.messageBox.empty()) {
            EXPECT_EQ(std::tuple(g_condition_seconds, g_condition_request.version, g_notify),
                      std::tuple(c.seconds, c.version, c.notify));
            EXPECT_EQ(g_condition_request.usm.user, "kept");
        }
    }
}

// A build without SNMPv3 refuses version 3 as a usage error that says why, rather than starting
// a watcher that could never read; the other versions read as everywhere.
TEST(CommandLineTokens, VersionThreeOnlyWhereBuilt) {
    using V = condition::SnmpVersion;
    const struct {
        const char* name;
        const char* line;
        bool v3Built;
        V version;
        std::string error;
    } rows[] = {
        {"3 where built", "--condition-version 3 p", true, V::V3, ""},
        {"3 where not built", "--condition-version=3 p", false, V::V1,
         "--condition-version: SNMPv3 is not available in this build"},
        {"2c where not built", "--condition-version 2c p", false, V::V2c, ""},
        {"no value where not built", "--condition-version", false, V::V1,
         "--condition-version: '' is not 1, 2c or 3"},
    };
    for (const auto& row : rows) {
        const CommandLineTokens tokens = SplitCommandLine(row.line, row.v3Built);
        EXPECT_EQ(std::tuple(tokens.conditionVersion, tokens.optionError),
                  std::tuple(row.version, row.error))
            << row.name;
    }
}

// Without the echo the model query alone decides: a printer that answers SNMP is polled at
// once, and no socket for the echo is asked for, so its absence is no longer fatal. With the
// echo, the fatal message is followed by the platform's hint when it has one.
TEST_F(StartupTest, WithoutTheEchoAndTheFatalHint) {
    const std::string silent = scripted::SILENT;
    const struct {
        const char* name;
        std::string line;
        int probe;
        std::string query;
        std::string hint;
        int state;
        std::string reported;
        std::string messageBox;
    } cases[] = {
        {"answers SNMP, drops echo", "--no-ping printer.lan", PROBE_NO_REPLY, "LaserJet", "",
         STATE_OK, "answered", ""},
        {"no model, the poll answers", "--no-ping printer.lan", PROBE_NO_REPLY, "", "", STATE_OK,
         "answered", ""},
        {"silent", "--no-ping printer.lan", PROBE_REPLY, silent, "", STATE_UNREACHABLE,
         REASON_TIMEOUT, ""},
        {"not resolved", "--no-ping gone.example", PROBE_REPLY, "LaserJet", "", STATE_UNREACHABLE,
         REASON_NOT_RESOLVED, ""},
        {"no ICMP socket is not needed", "--no-ping printer.lan", PROBE_ERROR, "LaserJet",
         "allow it", STATE_OK, "answered", ""},
        {"no ICMP socket, with a hint", "printer.lan", PROBE_ERROR, "LaserJet", "allow it",
         PROBE_ERROR, "-", "Fatal Error!|Error: WinSock\nallow it or --no-ping|16"},
        {"no ICMP socket, no hint", "printer.lan", PROBE_ERROR, "LaserJet", "", PROBE_ERROR, "-",
         "Fatal Error!|Error: WinSock|16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        scripted::S.probe = c.probe;
        scripted::S.model = c.query;
        scripted::Hint = c.hint;
        Run(c.line);
        EXPECT_EQ(scripted::S.probeCalls, c.line.starts_with("--no-ping") ? 0 : 1);
        EXPECT_EQ(g_state, c.state);
        EXPECT_EQ(Monitor().reported, c.reported);
        EXPECT_EQ(W().messageBox, c.messageBox);
        EXPECT_EQ(scripted::S.pollCalls, c.state == STATE_OK ? 1 : 0);
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
        g_skip_echo = false;
        g_retry_seconds = 0;
        Monitor().procedure = MonitorDialogProc;
    }
    // Reaches `from` as the program does (polling, a cycle that lost the printer, or the tick
    // after that) and types `typed` into the box.
    void Reach(int from, const std::string& typed = "typed.host", bool skipEcho = false,
               UINT retrySeconds = 0) {
        SetUp();
        g_skip_echo = skipEcho;
        g_retry_seconds = retrySeconds;
        scripted::S.pollLost = from != STATE_OK;
        Send(WM_INITDIALOG, 0, 5);
        if (from == STATE_UNREACHABLE) {
            Tick();
        }
        ASSERT_EQ(g_state, from);
        scripted::S = {};
        Monitor().texts[IDC_PRIMARY] = typed;
        Monitor().reported = "-";
    }
    void TearDown() override { EXPECT_EQ(scripted::S.pollMisuses, 0); }

    // Every message must leave the dialog manager's default processing in place.
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        EXPECT_EQ(MonitorDialogProc(MONITOR, message, wParam, lParam), 0) << "message " << message;
    }
    void Tick() { Send(WM_TIMER, POLL_TIMER_ID); }
    std::string Text(int id) { return Monitor().texts[id]; }
    // What the user sees of the window and its tray icon.
    auto Seen() {
        return std::tuple(Monitor().texts, Monitor().shown, Monitor().title, TrayIcon()->hIcon,
                          std::string(TrayIcon()->szTip));
    }
};

// Each row of the state machine: the state before, the event, what the scripted parts answer,
// and what must follow, with the calls made to them.
enum Event { TICK, UPDATE, CANCEL, EXIT };

struct Calls {
    int probe = 0;
    int model = 0;  // the model query
    int poll = 0;   // the poll cycle
};

TEST_F(MonitorDialogTest, TransitionTable) {
    constexpr int OK = STATE_OK, LOST = STATE_LOST, UNREACHABLE = STATE_UNREACHABLE;
    constexpr int NO_REPLY = PROBE_NO_REPLY, REPLY = PROBE_REPLY;
    const std::string read = "Scripted Model", silent = scripted::SILENT;
    const struct {
        const char* name;
        int from;
        Event event;
        int probe;
        std::string model;  // the model query's answer
        bool pollLost;      // the poll cycle loses the printer
        int to;
        Calls calls;
        const char* reported;  // what the platform was told ("-": nothing)
    } cases[] = {
        {"tick polls", OK, TICK, REPLY, read, false, OK, Calls{0, 0, 1}, "answered"},
        {"tick loses the printer", OK, TICK, REPLY, read, true, LOST, Calls{0, 0, 1}, "timeout"},
        {"update while polling reads nothing", OK, UPDATE, REPLY, read, false, OK, Calls{}, "-"},
        {"tick after the loss", LOST, TICK, REPLY, read, false, UNREACHABLE, Calls{}, "timeout"},
        {"tick while unreachable", UNREACHABLE, TICK, REPLY, read, false, UNREACHABLE, Calls{},
         "timeout"},
        {"update, no echo", UNREACHABLE, UPDATE, NO_REPLY, read, false, UNREACHABLE, Calls{1, 0, 0},
         "no-echo-reply"},
        {"update, no way to probe", UNREACHABLE, UPDATE, PROBE_ERROR, read, false, UNREACHABLE,
         Calls{1, 0, 0}, "no-echo-reply"},
        {"update, no model", UNREACHABLE, UPDATE, REPLY, "", false, UNREACHABLE, Calls{1, 1, 0},
         "no-model"},
        {"update, silent agent", UNREACHABLE, UPDATE, REPLY, silent, false, LOST, Calls{1, 1, 0},
         "timeout"},
        {"update answers", UNREACHABLE, UPDATE, REPLY, read, false, OK, Calls{1, 1, 1}, "answered"},
        {"update after the loss", LOST, UPDATE, REPLY, read, false, OK, Calls{1, 1, 1}, "answered"},
        {"update, the cycle loses it", UNREACHABLE, UPDATE, REPLY, read, true, LOST, Calls{1, 1, 1},
         "timeout"},
        {"cancel", OK, CANCEL, REPLY, read, false, OK, Calls{}, "-"},
        {"exit", UNREACHABLE, EXIT, REPLY, read, false, UNREACHABLE, Calls{}, "-"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto& [name, from, event, probe, model, pollLost, to, calls, reported] = row;
        Reach(from);
        scripted::S = {probe, model, pollLost};
        const auto before = Seen();
        const WORD commands[] = {0, IDC_UPDATE_TARGET, IDCANCEL, IDM_EXIT};
        // Update Target comes with the code Enter gives it: any code is a click.
        event == TICK ? Tick() : Send(WM_COMMAND, commands[static_cast<int>(event)] | (1 << 16));

        const scripted::Script& s = scripted::S;
        EXPECT_EQ(g_state, to);
        EXPECT_EQ(s.pollMisuses, 0);
        EXPECT_EQ(Monitor().reported, reported);
        EXPECT_EQ(std::tuple(s.probeCalls, s.modelCalls, s.pollCalls),
                  std::tuple(calls.probe, calls.model, calls.poll))
            << "calls: probe, model query, poll cycle";
        // Update Target adopts the typed text whenever it gets to probe.
        EXPECT_STREQ(g_target, calls.probe == 1 ? "typed.host" : "printer.lan");
        // Exit takes the timer and the icon with the dialog: no tick comes after.
        const bool exits = event == CANCEL || event == EXIT;
        EXPECT_EQ(Monitor().ended, exits ? std::optional<INT_PTR>(0) : std::nullopt);
        EXPECT_EQ(Monitor().timers.empty(), exits);
        EXPECT_EQ(TrayIcon() == nullptr, exits);
        if (event == TICK) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), from == OK ? "Primary Status:" : "Unreachable:");
            EXPECT_EQ(Monitor().shown[IDC_UPDATE_TARGET], from != OK);
            EXPECT_EQ(TrayIcon()->hIcon, from == OK ? g_icon_online : g_icon_offline);
            // Entering the unreachable display writes the target; staying there leaves the
            // user's box alone.
            EXPECT_EQ(Text(IDC_PRIMARY), from == LOST              ? "printer.lan"
                                         : from == OK && !pollLost ? "READY"
                                                                   : "typed.host");
        } else if (event == UPDATE && calls.poll == 0) {
            EXPECT_EQ(Seen(), before) << "a failed attempt changes nothing the user sees";
        } else if (event == UPDATE) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
            EXPECT_FALSE(Monitor().shown[IDC_UPDATE_TARGET]);
            EXPECT_EQ(Monitor().title, "Scripted Model Monitor");
            EXPECT_EQ(TrayIcon()->hIcon, g_icon_online);
        }
    }
}

// Update Target without the echo: the model query decides; a target that gives no agent stops
// before it.
TEST_F(MonitorDialogTest, UpdateTargetWithoutTheEcho) {
    const std::string read = "Scripted Model", silent = scripted::SILENT;
    const struct {
        const char* name;
        std::string typed;
        std::string model;
        int to;
        Calls calls;
        const char* reported;
    } cases[] = {
        {"answers SNMP", "typed.host", read, STATE_OK, Calls{0, 1, 1}, "answered"},
        {"no model", "typed.host", "", STATE_UNREACHABLE, Calls{0, 1, 0}, REASON_NO_MODEL},
        {"silent agent", "typed.host", silent, STATE_LOST, Calls{0, 1, 0}, REASON_TIMEOUT},
        {"not resolved", "gone.example", read, STATE_UNREACHABLE, Calls{}, REASON_NOT_RESOLVED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reach(STATE_UNREACHABLE, c.typed, true);
        scripted::S = {PROBE_NO_REPLY, c.model, false};
        Send(WM_COMMAND, IDC_UPDATE_TARGET);
        const scripted::Script& s = scripted::S;
        EXPECT_EQ(g_state, c.to);
        EXPECT_EQ(Monitor().reported, c.reported);
        EXPECT_EQ(std::tuple(s.probeCalls, s.modelCalls, s.pollCalls),
                  std::tuple(c.calls.probe, c.calls.model, c.calls.poll))
            << "calls: probe, model query, poll cycle";
        EXPECT_STREQ(g_target, c.typed.c_str());
    }
}

// With a retry period the unreachable window presses Update Target itself, on the target it
// shows, that long after it became unreachable and then every period until the printer
// answers; the ticks that keep the display do not restart the wait. Without one, nothing sets
// or answers a second timer.
TEST_F(MonitorDialogTest, RetryWhileUnreachable) {
    // The condition's first reading is due too (the watcher's tests, condition_watch_test).
    const std::pair<UINT_PTR, UINT> condition{CONDITION_TIMER_ID, watch::FIRST_READING_MS};
    const std::map<UINT_PTR, UINT> pollOnly{{POLL_TIMER_ID, 2000}, condition};
    const std::map<UINT_PTR, UINT> withRetry{
        {POLL_TIMER_ID, 2000}, {RETRY_TIMER_ID, 30000}, condition};

    Reach(STATE_UNREACHABLE, "printer.lan", false, 30);
    EXPECT_EQ(Monitor().timers, withRetry);
    Monitor().timers.erase(RETRY_TIMER_ID);
    Tick();
    EXPECT_EQ(Monitor().timers, pollOnly) << "a tick while unreachable restarted the retry";
    Monitor().timers[RETRY_TIMER_ID] = 30000;

    // A retry that finds no echo leaves the window as it was and the retry running.
    scripted::S = {PROBE_NO_REPLY, "Scripted Model", false};
    Send(WM_TIMER, RETRY_TIMER_ID);
    EXPECT_EQ(std::tuple(scripted::S.probeCalls, scripted::S.modelCalls), std::tuple(1, 0));
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
    EXPECT_EQ(Monitor().reported, REASON_NO_ECHO_REPLY);
    EXPECT_EQ(Monitor().timers, withRetry);

    // One that is answered takes the shown target and polls; the retry stops.
    Monitor().texts[IDC_PRIMARY] = "shown.host";
    scripted::S = {};
    Send(WM_TIMER, RETRY_TIMER_ID);
    EXPECT_EQ(std::tuple(scripted::S.probeCalls, scripted::S.modelCalls, scripted::S.pollCalls),
              std::tuple(1, 1, 1));
    EXPECT_STREQ(g_target, "shown.host");
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(Monitor().title, "Scripted Model Monitor");
    EXPECT_EQ(Monitor().timers, pollOnly);

    // While polling a late retry does nothing; losing the printer starts the wait again.
    Send(WM_TIMER, RETRY_TIMER_ID);
    EXPECT_EQ(scripted::S.probeCalls, 1);
    scripted::S.pollLost = true;
    Tick();
    Tick();
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
    EXPECT_EQ(Monitor().timers, withRetry);

    // Exit takes the retry with the poll timer.
    Send(WM_COMMAND, IDM_EXIT);
    EXPECT_TRUE(Monitor().timers.empty());

    // Without a period the unreachable window waits for the user.
    Reach(STATE_UNREACHABLE);
    EXPECT_EQ(Monitor().timers, pollOnly);
    Send(WM_TIMER, RETRY_TIMER_ID);
    EXPECT_EQ(std::tuple(scripted::S.probeCalls, scripted::S.modelCalls), std::tuple(0, 0));
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
}

TEST_F(MonitorDialogTest, ATypedTargetTooLongIsNeverUsedCut) {
    Reach(STATE_UNREACHABLE, std::string(60, 'x') + ":161");
    Send(WM_COMMAND, IDC_UPDATE_TARGET);
    EXPECT_EQ(Monitor().reported, REASON_TARGET_TOO_LONG);
    EXPECT_FALSE(g_agent.usable);
    EXPECT_EQ(scripted::S.modelCalls, 0);
}

// The window as initialisation prepares it, and the tray record field by field.
TEST_F(MonitorDialogTest, InitialisationAndTheTrayRecord) {
    // 100 characters: the tip and the balloon title keep their first 63. The edits' change
    // notifications enter the procedure while its outer call still fills its record; they
    // must leave that record alone.
    const std::string longTitle(100, 'T');
    BoundedCopy(g_title, TITLE_CHARS, longTitle.c_str());
    g_icon_current = g_icon_offline;  // the first icon comes from start-up, whatever it is
    g_state = STATE_LOST;             // the first tick shows the unreachable display at once
    Send(WM_INITDIALOG, 0, 5);
    EXPECT_EQ(Monitor().timers,
              (std::map<UINT_PTR, UINT>{{POLL_TIMER_ID, 2000},
                                        {CONDITION_TIMER_ID, watch::FIRST_READING_MS}}));
    const posixui::ProgressState& toner = Monitor().bars[IDC_TONER];
    EXPECT_EQ(std::tie(toner.minimum, toner.maximum, toner.step, toner.barColor),
              std::make_tuple(0, 30000, 1, 0u));
    // The box doubles as the entry for a new target: no more may be typed than a target holds.
    EXPECT_EQ(Monitor().limits[IDC_PRIMARY], 63u);
    NOTIFYICONDATAA expected;
    std::memset(&expected, 0, sizeof expected);  // the bytes behind the texts too
    expected.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
    expected.hWnd = MONITOR;
    expected.uID = TRAY_ICON_ID;
    expected.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    expected.hIcon = g_icon_offline;
    expected.uCallbackMessage = 1234;
    std::memcpy(expected.szTip, longTitle.data(), 63);
    std::strcpy(expected.szInfo, "By Quillfen");
    std::memcpy(expected.szInfoTitle, longTitle.data(), 63);
    expected.uTimeout = 10000;
    expected.dwInfoFlags = NIIF_INFO;
    EXPECT_EQ(std::memcmp(TrayIcon(), &expected, sizeof expected), 0);

    // Update Target adopts a model whose title is too long for the tip and, by one, for the
    // title (the display it leaves is the transition table's).
    const std::string longModel(120, 'M');
    scripted::S = {PROBE_REPLY, longModel, true};
    Send(WM_COMMAND, IDC_UPDATE_TARGET);
    expected.hIcon = g_icon_online;
    std::memcpy(expected.szTip, longModel.data(), 63);
    EXPECT_EQ(std::memcmp(TrayIcon(), &expected, sizeof expected), 0);
    // The window title takes all the title holds; only the tray cuts it further.
    EXPECT_EQ(Monitor().title, longModel + " Monito");
}

TEST_F(MonitorDialogTest, HideShowDoubleClickAndTheTrayMenu) {
    Reach(STATE_OK);
    Monitor().visible = true;
    // Each message (a command, or the icon's mouse message with the icon's id) and whether the
    // window is visible after it. A single click does nothing; neither does a double-click in
    // wParam or with high bits.
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool visible;
    } steps[] = {
        {"Hide button", WM_COMMAND, IDC_HIDE, 0, false},
        {"Show item", WM_COMMAND, IDM_SHOW, 0, true},
        {"Hide item", WM_COMMAND, IDM_HIDE, 0, false},
        {"double-click shows", WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK, true},
        {"double-click hides", WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK, false},
        {"single click", WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONUP, false},
        {"double-click in wParam", WM_TRAYNOTIFY, WM_LBUTTONDBLCLK, 0, false},
        {"double-click with high bits", WM_TRAYNOTIFY, TRAY_ICON_ID, 0x10000 | WM_LBUTTONDBLCLK,
         false},
    };
    for (const auto& step : steps) {
        Send(step.message, step.wParam, step.lParam);
        EXPECT_EQ(Monitor().visible, step.visible) << step.name;
    }

    // The right button opens the menu at the cursor, for a hidden window too, with the window
    // in the foreground so that a click elsewhere closes it; the menu is not kept.
    W().cursor = {812, 633};
    W().menuChoice = IDM_EXIT;
    Send(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    EXPECT_EQ(W().popup,
              "812,633 " + std::to_string(TPM_LEFTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN));
    EXPECT_EQ(W().foreground, MONITOR);
    EXPECT_EQ(W().liveMenus, 0);
    EXPECT_FALSE(Monitor().ended.has_value());
    fakeui::DeliverPosted();  // the chosen item arrives afterwards as a command
    EXPECT_EQ(Monitor().ended, 0);
}

}  // namespace

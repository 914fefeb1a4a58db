// The status window's procedure driven message by message through the recording fake UI, with
// scripted probe, model query and poll cycle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/fake/fake_ui.h"
#include "probe/probe.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "tests/shell/scripted_core.h"
#include "text/bounded_text.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class MonitorDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        scripted::Reset();
        g_hinstance = fakeui::Instance();
        BoundedCopy(g_target, TARGET_CHARS, "printer.lan");
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
        BoundedCopy(g_model, MODEL_CHARS, "HP LaserJet 4250");
        BoundedCopy(g_title, TITLE_CHARS, "HP LaserJet 4250 Monitor");
        g_icon_online = fakeui::IconHandle(IDI_ONLINE);
        g_icon_offline = fakeui::IconHandle(IDI_OFFLINE);
        g_icon_current = g_icon_online;
        g_state = STATE_OK;
        g_session = nullptr;
        fakeui::AttachProcedure(dialog, MonitorDialogProc);
    }
    void TearDown() override { EXPECT_EQ(scripted::PollMisuses(), 0); }

    // Every message must leave the dialog manager's default processing in place.
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        EXPECT_EQ(MonitorDialogProc(dialog, message, wParam, lParam), 0) << "message " << message;
    }
    void Command(WORD id, WORD code = 0) {
        Send(WM_COMMAND, static_cast<WPARAM>(id) | (static_cast<WPARAM>(code) << 16));
    }
    void Tray(LPARAM mouse) { Send(WM_TRAYNOTIFY, TRAY_ICON_ID, mouse); }
    // Initialises and forgets what that logged.
    void Start() {
        Send(WM_INITDIALOG, 0, 5);
        fakeui::ClearCalls();
    }

    std::string Text(int id) { return fakeui::ControlText(dialog, id); }
    bool UpdateButtonShown() {
        return fakeui::IsVisible(fakeui::ControlHandle(dialog, IDC_UPDATE_TARGET));
    }
    std::vector<fakeui::Call> TrayCalls() { return fakeui::CallsTo("Shell_NotifyIconA"); }

    // A record as the procedure must send it: all zero but the fields a test fills.
    NOTIFYICONDATAA BaseRecord() {
        NOTIFYICONDATAA r;
        std::memset(&r, 0, sizeof r);
        r.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE);
        r.hWnd = dialog;
        r.uID = 500;
        return r;
    }

    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
};

void ExpectSameRecord(const NOTIFYICONDATAA& actual, const NOTIFYICONDATAA& expected) {
    EXPECT_EQ(actual.cbSize, expected.cbSize);
    EXPECT_EQ(actual.hWnd, expected.hWnd);
    EXPECT_EQ(actual.uID, expected.uID);
    EXPECT_EQ(actual.uFlags, expected.uFlags);
    EXPECT_EQ(actual.uCallbackMessage, expected.uCallbackMessage);
    EXPECT_EQ(actual.hIcon, expected.hIcon);
    EXPECT_STREQ(actual.szTip, expected.szTip);
    EXPECT_STREQ(actual.szInfo, expected.szInfo);
    EXPECT_STREQ(actual.szInfoTitle, expected.szInfoTitle);
    EXPECT_EQ(actual.uTimeout, expected.uTimeout);
    EXPECT_EQ(actual.dwInfoFlags, expected.dwInfoFlags);
    // Everything else, the bytes behind the texts included, must be zero as well.
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0) << "stray bytes in the record";
}

TEST_F(MonitorDialogTest, InitialisationRunsItsStepsInOrderAndPollsAtOnce) {
    Send(WM_INITDIALOG, 0, 5);
    EXPECT_THAT(fakeui::CallStrings(),
                ElementsAre("lstrcpynA(\"By Quillfen\", 64)",
                            "Shell_NotifyIconA(0, dlg201, 500, 23)", "SetTimer(dlg201, 1, 2000, 0)",
                            "SetDlgItemTextA(dlg201, 2000, \"printer.lan\")",
                            "SetDlgItemTextA(dlg201, 3002, \"Target Printer:\")",
                            "SendDlgItemMessageA(dlg201, 2002, 1025, 0, 1966080000)",
                            "SendDlgItemMessageA(dlg201, 2002, 1033, 0, 0)",
                            "SendDlgItemMessageA(dlg201, 2002, 1028, 1, 0)",
                            "SetWindowTextA(dlg201, \"HP LaserJet 4250 Monitor\")",
                            "SendMessageA(dlg201, 275, 1, 0)", "PollPrinterStatus",
                            "SetDlgItemTextA(dlg201, 2000, \"READY\")",
                            "SetDlgItemTextA(dlg201, 3002, \"Primary Status:\")"));
    const fakeui::ProgressBar bar = fakeui::Progress(dialog, IDC_TONER);
    EXPECT_EQ(bar.minimum, 0);
    EXPECT_EQ(bar.maximum, 30000);
    EXPECT_EQ(bar.color, 0);
    EXPECT_EQ(bar.step, 1);
    EXPECT_EQ(fakeui::Timers(dialog).at(POLL_TIMER_ID), 2000u);
    EXPECT_FALSE(UpdateButtonShown());
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(MonitorDialogTest, StartInLostShowsTheUnreachableDisplayAfterTheBalloon) {
    g_state = STATE_LOST;
    g_icon_current = g_icon_offline;
    Send(WM_INITDIALOG, 0, 5);
    EXPECT_THAT(fakeui::CallStringsOf("SetDlgItemTextA"),
                ElementsAre("SetDlgItemTextA(dlg201, 2000, \"printer.lan\")",
                            "SetDlgItemTextA(dlg201, 3002, \"Target Printer:\")",
                            "SetDlgItemTextA(dlg201, 2000, \"printer.lan\")",
                            "SetDlgItemTextA(dlg201, 3002, \"Unreachable:\")"));
    EXPECT_THAT(fakeui::CallStringsOf("Shell_NotifyIconA"),
                ElementsAre("Shell_NotifyIconA(0, dlg201, 500, 23)",
                            "Shell_NotifyIconA(1, dlg201, 500, 2)"));
    EXPECT_STREQ(TrayCalls()[0].record.szInfo, "By Quillfen");
    EXPECT_EQ(scripted::PollCalls(), 0);
    EXPECT_TRUE(UpdateButtonShown());
    EXPECT_EQ(Text(IDC_PRIMARY), "printer.lan");
    EXPECT_EQ(fakeui::TrayIcon(dialog, TRAY_ICON_ID)->hIcon, g_icon_offline);
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
}

// Each row of the state machine: the state before, the event, what the scripted parts answer,
// and what must follow.
enum class Event { Tick, UpdateTarget, Cancel, Exit };
struct TransitionCase {
    const char* name;
    int from;
    Event event;
    int probe;
    scripted::Model model;
    scripted::Poll poll;
    int to;
    int probes, models, polls;
    const char* target;  // g_target afterwards
    bool ended;
};

TEST_F(MonitorDialogTest, TransitionTable) {
    using M = scripted::Model;
    using P = scripted::Poll;
    const TransitionCase cases[] = {
        {"ok tick", STATE_OK, Event::Tick, 0, M::Read, P::Answered, STATE_OK, 0, 0, 1,
         "printer.lan", false},
        {"ok tick, lost", STATE_OK, Event::Tick, 0, M::Read, P::Lost, STATE_LOST, 0, 0, 1,
         "printer.lan", false},
        {"ok update", STATE_OK, Event::UpdateTarget, 0, M::Read, P::Answered, STATE_OK, 0, 0, 0,
         "printer.lan", false},
        {"lost tick", STATE_LOST, Event::Tick, 0, M::Read, P::Answered, STATE_UNREACHABLE, 0, 0, 0,
         "printer.lan", false},
        {"unreachable tick", STATE_UNREACHABLE, Event::Tick, 0, M::Read, P::Answered,
         STATE_UNREACHABLE, 0, 0, 0, "printer.lan", false},
        {"lost update, no reply", STATE_LOST, Event::UpdateTarget, PROBE_NO_REPLY, M::Read,
         P::Answered, STATE_LOST, 1, 0, 0, "typed.host", false},
        {"unreachable update, no reply", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_NO_REPLY,
         M::Read, P::Answered, STATE_UNREACHABLE, 1, 0, 0, "typed.host", false},
        {"unreachable update, probe error", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_ERROR,
         M::Read, P::Answered, STATE_UNREACHABLE, 1, 0, 0, "typed.host", false},
        {"unreachable update, no model", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_REPLY,
         M::NoSuchName, P::Answered, STATE_UNREACHABLE, 1, 1, 0, "typed.host", false},
        {"unreachable update, model lost", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_REPLY,
         M::Lost, P::Answered, STATE_LOST, 1, 1, 0, "typed.host", false},
        {"lost update, model lost", STATE_LOST, Event::UpdateTarget, PROBE_REPLY, M::Lost,
         P::Answered, STATE_LOST, 1, 1, 0, "typed.host", false},
        {"unreachable update, resumes", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_REPLY,
         M::Read, P::Answered, STATE_OK, 1, 1, 1, "typed.host", false},
        {"lost update, resumes", STATE_LOST, Event::UpdateTarget, PROBE_REPLY, M::Read, P::Answered,
         STATE_OK, 1, 1, 1, "typed.host", false},
        {"update, resumes, poll lost", STATE_UNREACHABLE, Event::UpdateTarget, PROBE_REPLY, M::Read,
         P::Lost, STATE_LOST, 1, 1, 1, "typed.host", false},
        {"ok cancel", STATE_OK, Event::Cancel, 0, M::Read, P::Answered, STATE_OK, 0, 0, 0,
         "printer.lan", true},
        {"unreachable exit", STATE_UNREACHABLE, Event::Exit, 0, M::Read, P::Answered,
         STATE_UNREACHABLE, 0, 0, 0, "printer.lan", true},
        {"lost exit", STATE_LOST, Event::Exit, 0, M::Read, P::Answered, STATE_LOST, 0, 0, 0,
         "printer.lan", true},
    };
    for (const TransitionCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        g_state = c.from;
        fakeui::SetControlText(dialog, IDC_PRIMARY, "typed.host");
        scripted::QueueProbe(c.probe);
        scripted::QueueModel(c.model);
        scripted::QueuePoll(c.poll);
        switch (c.event) {
            case Event::Tick:
                Send(WM_TIMER, POLL_TIMER_ID);
                break;
            case Event::UpdateTarget:
                Command(IDC_UPDATE_TARGET);
                break;
            case Event::Cancel:
                Command(IDCANCEL);
                break;
            case Event::Exit:
                Command(IDM_EXIT);
                break;
        }
        EXPECT_EQ(g_state, c.to);
        EXPECT_EQ(scripted::ProbeCalls(), c.probes);
        EXPECT_EQ(scripted::ModelCalls(), c.models);
        EXPECT_EQ(scripted::PollCalls(), c.polls);
        EXPECT_STREQ(g_target, c.target);
        EXPECT_EQ(fakeui::EndResult(dialog).has_value(), c.ended);
        EXPECT_EQ(scripted::PollMisuses(), 0);
        if (c.from == STATE_LOST && c.event == Event::Tick) {
            EXPECT_EQ(Text(IDC_PRIMARY), "printer.lan");  // the target written on entry
        }
        if (c.from == STATE_UNREACHABLE && c.event == Event::Tick) {
            EXPECT_EQ(Text(IDC_PRIMARY), "typed.host");  // the user's box is left alone
        }
        if (c.event == Event::Tick && c.from != STATE_OK) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Unreachable:");
            EXPECT_TRUE(UpdateButtonShown());
        }
        if (c.event == Event::Tick && c.from == STATE_OK) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
        }
        const bool resumed = c.models == 1 && c.model == M::Read;
        if (c.event == Event::UpdateTarget && !resumed) {
            // A failed attempt changes nothing the user sees.
            EXPECT_THAT(fakeui::CallsTo("SetDlgItemTextA"), IsEmpty());
            EXPECT_THAT(TrayCalls(), IsEmpty());
            EXPECT_THAT(fakeui::CallsTo("SetWindowTextA"), IsEmpty());
            EXPECT_THAT(fakeui::CallsTo("ShowWindow"), IsEmpty());
        }
        if (resumed) {
            EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Primary Status:");
            EXPECT_EQ(fakeui::WindowTitle(dialog), "Scripted Model Monitor");
        }
    }
}

TEST_F(MonitorDialogTest, TrayRecordsFieldByField) {
    // 100 characters: the tip and the balloon title keep their first 63.
    const std::string longTitle(100, 'T');
    BoundedCopy(g_title, TITLE_CHARS, longTitle.c_str());
    g_icon_current = g_icon_offline;  // the first icon comes from start-up, whatever it is
    g_state = STATE_LOST;
    Send(WM_INITDIALOG, 0, 5);

    NOTIFYICONDATAA add = BaseRecord();
    add.uFlags = 0x17;
    add.uCallbackMessage = 1234;
    add.hIcon = g_icon_offline;
    std::memcpy(add.szTip, longTitle.data(), 63);
    std::strcpy(add.szInfo, "By Quillfen");
    std::memcpy(add.szInfoTitle, longTitle.data(), 63);
    add.uTimeout = 10000;
    add.dwInfoFlags = 1;

    NOTIFYICONDATAA unreachable = BaseRecord();
    unreachable.uFlags = 0x2;
    unreachable.hIcon = g_icon_offline;

    // Update Target adopts a model whose title is also too long for the tip.
    const std::string longModel(80, 'M');
    scripted::QueueModel(scripted::Model::Read, longModel);
    Command(IDC_UPDATE_TARGET);
    NOTIFYICONDATAA resumed = BaseRecord();
    resumed.uFlags = 0x6;
    resumed.hIcon = g_icon_online;
    std::memcpy(resumed.szTip, longModel.data(), 63);

    Command(IDM_EXIT);
    const NOTIFYICONDATAA removed = BaseRecord();

    const std::vector<fakeui::Call> calls = TrayCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].ints[0], NIM_ADD);
    EXPECT_EQ(calls[1].ints[0], NIM_MODIFY);
    EXPECT_EQ(calls[2].ints[0], NIM_MODIFY);
    EXPECT_EQ(calls[3].ints[0], NIM_DELETE);
    {
        SCOPED_TRACE("add");
        ExpectSameRecord(calls[0].record, add);
    }
    {
        SCOPED_TRACE("modify, unreachable");
        ExpectSameRecord(calls[1].record, unreachable);
    }
    {
        SCOPED_TRACE("modify, after Update Target");
        ExpectSameRecord(calls[2].record, resumed);
    }
    {
        SCOPED_TRACE("delete");
        ExpectSameRecord(calls[3].record, removed);
    }
    // The window title takes the whole title; only the tray cuts it.
    EXPECT_EQ(fakeui::WindowTitle(dialog), longModel + " Monitor");
    EXPECT_FALSE(fakeui::TrayIcon(dialog, TRAY_ICON_ID).has_value());
}

TEST_F(MonitorDialogTest, NestedCallsLeaveTheOuterRecordAlone) {
    // Edit controls notify the dialog while their text is set, inside the outer handler.
    fakeui::NotifyChangesOf({IDC_PRIMARY, IDC_SECONDARY});
    g_state = STATE_LOST;
    Send(WM_INITDIALOG, 0, 5);
    const std::vector<fakeui::Call> calls = TrayCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].record.uFlags, 0x17u);
    EXPECT_EQ(calls[1].record.uFlags, 0x2u);
    EXPECT_EQ(calls[1].record.uCallbackMessage, 0u);
    EXPECT_STREQ(calls[1].record.szTip, "");

    // Update Target sets the record's flags before the poll cycle, whose writes into the edits
    // come back as nested commands; the flags must still be there for the modify.
    Command(IDC_UPDATE_TARGET);
    const std::vector<fakeui::Call> after = TrayCalls();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2].record.uFlags, 0x6u);
    EXPECT_EQ(after[2].record.hIcon, g_icon_online);
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_FALSE(fakeui::EndResult(dialog).has_value());
}

TEST_F(MonitorDialogTest, TypedTextSurvivesTicksWhileUnreachable) {
    g_state = STATE_LOST;
    Start();
    fakeui::SetControlText(dialog, IDC_PRIMARY, "other-printer");
    for (int i = 0; i < 20; ++i) {
        Send(WM_TIMER, POLL_TIMER_ID);
    }
    EXPECT_EQ(Text(IDC_PRIMARY), "other-printer");
    EXPECT_EQ(fakeui::CallsTo("Shell_NotifyIconA").size(), 20u);
    for (const fakeui::Call& call : fakeui::CallsTo("SetDlgItemTextA")) {
        EXPECT_EQ(call.ints[0], IDC_PRIMARY_LABEL);
    }
    EXPECT_EQ(scripted::PollCalls(), 0);
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
}

TEST_F(MonitorDialogTest, UpdateTargetWhilePollingReadsNothing) {
    Start();
    fakeui::SetControlText(dialog, IDC_PRIMARY, "READY");
    Command(IDC_UPDATE_TARGET);
    Command(IDC_UPDATE_TARGET, 0x1234);  // Enter, or any notification code
    EXPECT_THAT(fakeui::CallStrings(), IsEmpty());
    EXPECT_STREQ(g_target, "printer.lan");
    EXPECT_EQ(scripted::ProbeCalls(), 0);
}

TEST_F(MonitorDialogTest, SuccessfulUpdateTargetWhoseFirstPollFails) {
    g_state = STATE_LOST;
    Start();
    fakeui::SetControlText(dialog, IDC_PRIMARY, "new.printer:1161");
    scripted::QueueModel(scripted::Model::Read, "Brother HL");
    scripted::QueuePoll(scripted::Poll::Lost);
    Command(IDC_UPDATE_TARGET);
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("GetDlgItemTextA(dlg201, 2000, 64)", "ProbeTarget", "QueryPrinterModel",
                    "PollPrinterStatus", "GetDlgItem(dlg201, 3001)", "ShowWindow(ctl3001, 0)",
                    "SetDlgItemTextA(dlg201, 3002, \"Primary Status:\")",
                    "Shell_NotifyIconA(1, dlg201, 500, 6)",
                    "SetWindowTextA(dlg201, \"Brother HL Monitor\")"));
    EXPECT_STREQ(g_target, "new.printer:1161");
    EXPECT_EQ(scripted::ProbedTargets().back(), "new.printer:1161");
    EXPECT_STREQ(g_title, "Brother HL Monitor");
    EXPECT_EQ(fakeui::TrayIcon(dialog, TRAY_ICON_ID)->hIcon, g_icon_online);
    EXPECT_STREQ(fakeui::TrayIcon(dialog, TRAY_ICON_ID)->szTip, "Brother HL Monitor");
    EXPECT_EQ(g_icon_current, g_icon_online);  // from the set-up, never changed here
    EXPECT_EQ(g_state, STATE_LOST);

    // The next tick goes back to the unreachable display, with the adopted target.
    fakeui::ClearCalls();
    Send(WM_TIMER, POLL_TIMER_ID);
    EXPECT_EQ(Text(IDC_PRIMARY), "new.printer:1161");
    EXPECT_EQ(Text(IDC_PRIMARY_LABEL), "Unreachable:");
    EXPECT_TRUE(UpdateButtonShown());
    EXPECT_EQ(fakeui::TrayIcon(dialog, TRAY_ICON_ID)->hIcon, g_icon_offline);
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
}

TEST_F(MonitorDialogTest, FailedModelQueryThenTickWritesTheTypedTarget) {
    g_state = STATE_UNREACHABLE;
    Start();
    fakeui::SetControlText(dialog, IDC_PRIMARY, "typed");
    scripted::QueueModel(scripted::Model::Lost);
    Command(IDC_UPDATE_TARGET);
    EXPECT_EQ(g_state, STATE_LOST);
    fakeui::SetControlText(dialog, IDC_PRIMARY, "typed and changed");
    Send(WM_TIMER, POLL_TIMER_ID);
    EXPECT_EQ(Text(IDC_PRIMARY), "typed");
    EXPECT_EQ(g_state, STATE_UNREACHABLE);
}

TEST_F(MonitorDialogTest, HideShowAndDoubleClickToggle) {
    Start();
    fakeui::SetVisible(dialog, true);
    Command(IDC_HIDE);
    EXPECT_FALSE(fakeui::IsVisible(dialog));
    Command(IDM_SHOW);
    EXPECT_TRUE(fakeui::IsVisible(dialog));
    Command(IDM_HIDE);
    EXPECT_FALSE(fakeui::IsVisible(dialog));
    Command(IDM_HIDE);
    EXPECT_FALSE(fakeui::IsVisible(dialog));
    EXPECT_THAT(fakeui::CallStrings(),
                ElementsAre("ShowWindow(dlg201, 0)", "ShowWindow(dlg201, 1)",
                            "ShowWindow(dlg201, 0)", "ShowWindow(dlg201, 0)"));

    fakeui::ClearCalls();
    Tray(WM_LBUTTONDBLCLK);  // hidden: shows
    EXPECT_TRUE(fakeui::IsVisible(dialog));
    Tray(WM_LBUTTONDBLCLK);  // visible: hides again
    EXPECT_FALSE(fakeui::IsVisible(dialog));
    EXPECT_THAT(fakeui::CallStrings(), ElementsAre("ShowWindow(dlg201, 5)", "ShowWindow(dlg201, 5)",
                                                   "ShowWindow(dlg201, 0)"));

    // Single clicks, releases and moves do nothing; neither does a double-click in wParam.
    fakeui::ClearCalls();
    for (LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE}) {
        Tray(mouse);
    }
    Send(WM_TRAYNOTIFY, WM_LBUTTONDBLCLK, 0);
    Send(WM_TRAYNOTIFY, TRAY_ICON_ID, static_cast<LPARAM>(0x10000 | WM_LBUTTONDBLCLK));
    EXPECT_THAT(fakeui::CallStrings(), IsEmpty());
    // Hiding changes nothing else: the timer keeps running and the icon stays.
    EXPECT_EQ(fakeui::Timers(dialog).size(), 1u);
    EXPECT_TRUE(fakeui::TrayIcon(dialog, TRAY_ICON_ID).has_value());
}

TEST_F(MonitorDialogTest, RightButtonOpensTheMenuAtTheCursorAndExitEndsTheDialog) {
    Start();
    fakeui::SetVisible(dialog, false);  // the menu works for a hidden window too
    fakeui::SetCursor({812, 633});
    fakeui::SetMenuChoice(IDM_EXIT);
    Tray(WM_RBUTTONDOWN);
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("GetCursorPos()", "SetForegroundWindow(dlg201)", "LoadMenuA(hinst, 229)",
                    "GetSubMenu(menu1, 0)", "TrackPopupMenu(sub1, 40, 812, 633, 0, dlg201, 0)",
                    "DestroyMenu(menu1)"));
    EXPECT_EQ(fakeui::LiveMenus(), 0);
    EXPECT_FALSE(fakeui::EndResult(dialog).has_value());

    // The chosen item arrives afterwards as a command.
    fakeui::ClearCalls();
    fakeui::DeliverPosted();
    EXPECT_THAT(fakeui::CallStrings(),
                ElementsAre("KillTimer(dlg201, 1)", "Shell_NotifyIconA(2, dlg201, 500, 0)",
                            "EndDialog(dlg201, 0)"));

    // A second popup loads the menu afresh.
    fakeui::ClearCalls();
    fakeui::SetMenuChoice(0);
    Tray(WM_RBUTTONDOWN);
    EXPECT_THAT(fakeui::CallStringsOf("LoadMenuA"), ElementsAre("LoadMenuA(hinst, 229)"));
    EXPECT_THAT(fakeui::CallStringsOf("DestroyMenu"), ElementsAre("DestroyMenu(menu2)"));
    EXPECT_EQ(fakeui::LiveMenus(), 0);
}

TEST_F(MonitorDialogTest, AnyTimerIdAndAnyNotificationCodeAreHandledAlike) {
    Start();
    for (WPARAM id : {WPARAM{0}, WPARAM{1}, WPARAM{77}}) {
        Send(WM_TIMER, id);
    }
    EXPECT_EQ(scripted::PollCalls(), 4);  // the first tick at initialisation and three more

    fakeui::SetVisible(dialog, true);
    fakeui::ClearCalls();
    Command(IDC_HIDE, 0);               // BN_CLICKED
    Command(IDC_HIDE, 0xBEEF);          // any other code
    Send(WM_COMMAND, IDC_HIDE, 12345);  // lParam is not looked at either
    EXPECT_THAT(fakeui::CallStrings(), ElementsAre("ShowWindow(dlg201, 0)", "ShowWindow(dlg201, 0)",
                                                   "ShowWindow(dlg201, 0)"));
}

TEST_F(MonitorDialogTest, ExitStopsTimerThenRemovesIconThenEnds) {
    for (WORD command : {WORD{IDCANCEL}, WORD{IDM_EXIT}}) {
        SCOPED_TRACE(command);
        SetUp();
        Start();
        Command(command, 0x55);
        EXPECT_THAT(fakeui::CallStrings(),
                    ElementsAre("KillTimer(dlg201, 1)", "Shell_NotifyIconA(2, dlg201, 500, 0)",
                                "EndDialog(dlg201, 0)"));
        EXPECT_TRUE(fakeui::Timers(dialog).empty());
        EXPECT_FALSE(fakeui::TrayIcon(dialog, TRAY_ICON_ID).has_value());
        EXPECT_EQ(fakeui::EndResult(dialog), 0);
    }
}

TEST_F(MonitorDialogTest, PaintAndUnhandledMessagesReturnZero) {
    Start();
    Send(WM_PAINT);
    EXPECT_THAT(fakeui::CallStrings(),
                ElementsAre("BeginPaint(dlg201, paint)", "EndPaint(dlg201, paint)"));
    fakeui::ClearCalls();
    // Unknown messages, and commands that match no row (edit notifications among them).
    for (UINT message : {0x0010u, 0x0100u, 0x0200u, UINT{WM_USER + 1}, WM_TRAYNOTIFY + 1}) {
        Send(message, 1, 2);
    }
    Command(IDOK);
    Command(IDC_PRIMARY, 0x0300);
    Command(IDC_SECONDARY, 0x0300);
    EXPECT_THAT(fakeui::CallStrings(), IsEmpty());
}

}  // namespace

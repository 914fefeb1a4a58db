// The status window with its condition watcher and the details window, over the fake UI, with
// the real SNMP layers against the simulated colour printer on loopback. The test plays the
// window system's part: it delivers the timers the procedures set, as a message loop would.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/ui.h"
#include "shell/condition_watch.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "state/watched_target.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "tests/support/printer_sim.h"
#include "text/bounded_text.h"

namespace {

using fakeui::W;
const HWND MONITOR = fakeui::DialogHandle(IDD_MONITOR);
const HWND DETAILS = fakeui::DialogHandle(IDD_DETAILS);
constexpr const char* TITLE = "Brother HL-L8360CDW series Monitor";

fakeui::Dialog& Monitor() {
    return W().dialogs[IDD_MONITOR];
}
fakeui::Dialog& Details() {
    return W().dialogs[IDD_DETAILS];
}

// The balloons the tray was asked for since `from`: "LEVEL TITLE|TEXT" per NIF_INFO call.
std::vector<std::string> Balloons(std::size_t from = 0) {
    std::vector<std::string> seen;
    for (std::size_t i = from; i < W().trayCalls.size(); ++i) {
        const auto& [operation, record] = W().trayCalls[i];
        if (operation == NIM_MODIFY && (record.uFlags & NIF_INFO) != 0) {
            seen.push_back(std::to_string(record.dwInfoFlags) + " " + record.szInfoTitle + "|" +
                           record.szInfo);
        }
    }
    return seen;
}

class ConditionWatchTest : public ::testing::Test {
  protected:
    explicit ConditionWatchTest(
        const PrinterSimOptions& printer = PrinterSim::Bundled("colour-laser"))
        : sim(printer) {}

    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << sim.error();
        fakeui::Reset();
        BoundedCopy(g_target, TARGET_CHARS, sim.target().c_str());
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
        BoundedCopy(g_title, TITLE_CHARS, TITLE);
        SetWatchedTarget(true, true);
        g_state = STATE_OK;
        g_session = nullptr;
        g_skip_echo = true;
        g_retry_seconds = 0;
        g_condition_seconds = 10;
        g_condition_request = condition::ReadRequest{};
        g_notify = true;
        Monitor().procedure = MonitorDialogProc;
        Send(MONITOR, WM_INITDIALOG);
    }
    void TearDown() override {
        if (!Monitor().ended) {
            Send(MONITOR, WM_COMMAND, IDM_EXIT);
        }
    }

    static void Send(HWND window, UINT message, WPARAM wParam = 0) {
        EXPECT_EQ(ui::SendMessageA(window, message, wParam, 0), 0);
    }
    // The schedule's timer falls due; then the step timer, every few milliseconds rather than
    // the window system's 100, for as long as the watcher keeps it. Returns the steps taken.
    static int ReadNow() {
        EXPECT_TRUE(Monitor().timers.contains(CONDITION_TIMER_ID));
        Send(MONITOR, WM_TIMER, CONDITION_TIMER_ID);
        int steps = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(25);
        while (Monitor().timers.contains(CONDITION_STEP_TIMER_ID) &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            Send(MONITOR, WM_TIMER, CONDITION_STEP_TIMER_ID);
            ++steps;
        }
        EXPECT_FALSE(Monitor().timers.contains(CONDITION_STEP_TIMER_ID))
            << "the reading never ended";
        return steps;
    }

    PrinterSim sim;
};

// The window's own cycle is what it was: a poll tick sets the same texts, sets no timer and
// touches no tray, with a reading in flight or not; the watcher's timers never poll.
TEST_F(ConditionWatchTest, ThePollCycleIsUnchanged) {
    std::vector<std::string> texts;
    W().onText = [&texts](int id, const std::string& text) {
        texts.push_back(std::to_string(id) + "=" + text);
    };
    const auto tick = [&texts] {
        texts.clear();
        const auto timers = Monitor().timers;
        const std::size_t trayCalls = W().trayCalls.size();
        Send(MONITOR, WM_TIMER, POLL_TIMER_ID);
        EXPECT_EQ(Monitor().timers, timers);
        EXPECT_EQ(W().trayCalls.size(), trayCalls);
        return texts;
    };
    const std::vector<std::string> quiet = tick();
    EXPECT_FALSE(quiet.empty());
    EXPECT_EQ(Monitor().timers,
              (std::map<UINT_PTR, UINT>{{POLL_TIMER_ID, 2000}, {CONDITION_TIMER_ID, 3000}}));

    Send(MONITOR, WM_TIMER, CONDITION_TIMER_ID);  // a reading starts ...
    EXPECT_EQ(Monitor().timers.at(CONDITION_STEP_TIMER_ID), 100u);
    EXPECT_EQ(Monitor().timers.at(CONDITION_TIMER_ID), 10000u) << "then every --condition-every";
    EXPECT_EQ(tick(), quiet) << "a tick with a reading in flight";
    texts.clear();
    Send(MONITOR, WM_TIMER, CONDITION_STEP_TIMER_ID);  // ... and its steps poll nothing
    EXPECT_TRUE(texts.empty());
    W().onText = nullptr;
}

// Jammed and cleared through the simulator's control channel: one balloon each, with the
// window's title, and nothing said again while nothing changes.
TEST_F(ConditionWatchTest, NotificationsOfAJamAndItsClearing) {
    const std::string warning = std::to_string(NIIF_WARNING) + " " + TITLE + "|";
    const std::string error = std::to_string(NIIF_ERROR) + " " + TITLE + "|";
    const std::string info = std::to_string(NIIF_INFO) + " " + TITLE + "|";
    const NOTIFYICONDATAA kept = *W().tray.Find(MONITOR, TRAY_ICON_ID);

    ReadNow();
    EXPECT_EQ(Balloons(), std::vector<std::string>{warning + "Yellow toner low (5.2%)"});
    ReadNow();
    EXPECT_EQ(Balloons().size(), 1u) << "said again with nothing changed";

    ASSERT_EQ(sim.command("jam"), "ok");
    std::size_t from = W().trayCalls.size();
    ReadNow();
    EXPECT_EQ(Balloons(from),
              std::vector<std::string>{error + "Paper jam\r\nPrinter down\r\nAlert critical: jam"});
    // The record asks for a balloon and nothing else: its icon and tip stay as they were.
    const NOTIFYICONDATAA& sent = W().trayCalls.back().second;
    EXPECT_EQ(sent.uFlags, NIF_INFO);
    EXPECT_EQ(sent.uTimeout, 10000u);
    EXPECT_EQ(sent.hIcon, nullptr);
    EXPECT_EQ(W().tray.Find(MONITOR, TRAY_ICON_ID)->hIcon, kept.hIcon);
    EXPECT_STREQ(W().tray.Find(MONITOR, TRAY_ICON_ID)->szTip, kept.szTip);

    ASSERT_EQ(sim.command("clear"), "ok");
    from = W().trayCalls.size();
    ReadNow();
    EXPECT_EQ(Balloons(from),
              std::vector<std::string>{info + "Cleared: paper jam\r\nCleared: printer "
                                              "down\r\nCleared: alert critical: jam"});

    // --no-notify: the same changes, nothing said.
    g_notify = false;
    ASSERT_EQ(sim.command("jam"), "ok");
    from = W().trayCalls.size();
    ReadNow();
    EXPECT_TRUE(Balloons(from).empty());
}

// While the window shows the printer unreachable the watcher sends nothing: it says so once,
// and once more when the printer answers again.
TEST_F(ConditionWatchTest, UnreachableAddsNoTraffic) {
    ReadNow();
    const auto sent = watch::Stats().requests;
    EXPECT_GT(sent, 5u);
    // The cost of a reading on the window, for the record (--gtest_output=xml).
    RecordProperty("requests_per_reading", static_cast<int>(sent));
    g_state = STATE_UNREACHABLE;
    std::size_t from = W().trayCalls.size();
    EXPECT_EQ(ReadNow(), 0);
    EXPECT_EQ(ReadNow(), 0);
    EXPECT_EQ(watch::Stats().requests, sent);
    EXPECT_EQ(Balloons(from), std::vector<std::string>{std::to_string(NIIF_ERROR) + " " + TITLE +
                                                       "|Printer unreachable"});
    g_state = STATE_OK;
    from = W().trayCalls.size();
    ReadNow();
    EXPECT_EQ(Balloons(from), std::vector<std::string>{std::to_string(NIIF_INFO) + " " + TITLE +
                                                       "|Cleared: printer unreachable"});
    EXPECT_EQ(watch::Stats().requests, 2 * sent) << "a reading of the same printer";
}

// The tray menu's item runs the details window: it reads at once, shows the colour printer's
// supplies with their colours and percentages, follows a jam, comes to the front when asked
// for again, and goes back to the slower schedule when closed.
TEST_F(ConditionWatchTest, TheDetailsWindow) {
    std::function<void()> user;  // what the user does while the details window is open
    W().drivers[IDD_DETAILS] = [&user](HWND) { user(); };
    const auto text = [](int id) { return Details().texts[id]; };

    user = [&] {
        EXPECT_EQ(text(IDC_DETAILS_READ_AT), "Reading...");
        // The reading began at once, and the schedule is the details window's.
        EXPECT_TRUE(Monitor().timers.contains(CONDITION_STEP_TIMER_ID));
        EXPECT_EQ(Monitor().timers.at(CONDITION_TIMER_ID), 30000u);
        // Its steps are the status window's timers, which keep running meanwhile.
        while (Monitor().timers.contains(CONDITION_STEP_TIMER_ID)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            Send(MONITOR, WM_TIMER, CONDITION_STEP_TIMER_ID);
        }
        EXPECT_EQ(text(IDC_DETAILS_HEALTH), "warning");
        EXPECT_EQ(text(IDC_DETAILS_REASONS), "yellow toner low (5.2%)");
        EXPECT_EQ(text(IDC_DETAILS_SERIAL), "E78512K1N234567");
        EXPECT_TRUE(text(IDC_DETAILS_READ_AT).starts_with("Read at ")) << text(IDC_DETAILS_READ_AT);
        EXPECT_EQ(text(IDC_DETAILS_PAGES), "11872 (37 since power-on)");
        EXPECT_NE(text(IDC_DETAILS_TRAYS).find("Tray 1: A4, "), std::string::npos);
        const struct {
            const char* name;
            const char* level;
            int position;
            COLORREF colour;
        } rows[] = {
            {"Black Toner Cartridge TN-436BK", "64.8%", 65, 0x000000},
            {"Cyan Toner Cartridge TN-436C", "28.2%", 28, 0xFFFF00},
            {"Magenta Toner Cartridge TN-436M", "45%", 45, 0xFF00FF},
            {"Yellow Toner Cartridge TN-436Y", "5.2%", 5, 0x00FFFF},
            {"Drum Unit DR-431CL", "71%", 71, 0x808080},
            {"Waste Toner Box WT-229CL", "22.8% full", 23, 0x808080},
        };
        for (int i = 0; i < DETAILS_SUPPLY_ROWS; ++i) {
            SCOPED_TRACE("supply row " + std::to_string(i));
            const bool used = i < static_cast<int>(std::size(rows));
            EXPECT_EQ(Details().shown[IDC_DETAILS_SUPPLY_NAME + i], used);
            EXPECT_EQ(Details().shown[IDC_DETAILS_SUPPLY_BAR + i], used);
            EXPECT_EQ(Details().shown[IDC_DETAILS_SUPPLY_LEVEL + i], used);
            if (!used) {
                continue;
            }
            const posixui::ProgressState& bar = Details().bars[IDC_DETAILS_SUPPLY_BAR + i];
            EXPECT_EQ(text(IDC_DETAILS_SUPPLY_NAME + i), rows[i].name);
            EXPECT_EQ(text(IDC_DETAILS_SUPPLY_LEVEL + i), rows[i].level);
            EXPECT_EQ(std::tie(bar.minimum, bar.maximum, bar.position, bar.barColor),
                      std::make_tuple(0, 100, rows[i].position, rows[i].colour));
        }

        // A jam, read on the next schedule: the window follows, the tray says it once.
        ASSERT_EQ(sim.command("jam"), "ok");
        const std::size_t from = W().trayCalls.size();
        ReadNow();
        EXPECT_EQ(text(IDC_DETAILS_HEALTH), "critical");
        EXPECT_EQ(text(IDC_DETAILS_REASONS),
                  "paper jam\r\nprinter down\r\nalert critical: jam\r\nyellow toner low (5.2%)");
        EXPECT_EQ(text(IDC_DETAILS_DEVICE), "down");
        EXPECT_NE(text(IDC_DETAILS_ALERTS).find("critical jam: Paper jam"), std::string::npos);
        EXPECT_EQ(Balloons(from).size(), 1u);

        // Asked for again: brought to the front, not run twice.
        Send(MONITOR, WM_COMMAND, IDM_DETAILS);
        EXPECT_EQ(W().foreground, DETAILS);
        Send(DETAILS, WM_COMMAND, IDCANCEL);
    };
    Send(MONITOR, WM_COMMAND, IDM_DETAILS);
    EXPECT_EQ(W().ran, std::vector<int>{IDD_DETAILS});
    EXPECT_EQ(Details().ended, 0);
    EXPECT_EQ(watch::DetailsWindow(), nullptr);
    EXPECT_EQ(Monitor().timers.at(CONDITION_TIMER_ID), 10000u);

    // Opened again, it shows the last reading at once, before its own has ended; Exit from
    // the tray ends it first, then the status window, its timers and its icon.
    user = [&] {
        EXPECT_EQ(text(IDC_DETAILS_HEALTH), "critical");
        EXPECT_TRUE(text(IDC_DETAILS_READ_AT).starts_with("Read at ")) << text(IDC_DETAILS_READ_AT);
        Send(MONITOR, WM_COMMAND, IDM_EXIT);
        EXPECT_EQ(Details().ended, 0);
    };
    Send(MONITOR, WM_COMMAND, IDM_DETAILS);
    EXPECT_EQ(Monitor().ended, 0);
    EXPECT_TRUE(Monitor().timers.empty());
    EXPECT_EQ(W().tray.Find(MONITOR, TRAY_ICON_ID), nullptr);
}

// The colour printer serving an SNMPv3 user beside its community, which the window's own SNMPv1
// poll keeps using.
class ConditionWatchV3Test : public ConditionWatchTest {
  protected:
    static PrinterSimOptions V3Printer() {
        PrinterSimOptions printer = PrinterSim::Bundled("colour-laser");
        printer.extraArgs = {"--v3-user", "lab:authPriv:SHA-256:umber-auth:AES:umber-priv"};
        return printer;
    }
    ConditionWatchV3Test() : ConditionWatchTest(V3Printer()) {}
};

// The request the front-end handed over is the one the watcher reads with: the details window
// shows the condition read over SNMPv3 with the right passwords, and says a wrong one as the
// agent's refusal, not as a printer that stopped answering.
TEST_F(ConditionWatchV3Test, TheDetailsWindowReadsOverSnmpV3) {
    const struct {
        const char* name;
        const char* authPassword;
        const char* health;
        const char* reasons;
        const char* readAt;  // before the clock
    } rows[] = {
        {"the printer's user", "umber-auth", "warning", "yellow toner low (5.2%)", "Read at "},
        // The refusal carries no printer data: nothing was read, and the reasons say why.
        {"a wrong authentication password", "umber-wrong", "unreachable",
         "authentication failed (wrong password or protocol)", "No answer at "},
    };
    const auto text = [](int id) { return Details().texts[id]; };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        condition::ReadRequest& request = g_condition_request;
        request.version = condition::SnmpVersion::V3;
        request.usm = {"lab",
                       usm::SecurityLevel::AuthPriv,
                       usm::AuthProtocol::Sha256,
                       row.authPassword,
                       usm::PrivProtocol::Aes128,
                       "umber-priv",
                       ""};
        std::string health, reasons, readAt;
        W().drivers[IDD_DETAILS] = [&](HWND) {
            while (Monitor().timers.contains(CONDITION_STEP_TIMER_ID)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                Send(MONITOR, WM_TIMER, CONDITION_STEP_TIMER_ID);
            }
            health = text(IDC_DETAILS_HEALTH);
            reasons = text(IDC_DETAILS_REASONS);
            readAt = text(IDC_DETAILS_READ_AT);
            Send(DETAILS, WM_COMMAND, IDCANCEL);
        };
        Send(MONITOR, WM_COMMAND, IDM_DETAILS);
        EXPECT_EQ(health, row.health);
        EXPECT_EQ(reasons, row.reasons);
        EXPECT_EQ(readAt.substr(0, readAt.size() - std::strlen("00:00:00")), row.readAt) << readAt;
    }
    // Neither reading cost the window its SNMPv1 poll.
    std::vector<std::string> texts;
    W().onText = [&texts](int id, const std::string& set) {
        texts.push_back(std::to_string(id) + "=" + set);
    };
    Send(MONITOR, WM_TIMER, POLL_TIMER_ID);
    W().onText = nullptr;
    EXPECT_FALSE(texts.empty());
    EXPECT_STREQ(g_reason == nullptr ? "" : g_reason, "");
}

}  // namespace

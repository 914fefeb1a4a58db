// The poll cycle against the simulated printer on loopback, with the real SNMP layer and the
// fake UI standing in for the window.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "shell/globals.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "state/watched_target.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "tests/support/printer_sim.h"
#include "text/bounded_text.h"

namespace {

const std::string PRIMARY = "1.3.6.1.4.1.11.2.3.9.1.1.3.0";
const std::string LINE = "1.3.6.1.2.1.43.16.5.1.2.1.";  // + line number
const std::string LIFE = "1.3.6.1.2.1.43.10.2.1.4.1.1";
const std::string CAPACITY = "1.3.6.1.2.1.43.11.1.1.8.1.1";
const std::string LEVEL = "1.3.6.1.2.1.43.11.1.1.9.1.1";

class PollCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        g_state = STATE_OK;
        g_session = nullptr;
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
    }
    void TearDown() override { EXPECT_EQ(g_session, nullptr); }

    // Starts the simulator on the bundled profile with eight console lines ("line N"), where
    // `changes` replaces values ("TAG VALUE") or, with "-", leaves an object out; aims g_target
    // at it and leaves "earlier" in the window's texts.
    std::unique_ptr<PrinterSim> Printer(const std::map<std::string, std::string>& changes = {}) {
        auto sim = std::make_unique<PrinterSim>();
        EXPECT_TRUE(sim->ok()) << sim->error();
        for (int i = 1; i <= 8; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ(sim->command("set " + LINE + n + " 4 line " + n), "ok");
        }
        for (const auto& [oid, value] : changes) {
            EXPECT_EQ(sim->command(value == "-" ? "unset " + oid : "set " + oid + " " + value),
                      "ok");
        }
        BoundedCopy(g_target, TARGET_CHARS, sim->target().c_str());
        SetWatchedTarget(true, true);
        for (int id : {IDC_PRIMARY, IDC_SECONDARY, IDC_PAGECOUNT, IDC_POWERON_COUNT}) {
            Window().texts[id] = "earlier";
        }
        return sim;
    }
    static fakeui::Dialog& Window() { return fakeui::W().dialogs[IDD_MONITOR]; }
    static std::string Text(int id) { return Window().texts[id]; }
    static const posixui::ProgressState& Toner() { return Window().bars[IDC_TONER]; }
    static int Requests(const PrinterSim& sim) {
        const std::string stats = sim.command("stats");  // "... requests=N ..."
        return std::stoi(stats.substr(stats.find("requests=") + 9));
    }

    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
};

TEST_F(PollCycleTest, ConsoleLines) {
    const std::string a125(125, 'a'), b126(126, 'b'), c127(127, 'c');
    struct Case {
        const char* name;
        std::vector<std::string> lines;  // "-": the object is missing
        std::string shown;               // IDC_SECONDARY in the end
    };
    const Case cases[] = {
        {"empty lines are skipped", {"X", "", "Y", "", "", "", "", "Z"}, "X\r\nY\r\nZ"},
        {"missing lines end with a break", {"A", "-", "B", "-", "-", "-", "-", "-"}, "A\r\nB\r\n"},
        {"the 1024-character text cuts its breaks",
         {a125, b126, c127, "", "", "", "", "tail"},
         a125 + "\r\n" + b126 + "\r" + c127 + "tail"},
        {"eight full lines fill it", std::vector<std::string>(8, c127), std::string(8 * 127, 'c')},
    };
    for (const auto& [name, lines, shown] : cases) {
        SCOPED_TRACE(name);
        SetUp();
        std::map<std::string, std::string> changes;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            changes[LINE + std::to_string(i + 1)] = lines[i] == "-" ? "-" : "4 " + lines[i];
        }
        const auto sim = Printer(changes);
        PollPrinterStatus(dialog);
        EXPECT_EQ(Text(IDC_SECONDARY), shown);
    }
}

TEST_F(PollCycleTest, MissingObjectsKeepTheirControls) {
    const auto sim =
        Printer({{PRIMARY, "-"}, {LINE + "1", "-"}, {LIFE, "-"}, {CAPACITY, "-"}, {LEVEL, "-"}});
    PollPrinterStatus(dialog);
    EXPECT_EQ(Text(IDC_PRIMARY), "earlier");
    EXPECT_EQ(Text(IDC_PAGECOUNT), "earlier");
    EXPECT_EQ(Text(IDC_POWERON_COUNT), "212");
    EXPECT_EQ(std::tie(Toner().maximum, Toner().position), std::make_tuple(100, 0));  // untouched
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(Requests(*sim), 13);  // a missing object does not end the cycle
}

TEST_F(PollCycleTest, TonerRangeAndPosition) {
    struct Case {
        const char* name;
        std::string capacity, level;  // as TAG VALUE
        int maximum, position;        // the bar's
    };
    const Case cases[] = {
        {"in full, not cut to 16 bits", "2 70000", "2 35000", 70000, 35000},
        {"a special value keeps the 16-bit mapping", "2 -3", "2 -3", 65533, -3},
        {"saturates like the runtime", "66 4294967295", "2 2147483647", INT_MAX, INT_MAX},
        {"atoi's reading of text", "4   42 units", "4 -99999999999", 42, INT_MIN},
    };
    for (const auto& [name, capacity, level, maximum, position] : cases) {
        SCOPED_TRACE(name);
        SetUp();
        const auto sim = Printer({{CAPACITY, capacity}, {LEVEL, level}});
        PollPrinterStatus(dialog);
        EXPECT_EQ(std::tie(Toner().maximum, Toner().position), std::tie(maximum, position));
    }
}

// The agent is worked out once, when the target is set: a cycle resolves no name (a name that
// stopped resolving, or a DNS server that hangs, does not touch it), and a cycle that cannot
// open its session counts as a lost request instead of leaving the window showing old values.
TEST_F(PollCycleTest, TheAgentSetWithTheTargetIsTheOnlyOneAsked) {
    const auto sim = Printer();
    BoundedCopy(g_target, TARGET_CHARS, "gone.invalid");  // resolving it now would fail
    PollPrinterStatus(dialog);
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(Text(IDC_PRIMARY), "READY");

    g_agent.usable = false;
    Window().texts[IDC_PRIMARY] = "earlier";
    PollPrinterStatus(dialog);
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_STREQ(g_reason, REASON_NO_SESSION);
    EXPECT_EQ(Text(IDC_PRIMARY), "earlier");
    EXPECT_EQ(Requests(*sim), 13);
}

// Every row in its control, cycle after cycle: the secondary text is rebuilt from nothing, and
// many cycles leave no descriptor open. Then the printer falls silent once console line 4 has
// been shown: each line was shown as it arrived, and rows after the failure are neither
// requested nor written; still silent, a cycle lost at row 0 writes nothing.
TEST_F(PollCycleTest, CycleAfterCycleThenLostAtRowFiveThenAtRowZero) {
    const auto sim = Printer();
    const auto descriptors = [] {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    PollPrinterStatus(dialog);
    const auto before = descriptors();
    const std::string fourLines = "line 1\r\nline 2\r\nline 3\r\nline 4\r\n";
    constexpr int CYCLES = 2000;
    for (int i = 0; i < CYCLES; ++i) {
        PollPrinterStatus(dialog);
    }
    EXPECT_EQ(descriptors(), before);
    EXPECT_EQ(Requests(*sim), 13 * (CYCLES + 1));
    EXPECT_EQ(std::tuple(Text(IDC_PRIMARY), Text(IDC_SECONDARY), Text(IDC_PAGECOUNT),
                         Text(IDC_POWERON_COUNT), Toner().maximum, Toner().position),
              std::tuple("READY", fourLines + "line 5\r\nline 6\r\nline 7\r\nline 8", "48213",
                         "212", 100, 62));

    ASSERT_EQ(sim->command("set " + PRIMARY + " 4 BUSY"), "ok");
    ASSERT_EQ(sim->command("set " + LIFE + " 65 50000"), "ok");
    int secondarySets = 0;
    fakeui::W().onText = [&](int id, const std::string&) {
        if (id == IDC_SECONDARY && ++secondarySets == 4) {
            EXPECT_EQ(sim->command("silence on"), "ok");
        }
    };
    for (const int requests : {6, 1}) {
        const int earlier = Requests(*sim);
        g_state = STATE_OK;
        PollPrinterStatus(dialog);
        EXPECT_EQ(g_state, STATE_LOST);
        EXPECT_STREQ(g_reason, "timeout");
        EXPECT_EQ(std::tuple(Text(IDC_PRIMARY), Text(IDC_SECONDARY), Text(IDC_PAGECOUNT)),
                  std::tuple("BUSY", fourLines, "48213"));
        EXPECT_EQ(Toner().position, 62);
        EXPECT_EQ(Requests(*sim) - earlier, requests);
    }
}

}  // namespace

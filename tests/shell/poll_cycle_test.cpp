// The poll cycle against the simulated printer on loopback, with the real SNMP layer and the
// recording fake UI standing in for the window.
#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/fake/fake_ui.h"
#include "printer_sim.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "snmp/poll.h"
#include "text/bounded_text.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char* const PRIMARY = "1.3.6.1.4.1.11.2.3.9.1.1.3.0";
const char* const LINE = "1.3.6.1.2.1.43.16.5.1.2.1.";  // + line number
const char* const LIFE = "1.3.6.1.2.1.43.10.2.1.4.1.1";
const char* const POWER_ON = "1.3.6.1.2.1.43.10.2.1.5.1.1";
const char* const CAPACITY = "1.3.6.1.2.1.43.11.1.1.8.1.1";
const char* const LEVEL = "1.3.6.1.2.1.43.11.1.1.9.1.1";

// A profile with every polled object; `changes` replaces lines (value "" with tag) or, with the
// value "-", leaves an object out.
std::string Profile(std::map<std::string, std::string> changes = {}) {
    std::map<std::string, std::string> lines = {
        {PRIMARY, "4|READY"}, {LIFE, "65|48213"}, {POWER_ON, "65|212"},
        {CAPACITY, "2|100"},  {LEVEL, "2|62"},
    };
    for (int i = 1; i <= 8; ++i) {
        lines[LINE + std::to_string(i)] = "4|line " + std::to_string(i);
    }
    for (const auto& [oid, value] : changes) {
        lines[oid] = value;
    }
    std::string text;
    for (const auto& [oid, value] : lines) {
        if (value != "-") {
            text += oid + "|" + value + "\n";
        }
    }
    return text;
}

std::map<std::string, std::string> ConsoleLines(const std::vector<std::string>& values) {
    std::map<std::string, std::string> changes;
    for (std::size_t i = 0; i < values.size(); ++i) {
        changes[LINE + std::to_string(i + 1)] = values[i] == "-" ? "-" : "4|" + values[i];
    }
    return changes;
}

int OpenDescriptors() {
    int count = 0;
    DIR* directory = opendir("/proc/self/fd");
    if (directory == nullptr) {
        return -1;
    }
    while (readdir(directory) != nullptr) {
        ++count;
    }
    closedir(directory);
    return count;
}

class PollCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        g_state = STATE_OK;
        g_session = nullptr;
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
    }
    void TearDown() override { EXPECT_EQ(g_session, nullptr); }

    void Aim(const PrinterSim& sim) {
        ASSERT_TRUE(sim.ok()) << sim.error();
        BoundedCopy(g_target, TARGET_CHARS, sim.target().c_str());
    }
    std::vector<std::string> SecondaryTexts() {
        std::vector<std::string> out;
        for (const fakeui::Call& call : fakeui::CallsTo("SetDlgItemTextA")) {
            if (call.ints[0] == IDC_SECONDARY) {
                out.push_back(call.text);
            }
        }
        return out;
    }
    std::string Text(int id) { return fakeui::ControlText(dialog, id); }
    // Texts an earlier cycle left in the window.
    void Prefill() {
        for (int id : {IDC_PRIMARY, IDC_SECONDARY, IDC_PAGECOUNT, IDC_POWERON_COUNT}) {
            fakeui::SetControlText(dialog, id, "earlier");
        }
    }
    static int Requests(const PrinterSim& sim) {
        const std::string stats = sim.command("stats");
        const std::size_t at = stats.find("requests=");
        return at == std::string::npos ? -1 : std::stoi(stats.substr(at + 9));
    }

    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
};

TEST_F(PollCycleTest, DeliversEveryRowInTableOrder) {
    PrinterSim sim(PrinterSim::Text(Profile()));
    Aim(sim);
    PollPrinterStatus(dialog);
    EXPECT_THAT(
        fakeui::CallStrings(),
        ElementsAre("SetDlgItemTextA(dlg201, 2000, \"READY\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\nline 4\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\nline 4\r\nline "
                    "5\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\nline 4\r\nline "
                    "5\r\nline 6\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\nline 4\r\nline "
                    "5\r\nline 6\r\nline 7\r\n\")",
                    "SetDlgItemTextA(dlg201, 2001, \"line 1\r\nline 2\r\nline 3\r\nline 4\r\nline "
                    "5\r\nline 6\r\nline 7\r\nline 8\")",
                    "SetDlgItemTextA(dlg201, 2003, \"48213\")",
                    "SetDlgItemTextA(dlg201, 1010, \"212\")",
                    "SendDlgItemMessageA(dlg201, 2002, 1030, 0, 100)",
                    "SendDlgItemMessageA(dlg201, 2002, 1026, 62, 0)"));
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(Requests(sim), 13);

    // The secondary text is rebuilt from nothing on the next cycle.
    fakeui::ClearCalls();
    PollPrinterStatus(dialog);
    EXPECT_EQ(SecondaryTexts().front(), "line 1\r\n");
}

TEST_F(PollCycleTest, ConsoleLines) {
    const std::string l125(125, 'a');
    const std::string l126(126, 'b');
    const std::string l127(127, 'c');
    struct Case {
        const char* name;
        std::vector<std::string> lines;  // "-": the object is missing
        std::vector<std::string> sets;   // IDC_SECONDARY after each delivered line
    };
    const std::string ready = "READY\r\n";
    const Case cases[] = {
        {"ready only", {"READY", "", "", "", "", "", "", ""}, std::vector<std::string>(8, ready)},
        {"x y z",
         {"X", "", "Y", "", "", "", "", "Z"},
         {"X\r\n", "X\r\n", "X\r\nY\r\n", "X\r\nY\r\n", "X\r\nY\r\n", "X\r\nY\r\n", "X\r\nY\r\n",
          "X\r\nY\r\nZ"}},
        {"all empty", {"", "", "", "", "", "", "", ""}, std::vector<std::string>(8, "")},
        {"missing lines", {"A", "-", "B", "-", "-", "-", "-", "-"}, {"A\r\n", "A\r\nB\r\n"}},
        {"125 126 127",
         {l125, l126, l127, "", "", "", "", "tail"},
         {l125 + "\r\n", l125 + "\r\n" + l126 + "\r", l125 + "\r\n" + l126 + "\r" + l127,
          l125 + "\r\n" + l126 + "\r" + l127, l125 + "\r\n" + l126 + "\r" + l127,
          l125 + "\r\n" + l126 + "\r" + l127, l125 + "\r\n" + l126 + "\r" + l127,
          l125 + "\r\n" + l126 + "\r" + l127 + "tail"}},
        {"seven full lines and a full last line",
         {l127, l127, l127, l127, l127, l127, l127, l127},
         {l127, l127 + l127, l127 + l127 + l127, std::string(4 * 127, 'c'),
          std::string(5 * 127, 'c'), std::string(6 * 127, 'c'), std::string(7 * 127, 'c'),
          std::string(8 * 127, 'c')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        PrinterSim sim(PrinterSim::Text(Profile(ConsoleLines(c.lines))));
        Aim(sim);
        PollPrinterStatus(dialog);
        EXPECT_EQ(SecondaryTexts(), c.sets);
        EXPECT_EQ(g_state, STATE_OK);
    }
}

TEST_F(PollCycleTest, MissingObjectsKeepTheirControls) {
    PrinterSim sim(PrinterSim::Text(Profile({{PRIMARY, "-"},
                                             {LINE + std::string("1"), "-"},
                                             {LIFE, "-"},
                                             {CAPACITY, "-"},
                                             {LEVEL, "-"}})));
    Aim(sim);
    Prefill();
    PollPrinterStatus(dialog);
    EXPECT_EQ(Text(IDC_PRIMARY), "earlier");
    EXPECT_EQ(Text(IDC_PAGECOUNT), "earlier");
    EXPECT_EQ(Text(IDC_POWERON_COUNT), "212");
    EXPECT_EQ(SecondaryTexts().size(), 7u);
    EXPECT_THAT(fakeui::CallsTo("SendDlgItemMessageA"), IsEmpty());
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(Requests(sim), 13);  // a missing object does not end the cycle
}

TEST_F(PollCycleTest, TonerRangeAndPosition) {
    struct Case {
        std::string capacity;  // TAG|VALUE
        std::string level;
        long long maximum;
        long long position;
    };
    const Case cases[] = {
        {"2|70000", "2|35000", 70000, 35000},  // in full, not cut to 16 bits
        {"2|65536", "2|65536", 65536, 65536},
        {"2|-3", "2|-3", 65533, -3},
        {"2|-2", "2|-2", 65534, -2},
        {"2|-1", "2|-1", 65535, -1},
        {"2|0", "2|0", 0, 0},
        {"66|4294967295", "2|2147483647", INT_MAX, INT_MAX},  // saturates like the runtime
        {"4|  42 units", "4|7x", 42, 7},                      // atoi's reading of text
        {"4|none", "4|", 0, 0},
        {"4|99999999999", "4|-99999999999", INT_MAX, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity + " / " + c.level);
        SetUp();
        PrinterSim sim(PrinterSim::Text(Profile({{CAPACITY, c.capacity}, {LEVEL, c.level}})));
        Aim(sim);
        PollPrinterStatus(dialog);
        const std::vector<fakeui::Call> messages = fakeui::CallsTo("SendDlgItemMessageA");
        ASSERT_EQ(messages.size(), 2u);
        // One range message, PBM_SETRANGE32 with the minimum 0, then the position.
        EXPECT_EQ(messages[0].ints[1], PBM_SETRANGE32);
        EXPECT_EQ(messages[0].ints[2], 0);
        EXPECT_EQ(messages[1].ints[1], PBM_SETPOS);
        EXPECT_EQ(messages[1].ints[3], 0);
        // A negative position goes out sign-extended, as a 32-bit program passes it.
        EXPECT_EQ(static_cast<WPARAM>(messages[1].ints[2]),
                  static_cast<WPARAM>(static_cast<std::intptr_t>(c.position)));
        const fakeui::ProgressBar bar = fakeui::Progress(dialog, IDC_TONER);
        EXPECT_EQ(bar.minimum, 0);
        EXPECT_EQ(bar.maximum, c.maximum);
        EXPECT_EQ(bar.position, c.position);
    }
}

TEST_F(PollCycleTest, LostAtRowFiveKeepsWhatCameBefore) {
    PrinterSim sim(PrinterSim::Text(Profile()));
    Aim(sim);
    PollPrinterStatus(dialog);  // the earlier cycle
    ASSERT_EQ(Text(IDC_PAGECOUNT), "48213");
    ASSERT_EQ(sim.command("set " + std::string(PRIMARY) + " 4 BUSY"), "ok");
    ASSERT_EQ(sim.command("set " + std::string(LIFE) + " 65 50000"), "ok");
    const int before = Requests(sim);

    // The printer falls silent once console line 4 has been shown.
    int secondarySets = 0;
    fakeui::SetTextHook([&](HWND, int id, const std::string&) {
        if (id == IDC_SECONDARY && ++secondarySets == 4) {
            EXPECT_EQ(sim.command("silence on"), "ok");
        }
    });
    fakeui::ClearCalls();
    const auto start = std::chrono::steady_clock::now();
    PollPrinterStatus(dialog);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);

    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(Text(IDC_PRIMARY), "BUSY");
    EXPECT_EQ(Text(IDC_SECONDARY), "line 1\r\nline 2\r\nline 3\r\nline 4\r\n");
    EXPECT_EQ(Text(IDC_PAGECOUNT), "48213");  // rows after the failure keep the old values
    EXPECT_EQ(fakeui::CallsTo("SetDlgItemTextA").size(), 5u);
    EXPECT_THAT(fakeui::CallsTo("SendDlgItemMessageA"), IsEmpty());
    EXPECT_EQ(Requests(sim) - before, 6);  // rows 0 to 5; rows 6 to 12 are not requested
    EXPECT_GE(elapsed.count(), 400);
    EXPECT_LE(elapsed.count(), 1500);
}

TEST_F(PollCycleTest, LostAtRowZeroWritesNothing) {
    PrinterSim sim(PrinterSim::Text(Profile()));
    Aim(sim);
    Prefill();
    ASSERT_EQ(sim.command("silence on"), "ok");
    PollPrinterStatus(dialog);
    EXPECT_THAT(fakeui::CallStrings(), IsEmpty());
    EXPECT_EQ(Text(IDC_PRIMARY), "earlier");
    EXPECT_EQ(Text(IDC_SECONDARY), "earlier");
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(Requests(sim), 1);
}

TEST_F(PollCycleTest, ManyCyclesLeaveNothingBehind) {
    PrinterSim sim(PrinterSim::Text(Profile()));
    Aim(sim);
    PollPrinterStatus(dialog);  // settle anything opened once per process
    const int descriptors = OpenDescriptors();
    ASSERT_GT(descriptors, 0);
    constexpr int CYCLES = 2000;
    for (int i = 0; i < CYCLES; ++i) {
        fakeui::ClearCalls();
        PollPrinterStatus(dialog);
        ASSERT_EQ(g_session, nullptr);
        ASSERT_EQ(g_state, STATE_OK);
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(Text(IDC_PAGECOUNT), "48213");
    EXPECT_EQ(Requests(sim), 13 * (CYCLES + 1));
}

}  // namespace

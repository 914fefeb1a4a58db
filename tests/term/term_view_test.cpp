// The toner bar's messages and percentages, the window's lines and JSON, and the in-place
// painter.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "progress_bar.h"
#include "screen_painter.h"
#include "window_view.h"

namespace {

using vmterm::ApplyProgressMessage;
using vmterm::ProgressPercent;
using vmterm::ProgressState;

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

WPARAM Signed(int value) {
    return static_cast<WPARAM>(static_cast<std::intptr_t>(value));
}

TEST(Toner, PercentFromRangeAndPosition) {
    struct Case {
        const char* name;
        std::vector<Message> messages;
        std::optional<int> percent;
    };
    const std::vector<Case> cases = {
        {"control defaults", {}, 0},
        {"16-bit range, half",
         {{PBM_SETRANGE, 0, MAKELPARAM(0, 30000)}, {PBM_SETPOS, 15000, 0}},
         50},
        {"full", {{PBM_SETRANGE, 0, MAKELPARAM(0, 100)}, {PBM_SETPOS, 100, 0}}, 100},
        {"rounded down", {{PBM_SETRANGE, 0, MAKELPARAM(0, 30000)}, {PBM_SETPOS, 29999, 0}}, 99},
        {"16-bit maximum is unsigned",
         {{PBM_SETRANGE, 0, MAKELPARAM(0, 65535)}, {PBM_SETPOS, 65535, 0}},
         100},
        {"capacity 65536 cut to a range of 0",
         {{PBM_SETRANGE, 0, 0}, {PBM_SETPOS, 0, 0}},
         std::nullopt},
        {"level -3 (some remaining)",
         {{PBM_SETRANGE, 0, MAKELPARAM(0, 100)}, {PBM_SETPOS, Signed(-3), 0}},
         std::nullopt},
        {"level above capacity",
         {{PBM_SETRANGE, 0, MAKELPARAM(0, 100)}, {PBM_SETPOS, 101, 0}},
         std::nullopt},
        {"32-bit range", {{PBM_SETRANGE32, 0, 70000}, {PBM_SETPOS, 35000, 0}}, 50},
        {"32-bit inverted range", {{PBM_SETRANGE32, 100, 0}, {PBM_SETPOS, 50, 0}}, std::nullopt},
        {"32-bit empty range", {{PBM_SETRANGE32, 7, 7}, {PBM_SETPOS, 7, 0}}, std::nullopt},
        {"widest range does not overflow",
         {{PBM_SETRANGE32, Signed(INT_MIN), INT_MAX}, {PBM_SETPOS, 0, 0}},
         50},
        {"negative minimum",
         {{PBM_SETRANGE32, Signed(-100), 100}, {PBM_SETPOS, Signed(-50), 0}},
         25},
        {"colour and step change nothing",
         {{PBM_SETRANGE, 0, MAKELPARAM(0, 200)},
          {PBM_SETBARCOLOR, 0, 0},
          {PBM_SETSTEP, 1, 0},
          {PBM_SETPOS, 50, 0}},
         25},
    };
    for (const Case& c : cases) {
        ProgressState state;
        for (const Message& m : c.messages) {
            ApplyProgressMessage(state, m.message, m.wParam, m.lParam);
        }
        EXPECT_EQ(ProgressPercent(state), c.percent) << c.name;
    }
}

TEST(Toner, MessagesReturnWhatTheControlReturns) {
    ProgressState state;
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETRANGE, 0, MAKELPARAM(5, 300)), MAKELPARAM(0, 100));
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETRANGE32, Signed(-1), 70000), MAKELPARAM(5, 300));
    EXPECT_EQ(state.minimum, -1);
    EXPECT_EQ(state.maximum, 70000);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_GETRANGE, TRUE, 0), -1);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_GETRANGE, FALSE, 0), 70000);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETPOS, Signed(-3), 0), 0);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETPOS, 9, 0), -3);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_GETPOS, 0, 0), 9);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETSTEP, 1, 0), 10);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETSTEP, 4, 0), 1);
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETBARCOLOR, 0, 0), LRESULT{0xFF000000});
    EXPECT_EQ(ApplyProgressMessage(state, PBM_SETBARCOLOR, 0, 0x00FF00), 0);
    EXPECT_EQ(ApplyProgressMessage(state, WM_USER + 99, 1, 1), 0);
    EXPECT_EQ(state.position, 9);
}

TEST(Toner, BarText) {
    ProgressState state;
    ApplyProgressMessage(state, PBM_SETPOS, 62, 0);
    EXPECT_EQ(vmterm::ProgressBarText(state, 20), "[############--------] 62%");
    ApplyProgressMessage(state, PBM_SETPOS, Signed(-2), 0);
    EXPECT_EQ(vmterm::ProgressBarText(state, 10), "[----------] unknown");
}

vmterm::WindowView PollingView() {
    vmterm::WindowView view;
    view.title = "HP LaserJet Pro 4012dn Monitor";
    view.label = "Primary Status:";
    view.primary = "READY";
    view.secondary = "Ready\r\nTray 2: Letter\r\n";
    view.pageCount = "48213";
    view.powerOnCount = "212";
    view.toner.position = 62;
    view.trayPresent = true;
    view.trayIcon = vmterm::IconKind::Online;
    view.trayTip = view.title;
    view.state = 0;
    return view;
}

TEST(WindowLines, PollingLayout) {
    const std::vector<std::string> expected = {
        "== HP LaserJet Pro 4012dn Monitor ==",
        "     Primary Status: READY",
        "   Secondary Status: Ready",
        "                     Tray 2: Letter",
        "    Toner Remaining: [############--------] 62%",
        " Current Page Count: 48213",
        "Power-On Page Count: 212",
        "                     <Hide>",
        "               Tray: online - HP LaserJet Pro 4012dn Monitor",
    };
    EXPECT_EQ(vmterm::RenderWindow(PollingView(), {}), expected);
}

TEST(WindowLines, UnreachableShowsAnEntryFieldAndTheButton) {
    vmterm::WindowView view = PollingView();
    view.label = "Unreachable:";
    view.primary = "10.0.0.9";
    view.updateTargetVisible = true;
    view.trayIcon = vmterm::IconKind::Offline;
    const auto unfocused = vmterm::RenderWindow(view, {});
    EXPECT_EQ(unfocused[1], "        Unreachable: [10.0.0.9]");
    EXPECT_EQ(unfocused[7], "                     <Update Target>  <Hide>");
    const auto focused = vmterm::RenderWindow(view, {true, true});
    EXPECT_EQ(focused[1], "        Unreachable: [10.0.0.9_]");
    EXPECT_NE(focused.back().find("Enter Update Target"), std::string::npos);
    EXPECT_NE(vmterm::RenderHidden(view).find("Unreachable: 10.0.0.9"), std::string::npos);
}

TEST(WindowLines, HostileTextsNeverReachTheTerminalRaw) {
    const std::string hostile =
        "\x1b]0;owned\x07\x1b[2J\x9b"
        "31m\r\x08\x7f\xC2\x9B";
    vmterm::WindowView view = PollingView();
    view.title = view.label = view.primary = view.pageCount = view.powerOnCount = hostile;
    view.secondary = hostile + "\r\n" + hostile;
    view.trayTip = hostile;
    view.balloon = vmterm::Balloon{hostile, hostile, {}};
    view.updateTargetVisible = true;
    std::vector<std::string> lines = vmterm::RenderWindow(view, {true, true});
    lines.push_back(vmterm::RenderHidden(view));
    lines.push_back(vmterm::RenderJson(view));
    lines.back().pop_back();  // the JSON's own line end
    for (const std::string& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            EXPECT_FALSE(c < 0x20 || c == 0x7F) << line;
            if (c == 0xC2 && i + 1 < line.size()) {
                const auto next = static_cast<unsigned char>(line[i + 1]);
                EXPECT_FALSE(next >= 0x80 && next <= 0x9F) << line;
            }
        }
    }
}

TEST(WindowJson, FieldsOfAPollingAndAnUnknownView) {
    EXPECT_EQ(vmterm::RenderJson(PollingView()),
              "{\"title\":\"HP LaserJet Pro 4012dn Monitor\",\"label\":\"Primary Status:\","
              "\"primary\":\"READY\",\"secondary\":[\"Ready\",\"Tray 2: Letter\"],"
              "\"toner\":{\"min\":0,\"max\":100,\"pos\":62,\"percent\":62},"
              "\"page_count\":\"48213\",\"power_on_count\":\"212\","
              "\"tray\":{\"icon\":\"online\",\"tip\":\"HP LaserJet Pro 4012dn Monitor\"},"
              "\"state\":\"ok\",\"update_target\":false,\"visible\":true}\n");

    vmterm::WindowView view;
    view.secondary = "only\r\n\r\n";
    view.toner.maximum = 0;
    view.toner.position = -3;
    view.state = 7;
    const std::string json = vmterm::RenderJson(view);
    EXPECT_NE(json.find("\"secondary\":[\"only\",\"\"]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"toner\":{\"min\":0,\"max\":0,\"pos\":-3,\"percent\":null}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"tray\":null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"state\":null"), std::string::npos) << json;
    view.trayPresent = true;
    view.trayIcon = vmterm::IconKind::Other;
    view.state = 2;
    const std::string other = vmterm::RenderJson(view);
    EXPECT_NE(other.find("\"tray\":{\"icon\":null,\"tip\":\"\"}"), std::string::npos) << other;
    EXPECT_NE(other.find("\"state\":\"unreachable\""), std::string::npos) << other;
}

TEST(ScreenPainter, RewritesOnlyChangedLinesInPlace) {
    vmterm::ScreenPainter painter;
    const std::string first = painter.Paint({"one", "two", "three"}, 80, 24, false);
    EXPECT_EQ(first, "\rone\x1b[K\r\n\rtwo\x1b[K\r\n\rthree\x1b[K\r\n");
    EXPECT_EQ(painter.Paint({"one", "two", "three"}, 80, 24, false), "");
    EXPECT_EQ(painter.Paint({"one", "TWO", "three"}, 80, 24, false),
              "\x1b[3A\r\n\rTWO\x1b[K\r\n\r\n");
    // A shorter block erases what lay below it.
    EXPECT_EQ(painter.Paint({"one"}, 80, 24, false), "\x1b[3A\r\n\x1b[J");
    EXPECT_EQ(painter.Height(), 1u);
    // A full repaint rewrites unchanged lines too.
    EXPECT_EQ(painter.Paint({"one"}, 80, 24, true), "\x1b[1A\rone\x1b[K\r\n");
}

TEST(ScreenPainter, KeepsTheBlockInsideTheTerminal) {
    vmterm::ScreenPainter painter;
    const std::string out =
        painter.Paint({"0123456789", "b", "c", "d", "e"}, 6, 4, false);  // 5 columns, 3 rows
    EXPECT_EQ(out, "\r01234\x1b[K\r\n\rb\x1b[K\r\n\rc\x1b[K\r\n");
    EXPECT_EQ(painter.Height(), 3u);
}

}  // namespace

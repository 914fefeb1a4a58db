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
using vmterm::ProgressState;

WPARAM Signed(int value) {
    return static_cast<WPARAM>(static_cast<std::intptr_t>(value));
}

TEST(Toner, PercentFromRangeAndPositionAndTheBarShowingIt) {
    const struct {
        const char* name;
        UINT rangeMessage;  // with wParam and lParam, then PBM_SETPOS with `position`
        WPARAM wParam;
        LPARAM lParam;
        int position;
        std::optional<int> percent;
    } cases[] = {
        {"16-bit, rounded down", PBM_SETRANGE, 0, MAKELPARAM(0, 30000), 29999, 99},
        {"16-bit maximum is unsigned", PBM_SETRANGE, 0, MAKELPARAM(0, 65535), 65535, 100},
        {"capacity 65536 cut to a range of 0", PBM_SETRANGE, 0, 0, 0, std::nullopt},
        {"level -3 (some remaining)", PBM_SETRANGE, 0, MAKELPARAM(0, 100), -3, std::nullopt},
        {"level above capacity", PBM_SETRANGE, 0, MAKELPARAM(0, 100), 101, std::nullopt},
        {"32-bit inverted range", PBM_SETRANGE32, 100, 0, 50, std::nullopt},
        {"widest range does not overflow", PBM_SETRANGE32, Signed(INT_MIN), INT_MAX, 0, 50},
        {"negative minimum", PBM_SETRANGE32, Signed(-100), 100, -50, 25},
    };
    for (const auto& c : cases) {
        ProgressState state;
        ApplyProgressMessage(state, c.rangeMessage, c.wParam, c.lParam);
        ApplyProgressMessage(state, PBM_SETPOS, Signed(c.position), 0);
        EXPECT_EQ(vmterm::ProgressPercent(state), c.percent) << c.name;
    }
    EXPECT_EQ(vmterm::ProgressPercent(ProgressState{}), 0);  // the control's defaults

    ProgressState bar;  // a known level is drawn in the window's lines below
    ApplyProgressMessage(bar, PBM_SETPOS, Signed(-2), 0);
    EXPECT_EQ(vmterm::ProgressBarText(bar, 10), "[----------] unknown");
}

vmterm::WindowView PollingView() {
    return {.title = "HP LaserJet Pro 4012dn Monitor",
            .label = "Primary Status:",
            .primary = "READY",
            .secondary = "Ready\r\nTray 2: Letter\r\n",
            .pageCount = "48213",
            .powerOnCount = "212",
            .toner = {.position = 62},
            .trayPresent = true,
            .trayIcon = vmterm::IconKind::Online,
            .trayTip = "HP LaserJet Pro 4012dn Monitor",
            .balloon = std::nullopt,
            .state = 0};
}

TEST(WindowLines, PollingAndUnreachableLayouts) {
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

    vmterm::WindowView view = PollingView();
    view.label = "Unreachable:";
    view.primary = "10.0.0.9";
    view.updateTargetVisible = true;
    EXPECT_EQ(vmterm::RenderWindow(view, {})[1], "        Unreachable: [10.0.0.9]");
    EXPECT_EQ(vmterm::RenderWindow(view, {})[7], "                     <Update Target>  <Hide>");
}

TEST(WindowJson, UnknownValuesAreNull) {
    vmterm::WindowView view;
    view.secondary = "only\r\n\r\n";
    view.toner.maximum = 0;
    view.toner.position = -3;
    view.state = 7;
    const std::string json = vmterm::RenderJson(view);
    for (const char* field : {"\"secondary\":[\"only\",\"\"]", "\"tray\":null", "\"state\":null",
                              "\"toner\":{\"min\":0,\"max\":0,\"pos\":-3,\"percent\":null}"}) {
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    }
}

TEST(ScreenPainter, RewritesOnlyChangedLinesInsideTheTerminal) {
    vmterm::ScreenPainter painter;
    EXPECT_EQ(painter.Paint({"one", "two", "three"}, 80, 24, false),
              "\rone\x1b[K\r\n\rtwo\x1b[K\r\n\rthree\x1b[K\r\n");
    EXPECT_EQ(painter.Paint({"one", "two", "three"}, 80, 24, false), "");
    EXPECT_EQ(painter.Paint({"one", "TWO", "three"}, 80, 24, false),
              "\x1b[3A\r\n\rTWO\x1b[K\r\n\r\n");
    // A shorter block erases what lay below it; a full repaint rewrites unchanged lines too.
    EXPECT_EQ(painter.Paint({"one"}, 80, 24, false), "\x1b[3A\r\n\x1b[J");
    EXPECT_EQ(painter.Paint({"one"}, 80, 24, true), "\x1b[1A\rone\x1b[K\r\n");
    // 5 columns and 3 rows fit in a 6 x 4 terminal.
    vmterm::ScreenPainter small;
    EXPECT_EQ(small.Paint({"0123456789", "b", "c", "d"}, 6, 4, false),
              "\r01234\x1b[K\r\n\rb\x1b[K\r\n\rc\x1b[K\r\n");
    EXPECT_EQ(small.Height(), 3u);
}

}  // namespace

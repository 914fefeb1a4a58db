// The progress bar's messages, with the common control's results: unsigned 16-bit and signed
// 32-bit ranges, the previous values returned, and a position kept as sent but drawn clamped.
#include "platform/ui/posix/progress_state.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using posixui::ApplyProgressMessage;
using posixui::ProgressState;

WPARAM Signed(int value) {
    return static_cast<WPARAM>(static_cast<std::intptr_t>(value));
}

TEST(ProgressState, MessagesAsTheCommonControlAnswersThem) {
    const struct {
        const char* name;
        UINT rangeMessage;  // with wParam and lParam, then PBM_SETPOS with `position`
        WPARAM wParam;
        LPARAM lParam;
        int position;
        int minimum, maximum, clamped;
    } cases[] = {
        {"16-bit maximum is unsigned", PBM_SETRANGE, 0, MAKELPARAM(0, 65535), 65535, 0, 65535,
         65535},
        {"level -3 drawn at the minimum", PBM_SETRANGE, 0, MAKELPARAM(0, 100), -3, 0, 100, 0},
        {"above the range drawn full", PBM_SETRANGE32, 0, 100000, 250000, 0, 100000, 100000},
        {"inverted range", PBM_SETRANGE32, 100, 0, 150, 100, 0, 100},
        {"widest range", PBM_SETRANGE32, Signed(INT_MIN), INT_MAX, INT_MIN, INT_MIN, INT_MAX,
         INT_MIN},
    };
    for (const auto& c : cases) {
        ProgressState bar;
        EXPECT_EQ(ApplyProgressMessage(bar, c.rangeMessage, c.wParam, c.lParam), MAKELPARAM(0, 100))
            << c.name;
        ApplyProgressMessage(bar, PBM_SETPOS, Signed(c.position), 0);
        EXPECT_EQ(bar.position, c.position) << c.name;  // kept as sent
        EXPECT_EQ(ApplyProgressMessage(bar, PBM_GETPOS, 0, 0), c.clamped) << c.name;
        EXPECT_EQ(ApplyProgressMessage(bar, PBM_GETRANGE, TRUE, 0), c.minimum) << c.name;
        EXPECT_EQ(ApplyProgressMessage(bar, PBM_GETRANGE, FALSE, 0), c.maximum) << c.name;
    }
    ProgressState bar;
    EXPECT_EQ(ApplyProgressMessage(bar, PBM_SETSTEP, 1, 0), 10);
    EXPECT_EQ(ApplyProgressMessage(bar, PBM_SETBARCOLOR, 0, 0),
              static_cast<LRESULT>(posixui::DEFAULT_BAR_COLOR));
    EXPECT_EQ(bar.barColor, 0u);
    EXPECT_EQ(ApplyProgressMessage(bar, WM_USER + 99, 1, 1), 0);
}

}  // namespace

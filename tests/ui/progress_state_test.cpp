// The progress bar as the common control keeps it and answers its messages: a 16-bit range is
// unsigned, a 32-bit one signed; the position is kept as sent (a negative one sign-extended in
// wParam) and drawn clamped into the range, whichever way round the range is; the previous
// values come back.
#include "platform/ui/posix/progress_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace {

WPARAM Signed(int value) {
    return static_cast<WPARAM>(static_cast<std::intptr_t>(value));
}

TEST(ProgressState, RangesPositionsAndWhereTheyAreDrawn) {
    // The range message with its wParam and lParam, the position sent; the range kept, and
    // where the position is drawn.
    const std::tuple<UINT, WPARAM, LPARAM, int, int, int, int> cases[] = {
        {PBM_SETRANGE, 0, MAKELPARAM(0, 65535), 70000, 0, 65535, 65535},
        {PBM_SETRANGE32, 0, 100, -3, 0, 100, 0},
        {PBM_SETRANGE32, 100, 0, 50, 100, 0, 50},
        {PBM_SETRANGE32, Signed(INT_MIN), INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MIN},
    };
    for (const auto& [message, wParam, lParam, position, minimum, maximum, drawn] : cases) {
        posixui::ProgressState bar;
        const auto send = [&bar](UINT m, WPARAM w, LPARAM l) {
            return posixui::ApplyProgressMessage(bar, m, w, l);
        };
        EXPECT_EQ(send(message, wParam, lParam), MAKELPARAM(0, 100));  // the previous range
        EXPECT_EQ(send(PBM_SETPOS, Signed(position), 0), 0);
        EXPECT_EQ(bar.position, position);
        EXPECT_EQ(std::tuple(send(PBM_GETRANGE, TRUE, 0), send(PBM_GETRANGE, FALSE, 0),
                             send(PBM_GETPOS, 0, 0), send(PBM_SETPOS, Signed(position), 0),
                             send(PBM_SETSTEP, 1, 0)),
                  std::tuple(minimum, maximum, drawn, drawn, 10));
    }
}

}  // namespace

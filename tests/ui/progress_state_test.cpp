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
    const struct {
        const char* name;
        UINT message;  // the range message, with its wParam and lParam
        WPARAM wParam;
        LPARAM lParam;
        int position;  // sent after the range
        int minimum;   // the range kept
        int maximum;
        int drawn;  // where the position is drawn
    } cases[] = {
        {"16-bit range, unsigned", PBM_SETRANGE, 0, MAKELPARAM(0, 65535), 70000, 0, 65535, 65535},
        {"below the range", PBM_SETRANGE32, 0, 100, -3, 0, 100, 0},
        {"range the other way round", PBM_SETRANGE32, 100, 0, 50, 100, 0, 50},
        {"32-bit range, signed", PBM_SETRANGE32, Signed(INT_MIN), INT_MAX, INT_MIN, INT_MIN,
         INT_MAX, INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& [name, message, wParam, lParam, position, minimum, maximum, drawn] = c;
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

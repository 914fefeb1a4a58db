// The state of a progress bar control and the PBM_* messages that drive it, with the results
// the common control gives. Unlike the common control the position is kept as sent, not
// clamped, so that a level outside the range can be shown as unknown.
#pragma once

#include <optional>
#include <string>

#include "win32_types.h"

namespace vmterm {

struct ProgressState {
    int minimum = 0;  // the control's defaults
    int maximum = 100;
    int position = 0;
    int step = 10;
    DWORD barColor = 0xFF000000u;  // CLR_DEFAULT
};

// Applies one PBM_* message and returns what the control returns: the previous range packed
// as MAKELPARAM(min, max) for the range messages, the previous position, step or colour, or
// the requested value for PBM_GETRANGE (wParam nonzero: minimum) and PBM_GETPOS. Any other
// message changes nothing and returns 0.
LRESULT ApplyProgressMessage(ProgressState& state, UINT message, WPARAM wParam, LPARAM lParam);

// The filled share in whole percent (rounded down), or nothing when the range is empty or
// inverted or the position lies outside it.
std::optional<int> ProgressPercent(const ProgressState& state);

// The bar as text: "[#####---------------] 25%" with `cells` cells, or the empty bar and
// "unknown".
std::string ProgressBarText(const ProgressState& state, int cells);

}  // namespace vmterm

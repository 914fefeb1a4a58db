// A common-controls progress bar (msctls_progress32) for front-ends that draw it themselves:
// its state and the PBM_* messages that drive it, with the results the control gives. The
// position is kept as sent, so a level outside the range can still be told; the control
// draws it clamped into the range (Clamped).
#pragma once

#include "win32_types.h"

namespace posixui {

inline constexpr DWORD DEFAULT_BAR_COLOR = 0xFF000000u;  // CLR_DEFAULT

struct ProgressState {
    int minimum = 0;  // the control's defaults
    int maximum = 100;
    int position = 0;
    int step = 10;
    DWORD barColor = DEFAULT_BAR_COLOR;

    // The position as the control draws it: inside the range, whichever way round it is.
    int Clamped() const;
};

// Applies one message and returns what the control returns: the previous range packed as
// MAKELPARAM(low, high) for PBM_SETRANGE and PBM_SETRANGE32 (16-bit range: unsigned words;
// 32-bit: signed), the previous position (clamped), step or colour, and for PBM_GETRANGE
// (wParam nonzero: the low limit) and PBM_GETPOS what they ask. Any other message: 0.
LRESULT ApplyProgressMessage(ProgressState& state, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace posixui

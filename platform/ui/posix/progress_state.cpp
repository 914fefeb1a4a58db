#include "platform/ui/posix/progress_state.h"

#include <algorithm>
#include <cstdint>

namespace posixui {

int ProgressState::Clamped() const {
    return std::clamp(position, std::min(minimum, maximum), std::max(minimum, maximum));
}

LRESULT ApplyProgressMessage(ProgressState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto int32 = [](std::uintptr_t value) {
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    };
    const LRESULT range = MAKELPARAM(state.minimum, state.maximum);
    LRESULT previous = 0;
    switch (message) {
        case PBM_SETRANGE:
            state.minimum = LOWORD(lParam);
            state.maximum = HIWORD(lParam);
            return range;
        case PBM_SETRANGE32:
            state.minimum = int32(wParam);
            state.maximum = int32(static_cast<std::uintptr_t>(lParam));
            return range;
        case PBM_SETPOS:
            previous = state.Clamped();
            state.position = int32(wParam);
            return previous;
        case PBM_SETSTEP:
            previous = state.step;
            state.step = int32(wParam);
            return previous;
        case PBM_SETBARCOLOR:
            previous = static_cast<LRESULT>(state.barColor);
            state.barColor = static_cast<DWORD>(lParam);
            return previous;
        case PBM_GETRANGE:
            return wParam != 0 ? state.minimum : state.maximum;
        case PBM_GETPOS:
            return state.Clamped();
        default:
            return 0;
    }
}

}  // namespace posixui

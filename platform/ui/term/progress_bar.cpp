#include "progress_bar.h"

#include <cstdint>

namespace vmterm {
namespace {

LRESULT PackRange(const ProgressState& state) {
    return MAKELPARAM(state.minimum, state.maximum);
}

// The distance from the minimum scaled to `scale`, or nothing outside a non-empty range.
std::optional<std::int64_t> Scaled(const ProgressState& state, std::int64_t scale) {
    const std::int64_t span = std::int64_t{state.maximum} - state.minimum;
    if (span <= 0 || state.position < state.minimum || state.position > state.maximum) {
        return std::nullopt;
    }
    return (std::int64_t{state.position} - state.minimum) * scale / span;
}

}  // namespace

LRESULT ApplyProgressMessage(ProgressState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT previous = 0;
    switch (message) {
        case PBM_SETRANGE:
            previous = PackRange(state);
            state.minimum = LOWORD(lParam);
            state.maximum = HIWORD(lParam);
            return previous;
        case PBM_SETRANGE32:
            previous = PackRange(state);
            state.minimum = static_cast<int>(static_cast<std::int32_t>(wParam));
            state.maximum = static_cast<int>(static_cast<std::int32_t>(lParam));
            return previous;
        case PBM_SETPOS:
            previous = state.position;
            state.position = static_cast<int>(static_cast<std::int32_t>(wParam));
            return previous;
        case PBM_SETSTEP:
            previous = state.step;
            state.step = static_cast<int>(static_cast<std::int32_t>(wParam));
            return previous;
        case PBM_SETBARCOLOR:
            previous = static_cast<LRESULT>(state.barColor);
            state.barColor = static_cast<DWORD>(lParam);
            return previous;
        case PBM_GETRANGE:
            return wParam != 0 ? state.minimum : state.maximum;
        case PBM_GETPOS:
            return state.position;
        default:
            return 0;
    }
}

std::optional<int> ProgressPercent(const ProgressState& state) {
    const auto scaled = Scaled(state, 100);
    if (!scaled) {
        return std::nullopt;
    }
    return static_cast<int>(*scaled);
}

std::string ProgressBarText(const ProgressState& state, int cells) {
    const auto filled = Scaled(state, cells);
    std::string out = "[";
    for (int i = 0; i < cells; ++i) {
        out.push_back(filled && i < *filled ? '#' : '-');
    }
    out += "] ";
    const auto percent = ProgressPercent(state);
    out += percent ? std::to_string(*percent) + "%" : "unknown";
    return out;
}

}  // namespace vmterm

#include "platform/ui/term/bar_colour.h"

#include <algorithm>

#include "platform/ui/posix/progress_state.h"

namespace vmterm {
namespace {

// Below this spread between the strongest and the weakest channel a colour is a grey.
constexpr int GREY_SPREAD = 64;

}  // namespace

std::string BarColourSgr(DWORD colour) {
    if (colour == posixui::DEFAULT_BAR_COLOR) {
        return {};
    }
    const int red = static_cast<int>(colour & 0xFF);
    const int green = static_cast<int>((colour >> 8) & 0xFF);
    const int blue = static_cast<int>((colour >> 16) & 0xFF);
    const int strongest = std::max({red, green, blue});
    const int weakest = std::min({red, green, blue});
    if (strongest - weakest < GREY_SPREAD) {
        return strongest < 64 ? "97;40" : strongest < 192 ? "30;100" : "30;47";
    }
    // A channel counts when it is at least half the strongest: ANSI numbers the colours
    // red 1, green 2, blue 4.
    const int half = (strongest + 1) / 2;
    const int ansi = (red >= half ? 1 : 0) | (green >= half ? 2 : 0) | (blue >= half ? 4 : 0);
    // Black text on the light colours (green, yellow, cyan), white on the dark ones.
    const bool light = ansi == 2 || ansi == 3 || ansi == 6;
    return std::string(light ? "30;4" : "97;4") + static_cast<char>('0' + ansi);
}

}  // namespace vmterm

#include "platform/ui/qt/progress_bar.h"

#include <QPalette>
#include <QStyle>
#include <algorithm>

namespace vmqt {
namespace {

constexpr DWORD CLR_DEFAULT_COLOUR = 0xFF000000u;

LRESULT PackRange(int low, int high) {
    return MAKELPARAM(low, high);
}

}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent), colour_(CLR_DEFAULT_COLOUR) {
    setTextVisible(false);
    Apply();
}

LRESULT ProgressBar::SetRange(int low, int high) {
    const LRESULT previous = PackRange(low_, high_);
    low_ = low;
    high_ = high;
    position_ = std::clamp(position_, std::min(low_, high_), std::max(low_, high_));
    Apply();
    return previous;
}

LRESULT ProgressBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case PBM_SETRANGE:
            // Both bounds are unsigned 16-bit words.
            return SetRange(LOWORD(lParam), HIWORD(lParam));
        case PBM_SETRANGE32:
            return SetRange(static_cast<int>(wParam), static_cast<int>(lParam));
        case PBM_GETRANGE:
            return wParam ? low_ : high_;
        case PBM_SETPOS: {
            const int previous = position_;
            position_ =
                std::clamp(static_cast<int>(wParam), std::min(low_, high_), std::max(low_, high_));
            Apply();
            return previous;
        }
        case PBM_GETPOS:
            return position_;
        case PBM_SETSTEP: {
            const int previous = step_;
            step_ = static_cast<int>(wParam);
            return previous;
        }
        case PBM_SETBARCOLOR: {
            const DWORD previous = colour_;
            colour_ = static_cast<DWORD>(lParam);
            Apply();
            return static_cast<LRESULT>(previous);
        }
        default:
            return 0;
    }
}

void ProgressBar::Apply() {
    // An empty range would make QProgressBar animate as "busy"; Win32 shows an empty bar.
    const int low = std::min(low_, high_);
    const int high = std::max(low_, high_);
    setRange(low, high > low ? high : low + 1);
    setValue(position_);
    QPalette colours = QProgressBar::palette();
    if (colour_ == CLR_DEFAULT_COLOUR) {
        colours.setColor(QPalette::Highlight,
                         QWidget::style()->standardPalette().color(QPalette::Highlight));
    } else {
        // COLORREF: 0x00BBGGRR.
        colours.setColor(QPalette::Highlight, QColor(static_cast<int>(colour_ & 0xFF),
                                                     static_cast<int>((colour_ >> 8) & 0xFF),
                                                     static_cast<int>((colour_ >> 16) & 0xFF)));
    }
    setPalette(colours);
}

}  // namespace vmqt

#include "platform/ui/qt/progress_bar.h"

#include <QPalette>
#include <QStyle>
#include <algorithm>

namespace vmqt {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    Apply();
}

LRESULT ProgressBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = posixui::ApplyProgressMessage(state_, message, wParam, lParam);
    Apply();
    return result;
}

void ProgressBar::Apply() {
    // An empty range would make QProgressBar animate as "busy"; Win32 shows an empty bar.
    const int low = std::min(state_.minimum, state_.maximum);
    const int high = std::max(state_.minimum, state_.maximum);
    setRange(low, high > low ? high : low + 1);
    setValue(state_.Clamped());
    QPalette colours = QProgressBar::palette();
    const DWORD colour = state_.barColor;
    if (colour == posixui::DEFAULT_BAR_COLOR) {
        colours.setColor(QPalette::Highlight,
                         QWidget::style()->standardPalette().color(QPalette::Highlight));
    } else {
        // COLORREF: 0x00BBGGRR.
        colours.setColor(QPalette::Highlight, QColor(static_cast<int>(colour & 0xFF),
                                                     static_cast<int>((colour >> 8) & 0xFF),
                                                     static_cast<int>((colour >> 16) & 0xFF)));
    }
    setPalette(colours);
}

}  // namespace vmqt

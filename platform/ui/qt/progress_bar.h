// The common controls' progress bar (msctls_progress32) on a QProgressBar: the Win32 state and
// the answers to PBM_* messages come from the shared emulation (posix/progress_state.h); this
// widget draws the position clamped into the range, in the bar colour.
#pragma once

#include <QProgressBar>

#include "platform/ui/posix/progress_state.h"
#include "win32_types.h"

namespace vmqt {

class ProgressBar : public QProgressBar {
  public:
    explicit ProgressBar(QWidget* parent);

    // Any PBM_* message; others return 0 and change nothing.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    const posixui::ProgressState& State() const { return state_; }

  private:
    void Apply();

    posixui::ProgressState state_;
};

}  // namespace vmqt

// The common controls' progress bar (msctls_progress32) on a QProgressBar: it keeps the Win32
// state (32-bit range, position clamped into it, step, bar colour) and answers PBM_* messages
// with the Win32 results.
#pragma once

#include <QProgressBar>

#include "win32_types.h"

namespace vmqt {

class ProgressBar : public QProgressBar {
  public:
    explicit ProgressBar(QWidget* parent);

    // PBM_SETRANGE, PBM_SETRANGE32, PBM_GETRANGE, PBM_SETPOS, PBM_GETPOS, PBM_SETSTEP,
    // PBM_SETBARCOLOR; any other message returns 0 and changes nothing.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int Low() const { return low_; }
    int High() const { return high_; }
    int Position() const { return position_; }
    int Step() const { return step_; }
    DWORD BarColour() const { return colour_; }

  private:
    LRESULT SetRange(int low, int high);
    void Apply();

    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    int step_ = 10;
    DWORD colour_;
};

}  // namespace vmqt

// Helpers for the Qt front-end's tests: find the running dialog, run a modal dialog while a
// driver function acts on it from inside its event loop, and a procedure that records every
// message it receives.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/ui/qt/dialog_window.h"
#include "win32_types.h"

namespace qttest {

struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages received by RecordingProcedure, oldest first.
std::vector<Message>& Recorded();
INT_PTR CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a message with that number (and, for WM_COMMAND, that command id) was recorded.
bool WasRecorded(UINT message, WPARAM wParamLowWord);

// The one live dialog window, or nullptr.
vmqt::DialogWindow* CurrentDialog();
HWND CurrentHandle();

// Runs `run` (which opens a modal dialog and returns once it has ended) while `drive` acts on
// the dialog from inside its event loop. Whatever `drive` does, the dialog is ended after it
// returns, and a modal window still open (a message box) is closed, so a failed check cannot
// leave the test hanging. Returns `run`'s result.
INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run, const std::function<void()>& drive);

// Spins the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

}  // namespace qttest

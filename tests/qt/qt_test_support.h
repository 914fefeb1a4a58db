// Helpers for the Qt front-end's tests: the running dialog, and running a modal dialog while a
// driver acts on it from inside its event loop.
#pragma once

#include <QApplication>
#include <functional>

#include "platform/ui/qt/dialog_window.h"

namespace qttest {

// The one live dialog window, or nullptr.
vmqt::DialogWindow* CurrentDialog();

// Runs `run` (which opens a modal dialog and returns once it has ended) while `drive` acts on
// the dialog from inside its event loop. Afterwards the dialog is ended and any modal window
// still open is closed, so a failed check cannot leave the test hanging. Returns `run`'s result.
INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run, const std::function<void()>& drive);

}  // namespace qttest

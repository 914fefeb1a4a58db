// The message loops behind DialogBoxParamA, entered after WM_INITDIALOG has been delivered:
// each returns once the dialog has ended (or cannot go on).
#pragma once

#include "dialog_model.h"

namespace vmterm {

// The target prompt: a line entered on the terminal (or read from a piped input); Enter
// delivers IDOK, Esc IDCANCEL. At the end of the input the line so far is taken with IDOK.
void RunTargetPrompt(Dialog& dialog);

// The status window: drawn and redrawn in place, timers, keys and tray activity delivered as
// messages; in once mode printed a single time and then closed with IDCANCEL.
void RunMonitor(Dialog& dialog);

}  // namespace vmterm

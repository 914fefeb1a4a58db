// The message loops behind DialogBoxParamA, entered once WM_INITDIALOG has been handled; each
// returns when the dialog has ended (or cannot go on). A dialog that started a timer in its
// initialisation is a live window; one that did not is a form to fill in.
#pragma once

#include <span>

#include "dialog_model.h"

namespace vmterm {

// A form: its entry field asked for on the terminal line by line (or read from a piped
// input); Enter presses the default button, Esc sends IDCANCEL. When the input ends, the
// entry so far is taken.
void RunForm(Dialog& dialog);

// A live window: drawn on the full screen and redrawn as it changes, its timers, keys and
// tray activity delivered as messages; in once mode printed a single time and then closed
// with IDCANCEL.
void RunLiveWindow(Dialog& dialog);

// Lets the user pick an item of a popup menu in the running live window; the chosen item's
// identifier, or 0 when none was chosen (Esc, or no keyboard to ask).
int ChooseMenuItem(std::span<const tmpl::MenuItemTemplate> items);

}  // namespace vmterm

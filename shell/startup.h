// Start-up: settles the target and community from the command-line text (or the target
// prompt), probes the printer, reads its model, prepares the title and first tray icon, and runs
// the status window until the user exits. Returns 1 in every case; the process exits with it.
//
// `commandLine` is the text after the program's name. On Windows this is the entry point
// itself; the Linux front-ends call it with their arguments joined by single spaces.
#pragma once

#include "win32_types.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

// The window title used when the model could not be read.
inline constexpr const char* DEFAULT_TITLE = "Quillfen - Printer Monitor";
inline constexpr const char* DEFAULT_COMMUNITY = "orchid";

// A record of the tray calls for the end-to-end tests, which cannot read a balloon's title and
// icon back from the Shell (wine's balloon gives only its text). When the environment names a
// file in VELLUMARK_TEST_TRAY_LOG, each Shell_NotifyIconA call is appended to it as one line;
// without the variable nothing is written. The test driver parses the lines with TrayLogEntry.
#pragma once

#include <string>

#include "platform/ui/ui.h"

namespace ui {

inline constexpr const char* TRAY_LOG_VARIABLE = "VELLUMARK_TEST_TRAY_LOG";

// One call as logged: the fields a balloon is made of, texts as given (CR LF kept).
struct TrayLogEntry {
    DWORD operation = 0;
    UINT id = 0;
    UINT flags = 0;
    DWORD infoFlags = 0;
    UINT timeout = 0;
    std::string title;
    std::string text;
};

// The line for one call: tab-separated fields, the texts with tab, CR, LF and backslash
// escaped, ending in "\n".
std::string TrayLogLine(DWORD operation, const NOTIFYICONDATAA& record);
// Reads a line back (without its "\n"); false when it is not one TrayLogLine wrote.
bool ParseTrayLogLine(const std::string& line, TrayLogEntry* entry);

// Appends the call to the file the environment names, if any.
void LogTrayCall(DWORD operation, const NOTIFYICONDATAA& record);

}  // namespace ui

// How the terminal front-end runs the dialogs: interactively on the terminal, or once (the
// status window's first content printed as text or JSON, then the Exit command), and where
// it reads keys and writes. main() sets it before the program starts; tests set it too.
#pragma once

#include <optional>
#include <string>

namespace vmterm {

struct TermConfig {
    bool once = false;
    bool json = false;
    int inputFd = 0;
    int outputFd = 1;
    int errorFd = 2;
    // The monitoring state for the display and the once result; nothing when not known.
    std::optional<int> (*monitorState)() = nullptr;
};

TermConfig& Config();

// What once mode saw: whether the status window was printed, and the monitoring state right
// after its first tick.
struct OnceOutcome {
    bool printed = false;
    std::optional<int> state;
};

OnceOutcome& LastOnceOutcome();

// What the program last reported of the printer: whether a report came, and why it did not
// answer ("" when it answered).
struct MonitorReport {
    bool reported = false;
    std::string reason;
};

MonitorReport& LastMonitorReport();

// Bytes read from the input but not used yet (a line reader may read past its line end).
std::string& UnreadInput();

}  // namespace vmterm

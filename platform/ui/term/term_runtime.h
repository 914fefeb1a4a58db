// How the terminal front-end runs the dialogs: interactively on the terminal, or once (the
// status window's first content printed as text or JSON, then the Exit command), and where
// it reads keys and writes. main() sets it before the program starts; tests set it too.
#pragma once

#include <string>

namespace vmterm {

struct TermConfig {
    bool once = false;
    bool json = false;
    int inputFd = 0;
    int outputFd = 1;
    int errorFd = 2;
    std::string target;  // the target as the command line names it, for the one-shot output
};

inline TermConfig& Config() {
    static TermConfig config;
    return config;
}

// What the program last reported of the printer (ui::ReportMonitorState): whether a report
// came, and why the printer did not answer ("" when it answered).
struct MonitorReport {
    bool reported = false;
    std::string reason;
};

inline MonitorReport& LastMonitorReport() {
    static MonitorReport report;
    return report;
}

// What once mode saw: whether the status window was printed, and whether the printer had
// answered by then.
struct OnceOutcome {
    bool printed = false;
    bool answered = false;
};

inline OnceOutcome& LastOnceOutcome() {
    static OnceOutcome outcome;
    return outcome;
}

// Bytes read from the input but not used yet (a line reader may read past its line end).
inline std::string& UnreadInput() {
    static std::string unread;
    return unread;
}

}  // namespace vmterm

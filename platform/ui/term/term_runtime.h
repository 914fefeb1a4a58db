// How the terminal front-end runs the dialogs: interactively on the terminal, or once (the
// status window's first content taken for main() to print, then the Exit command), and where
// it reads keys and writes. main() sets it before the program starts; tests set it too.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vmterm {

// A key of the program's own: its letter sends WM_COMMAND `command` to the program's main
// window (the first live window) whenever typing does not go to an entry, and the main
// window's keys line names it ("d Details").
struct CommandKey {
    char letter;
    int command;
    std::string name;
};

struct TermConfig {
    bool once = false;
    int inputFd = 0;
    int outputFd = 1;
    int errorFd = 2;
    std::string target;  // the target as the command line names it, for the one-shot JSON
    bool bell = false;   // the terminal's bell rings once for each alert the tray shows
    std::vector<CommandKey> commandKeys;
};

// What the program last reported of the printer (ui::ReportMonitorState): whether a report
// came, and why the printer did not answer ("" when it answered).
struct MonitorReport {
    bool reported = false;
    std::string reason;
};

// The status window's first content as once mode took it, as text and as JSON; empty when
// the window never opened.
struct OnceWindow {
    std::string text;
    nlohmann::ordered_json json;
};

// The process's one instance of each.
struct TermRuntime {
    TermConfig config;
    MonitorReport report;
    OnceWindow once;
    std::string unreadInput;  // read from the input but not used yet (a line reader reads ahead)
};

inline TermRuntime& Runtime() {
    static TermRuntime runtime;
    return runtime;
}
inline TermConfig& Config() {
    return Runtime().config;
}

}  // namespace vmterm

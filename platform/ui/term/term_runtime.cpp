#include "term_runtime.h"

namespace vmterm {

TermConfig& Config() {
    static TermConfig config;
    return config;
}

MonitorReport& LastMonitorReport() {
    static MonitorReport report;
    return report;
}

OnceOutcome& LastOnceOutcome() {
    static OnceOutcome outcome;
    return outcome;
}

std::string& UnreadInput() {
    static std::string unread;
    return unread;
}

}  // namespace vmterm

#include "term_runtime.h"

namespace vmterm {

TermConfig& Config() {
    static TermConfig config;
    return config;
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

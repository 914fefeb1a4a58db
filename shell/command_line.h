// Splitting the command-line text into tokens, strtok_r style: the space character alone
// separates tokens (tabs and quotes are ordinary characters), runs of spaces count as one, and
// leading and trailing spaces yield no token.
#pragma once

#include <string>

#include "condition/reader.h"
#include "condition/usm_security.h"

// Returns the next token and terminates it in place, or null when only spaces remain. Pass the
// text on the first call and null afterwards; `context` keeps the position between calls.
// Never reads beyond the text's terminator.
char* NextSpaceToken(char* text, char** context);

// The options the command-line text may start with, before TARGET: no host name or address
// starts with "-", so no target is lost to them. Every front-end spells them so.
inline constexpr const char* NO_PING_OPTION = "--no-ping";  // no echo: the model query decides
inline constexpr const char* RETRY_OPTION = "--retry";  // "--retry SECONDS" or "--retry=SECONDS"
inline constexpr int RETRY_SECONDS_MAX = 86400;
// How the printer's whole condition is watched beside the window: "--condition-every SECONDS",
// "--condition-version 1|2c|3" (the window's own SNMPv1 unless another; 3 only where the build
// reads SNMPv3, its user and passwords never in this text: see g_condition_request),
// "--no-notify".
inline constexpr const char* CONDITION_EVERY_OPTION = "--condition-every";
inline constexpr int CONDITION_SECONDS_MIN = 10;
inline constexpr int CONDITION_SECONDS_MAX = 86400;
inline constexpr int DEFAULT_CONDITION_SECONDS = 60;
inline constexpr int DETAILS_READING_SECONDS = 30;  // while the details window is open
inline constexpr const char* CONDITION_VERSION_OPTION = "--condition-version";
inline constexpr const char* NO_NOTIFY_OPTION = "--no-notify";

// The target and community the command-line text names, whole: the first token after the
// options, empty when there is none (the user is then asked), and the next, DEFAULT_COMMUNITY
// when there is none. Later tokens are ignored. The one split of the text: start-up and the
// front-ends read its result.
struct CommandLineTokens {
    std::string target;
    std::string community;
    bool noPing = false;
    int retrySeconds = 0;  // 0: the unreachable window waits for the user
    int conditionSeconds = DEFAULT_CONDITION_SECONDS;
    condition::SnmpVersion conditionVersion = condition::SnmpVersion::V1;
    bool noNotify = false;
    std::string optionError;  // an option's value out of its range, in one line
};
// `v3Built` says whether "--condition-version 3" can be read; where not, it is refused.
CommandLineTokens SplitCommandLine(const char* commandLine, bool v3Built = condition::UsmBuilt());

// What start-up will find wrong with the target or community: null when both fit, else a
// one-line message for the user ("the target is longer than 63 characters"). A text that does
// not fit is never used cut: the program treats the printer as unreachable.
const char* CommandLineProblem(const CommandLineTokens& tokens);

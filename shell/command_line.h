// Splitting the command-line text into tokens, strtok_r style: the space character alone
// separates tokens (tabs and quotes are ordinary characters), runs of spaces count as one, and
// leading and trailing spaces yield no token.
#pragma once

#include <string>

// Returns the next token and terminates it in place, or null when only spaces remain. Pass the
// text on the first call and null afterwards; `context` keeps the position between calls.
// Never reads beyond the text's terminator.
char* NextSpaceToken(char* text, char** context);

// The target and community the command-line text names, whole: its first token, empty when there
// is none (the user is then asked), and its second, DEFAULT_COMMUNITY when there is none. Later
// tokens are ignored. The one split of the text: start-up and the front-ends read its result.
struct CommandLineTokens {
    std::string target;
    std::string community;
};
CommandLineTokens SplitCommandLine(const char* commandLine);

// What start-up will find wrong with the target or community: null when both fit, else a
// one-line message for the user ("the target is longer than 63 characters"). A text that does
// not fit is never used cut: the program treats the printer as unreachable.
const char* CommandLineProblem(const CommandLineTokens& tokens);

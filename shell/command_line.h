// Splitting the command-line text into tokens, strtok_r style: the space character alone
// separates tokens (tabs and quotes are ordinary characters), runs of spaces count as one, and
// leading and trailing spaces yield no token.
#pragma once

// Returns the next token and terminates it in place, or null when only spaces remain. Pass the
// text on the first call and null afterwards; `context` keeps the position between calls.
// Never reads beyond the text's terminator.
char* NextSpaceToken(char* text, char** context);

// What start-up will find wrong with the command line's target or community: null when both
// fit, else a one-line message for the user ("the target is longer than 63 characters"). A
// text that does not fit is never used cut: the program treats the printer as unreachable.
const char* CommandLineProblem(const char* commandLine);

// Splitting the command-line text into tokens, strtok_r style: the space character alone
// separates tokens (tabs and quotes are ordinary characters), runs of spaces count as one, and
// leading and trailing spaces yield no token.
#pragma once

// Returns the next token and terminates it in place, or null when only spaces remain. Pass the
// text on the first call and null afterwards; `context` keeps the position between calls.
// Never reads beyond the text's terminator.
char* NextSpaceToken(char* text, char** context);

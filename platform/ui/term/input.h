// Reading the keyboard or a piped input: keys with a deadline, or whole lines. Both share one
// buffer, so bytes read past a line's end are not lost to the next reader.
#pragma once

#include <string>
#include <vector>

#include "key_decoder.h"

namespace vmterm {

// Waits up to `timeoutMs` (negative: no limit) for keys on `fd`. A lone Esc is reported once
// no further byte has followed it for a moment. `endOfInput` becomes true when `fd` has ended.
std::vector<Key> ReadKeys(int fd, int timeoutMs, bool& endOfInput);

// Reads one line from `fd` without its line end (LF or CR LF). False at the end of the input
// with nothing read.
bool ReadLine(int fd, std::string& line);

// Removes the last character (a whole UTF-8 sequence, or one byte) of an entry text.
void EraseLastCharacter(std::string& text);

// Applies an editing key to an entry's text: a character is added only while the text stays
// within `limit` bytes (0: no limit), Backspace removes the last character, Ctrl-U clears.
// Returns whether the key was an editing key (the text may be unchanged).
bool EditEntry(std::string& text, const Key& key, std::size_t limit);

}  // namespace vmterm

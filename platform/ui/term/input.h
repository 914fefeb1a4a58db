// The keyboard and a piped input: bytes decoded into keys (cursor and function keys' escape
// sequences swallowed whole, a lone Esc told from the start of one once nothing follows it for
// a moment), keys read with a deadline, whole lines, and the editing of an entry. Keys and
// lines share one buffer, so bytes read past a line's end are not lost to the next reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vmterm {

enum class KeyType { Char, Enter, Backspace, Escape, Tab, ClearLine, Interrupt };

struct Key {
    KeyType type;
    std::string bytes;  // for Char: one character (a UTF-8 sequence or a single byte)
};

class KeyDecoder {
  public:
    // Decodes `input`, keeping an unfinished sequence for the next call.
    std::vector<Key> Feed(std::string_view input);
    // True while a lone Esc or an unfinished sequence waits for more bytes.
    bool Pending() const { return !pending_.empty(); }
    // Gives up waiting: a lone Esc becomes Escape, an unfinished sequence is dropped, an
    // unfinished UTF-8 character is passed on byte by byte.
    std::vector<Key> Flush();

  private:
    std::string pending_;
    bool afterCarriageReturn_ = false;
};

// Waits up to `timeoutMs` (negative: no limit) for keys on `fd`. `endOfInput` becomes true
// when `fd` has ended.
std::vector<Key> ReadKeys(int fd, int timeoutMs, bool& endOfInput);

// Reads one line from `fd` without its line end (LF or CR LF). False at the end of the input
// with nothing read.
bool ReadLine(int fd, std::string& line);

// Applies an editing key to an entry's text: a character is added only while the text stays
// within `limit` bytes (0: no limit), Backspace removes the last character (a whole UTF-8
// sequence, or one byte), Ctrl-U clears. Returns whether the key was an editing key.
bool EditEntry(std::string& text, const Key& key, std::size_t limit);

}  // namespace vmterm

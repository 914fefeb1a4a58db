// Turns the bytes read from the keyboard into key events. Escape sequences of cursor and
// function keys are swallowed whole; a lone Esc is told apart from the start of a sequence by
// the caller, who calls Flush when no further byte follows soon.
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

}  // namespace vmterm

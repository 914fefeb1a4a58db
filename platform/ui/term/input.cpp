#include "platform/ui/term/input.h"

#include <utility>

#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"

namespace vmterm {
namespace {

constexpr int ESCAPE_WAIT_MS = 50;

// Length of the escape sequence at the start of `s` (which begins with ESC): 0 when it is not
// finished yet, 1 for a lone ESC followed by something that starts no sequence.
std::size_t EscapeLength(std::string_view s) {
    if (s.size() < 2) {
        return 0;
    }
    if (s[1] == 'O') {
        return s.size() >= 3 ? 3 : 0;  // SS3: one final byte (F1..F4 and keypad)
    }
    if (s[1] != '[') {
        return 1;
    }
    // CSI: parameter and intermediate bytes, then one final byte 0x40..0x7E.
    for (std::size_t i = 2; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x40 && c <= 0x7E) {
            return i + 1;
        }
        if (c < 0x20 || c > 0x3F) {
            return i;  // malformed: drop what was read
        }
    }
    return 0;
}

// The key a control byte stands for; Char for the bytes that mean nothing here.
KeyType ControlKey(unsigned char c) {
    return c == 0x7F || c == 0x08 ? KeyType::Backspace
           : c == '\t'            ? KeyType::Tab
           : c == 0x15            ? KeyType::ClearLine  // Ctrl-U
           : c == 0x03            ? KeyType::Interrupt  // Ctrl-C when it arrives as a byte
                                  : KeyType::Char;
}

}  // namespace

std::vector<Key> KeyDecoder::Feed(std::string_view input) {
    pending_.append(input);
    std::vector<Key> keys;
    std::size_t i = 0;
    while (i < pending_.size()) {
        const auto c = static_cast<unsigned char>(pending_[i]);
        const bool afterCarriageReturn = std::exchange(afterCarriageReturn_, c == '\r');
        std::size_t length = 1;
        if (c == 0x1B) {
            length = EscapeLength(std::string_view(pending_).substr(i));
            if (length == 0) {
                break;  // wait for the rest, or for Flush
            }
            if (length == 1) {
                keys.push_back({KeyType::Escape, {}});
            }
        } else if (c >= 0x80) {
            // A character's bytes, as far as they are continuation bytes.
            const std::size_t wanted = c >= 0xF5   ? 1
                                       : c >= 0xF0 ? 4
                                       : c >= 0xE0 ? 3
                                       : c >= 0xC2 ? 2
                                                   : 1;
            while (length < wanted && i + length < pending_.size() &&
                   (static_cast<unsigned char>(pending_[i + length]) & 0xC0) == 0x80) {
                ++length;
            }
            if (length < wanted && i + length == pending_.size()) {
                break;  // the rest may still come
            }
            keys.push_back({KeyType::Char, pending_.substr(i, length)});
        } else if (c == '\r' || (c == '\n' && !afterCarriageReturn)) {
            keys.push_back({KeyType::Enter, {}});  // CR LF is one Enter
        } else if (ControlKey(c) != KeyType::Char) {
            keys.push_back({ControlKey(c), {}});
        } else if (c >= 0x20) {
            keys.push_back({KeyType::Char, std::string(1, static_cast<char>(c))});
        }
        i += length;
    }
    pending_.erase(0, i);
    return keys;
}

std::vector<Key> KeyDecoder::Flush() {
    std::vector<Key> keys;
    if (pending_ == "\x1b") {
        keys.push_back({KeyType::Escape, {}});
    } else if (!pending_.empty() && pending_[0] != 0x1B) {
        for (const char byte : pending_) {
            keys.push_back({KeyType::Char, std::string(1, byte)});
        }
    }
    pending_.clear();
    return keys;
}

std::vector<Key> ReadKeys(int fd, int timeoutMs, bool& endOfInput) {
    static KeyDecoder decoder;
    if (std::string& unread = Runtime().unreadInput; !unread.empty()) {
        std::vector<Key> keys = decoder.Feed(std::exchange(unread, {}));
        if (!keys.empty()) {
            return keys;
        }
    }
    const bool waitingForEscape = decoder.Pending();
    const int wait = waitingForEscape && (timeoutMs < 0 || timeoutMs > ESCAPE_WAIT_MS)
                         ? ESCAPE_WAIT_MS
                         : timeoutMs;
    char buffer[256];
    const long count = ReadWithin(fd, buffer, sizeof buffer, wait);
    if (count > 0) {
        return decoder.Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    endOfInput = count == 0;
    return endOfInput || waitingForEscape ? decoder.Flush() : std::vector<Key>{};
}

bool ReadLine(int fd, std::string& line) {
    std::string& unread = Runtime().unreadInput;
    std::size_t end = 0;
    while ((end = unread.find('\n')) == std::string::npos) {
        char buffer[256];
        const long count = ReadWithin(fd, buffer, sizeof buffer, -1);
        if (count == 0) {
            if (unread.empty()) {
                return false;
            }
            end = unread.size();
            unread += '\n';
        } else if (count > 0) {
            unread.append(buffer, static_cast<std::size_t>(count));
        }
    }
    line = unread.substr(0, end);
    unread.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

bool EditEntry(std::string& text, const Key& key, std::size_t limit) {
    if (key.type == KeyType::Char) {
        if (limit == 0 || text.size() + key.bytes.size() <= limit) {
            text += key.bytes;
        }
    } else if (key.type == KeyType::ClearLine) {
        text.clear();
    } else if (key.type == KeyType::Backspace && !text.empty()) {
        // Continuation bytes (10xxxxxx) belong to the lead byte before them.
        std::size_t at = text.size() - 1;
        while (at > 0 && text.size() - at < 4 &&
               (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
            --at;
        }
        const bool lead = static_cast<unsigned char>(text[at]) >= 0xC0 && at + 1 < text.size();
        text.resize(lead ? at : text.size() - 1);
    } else {
        return key.type == KeyType::Backspace;
    }
    return true;
}

}  // namespace vmterm

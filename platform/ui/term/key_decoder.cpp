#include "key_decoder.h"

namespace vmterm {
namespace {

// Bytes a UTF-8 character with this lead byte takes, 1 for anything else.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 1;
}

// Length of the escape sequence at the start of `s` (which begins with ESC): 0 when it is not
// finished yet, 1 for a lone ESC followed by something that starts no sequence.
std::size_t EscapeLength(std::string_view s) {
    if (s.size() < 2) {
        return 0;
    }
    if (s[1] == '[') {
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
    if (s[1] == 'O') {
        return s.size() >= 3 ? 3 : 0;  // SS3: one final byte (F1..F4 and keypad)
    }
    return 1;
}

}  // namespace

std::vector<Key> KeyDecoder::Feed(std::string_view input) {
    pending_.append(input);
    std::vector<Key> keys;
    std::size_t i = 0;
    while (i < pending_.size()) {
        const auto c = static_cast<unsigned char>(pending_[i]);
        const bool wasCarriageReturn = afterCarriageReturn_;
        afterCarriageReturn_ = false;
        if (c == 0x1B) {
            const std::size_t length = EscapeLength(std::string_view(pending_).substr(i));
            if (length == 0) {
                break;  // wait for the rest, or for Flush
            }
            if (length == 1) {
                keys.push_back({KeyType::Escape, {}});
            }
            i += length;
            continue;
        }
        if (c >= 0x80) {
            // A character's bytes, as far as they are continuation bytes.
            const std::size_t length = Utf8Length(c);
            std::size_t have = 1;
            while (have < length && i + have < pending_.size() &&
                   (static_cast<unsigned char>(pending_[i + have]) & 0xC0) == 0x80) {
                ++have;
            }
            if (have < length && i + have == pending_.size()) {
                break;  // the rest may still come
            }
            keys.push_back({KeyType::Char, pending_.substr(i, have)});
            i += have;
            continue;
        }
        ++i;
        switch (c) {
            case '\r':
                afterCarriageReturn_ = true;
                keys.push_back({KeyType::Enter, {}});
                break;
            case '\n':
                if (!wasCarriageReturn) {  // CR LF is one Enter
                    keys.push_back({KeyType::Enter, {}});
                }
                break;
            case 0x7F:
            case 0x08:
                keys.push_back({KeyType::Backspace, {}});
                break;
            case '\t':
                keys.push_back({KeyType::Tab, {}});
                break;
            case 0x15:  // Ctrl-U
                keys.push_back({KeyType::ClearLine, {}});
                break;
            case 0x03:  // Ctrl-C when it arrives as a byte
                keys.push_back({KeyType::Interrupt, {}});
                break;
            default:
                if (c >= 0x20) {
                    keys.push_back({KeyType::Char, std::string(1, static_cast<char>(c))});
                }
                break;  // other control bytes mean nothing here
        }
    }
    pending_.erase(0, i);
    return keys;
}

std::vector<Key> KeyDecoder::Flush() {
    std::vector<Key> keys;
    if (pending_.empty()) {
        return keys;
    }
    if (pending_[0] == 0x1B) {
        if (pending_.size() == 1) {
            keys.push_back({KeyType::Escape, {}});
        }
    } else {
        for (const char byte : pending_) {
            keys.push_back({KeyType::Char, std::string(1, byte)});
        }
    }
    pending_.clear();
    return keys;
}

}  // namespace vmterm

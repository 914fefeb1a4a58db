#include "input.h"

#include "term_runtime.h"
#include "terminal.h"

namespace vmterm {
namespace {

constexpr int kEscapeWaitMs = 50;

KeyDecoder& Keyboard() {
    static KeyDecoder decoder;
    return decoder;
}

}  // namespace

std::vector<Key> ReadKeys(int fd, int timeoutMs, bool& endOfInput) {
    KeyDecoder& decoder = Keyboard();
    std::string& unread = UnreadInput();
    if (!unread.empty()) {
        std::vector<Key> keys = decoder.Feed(unread);
        unread.clear();
        if (!keys.empty()) {
            return keys;
        }
    }
    const bool waitingForEscape = decoder.Pending();
    int wait = timeoutMs;
    if (waitingForEscape && (wait < 0 || wait > kEscapeWaitMs)) {
        wait = kEscapeWaitMs;
    }
    char buffer[256];
    const long count = ReadWithin(fd, buffer, sizeof buffer, wait);
    if (count > 0) {
        return decoder.Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    if (count == 0) {
        endOfInput = true;
        return decoder.Flush();
    }
    return waitingForEscape ? decoder.Flush() : std::vector<Key>{};
}

bool ReadLine(int fd, std::string& line) {
    std::string& unread = UnreadInput();
    for (;;) {
        const std::size_t end = unread.find('\n');
        if (end != std::string::npos) {
            line = unread.substr(0, end);
            unread.erase(0, end + 1);
            break;
        }
        char buffer[256];
        const long count = ReadWithin(fd, buffer, sizeof buffer, -1);
        if (count == 0) {
            if (unread.empty()) {
                return false;
            }
            line = unread;
            unread.clear();
            break;
        }
        if (count > 0) {
            unread.append(buffer, static_cast<std::size_t>(count));
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

void EraseLastCharacter(std::string& text) {
    // Continuation bytes (10xxxxxx) belong to the lead byte before them.
    std::size_t continuation = 0;
    while (continuation < 3 && continuation < text.size() &&
           (static_cast<unsigned char>(text[text.size() - 1 - continuation]) & 0xC0) == 0x80) {
        ++continuation;
    }
    const std::size_t leadAt = text.size() - continuation;
    if (continuation > 0 && leadAt > 0 && static_cast<unsigned char>(text[leadAt - 1]) >= 0xC0) {
        text.resize(leadAt - 1);
        return;
    }
    if (!text.empty()) {
        text.pop_back();
    }
}

bool EditEntry(std::string& text, const Key& key, std::size_t limit) {
    switch (key.type) {
        case KeyType::Char:
            if (limit == 0 || text.size() + key.bytes.size() <= limit) {
                text += key.bytes;
            }
            return true;
        case KeyType::Backspace:
            EraseLastCharacter(text);
            return true;
        case KeyType::ClearLine:
            text.clear();
            return true;
        default:
            return false;
    }
}

}  // namespace vmterm

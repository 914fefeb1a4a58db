// Keyboard decoding and entry editing within a typing limit. (The program's command line:
// tests/apps.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/term/input.h"

namespace {

TEST(KeyDecoder, DecodesAsTable) {
    // Keys as short text: the character itself, otherwise the key's name. Every row ends with
    // a Flush, as when no more input follows.
    const char* const names[] = {"", "enter", "bs", "esc", "tab", "clear", "intr"};
    const struct {
        const char* name;
        std::vector<std::string> chunks;  // fed one after another
        std::vector<std::string> keys;
    } cases[] = {
        {"CR LF is one Enter", {"a\r\nb"}, {"a", "enter", "b"}},
        {"CR LF split across reads", {"\r", "\n"}, {"enter"}},
        {"sequences are swallowed, even split", {"\x1b[A\x1bOP\x1b", "[", "B", "x"}, {"x"}},
        {"lone Esc", {"\x1b"}, {"esc"}},
        {"Esc then a letter", {"\x1bq"}, {"esc", "q"}},
        {"UTF-8 split across reads", {"\xC3", "\xA9"}, {"\xC3\xA9"}},
        {"editing keys", {"\x7f\x08\t\x15\x03\x01"}, {"bs", "bs", "tab", "clear", "intr"}},
        {"broken sequence keeps the next key", {"\xE2\x82", "a"}, {"\xE2\x82", "a"}},
    };
    for (const auto& c : cases) {
        vmterm::KeyDecoder decoder;
        std::vector<std::string> got;
        const auto take = [&](const std::vector<vmterm::Key>& keys) {
            for (const vmterm::Key& key : keys) {
                got.push_back(key.type == vmterm::KeyType::Char
                                  ? key.bytes
                                  : names[static_cast<int>(key.type)]);
            }
        };
        for (const std::string& chunk : c.chunks) {
            take(decoder.Feed(chunk));
        }
        take(decoder.Flush());
        EXPECT_EQ(got, c.keys) << c.name;
    }
}

TEST(EntryEditing, WholeCharactersWithinTheLimit) {
    using vmterm::Key;
    using vmterm::KeyType;
    const Key backspace{KeyType::Backspace, {}};
    const struct {
        std::string before;
        Key key;
        std::size_t limit;
        std::string after;
    } cases[] = {
        {"", backspace, 0, ""},
        {"a\xC3\xA9", backspace, 0, "a"},
        {"caf\xE9", backspace, 0, "caf"},      // a Latin-1 byte is one character
        {"x\x80\x80", backspace, 0, "x\x80"},  // stray continuation bytes go one at a time
        {"abc", {KeyType::ClearLine, {}}, 0, ""},
        {"ab", {KeyType::Char, "c"}, 3, "abc"},
        {"abc", {KeyType::Char, "d"}, 3, "abc"},             // the limit counts bytes:
        {"ab", {KeyType::Char, "\xC3\xA9"}, 3, "ab"},        // a character that would pass it
        {"a", {KeyType::Char, "\xC3\xA9"}, 3, "a\xC3\xA9"},  // is refused whole
        {"abc", {KeyType::Char, "d"}, 0, "abcd"},            // 0: no limit
    };
    for (const auto& c : cases) {
        std::string text = c.before;
        EXPECT_TRUE(vmterm::EditEntry(text, c.key, c.limit)) << c.before;
        EXPECT_EQ(text, c.after) << c.before;
    }
    std::string text = "ab";
    EXPECT_FALSE(vmterm::EditEntry(text, {KeyType::Enter, {}}, 0));
}

}  // namespace

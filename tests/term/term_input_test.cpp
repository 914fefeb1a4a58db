// Keyboard decoding, entry editing and the front-end's own command-line options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_options.h"
#include "input.h"
#include "key_decoder.h"

namespace {

using vmterm::Key;
using vmterm::KeyDecoder;
using vmterm::KeyType;

// Keys as short text: "c:x" for a character, otherwise the key's name.
std::vector<std::string> Names(const std::vector<Key>& keys) {
    std::vector<std::string> names;
    for (const Key& key : keys) {
        switch (key.type) {
            case KeyType::Char:
                names.push_back("c:" + key.bytes);
                break;
            case KeyType::Enter:
                names.push_back("enter");
                break;
            case KeyType::Backspace:
                names.push_back("bs");
                break;
            case KeyType::Escape:
                names.push_back("esc");
                break;
            case KeyType::Tab:
                names.push_back("tab");
                break;
            case KeyType::ClearLine:
                names.push_back("clear");
                break;
            case KeyType::Interrupt:
                names.push_back("intr");
                break;
        }
    }
    return names;
}

TEST(KeyDecoder, DecodesAsTable) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;  // fed one after another
        bool flush;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        {"letters", {"uq"}, false, {"c:u", "c:q"}},
        {"CR LF is one Enter", {"a\r\nb"}, false, {"c:a", "enter", "c:b"}},
        {"CR LF split across reads", {"\r", "\n"}, false, {"enter"}},
        {"LF alone", {"\n\n"}, false, {"enter", "enter"}},
        {"arrow keys are swallowed", {"\x1b[A\x1b[1;5C\x1bOP"}, false, {}},
        {"sequence split across reads", {"\x1b", "[", "B", "x"}, false, {"c:x"}},
        {"lone Esc waits for Flush", {"\x1b"}, false, {}},
        {"lone Esc after Flush", {"\x1b"}, true, {"esc"}},
        {"Esc then a letter", {"\x1bq"}, false, {"esc", "c:q"}},
        {"unfinished sequence dropped", {"\x1b["}, true, {}},
        {"UTF-8 split across reads", {"\xC3", "\xA9"}, false, {"c:\xC3\xA9"}},
        {"editing keys", {"\x7f\x08\t\x15\x03"}, false, {"bs", "bs", "tab", "clear", "intr"}},
        {"other controls ignored", {"\x01\x04\x1f"}, false, {}},
        {"stray high byte passes on flush", {"\xE2\x82"}, true, {"c:\xE2", "c:\x82"}},
        {"broken sequence keeps the next key", {"\xE2\x82", "a"}, false, {"c:\xE2\x82", "c:a"}},
    };
    for (const Case& c : cases) {
        KeyDecoder decoder;
        std::vector<Key> keys;
        for (const std::string& chunk : c.chunks) {
            for (Key& key : decoder.Feed(chunk)) {
                keys.push_back(std::move(key));
            }
        }
        if (c.flush) {
            for (Key& key : decoder.Flush()) {
                keys.push_back(std::move(key));
            }
            EXPECT_FALSE(decoder.Pending()) << c.name;
        }
        EXPECT_EQ(Names(keys), c.keys) << c.name;
    }
}

TEST(EntryEditing, BackspaceRemovesWholeCharacters) {
    struct Case {
        std::string before;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"abc", "ab"},          {"", ""}, {"a\xC3\xA9", "a"}, {"\xF0\x9F\x96\xA8", ""},
        {"caf\xE9", "caf"},      // a Latin-1 byte is one character
        {"x\x80\x80", "x\x80"},  // stray continuation bytes go one at a time
    };
    for (const Case& c : cases) {
        std::string text = c.before;
        vmterm::EraseLastCharacter(text);
        EXPECT_EQ(text, c.after) << c.before;
    }
}

TEST(CliOptions, ConsumesOwnFlagsAndJoinsTheRest) {
    struct Case {
        std::vector<std::string> arguments;
        bool once;
        bool json;
        bool help;
        bool version;
        std::string commandLine;
    };
    const std::vector<Case> cases = {
        {{}, false, false, false, false, ""},
        {{"printer"}, false, false, false, false, "printer"},
        {{"--once", "10.0.0.5:1161", "public"}, true, false, false, false, "10.0.0.5:1161 public"},
        {{"host", "--json"}, true, true, false, false, "host"},
        {{"\"my", "printer\""}, false, false, false, false, "\"my printer\""},
        {{"a b", "", "c"}, false, false, false, false, "a b  c"},
        {{"--", "--once", "-h"}, false, false, false, false, "--once -h"},
        {{"x", "--help"}, false, false, true, false, "x"},
        {{"-h"}, false, false, true, false, ""},
        {{"--version", "--once"}, true, false, false, true, ""},
    };
    for (const Case& c : cases) {
        const vmterm::CliOptions options = vmterm::ParseOptions(c.arguments);
        EXPECT_EQ(options.once, c.once) << c.commandLine;
        EXPECT_EQ(options.json, c.json) << c.commandLine;
        EXPECT_EQ(options.help, c.help) << c.commandLine;
        EXPECT_EQ(options.version, c.version) << c.commandLine;
        EXPECT_EQ(options.commandLine, c.commandLine);
    }
    EXPECT_FALSE(vmterm::NamesTarget(""));
    EXPECT_FALSE(vmterm::NamesTarget("   "));
    EXPECT_TRUE(vmterm::NamesTarget(" \t "));  // only spaces separate tokens
    EXPECT_TRUE(vmterm::NamesTarget("  host "));
    EXPECT_NE(vmterm::HelpText().find("3  unreachable"), std::string::npos);
    EXPECT_EQ(vmterm::VersionText(), "vellumark-term 1.0.0.42\n");
}

}  // namespace

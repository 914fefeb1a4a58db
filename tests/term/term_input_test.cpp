// Keyboard decoding, entry editing within a typing limit, and the front-end's own
// command-line options with their usage errors.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "apps/term/cli_options.h"
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

TEST(CliOptions, OwnFlagsTheRestAndUsageErrors) {
    // The arguments, split at '|'; "once" and "json" as set; the command-line text; the error.
    const std::tuple<std::string, bool, bool, std::string, std::string> cases[] = {
        {"--once|10.0.0.5:1161|public", true, false, "10.0.0.5:1161 public", ""},
        {"host|--json", true, true, "host", ""},  // JSON implies once
        {"--|--once|-h", false, false, "--once -h", ""},
        {"-|x", false, false, "- x", ""},  // a lone dash is text
        {"--bogus|host", false, false, "host", "unknown option '--bogus'"},
        {"--once=1|h", false, false, "h", "unknown option '--once=1'"},
        {"--|a|b|c", false, false, "a b", "unexpected argument 'c'"},
        {"--once", true, false, "", "--once needs a TARGET"},
        {"--json|   ", true, true, "   ", "--once needs a TARGET"},
        {"--json| \t ", true, true, " \t ", ""},  // only spaces separate tokens
        {"--once|--help", true, false, "", ""},
        {"--timeout|0|h", false, false, "h", "--timeout is 1 to 60000 milliseconds, not '0'"},
        {"--timeout=5s|h", false, false, "h", "--timeout is 1 to 60000 milliseconds, not '5s'"},
        {"--retries|11|h", false, false, "h", "--retries is 0 to 10, not '11'"},
        {"--snmp-version=3|h", false, false, "h", "--snmp-version is 1 or 2c, not '3'"},
        {"--supply-warning|100.5|h", false, false, "h",
         "--supply-warning is a percent from 0 to 100, not '100.5'"},
        {"h|--retries", false, false, "h", "--retries needs a value"},
    };
    for (const auto& [line, once, json, commandLine, error] : cases) {
        std::vector<std::string> arguments;
        for (std::size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 1) {
            bar = line.find('|', at);
            arguments.push_back(line.substr(at, bar - at));
        }
        const vmterm::CliOptions options = vmterm::ParseOptions(arguments);
        EXPECT_EQ(std::tie(options.once, options.json, options.commandLine, options.error),
                  std::tie(once, json, commandLine, error))
            << line;
    }
    // The condition's reading as the options set it, in any order around the target.
    const vmterm::CliOptions set =
        vmterm::ParseOptions({"--snmp-version", "2c", "--timeout=250", "--retries", "0", "host",
                              "--supply-warning", "12.5", "--once"});
    EXPECT_EQ(set.commandLine, "host");
    EXPECT_EQ(std::tie(set.reading.version, set.reading.timeoutMs, set.reading.retries,
                       set.reading.supplyWarningPercent),
              std::make_tuple(condition::SnmpVersion::V2c, 250, 0, 12.5));
}

}  // namespace

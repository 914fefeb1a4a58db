// Terminal-safe text: decoding choice, control placeholders, line splitting, column fitting,
// and JSON string escaping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_text.h"
#include "window_view.h"

namespace {

using vmterm::DecodeText;
using vmterm::IsValidUtf8;
using vmterm::JsonString;
using vmterm::TerminalLines;
using vmterm::TerminalText;

// True when `text` holds a byte a terminal could act on: C0, DEL, or a C1 control encoded in
// UTF-8 (C2 80..C2 9F). Raw C1 bytes are caught by the callers' UTF-8 validity checks.
bool HasTerminalControl(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return true;
            }
        }
    }
    return false;
}

TEST(TerminalText, ConvertsAndReplacesAsTable) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain ASCII", "READY", "READY"},
        {"escape sequence", "a\x1b[2Jb", "a\xE2\x90\x9B[2Jb"},
        {"bell and NUL-free C0", "\x07!", "\xE2\x90\x87!"},
        {"DEL", "x\x7f", "x\xE2\x90\xA1"},
        {"tab is a control too", "a\tb",
         "a\xE2\x90\x89"
         "b"},
        {"valid UTF-8 passes", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"four-byte UTF-8 passes", "\xF0\x9F\x96\xA8", "\xF0\x9F\x96\xA8"},
        {"Latin-1 byte", "caf\xE9", "caf\xC3\xA9"},
        {"C1 CSI in valid UTF-8",
         "\xC2\x9B"
         "2J",
         "\xEF\xBF\xBD"
         "2J"},
        {"C1 CSI as a Latin-1 byte",
         "\x9B"
         "2J",
         "\xEF\xBF\xBD"
         "2J"},
        {"one bad byte makes all Latin-1", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
        {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xEF\xBF\xBD"},
        {"past U+10FFFF is not UTF-8", "\xF4\x90\x80\x80",
         "\xC3\xB4\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"truncated sequence", "ab\xE2\x82", "ab\xC3\xA2\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalText(c.bytes), c.shown) << c.name;
    }
}

TEST(TerminalText, NoByteValueReachesTheTerminalAsAControl) {
    for (int value = 0; value < 256; ++value) {
        const std::string alone(1, static_cast<char>(value));
        const std::string embedded = "ab" + alone + "cd";
        const std::string inUtf8 = "\xC3\xA9" + alone;  // valid only when `value` is ASCII
        for (const std::string& text : {alone, embedded, inUtf8}) {
            const std::string shown = TerminalText(text);
            EXPECT_FALSE(HasTerminalControl(shown)) << "byte " << value;
            EXPECT_TRUE(IsValidUtf8(shown)) << "byte " << value;
        }
    }
    // Every C1 code point written as valid UTF-8.
    for (int low = 0x80; low <= 0x9F; ++low) {
        const std::string text = std::string("\xC2") + static_cast<char>(low);
        EXPECT_FALSE(HasTerminalControl(TerminalText(text))) << "U+00" << std::hex << low;
    }
}

TEST(TerminalText, SplitsConsoleLinesAtCarriageReturnLineFeedOnly) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"Ready\r\n", {"Ready"}},
        {"Ready\r\nTray 2: Letter\r\n", {"Ready", "Tray 2: Letter"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"last without end", {"last without end"}},
        {"a\nb\rc",
         {"a\xE2\x90\x8A"
          "b\xE2\x90\x8D"
          "c"}},
        // One Latin-1 byte anywhere decides for every line.
        {"\xC3\xA9\r\n\xE9", {"\xC3\x83\xC2\xA9", "\xC3\xA9"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalLines(c.bytes), c.lines) << c.bytes;
    }
}

TEST(TerminalText, FitsColumnsAtCharacterBoundaries) {
    const std::string wide =
        "\xE6\xBC\xA2\xE5\xAD\x97"
        "ab";  // two wide characters, then ab
    EXPECT_EQ(vmterm::TextColumns(wide), 6u);
    EXPECT_EQ(vmterm::FitColumns(wide, 3), "\xE6\xBC\xA2");
    EXPECT_EQ(vmterm::FitColumns(wide, 5),
              "\xE6\xBC\xA2\xE5\xAD\x97"
              "a");
    EXPECT_EQ(vmterm::FitColumns(wide, 0), "");
    EXPECT_EQ(vmterm::TailColumns(wide, 3), "ab");
    EXPECT_EQ(vmterm::TailColumns(wide, 4),
              "\xE5\xAD\x97"
              "ab");
    EXPECT_EQ(vmterm::TailColumns(wide, 100), wide);
    EXPECT_EQ(vmterm::FitColumns("caf\xC3\xA9!", 4), "caf\xC3\xA9");
    EXPECT_EQ(vmterm::PadLeft("caf\xC3\xA9", 6), "  caf\xC3\xA9");
    EXPECT_EQ(vmterm::PadLeft("too long", 3), "too long");
}

// Reads back one JSON string literal (as a strict parser would) into code points.
bool ParseJsonString(const std::string& json, std::vector<char32_t>& out) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') {
        return false;
    }
    const std::string body = json.substr(1, json.size() - 2);
    if (!IsValidUtf8(body)) {
        return false;
    }
    const std::vector<char32_t> points = DecodeText(body, true);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (c < 0x20 || c == '"') {
            return false;  // must have been escaped
        }
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i >= points.size()) {
            return false;
        }
        switch (points[i]) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                if (i + 4 >= points.size()) {
                    return false;
                }
                char32_t value = 0;
                for (int k = 0; k < 4; ++k) {
                    const char32_t h = points[++i];
                    value = value * 16 + (h <= '9' ? h - '0' : h - 'a' + 10);
                }
                out.push_back(value);
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

TEST(JsonString, EveryByteRoundTripsAndNoControlIsRaw) {
    std::string all;
    for (int value = 1; value < 256; ++value) {
        all.push_back(static_cast<char>(value));
    }
    std::string ascii;
    for (int value = 1; value < 128; ++value) {
        ascii.push_back(static_cast<char>(value));
    }
    const std::string utf8 = ascii + "\xC2\x85\xC3\xA9\xE2\x80\xA8\xF0\x9F\x96\xA8";
    for (const std::string& text : {all, ascii, utf8}) {
        const std::string json = JsonString(text);
        for (const char byte : json) {
            const auto c = static_cast<unsigned char>(byte);
            EXPECT_FALSE(c < 0x20 || c == 0x7F) << "raw control byte " << int{c};
        }
        EXPECT_FALSE(HasTerminalControl(json));
        std::vector<char32_t> parsed;
        ASSERT_TRUE(ParseJsonString(json, parsed)) << json;
        EXPECT_EQ(parsed, DecodeText(text, IsValidUtf8(text)));
    }
}

TEST(JsonString, EscapesAsTable) {
    EXPECT_EQ(JsonString("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(JsonString("a\x1b[2J"), "\"a\\u001b[2J\"");
    EXPECT_EQ(JsonString("l1\r\nl2\t"), "\"l1\\r\\nl2\\t\"");
    EXPECT_EQ(JsonString("\x7f"), "\"\\u007f\"");
    EXPECT_EQ(JsonString("caf\xE9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(JsonString("\xC2\x85"), "\"\\u0085\"");
    EXPECT_EQ(JsonString("\xE2\x80\xA8"), "\"\\u2028\"");
    EXPECT_EQ(JsonString(""), "\"\"");
}

}  // namespace

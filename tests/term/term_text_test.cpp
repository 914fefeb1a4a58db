// Terminal-safe text: the UTF-8 or Latin-1 decision and the visible stand-ins for controls, line
// splitting, column fitting and JSON string escaping. That no control reaches the terminal is
// checked on the program's whole output (term_e2e_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_text.h"
#include "window_view.h"  // JsonString

namespace {

using vmterm::JsonString;
using vmterm::TerminalText;

TEST(TerminalText, ConvertsAndReplacesAsTable) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"escape sequence", "a\x1b[2Jb", "a\xE2\x90\x9B[2Jb"},
        {"valid UTF-8 passes", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"Latin-1 byte", "caf\xE9", "caf\xC3\xA9"},
        {"C1 CSI in valid UTF-8", "\xC2\x9B", "\xEF\xBF\xBD"},
        {"one bad byte makes all Latin-1", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
        {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xEF\xBF\xBD"},
        {"truncated sequence", "ab\xE2\x82", "ab\xC3\xA2\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TerminalText(c.bytes), c.shown) << c.name;
    }
}

TEST(TerminalText, SplitsLinesAndFitsColumns) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(vmterm::TerminalLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(vmterm::TerminalLines("a\nb"), (Lines{"a\xE2\x90\x8A"
                                                    "b"}));
    // One Latin-1 byte anywhere decides for every line.
    EXPECT_EQ(vmterm::TerminalLines("\xC3\xA9\r\n\xE9"), (Lines{"\xC3\x83\xC2\xA9", "\xC3\xA9"}));

    const std::string wide =
        "\xE6\xBC\xA2\xE5\xAD\x97"
        "ab";  // two wide characters, then ab
    EXPECT_EQ(vmterm::TextColumns(wide), 6u);
    EXPECT_EQ(vmterm::FitColumns(wide, 3), "\xE6\xBC\xA2");
    EXPECT_EQ(vmterm::TailColumns(wide, 3), "ab");
    EXPECT_EQ(vmterm::FitColumns("caf\xC3\xA9!", 4), "caf\xC3\xA9");
    EXPECT_EQ(vmterm::PadLeft("caf\xC3\xA9", 6), "  caf\xC3\xA9");
}

TEST(JsonString, EscapesAsTable) {
    EXPECT_EQ(JsonString("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(JsonString("a\x1b[2J\x7f"), "\"a\\u001b[2J\\u007f\"");
    EXPECT_EQ(JsonString("l1\r\nl2\t"), "\"l1\\r\\nl2\\t\"");
    EXPECT_EQ(JsonString("\xC2\x85\xE2\x80\xA8"), "\"\\u0085\\u2028\"");
}

}  // namespace

// Terminal-safe text: no byte from the printer reaches the terminal as a control, the UTF-8 or
// Latin-1 decision, line splitting, column fitting and JSON string escaping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_text.h"
#include "window_view.h"

namespace {

using vmterm::JsonString;
using vmterm::TerminalText;

// True when `text` holds a byte a terminal could act on: C0, DEL, or a C1 control encoded in
// UTF-8 (C2 80..C2 9F). Raw C1 bytes are caught by the UTF-8 validity checks.
bool HasTerminalControl(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            return true;
        }
    }
    return false;
}

TEST(TerminalText, ConvertsAndReplacesAsTable) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"escape sequence", "a\x1b[2Jb", "a\xE2\x90\x9B[2Jb"},
        {"DEL", "x\x7f", "x\xE2\x90\xA1"},
        {"valid UTF-8 passes", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"Latin-1 byte", "caf\xE9", "caf\xC3\xA9"},
        {"C1 CSI in valid UTF-8", "\xC2\x9B", "\xEF\xBF\xBD"},
        {"C1 CSI as a Latin-1 byte", "\x9B", "\xEF\xBF\xBD"},
        {"one bad byte makes all Latin-1", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
        {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xEF\xBF\xBD"},
        {"truncated sequence", "ab\xE2\x82", "ab\xC3\xA2\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TerminalText(c.bytes), c.shown) << c.name;
    }
}

TEST(TerminalText, NoByteValueReachesTheTerminalAsAControl) {
    for (int value = 0; value < 256; ++value) {
        const std::string alone(1, static_cast<char>(value));
        for (const std::string& text : {alone, "ab" + alone + "cd", "\xC3\xA9" + alone}) {
            const std::string shown = TerminalText(text);
            EXPECT_FALSE(HasTerminalControl(shown)) << "byte " << value;
            EXPECT_TRUE(vmterm::IsValidUtf8(shown)) << "byte " << value;
            EXPECT_FALSE(HasTerminalControl(JsonString(text))) << "byte " << value;
        }
    }
    // Every text of a window through every rendering.
    const std::string hostile = "\x1b]0;owned\x07\x1b[2J\x9b\r\x08\x7f\xC2\x9B";
    vmterm::WindowView view;
    view.title = view.label = view.primary = view.pageCount = view.powerOnCount = hostile;
    view.secondary = hostile + "\r\n" + hostile;
    view.trayPresent = true;
    view.trayTip = hostile;
    view.balloon = vmterm::Balloon{hostile, hostile, {}};
    view.updateTargetVisible = true;
    std::vector<std::string> lines = vmterm::RenderWindow(view, {true, true});
    lines.push_back(vmterm::RenderHidden(view));
    lines.push_back(vmterm::RenderJson(view));
    lines.back().pop_back();  // the JSON's own line end
    for (const std::string& line : lines) {
        EXPECT_FALSE(HasTerminalControl(line)) << line;
    }
}

TEST(TerminalText, SplitsLinesAndFitsColumns) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(vmterm::TerminalLines("Ready\r\nTray 2: Letter\r\n"),
              (Lines{"Ready", "Tray 2: Letter"}));
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
    EXPECT_EQ(JsonString("caf\xE9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(JsonString("\xC2\x85\xE2\x80\xA8"), "\"\\u0085\\u2028\"");
}

}  // namespace

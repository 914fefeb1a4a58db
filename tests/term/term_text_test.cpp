// Terminal-safe text: each field read as UTF-8 or Latin-1 on its own and made printable by the
// rules of text/ (tested there, in their cases), and in JSON the \u escapes of what they
// replace; columns and cuts with a sign.
// That no control reaches the terminal is checked on the program's whole output
// (term_e2e_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/term/display_text.h"
#include "text/field_text.h"

namespace {

using vmterm::TerminalText;

// One field as the window's JSON carries it.
std::string JsonString(const std::string& bytes) {
    return vmterm::TerminalJson(nlohmann::ordered_json(FieldToUtf8(bytes)));
}

TEST(TerminalText, ConvertsAndReplacesAsTable) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
        std::string json;  // the literal without its quotes
    } cases[] = {
        {"escape sequence", "a\x1b[2Jb", "a\xEF\xBF\xBD[2Jb", "a\\u001b[2Jb"},
        {"valid UTF-8 passes", "caf\xC3\xA9", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"Latin-1 byte", "caf\xE9", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"C1 CSI in valid UTF-8", "\xC2\x9B", "\xEF\xBF\xBD", "\\u009b"},
        {"right-to-left override",
         "a\xE2\x80\xAE"
         "cba",
         "a\xEF\xBF\xBD"
         "cba",
         "a\\u202ecba"},
        {"quote, backslash, line ends", "\"\\\r\n\t", "\"\\\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
         "\\\"\\\\\\r\\n\\t"},
        {"DEL and the line separator", "\x7f\xE2\x80\xA8", "\xEF\xBF\xBD\xEF\xBF\xBD",
         "\\u007f\\u2028"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TerminalText(c.bytes), c.shown) << c.name;
        EXPECT_EQ(JsonString(c.bytes), "\"" + c.json + "\"\n") << c.name;
    }
}

TEST(TerminalText, ColumnsAreCountedAndCutWithASign) {
    const std::string wide =
        "\xE6\xBC\xA2\xE5\xAD\x97"
        "ab";  // two wide characters, then ab
    EXPECT_EQ(vmterm::TailColumns(wide, 3), "ab");
    EXPECT_EQ(vmterm::CutWithSign(wide, 4), "\xE6\xBC\xA2\xE2\x80\xA6");  // 2 + 2 is too wide
    EXPECT_EQ(vmterm::CutWithSign("abcd", 4), "abcd");
    EXPECT_EQ(vmterm::PadLeft("caf\xC3\xA9", 6), "  caf\xC3\xA9");
}

}  // namespace

// The one rule for what a printer's text may not bring to the output: each range's first and
// last code point replaced, their neighbours kept, and ill-formed bytes replaced as well.
#include "text/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf8(char32_t c) {
    std::string out;
    AppendUtf8(out, c);
    return out;
}

TEST(PrintableText, ReplacesTheRangesOfTheRuleAndIllFormedBytes) {
    const char32_t replaced[][2] = {{0x0000, 0x001F}, {0x007F, 0x009F}, {0x061C, 0x061C},
                                    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064},
                                    {0x2066, 0x2069}, {0xFEFF, 0xFEFF}};
    for (const auto& [first, last] : replaced) {
        for (const char32_t c : {first, last}) {
            EXPECT_EQ(PrintableText("a" + Utf8(c) + "b"),
                      "a\xEF\xBF\xBD"
                      "b")
                << std::hex << static_cast<unsigned>(c);
        }
    }
    // Neighbours, the line separator and characters of every length stay as they are.
    for (const char32_t c : {0x20, 0x7E, 0xA0, 0xE9, 0x061B, 0x200A, 0x2010, 0x2028, 0x202F, 0x2065,
                             0x206A, 0xFEFE, 0xFFFD, 0x1F600, 0x10FFFF}) {
        EXPECT_EQ(PrintableText(Utf8(c)), Utf8(c)) << std::hex << static_cast<unsigned>(c);
    }
    // Ill-formed bytes are replaced one by one: Latin-1 (not read first), an overlong form, a cut
    // character.
    EXPECT_EQ(PrintableText("caf\xE9"), "caf\xEF\xBF\xBD");
    EXPECT_EQ(PrintableText("\xC0\xAF\xE6\x97"),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace

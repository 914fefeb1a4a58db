// A printer's text: each field read as UTF-8 when its bytes are, Latin-1 otherwise, a character
// that a cut split dropped rather than turning the whole field into Latin-1; and the one rule
// for what it may not bring to the output: each range's first and last code point replaced,
// their neighbours kept, and ill-formed bytes replaced as well.
#include <gtest/gtest.h>

#include <string>

#include "text/field_text.h"
#include "text/printable_text.h"

namespace {

TEST(FieldText, EachFieldIsReadAsUtf8OrLatin1) {
    const struct {
        const char* what;
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"UTF-8", "\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"UTF-8 cut inside its last character", "\xE6\x97\xA5\xE6\x9C", "\xE6\x97\xA5"},
        {"cut after one byte of a four-byte one", "\xC3\xA9\xF0", "\xC3\xA9"},
        {"Latin-1 whose only high byte ends it", "Caf\xE9", "Caf\xC3\xA9"},
        {"Latin-1 in the middle", "d\xE9j\xE0 vu", "d\xC3\xA9j\xC3\xA0 vu"},
        {"UTF-8 then a stray byte mid-text", "\xC3\xA9\xFF!", "\xC3\x83\xC2\xA9\xC3\xBF!"},
        {"an overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"a surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"a cut that cannot be completed", "\xC3\xA9\xE0\x80", "\xC3\x83\xC2\xA9\xC3\xA0\xC2\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldToUtf8(c.bytes), c.utf8) << c.what;
        EXPECT_TRUE(IsValidUtf8(FieldToUtf8(c.bytes))) << c.what;
    }
}

std::string Utf8(char32_t c) {
    std::string out;
    AppendUtf8(out, c);
    return out;
}

TEST(PrintableText, ReplacesTheRangesOfTheRuleAndIllFormedBytes) {
    const char32_t replaced[][2] = {{0x0000, 0x001F}, {0x007F, 0x009F}, {0x061C, 0x061C},
                                    {0x200B, 0x200F}, {0x2028, 0x2029}, {0x202A, 0x202E},
                                    {0x2060, 0x2064}, {0x2066, 0x2069}, {0xFEFF, 0xFEFF}};
    for (const auto& [first, last] : replaced) {
        for (const char32_t c : {first, last}) {
            EXPECT_EQ(PrintableText("a" + Utf8(c) + "b"),
                      "a\xEF\xBF\xBD"
                      "b")
                << std::hex << static_cast<unsigned>(c);
        }
    }
    // Neighbours and characters of every length stay as they are.
    for (const char32_t c : {0x20, 0x7E, 0xA0, 0xE9, 0x061B, 0x200A, 0x2010, 0x2027, 0x202F, 0x2065,
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

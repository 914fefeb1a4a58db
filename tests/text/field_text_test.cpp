// One field at a time: UTF-8 when its bytes are, Latin-1 otherwise, and a character that a cut
// split is dropped rather than turning the whole field into Latin-1.
#include "text/field_text.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace

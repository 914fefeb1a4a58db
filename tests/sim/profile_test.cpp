// Reading snmprec profiles: every tag with its limits, and bad lines refused with FILE:LINE.
#include <gtest/gtest.h>

#include "tools/printer-sim/profile.h"

namespace sim {
namespace {

TEST(ParseTypedValue, EveryTagAndItsLimits) {
    struct Case {
        const char* tag;
        const char* text;
        std::uint8_t wantTag;  // 0: must be refused
        std::int64_t wantInteger;
        std::vector<std::uint8_t> wantBytes;
        Oid wantOid;
    };
    const Case cases[] = {
        {"2", "-2147483648", 0x02, -2147483648LL, {}, {}},
        {"2", "2147483647", 0x02, 2147483647, {}, {}},
        {"4", "Ready |x", 0x04, 0, {'R', 'e', 'a', 'd', 'y', ' ', '|', 'x'}, {}},
        {"4", "", 0x04, 0, {}, {}},
        {"4x", "00fF41", 0x04, 0, {0x00, 0xff, 0x41}, {}},
        {"5", "", 0x05, 0, {}, {}},
        {"6", ".1.3.6.1.2.1.43", 0x06, 0, {}, {1, 3, 6, 1, 2, 1, 43}},
        {"64", "192.168.1.10", 0x40, 0, {192, 168, 1, 10}, {}},
        {"64x", "0a141e28", 0x40, 0, {10, 20, 30, 40}, {}},
        {"65", "4294967295", 0x41, 4294967295LL, {}, {}},
        {"66", "0", 0x42, 0, {}, {}},
        {"67", "48211900", 0x43, 48211900, {}, {}},
        {"68", "op", 0x44, 0, {'o', 'p'}, {}},
        {"68x", "410042", 0x44, 0, {0x41, 0x00, 0x42}, {}},
        {"2", "2147483648", 0, 0, {}, {}},
        {"2", "-2147483649", 0, 0, {}, {}},
        {"2", "12abc", 0, 0, {}, {}},
        {"4x", "abc", 0, 0, {}, {}},
        {"6", "1.40", 0, 0, {}, {}},
        {"64", "1.2.3.256", 0, 0, {}, {}},
        {"65", "4294967296", 0, 0, {}, {}},
        {"65", "-1", 0, 0, {}, {}},
        {"70", "1", 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tag) + "|" + c.text);
        ber::Value value;
        std::string error;
        bool ok = ParseTypedValue(c.tag, c.text, value, error);
        ASSERT_EQ(ok, c.wantTag != 0) << error;
        if (!ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(value.tag, c.wantTag);
        EXPECT_EQ(value.integer, c.wantInteger);
        EXPECT_EQ(value.bytes, c.wantBytes);
        EXPECT_EQ(value.oid, c.wantOid);
    }
}

TEST(ParseProfile, SkipsCommentsAndReportsEveryBadLineWithItsNumber) {
    Profile profile;
    std::vector<std::string> errors;
    ASSERT_TRUE(
        ParseProfile("# comment\n\n  \t\n1.3.6.1.2.1.1.5.0|4|lab printer\r\n"
                     "1.3.6.1.2.1.1.3.0|67|100",
                     "t", profile, errors));
    ASSERT_EQ(profile.objects.size(), 2u);
    const auto& name = profile.objects.at({1, 3, 6, 1, 2, 1, 1, 5, 0}).bytes;
    EXPECT_EQ(std::string(name.begin(), name.end()), "lab printer");

    const char bad[] =
        "1.3.6.1.2.1.1.5.0|4|fine\n"     // 1
        "1.3.6.1.2.1.1.6.0|4\n"          // 2: one field short
        "# comment\n"                    // 3
        "1.3.6.1.2.1.1.7.0|2|seventy\n"  // 4: not a number
        "1.3.6.1.2.1.1.5.0|4|again\n"    // 5: duplicate
        "1.3.x.1|4|bad oid\n";           // 6
    Profile rejected;
    errors.clear();
    EXPECT_FALSE(ParseProfile(bad, "bad.snmprec", rejected, errors));
    ASSERT_EQ(errors.size(), 4u);
    const char* prefixes[] = {
        "bad.snmprec:2: ", "bad.snmprec:4: ", "bad.snmprec:5: ", "bad.snmprec:6: "};
    for (std::size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(errors[i].rfind(prefixes[i], 0), 0u) << errors[i];
    }
}

}  // namespace
}  // namespace sim

// Reading snmprec profiles: every tag, the bad lines that must be refused with FILE:LINE,
// and the bundled profiles.
#include <gtest/gtest.h>

#include "tools/printer-sim/profile.h"

namespace sim {
namespace {

const std::string kDir = VM_SIM_PROFILE_DIR;

TEST(ParseTypedValue, EveryTag) {
    struct Case {
        const char* tag;
        const char* text;
        std::uint8_t wantTag;
        std::int64_t wantInteger;
        std::vector<std::uint8_t> wantBytes;
        Oid wantOid;
    };
    const Case cases[] = {
        {"2", "-2147483648", 0x02, -2147483648LL, {}, {}},
        {"2", "2147483647", 0x02, 2147483647, {}, {}},
        {"4", "Ready |x", 0x04, 0, {'R', 'e', 'a', 'd', 'y', ' ', '|', 'x'}, {}},
        {"4", "", 0x04, 0, {}, {}},
        {"4x", "00ff41", 0x04, 0, {0x00, 0xff, 0x41}, {}},
        {"4x", "ABcd", 0x04, 0, {0xab, 0xcd}, {}},
        {"5", "", 0x05, 0, {}, {}},
        {"6", "1.3.6.1.2.1.43", 0x06, 0, {}, {1, 3, 6, 1, 2, 1, 43}},
        {"6", ".2.4294967295", 0x06, 0, {}, {2, 4294967295u}},
        {"64", "192.168.1.10", 0x40, 0, {192, 168, 1, 10}, {}},
        {"64x", "0a141e28", 0x40, 0, {10, 20, 30, 40}, {}},
        {"65", "4294967295", 0x41, 4294967295LL, {}, {}},
        {"66", "0", 0x42, 0, {}, {}},
        {"67", "48211900", 0x43, 48211900, {}, {}},
        {"68", "op", 0x44, 0, {'o', 'p'}, {}},
        {"68x", "410042", 0x44, 0, {0x41, 0x00, 0x42}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tag) + "|" + c.text);
        ber::Value value;
        std::string error;
        ASSERT_TRUE(ParseTypedValue(c.tag, c.text, value, error)) << error;
        EXPECT_EQ(value.tag, c.wantTag);
        EXPECT_EQ(value.integer, c.wantInteger);
        EXPECT_EQ(value.bytes, c.wantBytes);
        EXPECT_EQ(value.oid, c.wantOid);
    }
}

TEST(ParseTypedValue, RefusesWhatCannotBeServed) {
    const std::pair<const char*, const char*> cases[] = {
        {"2", "2147483648"}, {"2", "-2147483649"}, {"2", "12abc"},       {"2", ""},
        {"2", " 5"},         {"2x", "05"},         {"4x", "abc"},        {"4x", "zz"},
        {"5", "x"},          {"6", "1"},           {"6", "3.1"},         {"6", "1.40"},
        {"6", "1..3"},       {"64", "1.2.3"},      {"64", "1.2.3.256"},  {"64", "1.2.3.4.5"},
        {"64x", "0a141e"},   {"65", "-1"},         {"65", "4294967296"}, {"67", "0x10"},
        {"70", "1"},         {"128", ""},          {"4:numeric", "1"},   {"", "1"},
        {"x", "1"},
    };
    for (const auto& [tag, text] : cases) {
        ber::Value value;
        std::string error;
        EXPECT_FALSE(ParseTypedValue(tag, text, value, error)) << tag << "|" << text;
        EXPECT_FALSE(error.empty()) << tag << "|" << text;
    }
}

TEST(ParseOid, AcceptsLeadingDotAndChecksEncodability) {
    Oid oid;
    std::string error;
    ASSERT_TRUE(ParseOid(".1.3.6.1.4.1.11.2.3.9.1.1.3.0", oid, error));
    EXPECT_EQ(FormatOid(oid), "1.3.6.1.4.1.11.2.3.9.1.1.3.0");
    std::string longest = "1.3";
    for (int i = 2; i < 128; ++i) {
        longest += ".7";
    }
    EXPECT_TRUE(ParseOid(longest, oid, error));
    EXPECT_FALSE(ParseOid(longest + ".7", oid, error));
    for (const char* bad : {"", ".", "1.3.", "1.3.-6", "1.3.6.4294967296", "1. 3"}) {
        EXPECT_FALSE(ParseOid(bad, oid, error)) << bad;
    }
}

TEST(ParseProfile, ReadsLinesAndSkipsCommentsAndBlankLines) {
    const char text[] =
        "# a comment\n"
        "\n"
        "   \t\n"
        "  # indented comment\n"
        "1.3.6.1.2.1.1.5.0|4|lab printer\r\n"
        "1.3.6.1.2.1.1.3.0|67|100\n"
        "1.3.6.1.2.1.1.1.0|4|no newline at the end";
    Profile profile;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseProfile(text, "t.snmprec", profile, errors));
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(profile.objects.size(), 3u);
    const ber::Value& name = profile.objects.at({1, 3, 6, 1, 2, 1, 1, 5, 0});
    EXPECT_EQ(std::string(name.bytes.begin(), name.bytes.end()), "lab printer");
    EXPECT_EQ(profile.objects.at({1, 3, 6, 1, 2, 1, 1, 3, 0}).integer, 100);
}

TEST(ParseProfile, ReportsEveryBadLineWithItsNumber) {
    const char text[] =
        "1.3.6.1.2.1.1.5.0|4|fine\n"       // 1
        "1.3.6.1.2.1.1.6.0|4\n"            // 2: one field short
        "# comment\n"                      // 3
        "1.3.6.1.2.1.1.7.0|2|seventy\n"    // 4: not a number
        "1.3.6.1.2.1.1.5.0|4|again\n"      // 5: duplicate
        "1.3.x.1|4|bad oid\n"              // 6
        "1.3.6.1.2.1.1.8.0|99|unknown\n";  // 7: unknown tag
    Profile profile;
    std::vector<std::string> errors;
    EXPECT_FALSE(ParseProfile(text, "bad.snmprec", profile, errors));
    ASSERT_EQ(errors.size(), 5u);
    const char* prefixes[] = {"bad.snmprec:2: ", "bad.snmprec:4: ", "bad.snmprec:5: ",
                              "bad.snmprec:6: ", "bad.snmprec:7: "};
    for (std::size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(errors[i].rfind(prefixes[i], 0), 0u) << errors[i];
    }
    EXPECT_NE(errors[2].find("duplicate"), std::string::npos) << errors[2];
}

TEST(ParseProfile, CapsTheNumberOfMessages) {
    std::string text;
    for (int i = 0; i < 50; ++i) {
        text += "garbage\n";
    }
    Profile profile;
    std::vector<std::string> errors;
    EXPECT_FALSE(ParseProfile(text, "g", profile, errors, 5));
    ASSERT_EQ(errors.size(), 6u);
    EXPECT_NE(errors.back().find("45 more"), std::string::npos) << errors.back();
}

TEST(BundledProfiles, AllParseAndCarryThePolledObjects) {
    std::vector<std::string> names = ListProfiles(kDir);
    ASSERT_GE(names.size(), 3u);
    const Oid model = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1};
    const Oid lifeCount = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 4, 1, 1};
    const Oid capacity = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 8, 1, 1};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Profile profile;
        std::vector<std::string> errors;
        std::string path = ResolveProfilePath(name, kDir);
        ASSERT_FALSE(path.empty());
        EXPECT_TRUE(LoadProfileFile(path, profile, errors)) << (errors.empty() ? "" : errors[0]);
        EXPECT_TRUE(profile.objects.count(model));
        EXPECT_TRUE(profile.objects.count(lifeCount));
        EXPECT_TRUE(profile.objects.count(capacity));
    }
}

TEST(BundledProfiles, ResolveByNameOrPath) {
    EXPECT_EQ(ResolveProfilePath("laser-mono", kDir), kDir + "/laser-mono.snmprec");
    EXPECT_EQ(ResolveProfilePath(kDir + "/odd-data.snmprec", "/nonexistent"),
              kDir + "/odd-data.snmprec");
    EXPECT_EQ(ResolveProfilePath("no-such-printer", kDir), "");
    EXPECT_EQ(ResolveProfilePath("../profiles/laser-mono", kDir), "");
}

}  // namespace
}  // namespace sim

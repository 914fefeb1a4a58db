// The utility calls the program relies on: dotted text to identifiers, deep copies, and releases
// that leave an identifier empty so that a second release is harmless (ASan sees a double free).
#include "tests/snmpmgr/manager_get.h"  // gtest, the manager API, Ids()

namespace {

TEST(SnmpUtil, StrToOidCopyAndRelease) {
    std::string longest;
    for (int i = 0; i < 128; ++i) {
        longest += ".7";
    }
    const std::pair<std::string, std::vector<std::uint32_t>> good[] = {
        {".1.3.6.1.2.1.43", {1, 3, 6, 1, 2, 1, 43}},
        {".2.4294967295", {2, 4294967295u}},
        {longest, std::vector<std::uint32_t>(128, 7)}};
    for (const auto& [text, ids] : good) {
        AsnObjectIdentifier source{}, copy{};
        ASSERT_NE(SnmpMgrStrToOid(text.c_str(), &source), 0) << text;
        ASSERT_NE(SnmpUtilOidCpy(&copy, &source), 0);
        source.ids[0] = 99;
        EXPECT_EQ(Ids(copy), ids) << "a deep copy of " << text;
        SnmpUtilOidFree(&source);
        SnmpUtilOidFree(&source);
        EXPECT_EQ(source.ids, nullptr);
        SnmpUtilOidFree(&copy);
    }
    for (const std::string& text : std::vector<std::string>{
             "", "1.3.6.1", ".1..3", ".1.3.", ".1.3 ", ".1.4294967296", longest + ".1"}) {
        AsnObjectIdentifier oid{5, reinterpret_cast<std::uint32_t*>(&oid)};
        EXPECT_EQ(SnmpMgrStrToOid(text.c_str(), &oid), 0) << '"' << text << '"';
        EXPECT_EQ(oid.idLength, 0u) << text;
        EXPECT_EQ(oid.ids, nullptr) << text;
    }
}

}  // namespace

// Dotted text to identifiers at the limits of an arc and of a name. Copies and releases (a second
// release harmless) are exercised on the program's own path by the object reads through a
// scripted agent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"

namespace {

TEST(SnmpUtil, StrToOidTakesDottedArcsWithinTheirLimits) {
    std::string longest;
    for (int i = 0; i < 128; ++i) {
        longest += ".7";
    }
    const std::pair<std::string, std::vector<std::uint32_t>> good[] = {
        {".2.4294967295", {2, 4294967295u}}, {longest, std::vector<std::uint32_t>(128, 7)}};
    for (const auto& [text, ids] : good) {
        AsnObjectIdentifier oid{};
        ASSERT_NE(SnmpMgrStrToOid(text.c_str(), &oid), 0) << text;
        EXPECT_EQ(std::vector<std::uint32_t>(oid.ids, oid.ids + oid.idLength), ids) << text;
        SnmpUtilOidFree(&oid);
    }
    for (const std::string& text : std::vector<std::string>{
             "", "1.3.6.1", ".1..3", ".1.3.", ".1.3 ", ".1.4294967296", longest + ".1"}) {
        AsnObjectIdentifier oid{5, reinterpret_cast<std::uint32_t*>(&oid)};
        EXPECT_EQ(SnmpMgrStrToOid(text.c_str(), &oid), 0) << '"' << text << '"';
        EXPECT_TRUE(oid.idLength == 0 && oid.ids == nullptr) << text;
    }
}

}  // namespace

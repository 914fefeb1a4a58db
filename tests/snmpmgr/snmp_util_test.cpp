// The utility calls: dotted text to identifiers, deep copies, and releases that leave things
// empty so that a second release is harmless.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"

namespace {

std::vector<std::uint32_t> IdsOf(const AsnObjectIdentifier& oid) {
    return std::vector<std::uint32_t>(oid.ids, oid.ids + oid.idLength);
}

TEST(SnmpUtil, StrToOidAcceptsDottedTextFromTheRoot) {
    struct Case {
        const char* text;
        std::vector<std::uint32_t> ids;
    };
    const std::vector<Case> cases = {
        {".1.3.6.1.2.1.25.3.2.1.3.1", {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1}},
        {".0", {0}},
        {".2.4294967295", {2, 4294967295u}},
        {".1.3.0006", {1, 3, 6}},
    };
    for (const Case& c : cases) {
        AsnObjectIdentifier oid{99, nullptr};
        ASSERT_NE(SnmpMgrStrToOid(c.text, &oid), 0) << c.text;
        EXPECT_EQ(IdsOf(oid), c.ids) << c.text;
        SnmpUtilOidFree(&oid);
    }
    std::string longest;
    for (int i = 0; i < 128; ++i) {
        longest += ".7";
    }
    AsnObjectIdentifier oid{};
    ASSERT_NE(SnmpMgrStrToOid(longest.c_str(), &oid), 0);
    EXPECT_EQ(oid.idLength, 128u);
    SnmpUtilOidFree(&oid);
}

TEST(SnmpUtil, StrToOidRefusesAnythingElseAndLeavesTheOidEmpty) {
    std::string tooMany;
    for (int i = 0; i < 129; ++i) {
        tooMany += ".1";
    }
    const std::vector<std::string> bad = {
        "",
        ".",
        "1.3.6.1",
        ".1.3.",
        ".1..3",
        "..1",
        ".1.3.6.x",
        ".1.3 ",
        ".-1",
        ".1.4294967296",
        ".1.99999999999999999999",
        tooMany,
    };
    for (const std::string& text : bad) {
        AsnObjectIdentifier oid{5, reinterpret_cast<std::uint32_t*>(&oid)};
        EXPECT_EQ(SnmpMgrStrToOid(text.c_str(), &oid), 0) << '"' << text << '"';
        EXPECT_EQ(oid.idLength, 0u) << text;
        EXPECT_EQ(oid.ids, nullptr) << text;
    }
    EXPECT_EQ(SnmpMgrStrToOid(nullptr, nullptr), 0);
}

TEST(SnmpUtil, OidCopyIsDeepAndFreeLeavesItEmpty) {
    AsnObjectIdentifier source{};
    ASSERT_NE(SnmpMgrStrToOid(".1.3.6.1.2.1.43", &source), 0);
    AsnObjectIdentifier copy{};
    ASSERT_NE(SnmpUtilOidCpy(&copy, &source), 0);
    ASSERT_NE(copy.ids, source.ids);
    source.ids[6] = 99;
    EXPECT_EQ(IdsOf(copy), (std::vector<std::uint32_t>{1, 3, 6, 1, 2, 1, 43}));

    SnmpUtilOidFree(&source);
    EXPECT_EQ(source.idLength, 0u);
    EXPECT_EQ(source.ids, nullptr);
    SnmpUtilOidFree(&source);  // a second release does nothing (ASan would see a double free)

    AsnObjectIdentifier emptyCopy{3, nullptr};
    EXPECT_NE(SnmpUtilOidCpy(&emptyCopy, &source), 0);
    EXPECT_EQ(emptyCopy.idLength, 0u);
    SnmpUtilOidFree(&copy);
    SnmpUtilOidFree(nullptr);
}

TEST(SnmpUtil, ReAllocKeepsContentsAndZeroesGrowth) {
    auto* block = static_cast<std::uint8_t*>(SnmpUtilMemReAlloc(nullptr, 8));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(block[i], 0);
        block[i] = static_cast<std::uint8_t>(i + 1);
    }
    block = static_cast<std::uint8_t*>(SnmpUtilMemReAlloc(block, 4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(block[i], i + 1);
    }
    for (int i = 8; i < 4096; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
    EXPECT_EQ(SnmpUtilMemReAlloc(block, static_cast<std::size_t>(-1)), nullptr);
    EXPECT_EQ(block[7], 8) << "the old block stays valid when a resize fails";
    SnmpUtilMemFree(block);
    SnmpUtilMemFree(nullptr);
    EXPECT_EQ(SnmpUtilMemAlloc(static_cast<std::size_t>(-1)), nullptr);
}

TEST(SnmpUtil, ReleasingValuesAndListsFreesEverythingOnce) {
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, 4 * sizeof(SnmpVarBind)));
    ASSERT_NE(list.list, nullptr);
    list.len = 4;
    for (std::uint32_t i = 0; i < list.len; ++i) {
        SnmpMgrStrToOid(".1.3.6.1", &list.list[i].name);
    }
    // An allocated string, a borrowed string, an identifier and a number.
    list.list[0].value.asnType = ASN_OCTETSTRING;
    list.list[0].value.asnValue.string = {static_cast<std::uint8_t*>(SnmpUtilMemAlloc(5)), 5, true};
    static std::uint8_t borrowed[4] = {1, 2, 3, 4};
    list.list[1].value.asnType = ASN_IPADDRESS;
    list.list[1].value.asnValue.string = {borrowed, 4, false};
    list.list[2].value.asnType = ASN_OBJECTIDENTIFIER;
    SnmpMgrStrToOid(".1.3.6", &list.list[2].value.asnValue.object);
    list.list[3].value.asnType = ASN_INTEGER;
    list.list[3].value.asnValue.number = 12;

    AsnAny single = list.list[2].value;
    SnmpUtilOidCpy(&single.asnValue.object, &list.list[2].value.asnValue.object);
    SnmpUtilAsnAnyFree(&single);
    EXPECT_EQ(single.asnType, ASN_NULL);
    SnmpUtilAsnAnyFree(&single);  // now NULL: nothing left to release

    SnmpUtilVarBindListFree(&list);  // ASan's leak check confirms everything went
    EXPECT_EQ(list.list, nullptr);
    EXPECT_EQ(list.len, 0u);
    SnmpUtilVarBindListFree(&list);
    EXPECT_EQ(borrowed[0], 1) << "a borrowed stream is left alone";
}

}  // namespace

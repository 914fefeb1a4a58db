// ValueToText: each type's text, and the types that have none. (Opaque and IpAddress as text: the
// object reads, tests/snmp/object_text_test.cpp.)
#include "snmp/value_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(ValueToText, EachTypeReadsAsItsTextOrHasNone) {
    std::string dotted = "123";  // 40 components of three digits: 159 characters
    for (int i = 1; i < 40; ++i) {
        dotted += ".123";
    }
    const struct {
        std::uint8_t tag;
        std::int64_t number;
        std::string bytes;
        std::vector<std::uint32_t> ids;
        std::optional<std::string> text;
    } rows[] = {
        {ASN_INTEGER, -2147483648LL, "", {}, "-2147483648"},
        {ASN_COUNTER32, 4294967295LL, "", {}, "4294967295"},
        {ASN_GAUGE32, 2147483648LL, "", {}, "2147483648"},
        {ASN_TIMETICKS, 100, "", {}, "100"},  // a bare count, no duration
        // Bytes as they are (no escaping, no hexadecimal form) up to the first zero byte.
        {ASN_OCTETSTRING, 0, std::string("\x1B[2J\xE9\r\n\0XYZ", 11), {}, "\x1B[2J\xE9\r\n"},
        {ASN_OCTETSTRING, 0, "", {}, ""},                                        // a text, not none
        {ASN_OCTETSTRING, 0, std::string(300, 'p'), {}, std::string(300, 'p')},  // cut later
        {ASN_OPAQUE, 0, "", {}, std::nullopt},
        {ASN_IPADDRESS, 0, "", {}, std::nullopt},
        {ASN_OBJECTIDENTIFIER, 0, "", {1, 3, 6, 4294967295u}, "1.3.6.4294967295"},
        {ASN_OBJECTIDENTIFIER, 0, "", std::vector<std::uint32_t>(40, 123), dotted.substr(0, 127)},
        {ASN_OBJECTIDENTIFIER, 0, "", {}, std::nullopt},
        {ASN_NULL, 0, "", {}, std::nullopt},
        {ASN_COUNTER64, 1, "", {}, std::nullopt},
        {0x81, 0, "", {}, std::nullopt},  // noSuchInstance
    };
    for (auto row : rows) {  // a copy, which the value points into
        AsnAny value{row.tag, {}};
        if (row.tag == ASN_INTEGER) {
            value.asnValue.number = static_cast<AsnInteger32>(row.number);
        } else if (row.tag == ASN_OBJECTIDENTIFIER) {
            value.asnValue.object = {static_cast<std::uint32_t>(row.ids.size()), row.ids.data()};
        } else if (row.tag == ASN_OCTETSTRING || row.tag == ASN_OPAQUE ||
                   row.tag == ASN_IPADDRESS) {
            value.asnValue.string = {reinterpret_cast<std::uint8_t*>(row.bytes.data()),
                                     static_cast<std::uint32_t>(row.bytes.size()), false};
        } else {
            value.asnValue.unsigned32 = static_cast<AsnUnsigned32>(row.number);
        }
        char* text = ValueToText(&value);
        EXPECT_EQ(text ? std::optional<std::string>(text) : std::nullopt, row.text)
            << static_cast<int>(row.tag) << " " << row.bytes;
        SnmpUtilMemFree(text);
    }
}

}  // namespace

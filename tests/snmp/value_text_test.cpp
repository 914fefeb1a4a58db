// ValueToText: each type's text, and the types that have none. (Opaque and IpAddress as text: the
// object reads, tests/shell/object_text_test.cpp.)
#include "snmp/value_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Ids = std::vector<std::uint32_t>;

TEST(ValueToText, EachTypeReadsAsItsTextOrHasNone) {
    std::string dotted = "123";  // 40 components of three digits: 159 characters
    for (int i = 1; i < 40; ++i) {
        dotted += ".123";
    }
    const struct {
        const char* name;
        std::uint8_t tag;
        std::int64_t number;
        std::string bytes;
        Ids ids;
        std::optional<std::string> text;
    } rows[] = {
        {"INTEGER, lowest", ASN_INTEGER, -2147483648LL, "", Ids{}, "-2147483648"},
        {"Counter32, highest", ASN_COUNTER32, 4294967295LL, "", Ids{}, "4294967295"},
        {"Gauge32 past signed", ASN_GAUGE32, 2147483648LL, "", Ids{}, "2147483648"},
        {"TimeTicks, a bare count, no duration", ASN_TIMETICKS, 100, "", Ids{}, "100"},
        // Bytes as they are (no escaping, no hexadecimal form) up to the first zero byte.
        {"OCTET STRING to the first zero", ASN_OCTETSTRING, 0,
         std::string("\x1B[2J\xE9\r\n\0XYZ", 11), Ids{}, "\x1B[2J\xE9\r\n"},
        {"empty OCTET STRING: a text, not none", ASN_OCTETSTRING, 0, "", Ids{}, ""},
        {"long OCTET STRING, whole: the reader cuts it", ASN_OCTETSTRING, 0, std::string(300, 'p'),
         Ids{}, std::string(300, 'p')},
        {"empty Opaque", ASN_OPAQUE, 0, "", Ids{}, std::nullopt},
        {"empty IpAddress", ASN_IPADDRESS, 0, "", Ids{}, std::nullopt},
        {"OID", ASN_OBJECTIDENTIFIER, 0, "", Ids{1, 3, 6, 4294967295u}, "1.3.6.4294967295"},
        {"OID cut to 127 characters", ASN_OBJECTIDENTIFIER, 0, "", Ids(40, 123),
         dotted.substr(0, 127)},
        {"empty OID", ASN_OBJECTIDENTIFIER, 0, "", Ids{}, std::nullopt},
        {"NULL", ASN_NULL, 0, "", Ids{}, std::nullopt},
        {"Counter64", ASN_COUNTER64, 1, "", Ids{}, std::nullopt},
        {"noSuchInstance", 0x81, 0, "", Ids{}, std::nullopt},
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
        EXPECT_EQ(text ? std::optional<std::string>(text) : std::nullopt, row.text) << row.name;
        SnmpUtilMemFree(text);
    }
}

}  // namespace

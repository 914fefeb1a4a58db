#include "snmp/value_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Renders a value and releases the text; nullopt when there is none.
std::optional<std::string> Render(const AsnAny& value) {
    char* text = ValueToText(&value);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::string copy(text);
    SnmpUtilMemFree(text);
    return copy;
}

AsnAny Signed(AsnInteger32 number) {
    AsnAny value{};
    value.asnType = ASN_INTEGER;
    value.asnValue.number = number;
    return value;
}

AsnAny Unsigned(std::uint8_t tag, AsnUnsigned32 number) {
    AsnAny value{};
    value.asnType = tag;
    value.asnValue.unsigned32 = number;
    return value;
}

AsnAny Bytes(std::uint8_t tag, std::vector<std::uint8_t>& bytes) {
    AsnAny value{};
    value.asnType = tag;
    value.asnValue.string.stream = bytes.data();
    value.asnValue.string.length = static_cast<std::uint32_t>(bytes.size());
    return value;
}

AsnAny Oid(std::vector<std::uint32_t>& ids) {
    AsnAny value{};
    value.asnType = ASN_OBJECTIDENTIFIER;
    value.asnValue.object.ids = ids.data();
    value.asnValue.object.idLength = static_cast<std::uint32_t>(ids.size());
    return value;
}

std::vector<std::uint8_t> FromText(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(ValueToText, NumbersAreDecimalWithTheirSignedness) {
    EXPECT_EQ(Render(Signed(-2)), "-2");
    EXPECT_EQ(Render(Signed(0)), "0");
    EXPECT_EQ(Render(Signed(-2147483647 - 1)), "-2147483648");
    EXPECT_EQ(Render(Signed(2147483647)), "2147483647");
    EXPECT_EQ(Render(Unsigned(ASN_COUNTER32, 4294967295u)), "4294967295");
    EXPECT_EQ(Render(Unsigned(ASN_GAUGE32, 0x80000000u)), "2147483648");
    EXPECT_EQ(Render(Unsigned(ASN_TIMETICKS, 100)), "100");  // a bare count, no duration
}

TEST(ValueToText, StringsStopAtTheFirstZeroByteAndAreNeverCutHere) {
    std::vector<std::uint8_t> ready{'R', 'e', 'a', 'd', 'y', 0, 'X', 'Y', 'Z'};
    EXPECT_EQ(Render(Bytes(ASN_OCTETSTRING, ready)), "Ready");

    std::vector<std::uint8_t> empty;
    EXPECT_EQ(Render(Bytes(ASN_OCTETSTRING, empty)), "");  // a text, not none

    auto long_text = FromText(std::string(300, 'p'));
    EXPECT_EQ(Render(Bytes(ASN_OCTETSTRING, long_text)), std::string(300, 'p'));

    // Bytes are passed on as they are: no escaping, no hexadecimal form.
    std::vector<std::uint8_t> raw{0x1B, '[', '2', 'J', 0xE9, '\r', '\n'};
    EXPECT_EQ(Render(Bytes(ASN_OCTETSTRING, raw)), std::string("\x1B[2J\xE9\r\n"));
}

TEST(ValueToText, OpaqueKeepsItsLastByteAndEmptyHasNoText) {
    auto wxyz = FromText("WXYZ");
    EXPECT_EQ(Render(Bytes(ASN_OPAQUE, wxyz)), "WXYZ");
    auto one = FromText("Q");
    EXPECT_EQ(Render(Bytes(ASN_OPAQUE, one)), "Q");
    std::vector<std::uint8_t> zero_inside{'A', 0, 'B'};
    EXPECT_EQ(Render(Bytes(ASN_OPAQUE, zero_inside)), "A");
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(Render(Bytes(ASN_OPAQUE, empty)), std::nullopt);
}

TEST(ValueToText, AddressesAndIdentifiersAreDottedAndCutAt127) {
    std::vector<std::uint8_t> lan{192, 168, 1, 10};
    EXPECT_EQ(Render(Bytes(ASN_IPADDRESS, lan)), "192.168.1.10");
    std::vector<std::uint8_t> broadcast{255, 255, 255, 255};
    EXPECT_EQ(Render(Bytes(ASN_IPADDRESS, broadcast)), "255.255.255.255");
    std::vector<std::uint8_t> none;
    EXPECT_EQ(Render(Bytes(ASN_IPADDRESS, none)), std::nullopt);

    std::vector<std::uint32_t> printer_mib{1, 3, 6, 1, 2, 1, 43};
    EXPECT_EQ(Render(Oid(printer_mib)), "1.3.6.1.2.1.43");
    std::vector<std::uint32_t> wide{2, 4294967295u};
    EXPECT_EQ(Render(Oid(wide)), "2.4294967295");
    std::vector<std::uint32_t> empty_oid;
    EXPECT_EQ(Render(Oid(empty_oid)), std::nullopt);

    // 40 components of three digits make 159 characters; the text keeps the first 127.
    std::vector<std::uint32_t> many(40, 123);
    std::string dotted;
    for (std::size_t i = 0; i < many.size(); ++i) {
        dotted += (i ? ".123" : "123");
    }
    EXPECT_EQ(Render(Oid(many)), dotted.substr(0, 127));
}

TEST(ValueToText, TypesWithoutTextGiveNone) {
    for (std::uint8_t tag : {ASN_NULL, ASN_SEQUENCE, ASN_COUNTER64, std::uint8_t{0x80},
                             std::uint8_t{0x81}, std::uint8_t{0x82}, std::uint8_t{0x45}}) {
        AsnAny value{};
        value.asnType = tag;
        EXPECT_EQ(Render(value), std::nullopt) << int(tag);
    }
}

}  // namespace

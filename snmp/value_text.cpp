#include "snmp/value_text.h"

#include <charconv>
#include <cstring>

#include "text/bounded_text.h"

namespace {

// Dotted forms never grow past this, whatever the element count.
constexpr std::size_t DOTTED_CHARS = 128;

char* NewText(std::size_t bytes) {
    return static_cast<char*>(SnmpUtilMemAlloc(bytes));
}

// 33 bytes hold any 32-bit number in decimal with its sign and terminator.
constexpr std::size_t NUMBER_BYTES = 33;

// Decimal text in new storage of NUMBER_BYTES. to_chars rather than snprintf: a poll cycle
// renders a dozen numbers, and the formatting engine would cost more than the rest of the
// rendering together.
template <typename Number>
char* DecimalText(Number number) {
    char* text = NewText(NUMBER_BYTES);
    if (text != nullptr) {
        std::to_chars(text, text + NUMBER_BYTES - 1, number);
    }
    return text;
}

// Bytes up to the first zero byte, as they are. `storage` covers the whole string and its
// terminator, whatever the length: strings are cut only later, by the reader.
char* StringText(const AsnOctetString& string) {
    char* text = NewText(static_cast<std::size_t>(string.length) + 2);
    if (text != nullptr && string.length != 0) {
        std::memcpy(text, string.stream, string.length);
    }
    return text;
}

// Joins `count` decimal elements with "." into at most 127 characters.
template <typename ElementAt>
char* DottedText(std::uint32_t count, ElementAt elementAt) {
    if (count == 0) {
        return nullptr;
    }
    char dotted[DOTTED_CHARS] = "";
    for (std::uint32_t i = 0; i < count; ++i) {
        char element[16] = "";
        std::to_chars(element, element + sizeof element - 1, elementAt(i));
        BoundedAppend(dotted, sizeof dotted, element);
        if (i + 1 < count) {
            BoundedAppend(dotted, sizeof dotted, ".");
        }
    }
    const std::size_t bytes = std::strlen(dotted) + 1;
    char* text = NewText(bytes);
    if (text != nullptr) {
        std::memcpy(text, dotted, bytes);
    }
    return text;
}

}  // namespace

char* ValueToText(const AsnAny* value) {
    switch (value->asnType) {
        case ASN_INTEGER:
            return DecimalText(value->asnValue.number);
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
            return DecimalText(value->asnValue.unsigned32);
        case ASN_OCTETSTRING:
            return StringText(value->asnValue.string);
        case ASN_OPAQUE:
            // Rendered like an OCTET STRING, last byte included: dropping it would show a
            // printer's opaque text one character short.
            if (value->asnValue.string.length == 0) {
                return nullptr;
            }
            return StringText(value->asnValue.string);
        case ASN_IPADDRESS: {
            const AsnOctetString& address = value->asnValue.string;
            return DottedText(address.length, [&](std::uint32_t i) { return address.stream[i]; });
        }
        case ASN_OBJECTIDENTIFIER: {
            const AsnObjectIdentifier& oid = value->asnValue.object;
            return DottedText(oid.idLength, [&](std::uint32_t i) { return oid.ids[i]; });
        }
        default:
            return nullptr;
    }
}

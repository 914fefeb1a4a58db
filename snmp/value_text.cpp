#include "snmp/value_text.h"

#include <charconv>
#include <cstring>

#include "snmp/oid.h"
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

// `dotted` cut to DOTTED_CHARS - 1 characters, in new storage.
char* DottedText(const char* dotted) {
    char cut[DOTTED_CHARS] = "";
    BoundedCopy(cut, sizeof cut, dotted);
    const std::size_t bytes = std::strlen(cut) + 1;
    char* text = NewText(bytes);
    if (text != nullptr) {
        std::memcpy(text, cut, bytes);
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
            if (address.length == 0) {
                return nullptr;
            }
            std::string dotted;
            for (std::uint32_t i = 0; i < address.length && dotted.size() < DOTTED_CHARS; ++i) {
                if (i != 0) {
                    dotted += '.';
                }
                dotted += std::to_string(address.stream[i]);
            }
            return DottedText(dotted.c_str());
        }
        case ASN_OBJECTIDENTIFIER: {
            const AsnObjectIdentifier& oid = value->asnValue.object;
            if (oid.idLength == 0) {
                return nullptr;
            }
            return DottedText(snmp::FormatOid({oid.ids, oid.idLength}).c_str());
        }
        default:
            return nullptr;
    }
}

#include "tools/printer-sim/typed_value.h"

#include <charconv>
#include <cstdio>

#include "snmp/asn_types.h"
#include "snmp/oid.h"

namespace sim {
namespace {

// Decimal digits only: no sign, no spaces, no "0x", so a typo never becomes a value.
bool ParseUnsigned(std::string_view text, std::uint64_t limit, std::uint64_t& out) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > limit) {
        return false;
    }
    out = value;
    return true;
}

bool ParseSigned32(std::string_view text, std::int64_t& out) {
    bool negative = !text.empty() && text.front() == '-';
    std::uint64_t magnitude = 0;
    if (!ParseUnsigned(negative ? text.substr(1) : text, negative ? 2147483648u : 2147483647u,
                       magnitude)) {
        return false;
    }
    out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>& bytes) {
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

bool ParseDottedQuad(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    while (true) {
        std::size_t dot = text.find('.');
        std::uint64_t part = 0;
        if (!ParseUnsigned(text.substr(0, dot), 255, part) || part > 255) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(part));
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    return bytes.size() == 4;
}

void AppendEscaped(std::string& out, const std::vector<std::uint8_t>& bytes) {
    out += '"';
    for (std::uint8_t b : bytes) {
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b >= 0x20 && b < 0x7f) {
            out += static_cast<char>(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", b);
            out += hex;
        }
    }
    out += '"';
}

}  // namespace

bool ParseOid(std::string_view text, Oid& oid, std::string& error) {
    if (!snmp::ParseOid(text, snmp::LeadingDot::Optional, oid, error)) {
        return false;
    }
    if (!ber::OidEncodable(oid)) {
        oid.clear();
        error = "object identifier cannot be encoded (needs 2+ components, first 0..2)";
        return false;
    }
    return true;
}

bool ParseTypedValue(std::string_view tag, std::string_view text, ber::Value& value,
                     std::string& error) {
    bool hex = !tag.empty() && tag.back() == 'x';
    if (hex) {
        tag.remove_suffix(1);
    }
    std::uint64_t number = 0;
    if (!ParseUnsigned(tag, 255, number)) {
        error = "bad tag '" + std::string(tag) + (hex ? "x'" : "'");
        return false;
    }
    value = ber::Value{};
    value.tag = static_cast<std::uint8_t>(number);
    bool hexAllowed = false;
    bool ok = true;
    switch (value.tag) {
        case ASN_INTEGER:
            ok = ParseSigned32(text, value.integer);
            if (!ok) {
                error = "INTEGER value '" + std::string(text) + "' is not a 32-bit signed number";
            }
            break;
        case ASN_OCTETSTRING:
        case ASN_OPAQUE:
            hexAllowed = true;
            if (hex) {
                ok = ParseHex(text, value.bytes);
                if (!ok) {
                    error = "bad hexadecimal string '" + std::string(text) + "'";
                }
            } else {
                value.bytes.assign(text.begin(), text.end());
            }
            break;
        case ASN_NULL:
            ok = text.empty();
            if (!ok) {
                error = "NULL takes no value";
            }
            break;
        case ASN_OBJECTIDENTIFIER:
            ok = ParseOid(text, value.oid, error);
            break;
        case ASN_IPADDRESS:
            hexAllowed = true;
            ok = hex ? ParseHex(text, value.bytes) && value.bytes.size() == 4
                     : ParseDottedQuad(text, value.bytes);
            if (!ok) {
                error = "IpAddress '" + std::string(text) + "' is not four bytes";
            }
            break;
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
            ok = ParseUnsigned(text, 4294967295u, number);
            value.integer = static_cast<std::int64_t>(number);
            if (!ok) {
                error = "value '" + std::string(text) + "' is not in 0..4294967295";
            }
            break;
        default:
            error = "unsupported tag " + std::to_string(number) +
                    " (SNMPv1 types: 2 4 5 6 64 65 66 67 68)";
            return false;
    }
    if (hex && !hexAllowed) {
        error = "tag " + std::to_string(number) + " has no hexadecimal form";
        return false;
    }
    return ok;
}

std::string DescribeValue(const ber::Value& value) {
    std::string out;
    switch (value.tag) {
        case ASN_INTEGER:
            return "INTEGER " + std::to_string(value.integer);
        case ASN_OCTETSTRING:
            out = "STRING ";
            AppendEscaped(out, value.bytes);
            return out;
        case ASN_NULL:
            return "NULL";
        case ASN_OBJECTIDENTIFIER:
            return "OID " + snmp::FormatOid(value.oid);
        case ASN_IPADDRESS:
            out = "IpAddress ";
            for (std::size_t i = 0; i < value.bytes.size(); ++i) {
                if (i != 0) {
                    out += '.';
                }
                out += std::to_string(value.bytes[i]);
            }
            return out;
        case ASN_COUNTER32:
            return "Counter32 " + std::to_string(value.integer);
        case ASN_GAUGE32:
            return "Gauge32 " + std::to_string(value.integer);
        case ASN_TIMETICKS:
            return "TimeTicks " + std::to_string(value.integer);
        case ASN_OPAQUE:
            out = "Opaque ";
            AppendEscaped(out, value.bytes);
            return out;
        case ber::NO_SUCH_OBJECT:
            return "noSuchObject";
        case ber::NO_SUCH_INSTANCE:
            return "noSuchInstance";
        case ber::END_OF_MIB_VIEW:
            return "endOfMibView";
        default:
            return "tag " + std::to_string(value.tag);
    }
}

std::string EscapeControlBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            out += hex;
        }
    }
    return out;
}

}  // namespace sim

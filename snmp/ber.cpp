#include "snmp/ber.h"

#include <cstring>

#include "snmp/asn_types.h"
#include "snmp/ber_element.h"

namespace ber {
namespace {

constexpr std::uint8_t FIRST_PDU = 0xA0;
constexpr std::uint8_t TRAP_V1_PDU = 0xA4;  // a layout of its own, which nothing here reads
constexpr std::uint8_t HIGH_TAG_FORM = 0x1F;

constexpr std::int64_t INT_32_MIN = -2147483648LL;
constexpr std::int64_t INT_32_MAX = 2147483647LL;
constexpr std::int64_t UINT_32_MAX = 4294967295LL;

// Every PDU of SNMPv1 and SNMPv2c that has the request-id layout.
bool IsPduTag(std::uint8_t tag) {
    return tag >= FIRST_PDU && tag <= PDU_REPORT && tag != TRAP_V1_PDU;
}

bool IsUnsignedTag(std::uint8_t tag) {
    return tag == ASN_COUNTER32 || tag == ASN_GAUGE32 || tag == ASN_TIMETICKS;
}

}  // namespace

// ---------------------------------------------------------------- decoding

Error ReadElement(const std::uint8_t** cursor, const std::uint8_t* limit, bool atTop,
                  Element* element) {
    const std::uint8_t* p = *cursor;
    if (p >= limit) {
        return Error::Truncated;
    }
    element->tag = *p++;
    if ((element->tag & HIGH_TAG_FORM) == HIGH_TAG_FORM) {
        return Error::UnexpectedTag;  // multi-byte tags have no place in SNMP
    }
    if (p >= limit) {
        return Error::Truncated;
    }
    const std::uint8_t first = *p++;
    std::size_t length = 0;
    if (first < 0x80) {
        length = first;
    } else if (first == 0x80) {
        return Error::IndefiniteLength;
    } else {
        const std::size_t octets = first & 0x7Fu;
        if (octets > 4) {
            return Error::LengthTooLong;
        }
        if (static_cast<std::size_t>(limit - p) < octets) {
            return Error::Truncated;
        }
        for (std::size_t i = 0; i < octets; ++i) {
            length = (length << 8) | *p++;
        }
        if (length > MAX_MESSAGE_BYTES) {
            return Error::LengthTooLong;
        }
    }
    if (length > static_cast<std::size_t>(limit - p)) {
        return atTop ? Error::Truncated : Error::LengthPastParent;
    }
    element->content = p;
    element->length = length;
    *cursor = p + length;
    return Error::None;
}

Error ReadTagged(const std::uint8_t** cursor, const std::uint8_t* limit, std::uint8_t tag,
                 Element* element) {
    const Error error = ReadElement(cursor, limit, false, element);
    if (error != Error::None) {
        return error;
    }
    return element->tag == tag ? Error::None : Error::UnexpectedTag;
}

namespace {

// Two's-complement content of 1..5 bytes as a signed 64-bit number: the frame's INTEGERs
// (version, request-id, error status and index), where a fault is the frame's fault.
Error DecodeInteger(const Element& element, std::int64_t* value) {
    if (element.length == 0 || element.length > 5) {
        return Error::IntegerSize;
    }
    std::uint64_t bits = (element.content[0] & 0x80u) ? ~std::uint64_t{0} : 0;
    for (std::size_t i = 0; i < element.length; ++i) {
        bits = (bits << 8) | element.content[i];
    }
    *value = static_cast<std::int64_t>(bits);
    return Error::None;
}

Error DecodeInt32(const Element& element, std::int32_t* value) {
    std::int64_t wide = 0;
    const Error error = DecodeInteger(element, &wide);
    if (error != Error::None) {
        return error;
    }
    if (wide < INT_32_MIN || wide > INT_32_MAX) {
        return Error::IntegerSize;
    }
    *value = static_cast<std::int32_t>(wide);
    return Error::None;
}

}  // namespace

Error ReadInt32(const std::uint8_t** cursor, const std::uint8_t* limit, std::int32_t* value) {
    Element element;
    const Error error = ReadTagged(cursor, limit, ASN_INTEGER, &element);
    return error != Error::None ? error : DecodeInt32(element, value);
}

namespace {

// A value's INTEGER, as peers read it: leading bytes that only repeat the sign are skipped,
// whatever their number, and what is left must fit 32 bits.
bool ValueInt32(const Element& element, std::int64_t* value) {
    const std::uint8_t* p = element.content;
    const std::uint8_t* end = p + element.length;
    if (p == end) {
        return false;
    }
    const bool negative = (*p & 0x80u) != 0;
    const std::uint8_t sign = negative ? 0xFF : 0x00;
    while (end - p > 1 && p[0] == sign && ((p[1] & 0x80u) != 0) == negative) {
        ++p;
    }
    if (end - p > 4) {
        return false;
    }
    std::uint64_t bits = negative ? ~std::uint64_t{0} : 0;
    for (; p < end; ++p) {
        bits = (bits << 8) | *p;
    }
    *value = static_cast<std::int64_t>(bits);
    return true;
}

// Counter32, Gauge32, TimeTicks and Counter64 as peers read them: the content is unsigned,
// so firmware that writes 2^31 as the four bytes 80 00 00 00 (no leading zero) means 2^31,
// not a negative number. Leading zero bytes are skipped; what is left must fit `maxBytes`.
bool ValueUnsigned(const Element& element, std::size_t maxBytes, std::uint64_t* value) {
    const std::uint8_t* p = element.content;
    const std::uint8_t* end = p + element.length;
    if (p == end) {
        return false;
    }
    while (p < end && *p == 0) {
        ++p;
    }
    if (static_cast<std::size_t>(end - p) > maxBytes) {
        return false;
    }
    std::uint64_t bits = 0;
    for (; p < end; ++p) {
        bits = (bits << 8) | *p;
    }
    *value = bits;
    return true;
}

Error DecodeOid(const Element& element, std::vector<std::uint32_t>& oid) {
    oid.clear();
    if (element.length == 0) {
        return Error::OidEmpty;
    }
    const std::uint8_t* p = element.content;
    const std::uint8_t* end = p + element.length;
    bool first = true;
    while (p < end) {
        std::uint32_t sub = 0;
        bool more = true;
        while (more) {
            if (p == end) {
                return Error::OidUnterminated;
            }
            const std::uint8_t byte = *p++;
            if (sub > (0xFFFFFFFFu >> 7)) {
                return Error::OidOverflow;
            }
            sub = (sub << 7) | (byte & 0x7Fu);
            more = (byte & 0x80u) != 0;
        }
        if (oid.size() + (first ? 2 : 1) > MAX_OID_COMPONENTS) {
            return Error::OidTooLong;
        }
        if (first) {
            // The first sub-identifier carries the first two arcs: 40 * arc1 + arc2.
            const std::uint32_t arc1 = sub < 40 ? 0 : (sub < 80 ? 1 : 2);
            oid.push_back(arc1);
            oid.push_back(sub - 40 * arc1);
            first = false;
        } else {
            oid.push_back(sub);
        }
    }
    return Error::None;
}

// Whether the content fits the tag's form, and the number or identifier it holds. A value
// that does not fit is no error: the element's bounds are the frame's, already checked.
bool InterpretValue(const Element& element, Value& value) {
    switch (element.tag) {
        case ASN_INTEGER:
            return ValueInt32(element, &value.integer);
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS: {
            std::uint64_t number = 0;
            if (!ValueUnsigned(element, 4, &number)) {
                return false;
            }
            value.integer = static_cast<std::int64_t>(number);
            return true;
        }
        case ASN_COUNTER64: {
            std::uint64_t number = 0;
            return ValueUnsigned(element, 8, &number);  // kept as its bytes
        }
        case ASN_NULL:
            return element.length == 0;
        case ASN_OBJECTIDENTIFIER:
            return DecodeOid(element, value.oid) == Error::None;
        case ASN_IPADDRESS:
            return element.length == 4;
        default:
            return true;
    }
}

void DecodeValue(const Element& element, Value& value) {
    value.tag = element.tag;
    value.integer = 0;
    value.bytes.clear();
    value.oid.clear();
    value.valid = InterpretValue(element, value);
    const bool hasNumber =
        element.tag == ASN_INTEGER || IsUnsignedTag(element.tag) || element.tag == ASN_NULL;
    if (!value.valid) {
        value.integer = 0;
        value.oid.clear();
    } else if (hasNumber || element.tag == ASN_OBJECTIDENTIFIER) {
        return;
    }
    // OCTET STRING, IpAddress, Opaque, every tag without a meaning here, and any value whose
    // content does not fit its tag keep their bytes.
    value.bytes.assign(element.content, element.content + element.length);
}

Error DecodeVarBind(const Element& element, VarBind& varbind) {
    const std::uint8_t* p = element.content;
    const std::uint8_t* end = p + element.length;
    Element name;
    Error error = ReadTagged(&p, end, ASN_OBJECTIDENTIFIER, &name);
    if (error != Error::None) {
        return error;
    }
    error = DecodeOid(name, varbind.name);
    if (error != Error::None) {
        return error;
    }
    Element value;
    error = ReadElement(&p, end, false, &value);
    if (error != Error::None) {
        return error;
    }
    DecodeValue(value, varbind.value);
    return p == end ? Error::None : Error::TrailingBytes;
}

// Decodes into the bindings already there before adding any: a caller that decodes message
// after message into one Message (the manager does, once per request) then allocates nothing.
Error DecodeVarBinds(const Element& list, std::vector<VarBind>& varbinds) {
    const std::uint8_t* p = list.content;
    const std::uint8_t* end = p + list.length;
    std::size_t count = 0;
    Error error = Error::None;
    while (p < end && error == Error::None) {
        Element element;
        error = ReadTagged(&p, end, ASN_SEQUENCE, &element);
        if (error != Error::None) {
            break;
        }
        if (count == varbinds.size()) {
            varbinds.emplace_back();
        }
        error = DecodeVarBind(element, varbinds[count++]);
    }
    varbinds.resize(count);
    return error;
}

Error DecodePduContent(const Element& pdu, Message& out) {
    const std::uint8_t* p = pdu.content;
    const std::uint8_t* end = p + pdu.length;
    Error error = ReadInt32(&p, end, &out.requestId);
    if (error == Error::None) {
        error = ReadInt32(&p, end, &out.errorStatus);
    }
    if (error == Error::None) {
        error = ReadInt32(&p, end, &out.errorIndex);
    }
    if (error != Error::None) {
        return error;
    }
    Element list;
    error = ReadTagged(&p, end, ASN_SEQUENCE, &list);
    if (error != Error::None) {
        return error;
    }
    error = DecodeVarBinds(list, out.varbinds);
    if (error != Error::None) {
        return error;
    }
    return p == end ? Error::None : Error::TrailingBytes;
}

// ---------------------------------------------------------------- encoding

std::size_t LengthOctets(std::size_t length) {
    if (length < 0x80) {
        return 1;
    }
    std::size_t octets = 1;
    for (std::size_t rest = length; rest != 0; rest >>= 8) {
        ++octets;
    }
    return octets;
}

std::size_t ElementSize(std::size_t contentLength) {
    return 1 + LengthOctets(contentLength) + contentLength;
}

// Minimal two's-complement length of a value in the 64-bit signed range.
std::size_t IntegerOctets(std::int64_t value) {
    std::size_t octets = 1;
    while (octets < 8) {
        const int shift = static_cast<int>(octets * 8 - 1);
        const std::int64_t high = value >> shift;  // all sign bits if it fits in `octets`
        if (high == 0 || high == -1) {
            break;
        }
        ++octets;
    }
    return octets;
}

std::size_t SubIdOctets(std::uint32_t sub) {
    std::size_t octets = 1;
    while (sub >= 0x80) {
        sub >>= 7;
        ++octets;
    }
    return octets;
}

Error OidOctets(const std::vector<std::uint32_t>& oid, std::size_t* octets) {
    if (oid.size() < 2) {
        return Error::OidEmpty;
    }
    if (oid.size() > MAX_OID_COMPONENTS) {
        return Error::OidTooLong;
    }
    // The first two arcs share one sub-identifier, which must fit 32 bits like any other.
    if (oid[0] > 2 || (oid[0] < 2 && oid[1] >= 40) || (oid[0] == 2 && oid[1] > 0xFFFFFFFFu - 80)) {
        return Error::OidOverflow;
    }
    std::size_t total = SubIdOctets(oid[0] * 40 + oid[1]);
    for (std::size_t i = 2; i < oid.size(); ++i) {
        total += SubIdOctets(oid[i]);
    }
    *octets = total;
    return Error::None;
}

Error ValueOctets(const Value& value, std::size_t* octets) {
    if ((value.tag & HIGH_TAG_FORM) == HIGH_TAG_FORM) {
        return Error::UnexpectedTag;
    }
    if (!value.valid) {
        if (value.bytes.size() > MAX_MESSAGE_BYTES) {
            return Error::MessageTooLarge;
        }
        *octets = value.bytes.size();
        return Error::None;
    }
    switch (value.tag) {
        case ASN_INTEGER:
            if (value.integer < INT_32_MIN || value.integer > INT_32_MAX) {
                return Error::IntegerSize;
            }
            *octets = IntegerOctets(value.integer);
            return Error::None;
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
            if (value.integer < 0 || value.integer > UINT_32_MAX) {
                return Error::UnsignedRange;
            }
            *octets = IntegerOctets(value.integer);
            return Error::None;
        case ASN_NULL:
            *octets = 0;
            return Error::None;
        case ASN_OBJECTIDENTIFIER:
            return OidOctets(value.oid, octets);
        case ASN_IPADDRESS:
            if (value.bytes.size() != 4) {
                return Error::IpAddressSize;
            }
            break;
        default:
            break;
    }
    if (value.bytes.size() > MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    *octets = value.bytes.size();
    return Error::None;
}

// Writes forward into storage whose size was computed beforehand.
class Writer {
  public:
    explicit Writer(std::uint8_t* start) : p_(start) {}

    void Header(std::uint8_t tag, std::size_t length) {
        *p_++ = tag;
        if (length < 0x80) {
            *p_++ = static_cast<std::uint8_t>(length);
            return;
        }
        const std::size_t octets = LengthOctets(length) - 1;
        *p_++ = static_cast<std::uint8_t>(0x80u | octets);
        for (std::size_t i = octets; i > 0; --i) {
            *p_++ = static_cast<std::uint8_t>(length >> (8 * (i - 1)));
        }
    }

    void IntegerContent(std::int64_t value) {
        const auto bits = static_cast<std::uint64_t>(value);
        for (std::size_t i = IntegerOctets(value); i > 0; --i) {
            *p_++ = static_cast<std::uint8_t>(bits >> (8 * (i - 1)));
        }
    }

    void Integer(std::uint8_t tag, std::int64_t value) {
        Header(tag, IntegerOctets(value));
        IntegerContent(value);
    }

    void SubId(std::uint32_t sub) {
        for (std::size_t i = SubIdOctets(sub); i > 1; --i) {
            *p_++ = static_cast<std::uint8_t>(0x80u | ((sub >> (7 * (i - 1))) & 0x7Fu));
        }
        *p_++ = static_cast<std::uint8_t>(sub & 0x7Fu);
    }

    void OidContent(const std::vector<std::uint32_t>& oid) {
        SubId(oid[0] * 40 + oid[1]);
        for (std::size_t i = 2; i < oid.size(); ++i) {
            SubId(oid[i]);
        }
    }

    void Bytes(const std::uint8_t* data, std::size_t size) {
        if (size != 0) {
            std::memcpy(p_, data, size);
            p_ += size;
        }
    }

  private:
    std::uint8_t* p_;
};

}  // namespace

const char* ErrorName(Error error) {
    switch (error) {
        case Error::None:
            return "None";
        case Error::Truncated:
            return "Truncated";
        case Error::IndefiniteLength:
            return "IndefiniteLength";
        case Error::LengthTooLong:
            return "LengthTooLong";
        case Error::LengthPastParent:
            return "LengthPastParent";
        case Error::TrailingBytes:
            return "TrailingBytes";
        case Error::UnexpectedTag:
            return "UnexpectedTag";
        case Error::IntegerSize:
            return "IntegerSize";
        case Error::UnsignedRange:
            return "UnsignedRange";
        case Error::OidEmpty:
            return "OidEmpty";
        case Error::OidOverflow:
            return "OidOverflow";
        case Error::OidUnterminated:
            return "OidUnterminated";
        case Error::OidTooLong:
            return "OidTooLong";
        case Error::IpAddressSize:
            return "IpAddressSize";
        case Error::BadVersion:
            return "BadVersion";
        case Error::CommunityTooLong:
            return "CommunityTooLong";
        case Error::MessageTooLarge:
            return "MessageTooLarge";
        case Error::SecurityModel:
            return "SecurityModel";
        case Error::BadFlags:
            return "BadFlags";
        case Error::FieldTooLong:
            return "FieldTooLong";
        case Error::ValueRange:
            return "ValueRange";
    }
    return "Unknown";
}

// The sizes of one binding's parts.
struct BindingSizes {
    std::size_t name = 0;
    std::size_t value = 0;
    std::size_t varbind = 0;
};

Error SizeBinding(const VarBind& varbind, BindingSizes* sizes) {
    Error error = OidOctets(varbind.name, &sizes->name);
    if (error == Error::None) {
        error = ValueOctets(varbind.value, &sizes->value);
    }
    sizes->varbind = ElementSize(sizes->name) + ElementSize(sizes->value);
    return error;
}

namespace {

// The content sizes of a PDU and of its binding list.
struct PduSizes {
    std::size_t list = 0;
    std::size_t pdu = 0;
};

// Sizes first, so a message is written once, front to back, into its final place. Each
// binding's sizes are computed again as it is written rather than kept: a GetBulk answer may
// hold thousands.
Error SizePdu(const Message& message, PduSizes* sizes) {
    std::size_t listContent = 0;
    for (const VarBind& varbind : message.varbinds) {
        BindingSizes binding;
        const Error error = SizeBinding(varbind, &binding);
        if (error != Error::None) {
            return error;
        }
        listContent += ElementSize(binding.varbind);
        if (listContent > MAX_MESSAGE_BYTES) {
            return Error::MessageTooLarge;
        }
    }
    sizes->list = listContent;
    sizes->pdu = ElementSize(IntegerOctets(message.requestId)) +
                 ElementSize(IntegerOctets(message.errorStatus)) +
                 ElementSize(IntegerOctets(message.errorIndex)) + ElementSize(listContent);
    return Error::None;
}

void WritePdu(Writer& w, const Message& message, const PduSizes& sizes) {
    w.Header(message.pduType, sizes.pdu);
    w.Integer(ASN_INTEGER, message.requestId);
    w.Integer(ASN_INTEGER, message.errorStatus);
    w.Integer(ASN_INTEGER, message.errorIndex);
    w.Header(ASN_SEQUENCE, sizes.list);
    for (const VarBind& varbind : message.varbinds) {
        BindingSizes binding;
        SizeBinding(varbind, &binding);
        const Value& value = varbind.value;
        w.Header(ASN_SEQUENCE, binding.varbind);
        w.Header(ASN_OBJECTIDENTIFIER, binding.name);
        w.OidContent(varbind.name);
        w.Header(value.tag, binding.value);
        if (!value.valid) {
            w.Bytes(value.bytes.data(), value.bytes.size());
        } else if (value.tag == ASN_INTEGER || IsUnsignedTag(value.tag)) {
            w.IntegerContent(value.integer);
        } else if (value.tag == ASN_OBJECTIDENTIFIER) {
            w.OidContent(value.oid);
        } else if (value.tag != ASN_NULL) {
            w.Bytes(value.bytes.data(), value.bytes.size());
        }
    }
}

}  // namespace

Error Encode(const Message& message, std::vector<std::uint8_t>& out) {
    if (!IsPduTag(message.pduType)) {
        return Error::UnexpectedTag;
    }
    if (message.community.size() > MAX_COMMUNITY_BYTES) {
        return Error::CommunityTooLong;
    }
    PduSizes sizes;
    const Error error = SizePdu(message, &sizes);
    if (error != Error::None) {
        return error;
    }
    const std::size_t messageContent = ElementSize(IntegerOctets(message.version)) +
                                       ElementSize(message.community.size()) +
                                       ElementSize(sizes.pdu);
    const std::size_t total = ElementSize(messageContent);
    if (total > MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }

    const std::size_t start = out.size();
    out.resize(start + total);
    Writer w(out.data() + start);
    w.Header(ASN_SEQUENCE, messageContent);
    w.Integer(ASN_INTEGER, message.version);
    w.Header(ASN_OCTETSTRING, message.community.size());
    w.Bytes(reinterpret_cast<const std::uint8_t*>(message.community.data()),
            message.community.size());
    WritePdu(w, message, sizes);
    return Error::None;
}

bool OidEncodable(const std::vector<std::uint32_t>& oid) {
    std::size_t octets = 0;
    return OidOctets(oid, &octets) == Error::None;
}

Error EncodePdu(const Message& message, std::vector<std::uint8_t>& out) {
    if (!IsPduTag(message.pduType)) {
        return Error::UnexpectedTag;
    }
    PduSizes sizes;
    const Error error = SizePdu(message, &sizes);
    if (error != Error::None) {
        return error;
    }
    const std::size_t total = ElementSize(sizes.pdu);
    if (total > MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    const std::size_t start = out.size();
    out.resize(start + total);
    Writer w(out.data() + start);
    WritePdu(w, message, sizes);
    return Error::None;
}

void AppendHeader(std::uint8_t tag, std::size_t length, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + 1 + LengthOctets(length));
    Writer(out.data() + start).Header(tag, length);
}

void AppendInteger(std::int32_t value, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + ElementSize(IntegerOctets(value)));
    Writer(out.data() + start).Integer(ASN_INTEGER, value);
}

Error DecodePdu(const std::uint8_t* data, std::size_t size, Message& out) {
    if (size > MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    if (data == nullptr || size == 0) {
        return Error::Truncated;
    }
    const std::uint8_t* p = data;
    Element pdu;
    const Error error = ReadElement(&p, data + size, true, &pdu);
    if (error != Error::None) {
        return error;
    }
    if (!IsPduTag(pdu.tag)) {
        return Error::UnexpectedTag;
    }
    if (p != data + size) {
        return Error::TrailingBytes;
    }
    out.pduType = pdu.tag;
    return DecodePduContent(pdu, out);
}

Error Decode(const std::uint8_t* data, std::size_t size, Message& out) {
    if (size > MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    if (data == nullptr || size == 0) {
        return Error::Truncated;
    }
    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    Element message;
    Error error = ReadElement(&p, end, true, &message);
    if (error != Error::None) {
        return error;
    }
    if (message.tag != ASN_SEQUENCE) {
        return Error::UnexpectedTag;
    }
    if (p != end) {
        return Error::TrailingBytes;
    }

    p = message.content;
    end = message.content + message.length;
    error = ReadInt32(&p, end, &out.version);
    if (error != Error::None) {
        return error;
    }
    if (out.version != VERSION_1 && out.version != VERSION_2C) {
        return Error::BadVersion;
    }
    Element community;
    error = ReadTagged(&p, end, ASN_OCTETSTRING, &community);
    if (error != Error::None) {
        return error;
    }
    if (community.length > MAX_COMMUNITY_BYTES) {
        return Error::CommunityTooLong;
    }
    out.community.assign(reinterpret_cast<const char*>(community.content), community.length);

    Element pdu;
    error = ReadElement(&p, end, false, &pdu);
    if (error != Error::None) {
        return error;
    }
    if (!IsPduTag(pdu.tag)) {
        return Error::UnexpectedTag;
    }
    out.pduType = pdu.tag;
    error = DecodePduContent(pdu, out);
    if (error != Error::None) {
        return error;
    }
    return p == end ? Error::None : Error::TrailingBytes;
}

}  // namespace ber

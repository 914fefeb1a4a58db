#include "snmp/v3_message.h"

#include "snmp/asn_types.h"
#include "snmp/ber_element.h"

namespace v3 {
namespace {

using ber::Element;
using ber::Error;

void AppendOctets(const std::uint8_t* data, std::size_t size, Bytes& out) {
    ber::AppendHeader(ASN_OCTETSTRING, size, out);
    out.insert(out.end(), data, data + size);
}

void AppendOctets(const Bytes& bytes, Bytes& out) {
    AppendOctets(bytes.data(), bytes.size(), out);
}

void AppendOctets(const std::string& text, Bytes& out) {
    AppendOctets(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out);
}

// `content` wrapped in a header of `tag`, appended to `out`; returns where the content starts.
std::size_t AppendWrapped(std::uint8_t tag, const Bytes& content, Bytes& out) {
    ber::AppendHeader(tag, content.size(), out);
    const std::size_t start = out.size();
    out.insert(out.end(), content.begin(), content.end());
    return start;
}

Error ReadOctets(const std::uint8_t** cursor, const std::uint8_t* limit, std::size_t maxBytes,
                 Element* element) {
    const Error error = ber::ReadTagged(cursor, limit, ASN_OCTETSTRING, element);
    if (error != Error::None) {
        return error;
    }
    return element->length > maxBytes ? Error::FieldTooLong : Error::None;
}

Error ReadNonNegative(const std::uint8_t** cursor, const std::uint8_t* limit, std::int32_t minimum,
                      std::int32_t* value) {
    const Error error = ber::ReadInt32(cursor, limit, value);
    if (error != Error::None) {
        return error;
    }
    return *value < minimum ? Error::ValueRange : Error::None;
}

Error DecodeSecurity(const Element& octets, const std::uint8_t* start, SecurityParameters& out,
                     AuthField* field) {
    const std::uint8_t* p = octets.content;
    const std::uint8_t* end = octets.content + octets.length;
    Element sequence;
    Error error = ber::ReadTagged(&p, end, ASN_SEQUENCE, &sequence);
    if (error != Error::None) {
        return error;
    }
    if (p != end) {
        return Error::TrailingBytes;
    }
    p = sequence.content;
    end = sequence.content + sequence.length;
    Element engineId;
    Element user;
    Element auth;
    Element priv;
    error = ReadOctets(&p, end, MAX_ENGINE_ID_BYTES, &engineId);
    if (error == Error::None) {
        error = ReadNonNegative(&p, end, 0, &out.engineBoots);
    }
    if (error == Error::None) {
        error = ReadNonNegative(&p, end, 0, &out.engineTime);
    }
    if (error == Error::None) {
        error = ReadOctets(&p, end, MAX_USER_NAME_BYTES, &user);
    }
    if (error == Error::None) {
        error = ReadOctets(&p, end, MAX_SECURITY_FIELD_BYTES, &auth);
    }
    if (error == Error::None) {
        error = ReadOctets(&p, end, MAX_SECURITY_FIELD_BYTES, &priv);
    }
    if (error != Error::None) {
        return error;
    }
    if (p != end) {
        return Error::TrailingBytes;
    }
    out.engineId.assign(engineId.content, engineId.content + engineId.length);
    out.userName.assign(reinterpret_cast<const char*>(user.content), user.length);
    out.authParams.assign(auth.content, auth.content + auth.length);
    out.privParams.assign(priv.content, priv.content + priv.length);
    field->offset = static_cast<std::size_t>(auth.content - start);
    field->length = auth.length;
    return Error::None;
}

Error DecodeGlobalData(const std::uint8_t** cursor, const std::uint8_t* limit, Message& out) {
    Element global;
    Error error = ber::ReadTagged(cursor, limit, ASN_SEQUENCE, &global);
    if (error != Error::None) {
        return error;
    }
    const std::uint8_t* p = global.content;
    const std::uint8_t* end = global.content + global.length;
    Element flags;
    std::int32_t model = 0;
    error = ReadNonNegative(&p, end, 0, &out.msgId);
    if (error == Error::None) {
        error = ReadNonNegative(&p, end, MIN_MAX_SIZE, &out.maxSize);
    }
    if (error == Error::None) {
        error = ber::ReadTagged(&p, end, ASN_OCTETSTRING, &flags);
    }
    if (error == Error::None && flags.length != 1) {
        error = Error::BadFlags;
    }
    if (error == Error::None) {
        error = ber::ReadInt32(&p, end, &model);
    }
    if (error != Error::None) {
        return error;
    }
    if (model != USM_SECURITY_MODEL) {
        return Error::SecurityModel;
    }
    out.flags = flags.content[0];
    if ((out.flags & FLAG_PRIV) != 0 && (out.flags & FLAG_AUTH) == 0) {
        return Error::BadFlags;
    }
    return p == end ? Error::None : Error::TrailingBytes;
}

}  // namespace

ber::Error EncodeScopedPdu(const ScopedPdu& scoped, Bytes& out) {
    if (scoped.contextEngineId.size() > MAX_ENGINE_ID_BYTES ||
        scoped.contextName.size() > MAX_CONTEXT_NAME_BYTES) {
        return Error::FieldTooLong;
    }
    Bytes content;
    AppendOctets(scoped.contextEngineId, content);
    AppendOctets(scoped.contextName, content);
    const Error error = ber::EncodePdu(scoped.pdu, content);
    if (error != Error::None) {
        return error;
    }
    Bytes whole;
    AppendWrapped(ASN_SEQUENCE, content, whole);
    if (whole.size() > ber::MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    out.insert(out.end(), whole.begin(), whole.end());
    return Error::None;
}

ber::Error DecodeScopedPdu(const std::uint8_t* data, std::size_t size, ScopedPdu& out,
                           std::size_t padding) {
    if (size > ber::MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    if (data == nullptr || size == 0) {
        return Error::Truncated;
    }
    const std::uint8_t* p = data;
    Element sequence;
    Error error = ber::ReadElement(&p, data + size, true, &sequence);
    if (error != Error::None) {
        return error;
    }
    if (sequence.tag != ASN_SEQUENCE) {
        return Error::UnexpectedTag;
    }
    if (static_cast<std::size_t>(data + size - p) > padding) {
        return Error::TrailingBytes;
    }
    p = sequence.content;
    const std::uint8_t* end = sequence.content + sequence.length;
    Element engineId;
    Element name;
    error = ReadOctets(&p, end, MAX_ENGINE_ID_BYTES, &engineId);
    if (error == Error::None) {
        error = ReadOctets(&p, end, MAX_CONTEXT_NAME_BYTES, &name);
    }
    if (error == Error::None && p == end) {
        error = Error::Truncated;  // no PDU
    }
    if (error != Error::None) {
        return error;
    }
    out.contextEngineId.assign(engineId.content, engineId.content + engineId.length);
    out.contextName.assign(reinterpret_cast<const char*>(name.content), name.length);
    return ber::DecodePdu(p, static_cast<std::size_t>(end - p), out.pdu);
}

ber::Error Encode(const Message& message, Bytes& out, AuthField* field) {
    const SecurityParameters& security = message.security;
    if (security.engineId.size() > MAX_ENGINE_ID_BYTES ||
        security.userName.size() > MAX_USER_NAME_BYTES ||
        security.authParams.size() > MAX_SECURITY_FIELD_BYTES ||
        security.privParams.size() > MAX_SECURITY_FIELD_BYTES) {
        return Error::FieldTooLong;
    }
    if (message.msgId < 0 || message.maxSize < MIN_MAX_SIZE || security.engineBoots < 0 ||
        security.engineTime < 0) {
        return Error::ValueRange;
    }
    if ((message.flags & FLAG_PRIV) != 0 && (message.flags & FLAG_AUTH) == 0) {
        return Error::BadFlags;
    }

    Bytes parameters;
    AppendOctets(security.engineId, parameters);
    ber::AppendInteger(security.engineBoots, parameters);
    ber::AppendInteger(security.engineTime, parameters);
    AppendOctets(security.userName, parameters);
    ber::AppendHeader(ASN_OCTETSTRING, security.authParams.size(), parameters);
    const std::size_t authInParameters = parameters.size();
    parameters.insert(parameters.end(), security.authParams.begin(), security.authParams.end());
    AppendOctets(security.privParams, parameters);
    Bytes sequence;
    const std::size_t parametersInSequence = AppendWrapped(ASN_SEQUENCE, parameters, sequence);

    Bytes global;
    ber::AppendInteger(message.msgId, global);
    ber::AppendInteger(message.maxSize, global);
    AppendOctets(&message.flags, 1, global);
    ber::AppendInteger(USM_SECURITY_MODEL, global);

    Bytes content;
    ber::AppendInteger(VERSION_3, content);
    AppendWrapped(ASN_SEQUENCE, global, content);
    const std::size_t sequenceInContent = AppendWrapped(ASN_OCTETSTRING, sequence, content);
    if ((message.flags & FLAG_PRIV) != 0) {
        AppendOctets(message.encryptedPdu, content);
    } else {
        const Error error = EncodeScopedPdu(message.scoped, content);
        if (error != Error::None) {
            return error;
        }
    }
    Bytes whole;
    const std::size_t contentInWhole = AppendWrapped(ASN_SEQUENCE, content, whole);
    if (whole.size() > ber::MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    field->offset =
        out.size() + contentInWhole + sequenceInContent + parametersInSequence + authInParameters;
    field->length = security.authParams.size();
    out.insert(out.end(), whole.begin(), whole.end());
    return Error::None;
}

ber::Error Decode(const std::uint8_t* data, std::size_t size, Message& out, AuthField* field) {
    if (size > ber::MAX_MESSAGE_BYTES) {
        return Error::MessageTooLarge;
    }
    if (data == nullptr || size == 0) {
        return Error::Truncated;
    }
    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    Element message;
    Error error = ber::ReadElement(&p, end, true, &message);
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
    std::int32_t version = 0;
    error = ber::ReadInt32(&p, end, &version);
    if (error != Error::None) {
        return error;
    }
    if (version != VERSION_3) {
        return Error::BadVersion;
    }
    error = DecodeGlobalData(&p, end, out);
    if (error != Error::None) {
        return error;
    }
    Element security;
    error = ber::ReadTagged(&p, end, ASN_OCTETSTRING, &security);
    if (error == Error::None) {
        error = DecodeSecurity(security, data, out.security, field);
    }
    if (error != Error::None) {
        return error;
    }
    Element msgData;
    const std::uint8_t* msgDataStart = p;
    const bool encrypted = (out.flags & FLAG_PRIV) != 0;
    error = ber::ReadTagged(&p, end, encrypted ? ASN_OCTETSTRING : ASN_SEQUENCE, &msgData);
    if (error != Error::None) {
        return error;
    }
    if (p != end) {
        return Error::TrailingBytes;
    }
    if (encrypted) {
        out.encryptedPdu.assign(msgData.content, msgData.content + msgData.length);
        return Error::None;
    }
    out.encryptedPdu.clear();
    return DecodeScopedPdu(msgDataStart, static_cast<std::size_t>(p - msgDataStart), out.scoped);
}

bool IsVersion3(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0 || size > ber::MAX_MESSAGE_BYTES) {
        return false;
    }
    const std::uint8_t* p = data;
    Element message;
    std::int32_t version = 0;
    if (ber::ReadElement(&p, data + size, true, &message) != Error::None ||
        message.tag != ASN_SEQUENCE) {
        return false;
    }
    p = message.content;
    return ber::ReadInt32(&p, message.content + message.length, &version) == Error::None &&
           version == VERSION_3;
}

bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId) {
    if (!IsVersion3(data, size)) {
        return false;
    }
    const std::uint8_t* p = data;
    Element message;
    Element global;
    std::int32_t version = 0;
    if (ber::ReadElement(&p, data + size, true, &message) != Error::None) {
        return false;
    }
    p = message.content;
    const std::uint8_t* end = message.content + message.length;
    if (ber::ReadInt32(&p, end, &version) != Error::None ||
        ber::ReadTagged(&p, end, ASN_SEQUENCE, &global) != Error::None) {
        return false;
    }
    p = global.content;
    return ReadNonNegative(&p, global.content + global.length, 0, msgId) == Error::None;
}

}  // namespace v3

// Feeds arbitrary bytes to the SNMPv3 message decoder (header, USM security parameters, scoped
// PDU) and to the msgID peek. Whatever decodes must encode again to a message that decodes the
// same, its msgID must peek as decoded, and the MAC field it reports must lie inside the input
// and hold the authentication parameters.
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/v3_message.h"

namespace {

auto Fields(const v3::Message& m) {
    return std::tie(m.msgId, m.maxSize, m.flags, m.security.engineId, m.security.engineBoots,
                    m.security.engineTime, m.security.userName, m.security.authParams,
                    m.security.privParams, m.encryptedPdu);
}

bool SameScoped(const v3::ScopedPdu& a, const v3::ScopedPdu& b) {
    if (a.contextEngineId != b.contextEngineId || a.contextName != b.contextName ||
        a.pdu.pduType != b.pdu.pduType || a.pdu.requestId != b.pdu.requestId ||
        a.pdu.errorStatus != b.pdu.errorStatus || a.pdu.errorIndex != b.pdu.errorIndex ||
        a.pdu.varbinds.size() != b.pdu.varbinds.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.pdu.varbinds.size(); ++i) {
        const ber::VarBind& x = a.pdu.varbinds[i];
        const ber::VarBind& y = b.pdu.varbinds[i];
        if (std::tie(x.name, x.value.tag, x.value.integer, x.value.bytes, x.value.oid,
                     x.value.valid) != std::tie(y.name, y.value.tag, y.value.integer, y.value.bytes,
                                                y.value.oid, y.value.valid)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    v3::Message message;
    v3::AuthField field;
    std::int32_t peeked = -1;
    const bool peekable = v3::PeekMessageId(data, size, &peeked);
    if (v3::Decode(data, size, message, &field) != ber::Error::None) {
        return 0;
    }
    FuzzCheck(peekable && peeked == message.msgId);
    FuzzCheck(field.offset <= size && size - field.offset >= field.length &&
              field.length == message.security.authParams.size() &&
              std::vector<std::uint8_t>(data + field.offset, data + field.offset + field.length) ==
                  message.security.authParams);
    const bool encrypted = (message.flags & v3::FLAG_PRIV) != 0;
    std::vector<std::uint8_t> encoded;
    v3::AuthField encodedField;
    FuzzCheck(v3::Encode(message, encoded, &encodedField) == ber::Error::None);
    v3::Message again;
    v3::AuthField againField;
    FuzzCheck(v3::Decode(encoded.data(), encoded.size(), again, &againField) == ber::Error::None &&
              Fields(message) == Fields(again) &&
              (encrypted || SameScoped(message.scoped, again.scoped)) &&
              againField.offset == encodedField.offset);
    return 0;
}

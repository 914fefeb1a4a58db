// Feeds arbitrary bytes to the scoped PDU decoder as a decryption gives them: with DES's
// padding allowed and without. What decodes must encode to the bytes it came from, less the
// padding, when the input was in the codec's own minimal form; and it must decode again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/v3_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    v3::ScopedPdu padded;
    const ber::Error withPadding = v3::DecodeScopedPdu(data, size, padded, 7);
    v3::ScopedPdu exact;
    const ber::Error without = v3::DecodeScopedPdu(data, size, exact, 0);
    // Whatever decodes without padding decodes with it too, to the same thing.
    FuzzCheck(without != ber::Error::None || withPadding == ber::Error::None);
    if (withPadding != ber::Error::None) {
        return 0;
    }
    std::vector<std::uint8_t> encoded;
    FuzzCheck(v3::EncodeScopedPdu(padded, encoded) == ber::Error::None);
    v3::ScopedPdu again;
    FuzzCheck(v3::DecodeScopedPdu(encoded.data(), encoded.size(), again) == ber::Error::None &&
              again.contextEngineId == padded.contextEngineId &&
              again.contextName == padded.contextName &&
              again.pdu.varbinds.size() == padded.pdu.varbinds.size() &&
              again.pdu.requestId == padded.pdu.requestId);
    return 0;
}

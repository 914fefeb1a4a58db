// Feeds arbitrary bytes to the SNMP decoder. Whatever decodes must encode again, and the
// re-encoding must decode to the same message: a value the decoder accepts but cannot be
// written back would be a gap between the two halves of the codec.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/snmpmgr/ber.h"

namespace {

bool SameMessage(const ber::Message& a, const ber::Message& b) {
    if (a.version != b.version || a.community != b.community || a.pduType != b.pduType ||
        a.requestId != b.requestId || a.errorStatus != b.errorStatus ||
        a.errorIndex != b.errorIndex || a.varbinds.size() != b.varbinds.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.varbinds.size(); ++i) {
        const ber::VarBind& x = a.varbinds[i];
        const ber::VarBind& y = b.varbinds[i];
        if (x.name != y.name || x.value.tag != y.value.tag || x.value.integer != y.value.integer ||
            x.value.bytes != y.value.bytes || x.value.oid != y.value.oid ||
            x.value.valid != y.value.valid) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The manager decodes every answer into the same Message; what an earlier input left there
    // must never show through.
    static ber::Message reused;
    const ber::Error reusedError = ber::Decode(data, size, reused);

    ber::Message message;
    const ber::Error error = ber::Decode(data, size, message);
    FuzzCheck(error == reusedError);
    if (error != ber::Error::None) {
        return 0;
    }
    FuzzCheck(SameMessage(message, reused));
    std::vector<std::uint8_t> encoded;
    FuzzCheck(ber::Encode(message, encoded) == ber::Error::None);
    ber::Message again;
    FuzzCheck(ber::Decode(encoded.data(), encoded.size(), again) == ber::Error::None &&
              SameMessage(message, again));
    return 0;
}

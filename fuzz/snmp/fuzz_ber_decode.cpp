// Feeds arbitrary bytes to the SNMP decoder. Whatever decodes must encode again, and the
// re-encoding must decode to the same message: a value the decoder accepts but cannot be
// written back would be a gap between the two halves of the codec.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/ber.h"

namespace {

// Every field of a message but its bindings, and every field of a binding.
auto Fields(const ber::Message& m) {
    return std::tie(m.version, m.community, m.pduType, m.requestId, m.errorStatus, m.errorIndex);
}
auto Fields(const ber::VarBind& b) {
    return std::tie(b.name, b.value.tag, b.value.integer, b.value.bytes, b.value.oid,
                    b.value.valid);
}

bool SameMessage(const ber::Message& a, const ber::Message& b) {
    return Fields(a) == Fields(b) &&
           std::equal(
               a.varbinds.begin(), a.varbinds.end(), b.varbinds.begin(), b.varbinds.end(),
               [](const ber::VarBind& x, const ber::VarBind& y) { return Fields(x) == Fields(y); });
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

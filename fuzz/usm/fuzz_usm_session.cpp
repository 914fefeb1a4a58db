// Feeds arbitrary bytes to a session that has discovered an engine and sent an authPriv GET,
// as the agent's answer. The first byte picks the way: even, the bytes are the datagram as it
// came (the header, the security parameters, the MAC check, the reports); odd, the rest is
// the plaintext of an answer this harness encrypts and signs with the session's own keys, so
// that the scoped PDU after decryption and the answer's checks see every input the fuzzer
// invents.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/asn_types.h"
#include "snmp/usm_auth.h"
#include "snmp/usm_priv.h"
#include "snmp/usm_session.h"

namespace {

const usm::Bytes ENGINE = {0x80, 0x00, 0x1F, 0x88, 0x04, 'f', 'u', 'z', 'z'};
constexpr std::int32_t BOOTS = 7;
constexpr std::int32_t TIME = 1000;
constexpr std::int32_t MSG_ID = 99;

usm::User Fuzzer() {
    usm::User user;
    user.name = "fuzzer";
    user.level = usm::SecurityLevel::AuthPriv;
    user.credentials = {usm::AuthProtocol::Sha256, "fuzz-auth-pw", usm::PrivProtocol::Des,
                        "fuzz-priv-pw"};
    return user;
}

// The keys the agent would hold (derived once: a million-byte hash per password).
const usm::LocalizedKeys& AgentKeys() {
    static usm::LocalizedKeys keys = [] {
        usm::LocalizedKeys k;
        std::string error;
        FuzzCheck(usm::KeyCache::Shared().Keys(ENGINE, "fuzzer", Fuzzer().credentials, &k, &error));
        return k;
    }();
    return keys;
}

// A session that has learnt the engine and sent its request.
void Prepare(usm::Session& session) {
    v3::Message report;
    report.msgId = MSG_ID - 1;
    report.security.engineId = ENGINE;
    report.security.engineBoots = BOOTS;
    report.security.engineTime = TIME;
    report.scoped.pdu.pduType = ber::PDU_REPORT;
    report.scoped.pdu.varbinds.push_back({{1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0}, {}});
    usm::Bytes bytes;
    v3::AuthField field;
    FuzzCheck(v3::Encode(report, bytes, &field) == ber::Error::None);
    ber::Message pdu;
    FuzzCheck(session.Receive(bytes.data(), bytes.size(), MSG_ID - 1, 0, pdu) ==
              usm::Outcome::SendAgain);
    ber::Message get;
    get.pduType = SNMP_PDU_GET;
    get.varbinds.push_back({{1, 3, 6, 1, 2, 1, 1, 1, 0}, {}});
    usm::Bytes request;
    FuzzCheck(session.BuildRequest(get, MSG_ID, 0, request));
}

// `plain` as the encrypted, signed msgData of an answer to the request.
usm::Bytes Wrap(const std::uint8_t* plain, std::size_t size) {
    v3::Message answer;
    answer.msgId = MSG_ID;
    answer.flags = v3::FLAG_AUTH | v3::FLAG_PRIV;
    answer.security.engineId = ENGINE;
    answer.security.engineBoots = BOOTS;
    answer.security.engineTime = TIME;
    answer.security.userName = "fuzzer";
    answer.security.authParams.assign(usm::Traits(usm::AuthProtocol::Sha256)->macBytes, 0);
    std::string error;
    usm::Bytes bytes;
    if (size == 0 || !usm::Encrypt(usm::PrivProtocol::Des, AgentKeys().priv, BOOTS, TIME, 1,
                                   usm::ByteSpan(plain, size), answer.encryptedPdu,
                                   answer.security.privParams, &error)) {
        return bytes;
    }
    v3::AuthField field;
    if (v3::Encode(answer, bytes, &field) != ber::Error::None) {
        bytes.clear();
        return bytes;
    }
    FuzzCheck(usm::SignMessage(usm::AuthProtocol::Sha256, AgentKeys().auth, bytes, field.offset));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    usm::KeyCache& cache = usm::KeyCache::Shared();
    usm::Session session(Fuzzer(), cache);
    Prepare(session);
    const usm::Bytes datagram =
        (data[0] & 1) != 0 ? Wrap(data + 1, size - 1) : usm::Bytes(data, data + size);
    ber::Message pdu;
    const usm::Outcome outcome =
        session.Receive(datagram.data(), datagram.size(), MSG_ID, 1000, pdu);
    // An answer is a response PDU; a failure always says why.
    FuzzCheck(outcome != usm::Outcome::Answer || pdu.pduType == SNMP_PDU_RESPONSE);
    FuzzCheck(outcome != usm::Outcome::Failed || !session.error().empty());
    return 0;
}

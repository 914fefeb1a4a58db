// Feeds arbitrary bytes to the agent side of the USM (what the simulated printer runs) as a
// manager's request. The first byte picks the way: even, the bytes are the datagram as it
// came (discovery, user, level, MAC and window checks, reports); odd, the rest is the
// plaintext of an authPriv request this harness encrypts and signs as the user would, so
// that the scoped PDU after decryption sees every input the fuzzer invents. A request handed
// over must be answerable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/asn_types.h"
#include "snmp/usm_agent.h"
#include "snmp/usm_auth.h"
#include "snmp/usm_priv.h"

namespace {

const usm::Bytes ENGINE = {0x80, 0x00, 0x1F, 0x88, 0x04, 'f', 'u', 'z', 'z'};  // as the seeds have
constexpr std::int32_t BOOTS = 3;

usm::AgentUser Reader() {
    return {
        "reader",
        usm::SecurityLevel::AuthNoPriv,
        {usm::AuthProtocol::Sha1, "reader-auth-pw", usm::PrivProtocol::Aes128, "reader-priv-pw"}};
}

const usm::LocalizedKeys& ReaderKeys() {
    static usm::LocalizedKeys keys = [] {
        usm::LocalizedKeys k;
        std::string error;
        FuzzCheck(usm::KeyCache::Shared().Keys(ENGINE, "reader", Reader().credentials, &k, &error));
        return k;
    }();
    return keys;
}

// `plain` as the encrypted scoped PDU of a signed authPriv request from "reader".
usm::Bytes Wrap(const std::uint8_t* plain, std::size_t size) {
    usm::Bytes bytes;
    v3::Message request;
    request.msgId = 5;
    request.flags = v3::FLAG_AUTH | v3::FLAG_PRIV | v3::FLAG_REPORTABLE;
    request.security.engineId = ENGINE;
    request.security.engineBoots = BOOTS;
    request.security.engineTime = 0;
    request.security.userName = "reader";
    request.security.authParams.assign(usm::Traits(usm::AuthProtocol::Sha1)->macBytes, 0);
    std::string error;
    v3::AuthField field;
    if (size == 0 ||
        !usm::Encrypt(usm::PrivProtocol::Aes128, ReaderKeys().priv, BOOTS, 0, 1,
                      usm::ByteSpan(plain, size), request.encryptedPdu, request.security.privParams,
                      &error) ||
        v3::Encode(request, bytes, &field) != ber::Error::None) {
        bytes.clear();
        return bytes;
    }
    FuzzCheck(usm::SignMessage(usm::AuthProtocol::Sha1, ReaderKeys().auth, bytes, field.offset));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static usm::Agent agent(ENGINE, BOOTS, 0, {Reader()});
    const usm::Bytes datagram =
        (data[0] & 1) != 0 ? Wrap(data + 1, size - 1) : usm::Bytes(data, data + size);
    usm::Agent::Incoming incoming = agent.Receive(datagram.data(), datagram.size(), 0);
    FuzzCheck(incoming.kind != usm::Agent::Kind::Reply || !incoming.datagram.empty());
    if (incoming.kind == usm::Agent::Kind::Request) {
        ber::Message response = incoming.message.scoped.pdu;
        response.pduType = SNMP_PDU_RESPONSE;
        usm::Bytes answer;
        FuzzCheck(agent.Answer(incoming.message, response, 0, answer) && !answer.empty());
    }
    return 0;
}

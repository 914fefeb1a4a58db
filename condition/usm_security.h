// A reading's SNMPv3 side: the printer's USM session behind two calls the engine makes where
// it sends and where it receives, so the walk sees plain PDUs whatever the version. The first
// request of a reading becomes the engine discovery; keys come from the process's KeyCache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "condition/reader.h"
#include "snmp/ber.h"
#include "snmp/usm_session.h"

namespace condition {

class UsmSecurity {
  public:
    explicit UsmSecurity(const UsmCredentials& credentials);

    // Why the credentials cannot be used (a level without its protocol, ...), or "".
    const std::string& problem() const { return problem_; }

    // The datagram for `pdu` under message id `msgId`: the discovery until the engine is
    // known, then the request itself. False with error() when it cannot be built.
    bool Wrap(const ber::Message& pdu, std::int32_t msgId, std::vector<std::uint8_t>& out);

    enum class Result { Ignored, Answer, SendAgain, Failed };
    // A datagram that came for the request `msgId`: Answer puts the agent's PDU in `pdu`;
    // SendAgain asks for `pdu` to be wrapped again (the engine was learnt or its clock reset).
    Result Unwrap(const std::uint8_t* data, std::size_t size, std::int32_t msgId,
                  ber::Message& pdu);

    // The Failed result's text, or why Wrap failed.
    const std::string& error() const { return session_.error(); }
    // What it means that a request got no answer at all.
    std::string SilenceText() const { return session_.SilenceText(); }

  private:
    usm::Session session_;
    std::string problem_;
};

// The msgID of an SNMPv3 message, read without any key: how an answer finds its request.
bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId);

}  // namespace condition

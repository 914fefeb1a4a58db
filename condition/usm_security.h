// A reading's SNMPv3 side: the printer's USM session behind two calls the engine makes where
// it sends and where it receives, so the walk sees plain PDUs whatever the version. The first
// reading of a printer starts with the engine discovery; later ones start from the engine the
// process's EngineCache remembers for its address. Keys come from the process's KeyCache.
// Where the build has no USM library, a stand-in (usm_security_none.cpp) refuses every user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "condition/reader.h"
#include "snmp/ber.h"

namespace condition {

class UsmSecurity {
  public:
    // `agent` names the printer's address in the engine cache.
    UsmSecurity(const UsmCredentials& credentials, std::string agent);
    ~UsmSecurity();
    UsmSecurity(const UsmSecurity&) = delete;
    UsmSecurity& operator=(const UsmSecurity&) = delete;

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
    const std::string& error() const;
    // What it means that a request got no answer at all.
    std::string SilenceText() const;

  private:
    struct Session;  // the USM session, where the build has one
    std::unique_ptr<Session> session_;
    std::string agent_;
    std::string problem_;
};

// Whether this build reads over SNMPv3 at all: false where the USM library is left out, which
// then says so in these words.
bool UsmBuilt();
inline constexpr const char* USM_NOT_BUILT = "SNMPv3 is not available in this build";

// Whether a datagram is an SNMPv3 message (its version field), for the engine to route it to the
// reading's session instead of the v1/v2c matcher; false everywhere without the USM library.
bool IsSnmpV3(const std::uint8_t* data, std::size_t size);

// The msgID of an SNMPv3 message, read without any key: how an answer finds its request.
bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId);

}  // namespace condition

// The authoritative side of the User-based Security Model, for an agent (the simulated
// printer): its engine ID, boots and time, and its users. An incoming SNMPv3 message is
// checked as RFC 3414 3.2 says: discovery and every failure are answered with their report
// (unknownEngineID, unknownUserName, unsupportedSecLevel, wrongDigest, notInTimeWindow,
// decryptionError) when the request is reportable; a request below the user's level gets
// authorizationError, as net-snmp's access control answers; a good request hands its scoped
// PDU over, and the answer goes back secured as the request was. No sockets; the caller gives
// the time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "snmp/ber.h"
#include "snmp/usm_keys.h"
#include "snmp/usm_protocols.h"
#include "snmp/usm_session.h"
#include "snmp/v3_message.h"

namespace usm {

// A user the agent knows, and the lowest level it accepts from it (net-snmp's rouser level).
struct AgentUser {
    std::string name;
    SecurityLevel level = SecurityLevel::AuthPriv;
    Credentials credentials;
};

class Agent {
  public:
    enum class Kind {
        Request,  // `message` is a good request; its scoped PDU is in message.scoped
        Reply,    // `datagram` goes back: a report, or the refusal of a level below the user's
        Drop,     // nothing to send (malformed, or a failure the sender did not want reported)
    };

    struct Incoming {
        Kind kind = Kind::Drop;
        v3::Message message;
        std::vector<std::uint8_t> datagram;
        std::string summary;  // one line for a log: user and what happened
    };

    // `engineId` of 5 to 32 bytes; `bootedAtMs` is when the engine time is 0.
    Agent(Bytes engineId, std::int32_t boots, std::uint64_t bootedAtMs,
          std::vector<AgentUser> users, KeyCache& cache = KeyCache::Shared());

    const Bytes& engineId() const { return engineId_; }
    std::int32_t EngineTime(std::uint64_t nowMs) const;

    Incoming Receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs);

    // The answer `response` to `request` (a Request from Receive), with its msgID, user,
    // level and context. False when the user's keys or the encoding fail.
    bool Answer(const v3::Message& request, const ber::Message& response, std::uint64_t nowMs,
                std::vector<std::uint8_t>& out);

  private:
    const AgentUser* FindUser(const std::string& name) const;
    bool KeysOf(const AgentUser& user, LocalizedKeys* keys);
    Incoming MakeReport(const v3::Message& request, Report report, std::uint32_t* count,
                        const AgentUser* user, std::uint64_t nowMs, std::string summary);
    bool Secure(v3::Message& message, const AgentUser* user, std::uint64_t nowMs,
                std::vector<std::uint8_t>& out);

    Bytes engineId_;
    std::int32_t boots_;
    std::uint64_t bootedAtMs_;
    std::vector<AgentUser> users_;
    KeyCache& cache_;
    std::uint64_t salt_ = 0;
    // usmStats counters, reported with their reports.
    std::uint32_t unsupportedSecLevels_ = 0;
    std::uint32_t notInTimeWindows_ = 0;
    std::uint32_t unknownUserNames_ = 0;
    std::uint32_t unknownEngineIds_ = 0;
    std::uint32_t wrongDigests_ = 0;
    std::uint32_t decryptionErrors_ = 0;
};

}  // namespace usm

// What a manager keeps per agent to speak SNMPv3 with the User-based Security Model, without
// sockets: the discovery of the agent's engine (ID, boots and time), requests built with the
// user's localised keys, answers verified, decrypted and held to the time window (RFC 3414
// 3.2), and every report an agent sends turned into a clear error. The caller sends what the
// session builds, hands it every datagram that arrives for the request, and acts on the
// outcome. Times are a monotonic clock in milliseconds, given by the caller. A session is used
// by one thread at a time; the key cache behind it may be shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "snmp/ber.h"
#include "snmp/usm_engines.h"
#include "snmp/usm_keys.h"
#include "snmp/usm_protocols.h"
#include "snmp/v3_message.h"

namespace usm {

struct User {
    std::string name;
    SecurityLevel level = SecurityLevel::NoAuthNoPriv;
    Credentials credentials;  // protocols beyond the level are not used
    std::string contextName;
    Bytes contextEngineId;  // empty: the agent's own engine ID, as net-snmp's tools do
};

// Why `user` cannot be used (a level without its protocol, a name too long), or "".
std::string CheckUser(const User& user);

// The reports of RFC 3412 and RFC 3414, and the error each one means for a reader.
enum class Report {
    None,
    UnsupportedSecLevel,
    NotInTimeWindow,
    UnknownUserName,
    UnknownEngineId,
    WrongDigest,
    DecryptionError,
    UnknownSecurityModel,
    InvalidMessage,
    UnknownPduHandler,
    UnavailableContext,
    UnknownContext,
    Other,
};

// The report a report PDU's first binding names.
Report ReportOf(const ber::Message& pdu);

// The error text of a report.
const char* ReportText(Report report);

// The counter (instance .0 included) an agent sends as `report`; empty for None and Other.
std::vector<std::uint32_t> ReportOid(Report report);

// A security level as msgFlags' authentication and privacy bits, and back.
std::uint8_t LevelFlags(SecurityLevel level);
SecurityLevel LevelOfFlags(std::uint8_t flags);

enum class Outcome {
    Ignored,    // not a valid answer to this request (another msgID, malformed, a MAC that does
                // not verify, another user): drop it and keep waiting
    Answer,     // the agent's response PDU is in `pdu`
    SendAgain,  // the engine was learnt or the clock set again: build the request once more
    Failed,     // error() says why; the request is over
};

class Session {
  public:
    explicit Session(User user, KeyCache& cache = KeyCache::Shared());

    bool discovered() const { return discovered_; }
    const Bytes& engineId() const { return engineId_; }
    std::int32_t engineBoots() const { return boots_; }
    // The agent's engine time now, as this session reckons it.
    std::int32_t EngineTime(std::uint64_t nowMs) const;

    // The engine as this session knows it (meaningful once discovered()), for a later session
    // with the same agent to Resume from.
    EngineState Engine() const;
    // Takes `engine` as discovered, so the next request needs no discovery; should the agent's
    // engine have changed since, its report makes the session learn it again. False with
    // error() when the user's keys cannot be made.
    bool Resume(const EngineState& engine);

    // The discovery request (RFC 3414 4): noAuthNoPriv, reportable, no engine ID and no user,
    // a GET without bindings. The agent answers with an unknownEngineID report.
    bool BuildDiscovery(std::int32_t msgId, std::int32_t requestId, Bytes& out);

    // A request carrying `pdu` (its type, request-id and bindings) at the user's level. Needs
    // discovered(); false with error() when the user or the cryptography fails.
    bool BuildRequest(const ber::Message& pdu, std::int32_t msgId, std::uint64_t nowMs, Bytes& out);

    // One datagram that arrived while the request with `msgId` waited.
    Outcome Receive(const std::uint8_t* data, std::size_t size, std::int32_t msgId,
                    std::uint64_t nowMs, ber::Message& pdu);

    const std::string& error() const { return error_; }
    Report lastReport() const { return lastReport_; }

    // What a request that nothing answered means at this stage.
    std::string SilenceText() const;

    // Forgets the engine: the next request starts with discovery.
    void Forget();

  private:
    Outcome Process(const std::uint8_t* data, std::size_t size, std::int32_t msgId,
                    std::uint64_t nowMs, ber::Message& pdu);
    Outcome Fail(const std::string& text);
    Outcome Learn(const v3::SecurityParameters& security, std::uint64_t nowMs);
    bool Adopt(const EngineState& engine);
    bool InTimeWindow(const v3::SecurityParameters& security, std::uint64_t nowMs);
    Outcome OnReport(const v3::Message& message, bool authenticated, std::uint64_t nowMs);

    User user_;
    KeyCache& cache_;
    std::string error_;
    Report lastReport_ = Report::None;

    bool discovered_ = false;
    Bytes engineId_;
    LocalizedKeys keys_;
    std::int32_t boots_ = 0;
    std::int32_t timeLearnt_ = 0;          // the engine's time when it was last learnt ...
    std::uint64_t learntAtMs_ = 0;         // ... at this moment of ours
    std::int32_t latestReceivedTime_ = 0;  // RFC 3414's latestReceivedEngineTime

    // SendAgain outcomes allowed before a request fails: one clock resynchronisation and one
    // change of engine. A request built right after a SendAgain repeats the one before and
    // shares its allowance; any other starts afresh.
    int resyncs_ = 0;
    int relearns_ = 0;
    bool repeat_ = false;
    std::uint64_t salt_ = 0;
    std::uint8_t requestFlags_ = 0;  // of the last request: its answer must match its level
};

}  // namespace usm

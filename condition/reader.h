// Reading printers' conditions: what a caller asks for and how the answer comes back. The
// engine behind it reads many printers at once from one thread; this is the contract the
// terminal program and the exporter use.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "condition/condition.h"
#include "platform/net/net.h"
#include "snmp/usm_protocols.h"

namespace condition {

enum class SnmpVersion { V1, V2c, V3 };

// Who reads over SNMPv3 (the User-based Security Model): the user, the level and the protocols
// and passwords it needs, and the context the printer's objects are in ("" for most agents).
struct UsmCredentials {
    std::string user{};
    usm::SecurityLevel level = usm::SecurityLevel::NoAuthNoPriv;
    usm::AuthProtocol auth = usm::AuthProtocol::None;
    std::string authPassword{};
    usm::PrivProtocol priv = usm::PrivProtocol::None;
    std::string privPassword{};
    std::string contextName{};
};

struct ReadRequest {
    net::Endpoint agent;  // IPv4 or IPv6, already resolved (net::ResolveTarget)
    SnmpVersion version = SnmpVersion::V1;
    std::string community = "orchid";  // SNMPv1 and SNMPv2c
    UsmCredentials usm{};              // SNMPv3
    int timeoutMs = 500;               // per request
    int retries = 1;
    // The whole reading ends by then, answered or not: what was read by then is kept and
    // `error` says the deadline cut it short.
    std::chrono::steady_clock::time_point deadline;
    double supplyWarningPercent = 10.0;  // a supply at or below this is a warning
};

using ReadDone = std::function<void(Condition&& condition)>;

// Counts since the reader started, for the exporter's own metrics.
struct ReaderStats {
    std::uint64_t requests = 0;  // SNMP requests sent, retries included
    std::uint64_t retries = 0;   // of those, sent again after a time-out
    std::uint64_t timeouts = 0;  // requests that got no answer in the end
    std::uint64_t inFlight = 0;  // readings submitted and not yet done
};

// Reads printers. Submit may be called from any thread; `done` runs on the reader's own
// thread, once per submitted request, by the request's deadline at the latest.
class Reader {
  public:
    virtual ~Reader() = default;
    virtual void Submit(ReadRequest request, ReadDone done) = 0;
    virtual ReaderStats Stats() const = 0;  // any thread
};

}  // namespace condition

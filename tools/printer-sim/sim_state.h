// Everything a running simulated printer knows: the profiles it serves, the faults it is told
// to show, whether it logs, and what it has seen. One instance, owned by the event loop and
// changed by the control channel and the signals.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/snmpmgr/asn_types.h"
#include "tools/printer-sim/profile.h"

namespace sim {

// SNMPv1 error-status values.
inline constexpr int kTooBig = SNMP_ERRORSTATUS_TOOBIG;
inline constexpr int kNoSuchName = SNMP_ERRORSTATUS_NOSUCHNAME;
inline constexpr int kBadValue = SNMP_ERRORSTATUS_BADVALUE;
inline constexpr int kReadOnly = SNMP_ERRORSTATUS_READONLY;
inline constexpr int kGenErr = SNMP_ERRORSTATUS_GENERR;

struct Faults {
    bool silent = false;                  // drop every request
    int delayMs = 0;                      // answer this long after the request
    unsigned stray = 0;                   // stray datagrams sent before each answer
    unsigned spoof = 0;                   // forged answers from another port before each answer
    std::map<Oid, int> errorStatusByOid;  // answer these objects with this error status
};

struct Stats {
    std::uint64_t requests = 0;        // well-formed requests with a known community
    std::uint64_t answered = 0;        // answers sent (delayed ones when they leave)
    std::uint64_t silenced = 0;        // requests dropped because of silence
    std::uint64_t noSuchName = 0;      // answers with error status noSuchName
    std::uint64_t injected = 0;        // answers with an error status set by `error`
    std::uint64_t malformed = 0;       // datagrams that were not SNMPv1 messages
    std::uint64_t wrongCommunity = 0;  // requests with a community no profile serves
    std::uint64_t strays = 0;          // stray datagrams sent
    std::uint64_t spoofs = 0;          // forged answers sent from the other port
};

struct SimState {
    std::vector<Profile> profiles;
    Faults faults;
    Stats stats;
    bool log = false;
    std::uint64_t livePages = 0;  // pages "printed" since start in live mode
};

}  // namespace sim

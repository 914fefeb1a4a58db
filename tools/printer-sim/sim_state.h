// Everything a running simulator knows: one or more printers (a fleet), each with the
// profiles it serves, the faults it is told to show, the conditions it is in and what it has
// seen; and what the process as a whole knows (logging, the delay queue's size, refused
// control datagrams). One instance, owned by the event loop and changed by the control channel
// and the signals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "snmp/asn_types.h"
#include "snmp/usm_agent.h"
#include "tools/printer-sim/profile.h"

namespace sim {

// SNMPv1 error-status values, and the one SNMPv2c value a read-only agent adds.
inline constexpr int TOO_BIG = SNMP_ERRORSTATUS_TOOBIG;
inline constexpr int NO_SUCH_NAME = SNMP_ERRORSTATUS_NOSUCHNAME;
inline constexpr int BAD_VALUE = SNMP_ERRORSTATUS_BADVALUE;
inline constexpr int READ_ONLY = SNMP_ERRORSTATUS_READONLY;
inline constexpr int GEN_ERR = SNMP_ERRORSTATUS_GENERR;
inline constexpr int NOT_WRITABLE = 17;

// The smallest answer limit a manager may ask for (RFC 3417's 484 octets).
inline constexpr std::size_t MIN_MESSAGE_BYTES = 484;

// How GETNEXT and GETBULK answers misbehave (the `walk` fault).
enum class WalkFault {
    None,
    Endless,    // at the end of a column, invent row after row: the table never ends
    Backwards,  // answer the object before the one asked for: the walk goes back
    Repeat,     // answer the name asked for: the walk does not advance
};

struct Faults {
    bool silent = false;                  // drop every request
    int delayMs = 0;                      // answer this long after the request
    unsigned stray = 0;                   // stray datagrams sent before each answer
    unsigned spoof = 0;                   // forged answers from another port before each answer
    std::map<Oid, int> errorStatusByOid;  // answer these objects with this error status
    WalkFault walk = WalkFault::None;
    Oid walkSubtree;         // where `walk` applies; empty: everywhere
    unsigned bulkFlood = 0;  // GETBULK: this many repetitions, whatever was asked
    std::size_t maxMessageBytes = ber::MAX_MESSAGE_BYTES;  // answers are cut or tooBig above
};

struct Stats {
    std::uint64_t requests = 0;        // well-formed requests with a known community
    std::uint64_t answered = 0;        // answers sent (delayed ones when they leave)
    std::uint64_t silenced = 0;        // requests dropped because of silence
    std::uint64_t noSuchName = 0;      // answers with error status noSuchName
    std::uint64_t injected = 0;        // answers with an error status set by `error`
    std::uint64_t malformed = 0;       // datagrams that were not SNMP messages
    std::uint64_t wrongCommunity = 0;  // requests with a community no profile serves
    std::uint64_t strays = 0;          // stray datagrams sent
    std::uint64_t spoofs = 0;          // forged answers sent from the other port
    std::uint64_t queueDropped = 0;    // delayed answers dropped: the delay queue was full
};

// An alert row the conditions added to prtAlertTable.
struct ActiveAlert {
    std::uint32_t index = 0;
    int severity = 0;
    int training = 0;
    int group = 0;
    int groupIndex = 0;
    int code = 0;
    std::string description;
    std::uint32_t time = 0;  // sysUpTime when it appeared
};

// What the conditions changed in one profile, so that `clear` can put it back.
struct ConditionMemory {
    // Every object the conditions wrote, with its value before (nullopt: it did not exist).
    std::map<Oid, std::optional<ber::Value>> rest;
    std::map<std::uint32_t, ber::Value> levelsBeforeToner;  // by supply index
    std::vector<ActiveAlert> alerts;
    std::uint32_t nextAlertIndex = 0;  // 0: not yet counted from the profile's own rows
};

// The printer's conditions (jam, open door, empty trays, supply levels set by `toner`). While
// `engaged`, the status objects, error bits, alert rows and console text follow them.
struct Conditions {
    bool engaged = false;
    bool jam = false;
    bool doorOpen = false;
    std::set<std::uint32_t> paperOut;               // prtInputIndex
    std::map<std::uint32_t, int> supplyPercent;     // `toner` for supplies without a capacity
    std::map<std::string, ConditionMemory> memory;  // by the profile's community
};

// One simulated printer.
struct Printer {
    std::vector<Profile> profiles;  // one per community
    Faults faults;
    Stats stats;
    Conditions conditions;
    std::uint64_t livePages = 0;     // pages "printed" since start in live mode
    std::shared_ptr<usm::Agent> v3;  // its SNMPv3 engine and users; null: v1 and v2c only
};

struct SimState {
    std::vector<Printer> printers;  // one, or a fleet
    bool log = false;
    std::uint64_t controlRefused = 0;  // control datagrams from peers not allowed
    std::size_t queued = 0;            // answers waiting in the delay queue now
    std::size_t queueBytes = 0;        // the memory they hold
};

}  // namespace sim

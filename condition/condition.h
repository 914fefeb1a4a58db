// A printer's whole condition as read from the standard Printer MIB (RFC 3805) and Host
// Resources MIB (RFC 2790): identity, device and printer state, error bits, every supply with
// its colorant, inputs, alerts and markers, and the health derived from them.
//
// Texts are UTF-8 (each field read by FieldToUtf8). Enumerations keep the MIB's numbers; the
// names functions give the MIB's names. The Printer MIB's special values of levels and
// capacities (-1 other, -2 unknown, -3 some remaining) are kept as what they mean
// (LevelState), never as numbers: `level`/`capacity` hold only values >= 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "snmp/printer_mib.h"

namespace condition {

enum class Health { Ok, Warning, Critical, Unreachable };
const char* HealthName(Health health);  // "ok", "warning", "critical", "unreachable"

// What a level says: a count (Ok), or one of the Printer MIB's special values.
enum class LevelState { Ok, Unknown, SomeRemaining, Other };
const char* LevelStateName(LevelState state);  // "ok", "unknown", "some-remaining", "other"

// Why a reading stopped short (or never started), for rules and scripts: each kind has a stable
// short name (ReadErrorName) that the exporter's error series carries as its `kind` label.
enum class ReadError {
    Timeout,       // a request went unanswered after every retry
    Deadline,      // the reading's deadline passed first
    RequestCap,    // more requests than a reading may send
    NotAdvancing,  // a column's walk did not move on (or an answer held nothing usable)
    AgentError,    // the agent answered a column with an error status
    TooBig,        // a column's answer was too big even one object at a time
    RowCap,        // a column had more rows than a reading keeps
    NotResolved,   // the target's name did not resolve: nothing was sent
    Security,      // SNMPv3: the agent refused the user, its keys or its level
    Internal,      // the reader could not go on (stopped, no socket, a request not encodable)
};
// "timeout", "deadline", "request-cap", "not-advancing", "agent-error", "too-big", "row-cap",
// "not-resolved", "security", "internal".
const char* ReadErrorName(ReadError error);

// The names of hrPrinterDetectedErrorState's bits (mib::ErrorBit): "lowPaper", "noPaper", ...
const char* ErrorBitName(int bit);

struct Supply {
    std::uint32_t index = 0;        // prtMarkerSuppliesIndex
    std::uint32_t markerIndex = 0;  // prtMarkerSuppliesMarkerIndex, 0 when not read
    std::string description;        // prtMarkerSuppliesDescription
    std::string colour;             // prtMarkerColorantValue of its colorant; "" when none
    std::int32_t type = 0;          // prtMarkerSuppliesType (3 toner, 4 wasteToner, ...)
    std::int32_t supplyClass = 0;   // prtMarkerSuppliesClass (3 consumed, 4 receptacle)
    std::int32_t unit = 0;          // prtMarkerSuppliesSupplyUnit (7 impressions, 19 percent..)
    std::optional<std::int32_t> capacity;  // prtMarkerSuppliesMaxCapacity when >= 0
    std::optional<std::int32_t> level;     // prtMarkerSuppliesLevel when >= 0
    LevelState levelState = LevelState::Unknown;
    // level / capacity as a percentage, only when both are known and capacity > 0.
    std::optional<double> percent;
};

struct Input {
    std::uint32_t index = 0;               // prtInputIndex
    std::string name;                      // prtInputName
    std::string media;                     // prtInputMediaName
    std::optional<std::int32_t> capacity;  // prtInputMaxCapacity when >= 0
    std::optional<std::int32_t> level;     // prtInputCurrentLevel when >= 0
    LevelState levelState = LevelState::Unknown;
    std::optional<std::int32_t> status;  // prtInputStatus (PrtSubUnitStatusTC bits)
};

struct Alert {
    std::uint32_t index = 0;         // prtAlertIndex
    std::int32_t severity = 0;       // prtAlertSeverityLevel (1 other, 3 critical, 4 warning, 5)
    std::int32_t trainingLevel = 0;  // prtAlertTrainingLevel
    std::int32_t group = 0;          // prtAlertGroup (PrtAlertGroupTC: 6 cover, 8 input, ...)
    std::int32_t groupIndex = 0;     // prtAlertGroupIndex
    std::int32_t code = 0;           // prtAlertCode (PrtAlertCodeTC: 8 jam, 501 doorOpen, ...)
    std::string description;         // prtAlertDescription
};

struct Marker {
    std::uint32_t index = 0;                    // prtMarkerIndex
    std::optional<std::uint32_t> lifeCount;     // prtMarkerLifeCount
    std::optional<std::uint32_t> powerOnCount;  // prtMarkerPowerOnCount
};

struct Condition {
    // Whether the agent answered at all. When false, only `error` and the health
    // (Unreachable) mean anything.
    bool answered = false;
    // Why the reading failed or is incomplete ("timeout after 7 answers", "walk did not
    // advance at ..."); empty when everything was read.
    std::string error;
    // The kinds of the errors in `error`, each once, in the order they happened.
    std::vector<ReadError> errorKinds;

    std::uint32_t deviceIndex = 1;  // the printer's hrDeviceIndex, the tables' first index
    std::string model;              // hrDeviceDescr
    std::string serial;             // prtGeneralSerialNumber
    std::string name;               // sysName
    std::string location;           // sysLocation
    std::optional<std::uint32_t> uptimeTicks;  // sysUpTime, hundredths of a second

    std::int32_t deviceStatus = 0;   // hrDeviceStatus: 1 unknown 2 running 3 warning 4 testing
                                     // 5 down; 0 when not read
    std::int32_t printerStatus = 0;  // hrPrinterStatus: 1 other 2 unknown 3 idle 4 printing
                                     // 5 warmup; 0 when not read
    // hrPrinterDetectedErrorState: bit (1u << mib::ErrorBit) set when the printer reports it;
    // none when the object was not read (an error state never read is no "no error").
    std::optional<std::uint32_t> errorBits;

    std::vector<Supply> supplies;
    std::vector<Input> inputs;
    std::vector<Alert> alerts;
    std::vector<Marker> markers;
    std::string vendorStatus;               // the maker's status object the window shows
    std::vector<std::string> consoleLines;  // prtConsoleDisplayBufferText, in order

    Health health = Health::Unreachable;
    std::vector<std::string> reasons;  // what made the health what it is, in rule order
};

// Whether everything was read: the agent answered and the reading did not stop early.
inline bool Complete(const Condition& condition) {
    return condition.answered && condition.error.empty();
}

// The printer's page counts: its markers' prtMarkerLifeCount (or prtMarkerPowerOnCount) added
// up; none when no marker gave one.
std::optional<std::uint64_t> PageCount(const Condition& condition);
std::optional<std::uint64_t> PowerOnCount(const Condition& condition);

// The MIB's names of the enumerations, for the exporter's labels and the JSON; "" for numbers
// the MIB does not name.
const char* DeviceStatusName(std::int32_t status);   // "running", "warning", "down", ...
const char* PrinterStatusName(std::int32_t status);  // "idle", "printing", "warmup", ...
const char* SupplyTypeName(std::int32_t type);       // "toner", "wasteToner", "opc", ...
const char* SupplyClassName(std::int32_t supplyClass);
const char* SupplyUnitName(std::int32_t unit);
const char* AlertSeverityName(std::int32_t severity);  // "critical", "warning", ...
const char* AlertGroupName(std::int32_t group);
const char* AlertCodeName(std::int32_t code);  // "jam", "doorOpen", ...
// The availability bits of a PrtSubUnitStatusTC value (prtInputStatus): "available-idle",
// "available-standby", "available-active", "available-busy", "unavailable-on-request",
// "unavailable-broken", "unknown".
const char* SubunitAvailabilityName(std::int32_t status);

}  // namespace condition

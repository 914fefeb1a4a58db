// What one reading collected, before it becomes a Condition: the raw value of every scalar and
// of every table cell it read, as the codec decoded it (texts already cut to kMaxTextBytes).
// A missing value is simply absent; types are judged only when the cells are assembled, so a
// wrong-typed value is a missing cell there, never an error of the reading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

#include "condition/condition.h"
#include "platform/snmpmgr/ber.h"
#include "snmp/printer_mib.h"

namespace condition {

// Bounds on what one reading keeps, whatever an agent sends.
inline constexpr std::size_t kMaxRowsPerColumn = 256;
inline constexpr std::size_t kMaxTextBytes = 255;  // the MIB's own limit for these texts

// The scalars: one instance each, the last five indexed by the printer's device index.
enum ScalarId : std::size_t {
    kScUpTime,
    kScName,
    kScLocation,
    kScVendorStatus,
    kScModel,
    kScDeviceStatus,
    kScPrinterStatus,
    kScErrorState,
    kScSerial,
    kScalarCount
};

// The table columns read, each walked under column + device index.
enum ColumnId : std::size_t {
    kColSupplyMarker,
    kColSupplyColorant,
    kColSupplyClass,
    kColSupplyType,
    kColSupplyDescription,
    kColSupplyUnit,
    kColSupplyCapacity,
    kColSupplyLevel,
    kColColorantValue,
    kColInputCapacity,
    kColInputLevel,
    kColInputStatus,
    kColInputMedia,
    kColInputName,
    kColAlertSeverity,
    kColAlertTraining,
    kColAlertGroup,
    kColAlertGroupIndex,
    kColAlertCode,
    kColAlertDescription,
    kColMarkerLife,
    kColMarkerPowerOn,
    kColConsoleText,
    kColumnCount
};

mib::Oid ScalarOid(ScalarId id, std::uint32_t deviceIndex);
mib::Oid ColumnPrefix(ColumnId id, std::uint32_t deviceIndex);

struct Cells {
    std::uint32_t deviceIndex = 1;
    std::array<std::optional<ber::Value>, kScalarCount> scalars;
    std::array<std::map<std::uint32_t, ber::Value>, kColumnCount> columns;  // by row index
};

// The condition the cells describe: typed, special values kept as LevelState, supplies joined
// to their colorants, texts read by FieldToUtf8. Health is left for DeriveHealth.
Condition Assemble(const Cells& cells);

}  // namespace condition

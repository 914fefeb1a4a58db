// What one reading collected, before it becomes a Condition: the raw value of every scalar and
// of every table cell it read, as the codec decoded it (texts already cut to MAX_TEXT_BYTES).
// A missing value is simply absent; types are judged only when the cells are assembled, so a
// wrong-typed value is a missing cell there, never an error of the reading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

#include "condition/condition.h"
#include "snmp/ber.h"
#include "snmp/printer_mib.h"

namespace condition {

// Bounds on what one reading keeps, whatever an agent sends.
inline constexpr std::size_t MAX_ROWS_PER_COLUMN = 256;
inline constexpr std::size_t MAX_TEXT_BYTES = 255;  // the MIB's own limit for these texts

// The scalars: one instance each, the last five indexed by the printer's device index.
enum ScalarId : std::size_t {
    SC_UP_TIME,
    SC_NAME,
    SC_LOCATION,
    SC_VENDOR_STATUS,
    SC_MODEL,
    SC_DEVICE_STATUS,
    SC_PRINTER_STATUS,
    SC_ERROR_STATE,
    SC_SERIAL,
    SCALAR_COUNT
};

// The table columns read, each walked under column + device index.
enum ColumnId : std::size_t {
    COL_SUPPLY_MARKER,
    COL_SUPPLY_COLORANT,
    COL_SUPPLY_CLASS,
    COL_SUPPLY_TYPE,
    COL_SUPPLY_DESCRIPTION,
    COL_SUPPLY_UNIT,
    COL_SUPPLY_CAPACITY,
    COL_SUPPLY_LEVEL,
    COL_COLORANT_VALUE,
    COL_INPUT_CAPACITY,
    COL_INPUT_LEVEL,
    COL_INPUT_STATUS,
    COL_INPUT_MEDIA,
    COL_INPUT_NAME,
    COL_ALERT_SEVERITY,
    COL_ALERT_TRAINING,
    COL_ALERT_GROUP,
    COL_ALERT_GROUP_INDEX,
    COL_ALERT_CODE,
    COL_ALERT_DESCRIPTION,
    COL_MARKER_LIFE,
    COL_MARKER_POWER_ON,
    COL_CONSOLE_TEXT,
    COLUMN_COUNT
};

mib::Oid ScalarOid(ScalarId id, std::uint32_t deviceIndex);
mib::Oid ColumnPrefix(ColumnId id, std::uint32_t deviceIndex);

struct Cells {
    std::uint32_t deviceIndex = 1;
    std::array<std::optional<ber::Value>, SCALAR_COUNT> scalars;
    std::array<std::map<std::uint32_t, ber::Value>, COLUMN_COUNT> columns;  // by row index
};

// The condition the cells describe: typed, special values kept as LevelState, supplies joined
// to their colorants, texts read by FieldToUtf8. Health is left for DeriveHealth.
Condition Assemble(const Cells& cells);

}  // namespace condition

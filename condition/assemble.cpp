// Cells to Condition: each cell read by the type its column has in the MIB, tolerantly (a
// Gauge32 where an Integer32 belongs is read when it fits), and anything else left missing.
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "condition/cells.h"
#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/asn_types.h"
#include "snmp/value_text.h"
#include "text/field_text.h"

namespace condition {
namespace {

struct ScalarDef {
    const mib::Oid* column;
    bool byDevice;  // column + device index, else the scalar's own ".0" OID
};

const ScalarDef SCALARS[SCALAR_COUNT] = {
    {&mib::SYS_UP_TIME, false},
    {&mib::SYS_NAME, false},
    {&mib::SYS_LOCATION, false},
    {&mib::VENDOR_STATUS, false},
    {&mib::HR_DEVICE_DESCR, true},
    {&mib::HR_DEVICE_STATUS, true},
    {&mib::HR_PRINTER_STATUS, true},
    {&mib::HR_PRINTER_DETECTED_ERROR_STATE, true},
    {&mib::PRT_GENERAL_SERIAL_NUMBER, true},
};

struct ColumnDef {
    const mib::Oid* entry;
    std::uint32_t column;
};

const ColumnDef COLUMNS[COLUMN_COUNT] = {
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_MARKER_INDEX},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_COLORANT_INDEX},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_CLASS},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_TYPE},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_DESCRIPTION},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_SUPPLY_UNIT},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_MAX_CAPACITY},
    {&mib::PRT_MARKER_SUPPLIES_ENTRY, mib::SUPPLIES_LEVEL},
    {&mib::PRT_MARKER_COLORANT_ENTRY, mib::COLORANT_VALUE},
    {&mib::PRT_INPUT_ENTRY, mib::INPUT_MAX_CAPACITY},
    {&mib::PRT_INPUT_ENTRY, mib::INPUT_CURRENT_LEVEL},
    {&mib::PRT_INPUT_ENTRY, mib::INPUT_STATUS},
    {&mib::PRT_INPUT_ENTRY, mib::INPUT_MEDIA_NAME},
    {&mib::PRT_INPUT_ENTRY, mib::INPUT_NAME},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_SEVERITY_LEVEL},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_TRAINING_LEVEL},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_GROUP},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_GROUP_INDEX},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_CODE},
    {&mib::PRT_ALERT_ENTRY, mib::ALERT_DESCRIPTION},
    {&mib::PRT_MARKER_ENTRY, mib::MARKER_LIFE_COUNT},
    {&mib::PRT_MARKER_ENTRY, mib::MARKER_POWER_ON_COUNT},
    {&mib::PRT_CONSOLE_DISPLAY_BUFFER_ENTRY, mib::CONSOLE_DISPLAY_BUFFER_TEXT},
};

bool IsUnsignedTag(std::uint8_t tag) {
    return tag == ASN_COUNTER32 || tag == ASN_GAUGE32 || tag == ASN_TIMETICKS;
}

// An Integer32 column: an INTEGER, or an unsigned value that fits.
std::optional<std::int32_t> AsInt32(const ber::Value* value) {
    if (value == nullptr || !value->valid) {
        return std::nullopt;
    }
    if (value->tag == ASN_INTEGER ||
        (IsUnsignedTag(value->tag) && value->integer <= std::numeric_limits<std::int32_t>::max())) {
        return static_cast<std::int32_t>(value->integer);
    }
    return std::nullopt;
}

// A counter: Counter32, Gauge32 or TimeTicks, or an INTEGER that is not negative.
std::optional<std::uint32_t> AsUint32(const ber::Value* value) {
    if (value == nullptr || !value->valid) {
        return std::nullopt;
    }
    if (IsUnsignedTag(value->tag) || (value->tag == ASN_INTEGER && value->integer >= 0)) {
        return static_cast<std::uint32_t>(value->integer);
    }
    return std::nullopt;
}

std::optional<std::string> AsText(const ber::Value* value) {
    if (value == nullptr || !value->valid || value->tag != ASN_OCTETSTRING) {
        return std::nullopt;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(value->bytes.data()),
                                 value->bytes.size());
    return FieldToUtf8(bytes);
}

std::string TextOr(const ber::Value* value) {
    return AsText(value).value_or(std::string());
}

// The vendor status and the console lines, as the window renders them (ValueToText: numbers in
// decimal, texts up to their first zero byte, addresses and identifiers dotted), then read
// as a field of text.
std::string WindowText(const ber::Value* value) {
    if (value == nullptr || !value->valid) {
        return {};
    }
    AsnAny any{};
    any.asnType = value->tag;
    switch (value->tag) {
        case ASN_INTEGER:
            any.asnValue.number = static_cast<AsnInteger32>(value->integer);
            break;
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
            any.asnValue.unsigned32 = static_cast<AsnUnsigned32>(value->integer);
            break;
        case ASN_OCTETSTRING:
        case ASN_IPADDRESS:
        case ASN_OPAQUE:
            // ValueToText only reads the bytes; the value outlives the call.
            any.asnValue.string.stream = const_cast<std::uint8_t*>(value->bytes.data());
            any.asnValue.string.length = static_cast<std::uint32_t>(value->bytes.size());
            break;
        case ASN_OBJECTIDENTIFIER:
            any.asnValue.object.ids = const_cast<std::uint32_t*>(value->oid.data());
            any.asnValue.object.idLength = static_cast<std::uint32_t>(value->oid.size());
            break;
        default:
            return {};
    }
    char* rendered = ValueToText(&any);
    if (rendered == nullptr) {
        return {};
    }
    std::string text = FieldToUtf8(rendered);
    SnmpUtilMemFree(rendered);
    return text;
}

const ber::Value* Cell(const Cells& cells, ColumnId id, std::uint32_t row) {
    const auto& column = cells.columns[id];
    const auto found = column.find(row);
    return found == column.end() ? nullptr : &found->second;
}

const ber::Value* Scalar(const Cells& cells, ScalarId id) {
    const auto& slot = cells.scalars[id];
    return slot ? &*slot : nullptr;
}

// The rows of a table: every index that any of its columns has.
std::set<std::uint32_t> Rows(const Cells& cells, ColumnId first, ColumnId last) {
    std::set<std::uint32_t> rows;
    for (std::size_t id = first; id <= last; ++id) {
        for (const auto& [row, value] : cells.columns[id]) {
            rows.insert(row);
        }
    }
    return rows;
}

struct Level {
    std::optional<std::int32_t> value;
    LevelState state = LevelState::Unknown;
};

// A level as the Printer MIB means it: a count, or one of its special values. Negative numbers
// it does not define are unknown too.
Level ReadLevel(const ber::Value* cell) {
    const auto raw = AsInt32(cell);
    if (!raw) {
        return {};
    }
    if (*raw >= 0) {
        return {*raw, LevelState::Ok};
    }
    switch (*raw) {
        case mib::VALUE_OTHER:
            return {std::nullopt, LevelState::Other};
        case mib::VALUE_SOME_REMAINING:
            return {std::nullopt, LevelState::SomeRemaining};
        default:
            return {};
    }
}

std::optional<std::int32_t> ReadCapacity(const ber::Value* cell) {
    const auto raw = AsInt32(cell);
    return raw && *raw >= 0 ? raw : std::nullopt;
}

std::uint32_t ReadErrorBits(const ber::Value* cell) {
    std::uint32_t bits = 0;
    if (cell == nullptr || !cell->valid || cell->tag != ASN_OCTETSTRING) {
        return bits;
    }
    for (int bit = 0; bit < mib::ERROR_BIT_COUNT; ++bit) {
        const std::size_t octet = static_cast<std::size_t>(bit) / 8;
        if (octet < cell->bytes.size() && (cell->bytes[octet] & (0x80u >> (bit % 8))) != 0) {
            bits |= 1u << bit;
        }
    }
    return bits;
}

void AssembleSupplies(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, COL_SUPPLY_MARKER, COL_SUPPLY_LEVEL)) {
        Supply supply;
        supply.index = row;
        supply.markerIndex = AsUint32(Cell(cells, COL_SUPPLY_MARKER, row)).value_or(0);
        supply.description = TextOr(Cell(cells, COL_SUPPLY_DESCRIPTION, row));
        supply.type = AsInt32(Cell(cells, COL_SUPPLY_TYPE, row)).value_or(0);
        supply.supplyClass = AsInt32(Cell(cells, COL_SUPPLY_CLASS, row)).value_or(0);
        supply.unit = AsInt32(Cell(cells, COL_SUPPLY_UNIT, row)).value_or(0);
        supply.capacity = ReadCapacity(Cell(cells, COL_SUPPLY_CAPACITY, row));
        const Level level = ReadLevel(Cell(cells, COL_SUPPLY_LEVEL, row));
        supply.level = level.value;
        supply.levelState = level.state;
        if (supply.level && supply.capacity && *supply.capacity > 0) {
            supply.percent = 100.0 * *supply.level / *supply.capacity;
        }
        // Colorant 0 means none; a colorant row the printer lacks leaves the colour empty too.
        const auto colorant = AsUint32(Cell(cells, COL_SUPPLY_COLORANT, row));
        if (colorant && *colorant != 0) {
            supply.colour = TextOr(Cell(cells, COL_COLORANT_VALUE, *colorant));
        }
        out.supplies.push_back(std::move(supply));
    }
}

void AssembleInputs(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, COL_INPUT_CAPACITY, COL_INPUT_NAME)) {
        Input input;
        input.index = row;
        input.name = TextOr(Cell(cells, COL_INPUT_NAME, row));
        input.media = TextOr(Cell(cells, COL_INPUT_MEDIA, row));
        input.capacity = ReadCapacity(Cell(cells, COL_INPUT_CAPACITY, row));
        const Level level = ReadLevel(Cell(cells, COL_INPUT_LEVEL, row));
        input.level = level.value;
        input.levelState = level.state;
        input.status = AsInt32(Cell(cells, COL_INPUT_STATUS, row));
        out.inputs.push_back(std::move(input));
    }
}

void AssembleAlerts(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, COL_ALERT_SEVERITY, COL_ALERT_DESCRIPTION)) {
        Alert alert;
        alert.index = row;
        alert.severity = AsInt32(Cell(cells, COL_ALERT_SEVERITY, row)).value_or(0);
        alert.trainingLevel = AsInt32(Cell(cells, COL_ALERT_TRAINING, row)).value_or(0);
        alert.group = AsInt32(Cell(cells, COL_ALERT_GROUP, row)).value_or(0);
        alert.groupIndex = AsInt32(Cell(cells, COL_ALERT_GROUP_INDEX, row)).value_or(0);
        alert.code = AsInt32(Cell(cells, COL_ALERT_CODE, row)).value_or(0);
        alert.description = TextOr(Cell(cells, COL_ALERT_DESCRIPTION, row));
        out.alerts.push_back(std::move(alert));
    }
}

void AssembleMarkers(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, COL_MARKER_LIFE, COL_MARKER_POWER_ON)) {
        Marker marker;
        marker.index = row;
        marker.lifeCount = AsUint32(Cell(cells, COL_MARKER_LIFE, row));
        marker.powerOnCount = AsUint32(Cell(cells, COL_MARKER_POWER_ON, row));
        out.markers.push_back(marker);
    }
}

// Lines 1 to the last one present, in order; a line missing in between is empty.
void AssembleConsole(const Cells& cells, Condition& out) {
    const auto& column = cells.columns[COL_CONSOLE_TEXT];
    std::uint32_t last = 0;
    for (const auto& [row, value] : column) {
        if (row >= 1 && row <= mib::CONSOLE_LINES) {
            last = row;
        }
    }
    for (std::uint32_t line = 1; line <= last; ++line) {
        out.consoleLines.push_back(WindowText(Cell(cells, COL_CONSOLE_TEXT, line)));
    }
}

}  // namespace

mib::Oid ScalarOid(ScalarId id, std::uint32_t deviceIndex) {
    mib::Oid oid = *SCALARS[id].column;
    if (SCALARS[id].byDevice) {
        oid.push_back(deviceIndex);
    }
    return oid;
}

mib::Oid ColumnPrefix(ColumnId id, std::uint32_t deviceIndex) {
    mib::Oid oid = *COLUMNS[id].entry;
    oid.push_back(COLUMNS[id].column);
    oid.push_back(deviceIndex);
    return oid;
}

Condition Assemble(const Cells& cells) {
    Condition out;
    out.deviceIndex = cells.deviceIndex;
    out.model = TextOr(Scalar(cells, SC_MODEL));
    out.serial = TextOr(Scalar(cells, SC_SERIAL));
    out.name = TextOr(Scalar(cells, SC_NAME));
    out.location = TextOr(Scalar(cells, SC_LOCATION));
    out.vendorStatus = WindowText(Scalar(cells, SC_VENDOR_STATUS));
    const ber::Value* upTime = Scalar(cells, SC_UP_TIME);
    if (upTime != nullptr && upTime->valid && upTime->tag == ASN_TIMETICKS) {
        out.uptimeTicks = static_cast<std::uint32_t>(upTime->integer);
    }
    out.deviceStatus = AsInt32(Scalar(cells, SC_DEVICE_STATUS)).value_or(0);
    out.printerStatus = AsInt32(Scalar(cells, SC_PRINTER_STATUS)).value_or(0);
    out.errorBits = ReadErrorBits(Scalar(cells, SC_ERROR_STATE));
    AssembleSupplies(cells, out);
    AssembleInputs(cells, out);
    AssembleAlerts(cells, out);
    AssembleMarkers(cells, out);
    AssembleConsole(cells, out);
    return out;
}

}  // namespace condition

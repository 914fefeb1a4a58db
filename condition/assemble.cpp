// Cells to Condition: each cell read by the type its column has in the MIB, tolerantly (a
// Gauge32 where an Integer32 belongs is read when it fits), and anything else left missing.
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "condition/cells.h"
#include "platform/snmpmgr/asn_types.h"
#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/value_text.h"
#include "text/field_text.h"

namespace condition {
namespace {

struct ScalarDef {
    const mib::Oid* column;
    bool byDevice;  // column + device index, else the scalar's own ".0" OID
};

const ScalarDef kScalars[kScalarCount] = {
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

const ColumnDef kColumns[kColumnCount] = {
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
    for (const std::uint32_t row : Rows(cells, kColSupplyMarker, kColSupplyLevel)) {
        Supply supply;
        supply.index = row;
        supply.markerIndex = AsUint32(Cell(cells, kColSupplyMarker, row)).value_or(0);
        supply.description = TextOr(Cell(cells, kColSupplyDescription, row));
        supply.type = AsInt32(Cell(cells, kColSupplyType, row)).value_or(0);
        supply.supplyClass = AsInt32(Cell(cells, kColSupplyClass, row)).value_or(0);
        supply.unit = AsInt32(Cell(cells, kColSupplyUnit, row)).value_or(0);
        supply.capacity = ReadCapacity(Cell(cells, kColSupplyCapacity, row));
        const Level level = ReadLevel(Cell(cells, kColSupplyLevel, row));
        supply.level = level.value;
        supply.levelState = level.state;
        if (supply.level && supply.capacity && *supply.capacity > 0) {
            supply.percent = 100.0 * *supply.level / *supply.capacity;
        }
        // Colorant 0 means none; a colorant row the printer lacks leaves the colour empty too.
        const auto colorant = AsUint32(Cell(cells, kColSupplyColorant, row));
        if (colorant && *colorant != 0) {
            supply.colour = TextOr(Cell(cells, kColColorantValue, *colorant));
        }
        out.supplies.push_back(std::move(supply));
    }
}

void AssembleInputs(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, kColInputCapacity, kColInputName)) {
        Input input;
        input.index = row;
        input.name = TextOr(Cell(cells, kColInputName, row));
        input.media = TextOr(Cell(cells, kColInputMedia, row));
        input.capacity = ReadCapacity(Cell(cells, kColInputCapacity, row));
        const Level level = ReadLevel(Cell(cells, kColInputLevel, row));
        input.level = level.value;
        input.levelState = level.state;
        input.status = AsInt32(Cell(cells, kColInputStatus, row));
        out.inputs.push_back(std::move(input));
    }
}

void AssembleAlerts(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, kColAlertSeverity, kColAlertDescription)) {
        Alert alert;
        alert.index = row;
        alert.severity = AsInt32(Cell(cells, kColAlertSeverity, row)).value_or(0);
        alert.trainingLevel = AsInt32(Cell(cells, kColAlertTraining, row)).value_or(0);
        alert.group = AsInt32(Cell(cells, kColAlertGroup, row)).value_or(0);
        alert.groupIndex = AsInt32(Cell(cells, kColAlertGroupIndex, row)).value_or(0);
        alert.code = AsInt32(Cell(cells, kColAlertCode, row)).value_or(0);
        alert.description = TextOr(Cell(cells, kColAlertDescription, row));
        out.alerts.push_back(std::move(alert));
    }
}

void AssembleMarkers(const Cells& cells, Condition& out) {
    for (const std::uint32_t row : Rows(cells, kColMarkerLife, kColMarkerPowerOn)) {
        Marker marker;
        marker.index = row;
        marker.lifeCount = AsUint32(Cell(cells, kColMarkerLife, row));
        marker.powerOnCount = AsUint32(Cell(cells, kColMarkerPowerOn, row));
        out.markers.push_back(marker);
    }
}

// Lines 1 to the last one present, in order; a line missing in between is empty.
void AssembleConsole(const Cells& cells, Condition& out) {
    const auto& column = cells.columns[kColConsoleText];
    std::uint32_t last = 0;
    for (const auto& [row, value] : column) {
        if (row >= 1 && row <= mib::CONSOLE_LINES) {
            last = row;
        }
    }
    for (std::uint32_t line = 1; line <= last; ++line) {
        out.consoleLines.push_back(WindowText(Cell(cells, kColConsoleText, line)));
    }
}

}  // namespace

mib::Oid ScalarOid(ScalarId id, std::uint32_t deviceIndex) {
    mib::Oid oid = *kScalars[id].column;
    if (kScalars[id].byDevice) {
        oid.push_back(deviceIndex);
    }
    return oid;
}

mib::Oid ColumnPrefix(ColumnId id, std::uint32_t deviceIndex) {
    mib::Oid oid = *kColumns[id].entry;
    oid.push_back(kColumns[id].column);
    oid.push_back(deviceIndex);
    return oid;
}

Condition Assemble(const Cells& cells) {
    Condition out;
    out.deviceIndex = cells.deviceIndex;
    out.model = TextOr(Scalar(cells, kScModel));
    out.serial = TextOr(Scalar(cells, kScSerial));
    out.name = TextOr(Scalar(cells, kScName));
    out.location = TextOr(Scalar(cells, kScLocation));
    out.vendorStatus = WindowText(Scalar(cells, kScVendorStatus));
    const ber::Value* upTime = Scalar(cells, kScUpTime);
    if (upTime != nullptr && upTime->valid && upTime->tag == ASN_TIMETICKS) {
        out.uptimeTicks = static_cast<std::uint32_t>(upTime->integer);
    }
    out.deviceStatus = AsInt32(Scalar(cells, kScDeviceStatus)).value_or(0);
    out.printerStatus = AsInt32(Scalar(cells, kScPrinterStatus)).value_or(0);
    out.errorBits = ReadErrorBits(Scalar(cells, kScErrorState));
    AssembleSupplies(cells, out);
    AssembleInputs(cells, out);
    AssembleAlerts(cells, out);
    AssembleMarkers(cells, out);
    AssembleConsole(cells, out);
    return out;
}

}  // namespace condition

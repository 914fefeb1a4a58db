// The objects and numbers of the standard MIBs a printer is read by: the system group, the
// Host Resources MIB (RFC 2790) and the Printer MIB (RFC 3805). The one home of these OIDs and
// enumeration values for the condition reading, the simulated printer and their tests. Column
// numbers are the MIB's; a table's cell is its entry + column + hrDeviceIndex + the row's index
// (the Host Resources tables and prtGeneralSerialNumber have hrDeviceIndex alone).
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace mib {

using Oid = std::vector<std::uint32_t>;

// `base` with the arcs `arcs` appended: a column of an entry, or a cell of a column.
inline Oid Append(const Oid& base, std::initializer_list<std::uint32_t> arcs) {
    Oid oid = base;
    oid.insert(oid.end(), arcs.begin(), arcs.end());
    return oid;
}

// True when `oid` lies in the subtree `root` (root itself included).
inline bool InSubtree(const Oid& oid, const Oid& root) {
    return oid.size() >= root.size() && std::equal(root.begin(), root.end(), oid.begin());
}

// Scalars (".0" instances) of the system group, and the maker's status object the window shows.
inline const Oid SYS_DESCR = {1, 3, 6, 1, 2, 1, 1, 1, 0};
inline const Oid SYS_UP_TIME = {1, 3, 6, 1, 2, 1, 1, 3, 0};
inline const Oid SYS_NAME = {1, 3, 6, 1, 2, 1, 1, 5, 0};
inline const Oid SYS_LOCATION = {1, 3, 6, 1, 2, 1, 1, 6, 0};
inline const Oid VENDOR_STATUS = {1, 3, 6, 1, 4, 1, 11, 2, 3, 9, 1, 1, 3, 0};

// hrDeviceTable and hrPrinterTable columns, and hrDeviceType's value for a printer.
inline const Oid HR_DEVICE_TYPE = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2};
inline const Oid HR_DEVICE_DESCR = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3};
inline const Oid HR_DEVICE_STATUS = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5};
inline const Oid HR_PRINTER_STATUS = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1};
inline const Oid HR_PRINTER_DETECTED_ERROR_STATE = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2};
inline const Oid HR_DEVICE_PRINTER = {1, 3, 6, 1, 2, 1, 25, 3, 1, 5};

// prtGeneralSerialNumber: prtGeneralEntry column 17.
inline const Oid PRT_GENERAL_SERIAL_NUMBER = {1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17};

// The Printer MIB's tables, each an entry OID whose columns are entry + column number.
inline const Oid PRT_INPUT_ENTRY = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1};
inline const Oid PRT_MARKER_ENTRY = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1};
inline const Oid PRT_MARKER_SUPPLIES_ENTRY = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1};
inline const Oid PRT_MARKER_COLORANT_ENTRY = {1, 3, 6, 1, 2, 1, 43, 12, 1, 1};
inline const Oid PRT_CONSOLE_DISPLAY_BUFFER_ENTRY = {1, 3, 6, 1, 2, 1, 43, 16, 5, 1};
inline const Oid PRT_ALERT_ENTRY = {1, 3, 6, 1, 2, 1, 43, 18, 1, 1};

// Column numbers.
enum : std::uint32_t {
    INPUT_MAX_CAPACITY = 9,
    INPUT_CURRENT_LEVEL = 10,
    INPUT_STATUS = 11,
    INPUT_MEDIA_NAME = 12,
    INPUT_NAME = 13,

    MARKER_LIFE_COUNT = 4,
    MARKER_POWER_ON_COUNT = 5,

    SUPPLIES_MARKER_INDEX = 2,
    SUPPLIES_COLORANT_INDEX = 3,
    SUPPLIES_CLASS = 4,
    SUPPLIES_TYPE = 5,
    SUPPLIES_DESCRIPTION = 6,
    SUPPLIES_SUPPLY_UNIT = 7,
    SUPPLIES_MAX_CAPACITY = 8,
    SUPPLIES_LEVEL = 9,

    COLORANT_VALUE = 4,

    CONSOLE_DISPLAY_BUFFER_TEXT = 2,

    ALERT_SEVERITY_LEVEL = 2,
    ALERT_TRAINING_LEVEL = 3,
    ALERT_GROUP = 4,
    ALERT_GROUP_INDEX = 5,
    ALERT_LOCATION = 6,
    ALERT_CODE = 7,
    ALERT_DESCRIPTION = 8,
    ALERT_TIME = 9,
};

// Whole columns, for code that reads or writes cells one by one.
inline const Oid PRT_INPUT_CURRENT_LEVEL = Append(PRT_INPUT_ENTRY, {INPUT_CURRENT_LEVEL});
inline const Oid PRT_INPUT_STATUS = Append(PRT_INPUT_ENTRY, {INPUT_STATUS});
inline const Oid PRT_INPUT_NAME = Append(PRT_INPUT_ENTRY, {INPUT_NAME});
inline const Oid PRT_MARKER_LIFE_COUNT = Append(PRT_MARKER_ENTRY, {MARKER_LIFE_COUNT});
inline const Oid PRT_MARKER_POWER_ON_COUNT = Append(PRT_MARKER_ENTRY, {MARKER_POWER_ON_COUNT});
inline const Oid PRT_SUPPLIES_COLORANT_INDEX =
    Append(PRT_MARKER_SUPPLIES_ENTRY, {SUPPLIES_COLORANT_INDEX});
inline const Oid PRT_SUPPLIES_CLASS = Append(PRT_MARKER_SUPPLIES_ENTRY, {SUPPLIES_CLASS});
inline const Oid PRT_SUPPLIES_TYPE = Append(PRT_MARKER_SUPPLIES_ENTRY, {SUPPLIES_TYPE});
inline const Oid PRT_SUPPLIES_MAX_CAPACITY =
    Append(PRT_MARKER_SUPPLIES_ENTRY, {SUPPLIES_MAX_CAPACITY});
inline const Oid PRT_SUPPLIES_LEVEL = Append(PRT_MARKER_SUPPLIES_ENTRY, {SUPPLIES_LEVEL});
inline const Oid PRT_COLORANT_VALUE = Append(PRT_MARKER_COLORANT_ENTRY, {COLORANT_VALUE});
inline const Oid PRT_CONSOLE_TEXT =
    Append(PRT_CONSOLE_DISPLAY_BUFFER_ENTRY, {CONSOLE_DISPLAY_BUFFER_TEXT});

// The console lines the window shows: prtConsoleDisplayBufferText 1 to 8.
inline constexpr std::uint32_t CONSOLE_LINES = 8;

// The Printer MIB's special values of levels and capacities.
inline constexpr std::int32_t VALUE_OTHER = -1;
inline constexpr std::int32_t VALUE_UNKNOWN = -2;
inline constexpr std::int32_t VALUE_SOME_REMAINING = -3;

// hrDeviceStatus and hrPrinterStatus.
inline constexpr std::int32_t DEVICE_RUNNING = 2;
inline constexpr std::int32_t DEVICE_WARNING = 3;
inline constexpr std::int32_t DEVICE_DOWN = 5;
inline constexpr std::int32_t PRINTER_OTHER = 1;

// hrPrinterDetectedErrorState, bit by bit in the RFC's numbering (bit 0 is the first octet's
// most significant bit). A short or empty string leaves the missing bits clear.
enum ErrorBit : int {
    ERROR_LOW_PAPER = 0,
    ERROR_NO_PAPER,
    ERROR_LOW_TONER,
    ERROR_NO_TONER,
    ERROR_DOOR_OPEN,
    ERROR_JAMMED,
    ERROR_OFFLINE,
    ERROR_SERVICE_REQUESTED,
    ERROR_INPUT_TRAY_MISSING,
    ERROR_OUTPUT_TRAY_MISSING,
    ERROR_MARKER_SUPPLY_MISSING,
    ERROR_OUTPUT_NEAR_FULL,
    ERROR_OUTPUT_FULL,
    ERROR_INPUT_TRAY_EMPTY,
    ERROR_OVERDUE_PREVENT_MAINT,
    ERROR_BIT_COUNT
};

// PrtAlertSeverityLevelTC, PrtAlertTrainingLevelTC, PrtAlertGroupTC, PrtAlertCodeTC.
inline constexpr std::int32_t SEVERITY_CRITICAL = 3;
inline constexpr std::int32_t SEVERITY_WARNING = 4;
inline constexpr std::int32_t SEVERITY_WARNING_BINARY = 5;
inline constexpr std::int32_t TRAINING_UNTRAINED = 3;
inline constexpr std::int32_t TRAINING_TRAINED = 4;
inline constexpr std::int32_t GROUP_COVER = 6;
inline constexpr std::int32_t GROUP_INPUT = 8;
inline constexpr std::int32_t GROUP_MARKER_SUPPLIES = 11;
inline constexpr std::int32_t GROUP_MEDIA_PATH = 13;
inline constexpr std::int32_t CODE_JAM = 8;
inline constexpr std::int32_t CODE_DOOR_OPEN = 501;
inline constexpr std::int32_t CODE_INPUT_MEDIA_SUPPLY_EMPTY = 808;
inline constexpr std::int32_t LOCATION_UNKNOWN = -2;

// PrtSubUnitStatusTC bits of prtInputStatus (RFC 3805): the low three bits are availability,
// then the alert bits, off-line and transitioning; 126 is the largest value it defines.
inline constexpr std::int32_t SUBUNIT_AVAILABILITY_MASK = 7;
inline constexpr std::int32_t SUBUNIT_NON_CRITICAL_ALERT = 8;
inline constexpr std::int32_t SUBUNIT_CRITICAL_ALERT = 16;
inline constexpr std::int32_t SUBUNIT_OFF_LINE = 32;
inline constexpr std::int32_t SUBUNIT_TRANSITIONING = 64;
inline constexpr std::int32_t SUBUNIT_STATUS_MAX = 126;

// prtMarkerSuppliesClass: a receptacle fills up (waste toner) instead of running out.
inline constexpr std::int32_t SUPPLY_CLASS_RECEPTACLE = 4;

// prtMarkerSuppliesType (IANA-PRINTER-MIB's PrtMarkerSuppliesTypeTC): toner.
inline constexpr std::int32_t SUPPLY_TYPE_TONER = 3;

}  // namespace mib

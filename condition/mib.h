// The objects a condition reading asks for: their identifiers in the Host Resources MIB
// (RFC 2790), the Printer MIB (RFC 3805) and the system group, written once here and read by
// the walk, the tests and the benchmark. Column numbers are the MIB's; a table's cell is
// column OID + device index + row index.
#pragma once

#include <cstdint>
#include <vector>

namespace condition::mib {

using Oid = std::vector<std::uint32_t>;

// Scalars (".0" instances) of the system group, and the maker's status object the window shows.
inline const Oid kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
inline const Oid kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
inline const Oid kSysLocation = {1, 3, 6, 1, 2, 1, 1, 6, 0};
inline const Oid kVendorStatus = {1, 3, 6, 1, 4, 1, 11, 2, 3, 9, 1, 1, 3, 0};

// hrDeviceTable and hrPrinterTable columns; a cell is column + hrDeviceIndex.
inline const Oid kHrDeviceType = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2};
inline const Oid kHrDeviceDescr = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3};
inline const Oid kHrDeviceStatus = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5};
inline const Oid kHrPrinterStatus = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1};
inline const Oid kHrPrinterDetectedErrorState = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2};
// hrDeviceType's value for a printer.
inline const Oid kHrDevicePrinter = {1, 3, 6, 1, 2, 1, 25, 3, 1, 5};

// prtGeneralSerialNumber: prtGeneralEntry column 17, indexed by hrDeviceIndex.
inline const Oid kPrtGeneralSerialNumber = {1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17};

// The Printer MIB's tables, each an entry OID whose columns are entry + column number.
inline const Oid kPrtInputEntry = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1};
inline const Oid kPrtMarkerEntry = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1};
inline const Oid kPrtMarkerSuppliesEntry = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1};
inline const Oid kPrtMarkerColorantEntry = {1, 3, 6, 1, 2, 1, 43, 12, 1, 1};
inline const Oid kPrtConsoleDisplayBufferEntry = {1, 3, 6, 1, 2, 1, 43, 16, 5, 1};
inline const Oid kPrtAlertEntry = {1, 3, 6, 1, 2, 1, 43, 18, 1, 1};

// Column numbers.
enum : std::uint32_t {
    kInputMaxCapacity = 9,
    kInputCurrentLevel = 10,
    kInputStatus = 11,
    kInputMediaName = 12,
    kInputName = 13,

    kMarkerLifeCount = 4,
    kMarkerPowerOnCount = 5,

    kSuppliesMarkerIndex = 2,
    kSuppliesColorantIndex = 3,
    kSuppliesClass = 4,
    kSuppliesType = 5,
    kSuppliesDescription = 6,
    kSuppliesSupplyUnit = 7,
    kSuppliesMaxCapacity = 8,
    kSuppliesLevel = 9,

    kColorantValue = 4,

    kConsoleDisplayBufferText = 2,

    kAlertSeverityLevel = 2,
    kAlertTrainingLevel = 3,
    kAlertGroup = 4,
    kAlertGroupIndex = 5,
    kAlertCode = 7,
    kAlertDescription = 8,
};

// The console lines the window shows: prtConsoleDisplayBufferText 1 to 8.
inline constexpr std::uint32_t kConsoleLines = 8;

// The Printer MIB's special values of levels and capacities.
inline constexpr std::int32_t kValueOther = -1;
inline constexpr std::int32_t kValueUnknown = -2;
inline constexpr std::int32_t kValueSomeRemaining = -3;

// hrDeviceStatus and prtAlertSeverityLevel values the health rules name.
inline constexpr std::int32_t kDeviceWarning = 3;
inline constexpr std::int32_t kDeviceDown = 5;
inline constexpr std::int32_t kSeverityCritical = 3;
inline constexpr std::int32_t kSeverityWarning = 4;
inline constexpr std::int32_t kSeverityWarningBinary = 5;
// prtMarkerSuppliesClass: a receptacle fills up (waste toner) instead of running out.
inline constexpr std::int32_t kClassReceptacle = 4;

}  // namespace condition::mib

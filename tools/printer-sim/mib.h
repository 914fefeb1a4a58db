// The objects and enumeration numbers of the Printer MIB (RFC 3805), Host Resources MIB
// (RFC 2790) and system group that the simulated printer reads and changes: the one home of
// these numbers in the simulator. Columns are given without their index; Row() appends it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "tools/printer-sim/typed_value.h"

namespace sim::mib {

// The column `column` with the index arcs `index` appended.
inline Oid Row(const Oid& column, std::initializer_list<std::uint32_t> index) {
    Oid oid = column;
    oid.insert(oid.end(), index.begin(), index.end());
    return oid;
}

// True when `oid` lies in the subtree `root` (root itself included).
inline bool InSubtree(const Oid& oid, const Oid& root) {
    return oid.size() >= root.size() && std::equal(root.begin(), root.end(), oid.begin());
}

inline const Oid kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
inline const Oid kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};

// hrDeviceTable, hrPrinterTable: indexed by hrDeviceIndex.
inline const Oid kHrDeviceType = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2};
inline const Oid kHrDevicePrinter = {1, 3, 6, 1, 2, 1, 25, 3, 1, 5};
inline const Oid kHrDeviceStatus = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5};
inline const Oid kHrPrinterStatus = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1};
inline const Oid kHrPrinterErrorState = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2};

// Printer MIB tables: indexed by hrDeviceIndex and the table's own index.
inline const Oid kPrtSerialNumber = {1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17};  // hrDeviceIndex only
inline const Oid kPrtInputEntry = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1};
inline const Oid kPrtInputCurrentLevel = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1, 10};
inline const Oid kPrtInputStatus = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1, 11};
inline const Oid kPrtInputName = {1, 3, 6, 1, 2, 1, 43, 8, 2, 1, 13};
inline const Oid kPrtMarkerLifeCount = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 4};
inline const Oid kPrtMarkerPowerOnCount = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 5};
inline const Oid kPrtSuppliesEntry = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1};
inline const Oid kPrtSuppliesColorantIndex = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 3};
inline const Oid kPrtSuppliesClass = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 4};
inline const Oid kPrtSuppliesType = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 5};
inline const Oid kPrtSuppliesMaxCapacity = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 8};
inline const Oid kPrtSuppliesLevel = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9};
inline const Oid kPrtColorantValue = {1, 3, 6, 1, 2, 1, 43, 12, 1, 1, 4};
inline const Oid kPrtConsoleText = {1, 3, 6, 1, 2, 1, 43, 16, 5, 1, 2};
inline const Oid kPrtAlertEntry = {1, 3, 6, 1, 2, 1, 43, 18, 1, 1};
// prtAlertEntry's columns, in order from severityLevel (2) to time (9).
enum AlertColumn : std::uint32_t {
    kAlertSeverity = 2,
    kAlertTraining = 3,
    kAlertGroup = 4,
    kAlertGroupIndex = 5,
    kAlertLocation = 6,
    kAlertCode = 7,
    kAlertDescription = 8,
    kAlertTime = 9,
};

// The maker's status text the window shows (HP's enterprise object).
inline const Oid kVendorStatus = {1, 3, 6, 1, 4, 1, 11, 2, 3, 9, 1, 1, 3, 0};

// hrDeviceStatus and hrPrinterStatus values.
inline constexpr int kDeviceRunning = 2;
inline constexpr int kDeviceWarning = 3;
inline constexpr int kDeviceDown = 5;
inline constexpr int kPrinterOther = 1;

// hrPrinterDetectedErrorState bits (bit 0 is the first octet's most significant bit).
enum ErrorBit : int {
    kLowPaper = 0,
    kNoPaper = 1,
    kLowToner = 2,
    kNoToner = 3,
    kDoorOpen = 4,
    kJammed = 5,
    kInputTrayEmpty = 13,
};

// PrtAlertSeverityLevelTC, PrtAlertTrainingLevelTC, PrtAlertGroupTC, PrtAlertCodeTC.
inline constexpr int kSeverityCritical = 3;
inline constexpr int kSeverityWarning = 4;
inline constexpr int kTrainingUntrained = 3;
inline constexpr int kTrainingTrained = 4;
inline constexpr int kGroupCover = 6;
inline constexpr int kGroupInput = 8;
inline constexpr int kGroupMarkerSupplies = 11;
inline constexpr int kGroupMediaPath = 13;
inline constexpr int kCodeJam = 8;
inline constexpr int kCodeDoorOpen = 501;
inline constexpr int kCodeInputMediaSupplyEmpty = 808;
inline constexpr int kLocationUnknown = -2;

// PrtSubUnitStatusTC alert bits of prtInputStatus; the low three bits are availability.
inline constexpr int kSubUnitNonCriticalAlert = 8;
inline constexpr int kSubUnitCriticalAlert = 16;

// PrtMarkerSuppliesClassTC: receptacles fill up, everything else is used up.
inline constexpr int kSupplyClassReceptacle = 4;

}  // namespace sim::mib

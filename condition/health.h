// The health of a printer and the reasons for it, derived from its condition by one table of
// rules (HEALTH_RULES, the same table as condition/README.md). A printer that did not answer
// is unreachable; otherwise the worst health any rule gives, ok when none applies, and never
// ok for a reading that stopped early: what was not read cannot be vouched for. Reasons
// are short stable strings ("jammed", "device down", "supply black toner at 4%",
// "alert critical: jam"), in the table's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "condition/condition.h"
#include "snmp/printer_mib.h"

namespace condition {

enum class RuleTest {
    ErrorBit,        // hrPrinterDetectedErrorState has bit `value`
    DeviceStatus,    // hrDeviceStatus is `value`
    AlertSeverity,   // a row of prtAlertTable has prtAlertSeverityLevel `value`
    SupplyLow,       // a consumed supply's percent is at or below the warning threshold
    ReceptacleFull,  // a receptacle's (waste toner) free room is at or below the threshold
    Incomplete,      // the agent answered but the reading stopped early (`error` says why)
};

struct HealthRule {
    RuleTest test;
    std::int32_t value;  // the bit or the status; unused by the supply rules
    Health health;
    const char* reason;  // fixed, or the form the rule writes (see README)
};

inline constexpr HealthRule HEALTH_RULES[] = {
    {RuleTest::ErrorBit, mib::ERROR_JAMMED, Health::Critical, "jammed"},
    {RuleTest::ErrorBit, mib::ERROR_NO_PAPER, Health::Critical, "noPaper"},
    {RuleTest::ErrorBit, mib::ERROR_NO_TONER, Health::Critical, "noToner"},
    {RuleTest::ErrorBit, mib::ERROR_DOOR_OPEN, Health::Critical, "doorOpen"},
    {RuleTest::ErrorBit, mib::ERROR_OFFLINE, Health::Critical, "offline"},
    {RuleTest::ErrorBit, mib::ERROR_MARKER_SUPPLY_MISSING, Health::Critical, "markerSupplyMissing"},
    {RuleTest::ErrorBit, mib::ERROR_OUTPUT_FULL, Health::Critical, "outputFull"},
    {RuleTest::DeviceStatus, mib::DEVICE_DOWN, Health::Critical, "device down"},
    {RuleTest::AlertSeverity, mib::SEVERITY_CRITICAL, Health::Critical, "alert critical: CODE"},
    {RuleTest::ErrorBit, mib::ERROR_LOW_PAPER, Health::Warning, "lowPaper"},
    {RuleTest::ErrorBit, mib::ERROR_LOW_TONER, Health::Warning, "lowToner"},
    {RuleTest::ErrorBit, mib::ERROR_SERVICE_REQUESTED, Health::Warning, "serviceRequested"},
    {RuleTest::ErrorBit, mib::ERROR_INPUT_TRAY_MISSING, Health::Warning, "inputTrayMissing"},
    {RuleTest::ErrorBit, mib::ERROR_OUTPUT_TRAY_MISSING, Health::Warning, "outputTrayMissing"},
    {RuleTest::ErrorBit, mib::ERROR_OUTPUT_NEAR_FULL, Health::Warning, "outputNearFull"},
    {RuleTest::ErrorBit, mib::ERROR_INPUT_TRAY_EMPTY, Health::Warning, "inputTrayEmpty"},
    {RuleTest::ErrorBit, mib::ERROR_OVERDUE_PREVENT_MAINT, Health::Warning, "overduePreventMaint"},
    {RuleTest::DeviceStatus, mib::DEVICE_WARNING, Health::Warning, "device warning"},
    {RuleTest::AlertSeverity, mib::SEVERITY_WARNING, Health::Warning, "alert warning: CODE"},
    {RuleTest::AlertSeverity, mib::SEVERITY_WARNING_BINARY, Health::Warning, "alert warning: CODE"},
    {RuleTest::SupplyLow, 0, Health::Warning, "supply NAME at P%"},
    {RuleTest::ReceptacleFull, 0, Health::Warning, "supply NAME at P% full"},
    {RuleTest::Incomplete, 0, Health::Warning, "incomplete reading: ERROR"},
};

// What a supply is called in a reason: its colour and type ("black toner"), else its
// description, else its type, else its index ("#3").
std::string SupplyName(const Supply& supply);

// Sets `health` and `reasons` of a condition. `supplyWarningPercent` is the threshold of the
// supply rules (ReadRequest::supplyWarningPercent, 10 by default); below 0 (NO_SUPPLY_RULES) the
// supply rules are off, for a caller that judges the supplies by thresholds of its own.
inline constexpr double NO_SUPPLY_RULES = -1.0;
void DeriveHealth(Condition& condition, double supplyWarningPercent);

// The rule that wrote `reason` (the first in the table's order whose form it has), or null for
// a reason no rule writes (an unreachable printer's).
const HealthRule* RuleOfReason(const std::string& reason);

// A percentage as reasons write it: "4" or "4.5" (whole ones without decimals, others with one).
std::string PercentText(double percent);

}  // namespace condition

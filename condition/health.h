// The health of a printer and the reasons for it, derived from its condition by one table of
// rules (kHealthRules, the same table as condition/README.md). A printer that did not answer
// is unreachable; otherwise the worst health any rule gives, ok when none applies. Reasons
// are short stable strings ("jammed", "device down", "supply black toner at 4%",
// "alert critical: jam"), in the table's order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "condition/condition.h"
#include "condition/mib.h"

namespace condition {

enum class RuleTest {
    ErrorBit,        // hrPrinterDetectedErrorState has bit `value`
    DeviceStatus,    // hrDeviceStatus is `value`
    AlertSeverity,   // a row of prtAlertTable has prtAlertSeverityLevel `value`
    SupplyLow,       // a consumed supply's percent is at or below the warning threshold
    ReceptacleFull,  // a receptacle's (waste toner) free room is at or below the threshold
};

struct HealthRule {
    RuleTest test;
    std::int32_t value;  // the bit or the status; unused by the supply rules
    Health health;
    const char* reason;  // fixed, or the form the rule writes (see README)
};

inline constexpr HealthRule kHealthRules[] = {
    {RuleTest::ErrorBit, kJammed, Health::Critical, "jammed"},
    {RuleTest::ErrorBit, kNoPaper, Health::Critical, "noPaper"},
    {RuleTest::ErrorBit, kNoToner, Health::Critical, "noToner"},
    {RuleTest::ErrorBit, kDoorOpen, Health::Critical, "doorOpen"},
    {RuleTest::ErrorBit, kOffline, Health::Critical, "offline"},
    {RuleTest::ErrorBit, kMarkerSupplyMissing, Health::Critical, "markerSupplyMissing"},
    {RuleTest::ErrorBit, kOutputFull, Health::Critical, "outputFull"},
    {RuleTest::DeviceStatus, mib::kDeviceDown, Health::Critical, "device down"},
    {RuleTest::AlertSeverity, mib::kSeverityCritical, Health::Critical, "alert critical: CODE"},
    {RuleTest::ErrorBit, kLowPaper, Health::Warning, "lowPaper"},
    {RuleTest::ErrorBit, kLowToner, Health::Warning, "lowToner"},
    {RuleTest::ErrorBit, kServiceRequested, Health::Warning, "serviceRequested"},
    {RuleTest::ErrorBit, kInputTrayMissing, Health::Warning, "inputTrayMissing"},
    {RuleTest::ErrorBit, kOutputTrayMissing, Health::Warning, "outputTrayMissing"},
    {RuleTest::ErrorBit, kOutputNearFull, Health::Warning, "outputNearFull"},
    {RuleTest::ErrorBit, kInputTrayEmpty, Health::Warning, "inputTrayEmpty"},
    {RuleTest::ErrorBit, kOverduePreventMaint, Health::Warning, "overduePreventMaint"},
    {RuleTest::DeviceStatus, mib::kDeviceWarning, Health::Warning, "device warning"},
    {RuleTest::AlertSeverity, mib::kSeverityWarning, Health::Warning, "alert warning: CODE"},
    {RuleTest::AlertSeverity, mib::kSeverityWarningBinary, Health::Warning, "alert warning: CODE"},
    {RuleTest::SupplyLow, 0, Health::Warning, "supply NAME at P%"},
    {RuleTest::ReceptacleFull, 0, Health::Warning, "supply NAME at P% full"},
};

// Sets `health` and `reasons` of a condition. `supplyWarningPercent` is the threshold of the
// supply rules (ReadRequest::supplyWarningPercent, 10 by default).
void DeriveHealth(Condition& condition, double supplyWarningPercent);

}  // namespace condition

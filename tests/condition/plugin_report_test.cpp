// The monitoring plugin's line and status from conditions made here: the boundaries of the
// thresholds, receptacles, labels that collide, what has no perfdata, and the failures that are
// CRITICAL or UNKNOWN. (Against the simulated printer, end to end: tests/term.)
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "condition/health.h"
#include "condition/plugin_report.h"

namespace {

using condition::Condition;
using condition::PluginStatus;
using condition::Supply;

Supply Toner(std::uint32_t index, const std::string& colour, std::optional<double> percent) {
    Supply supply;
    supply.index = index;
    supply.colour = colour;
    supply.type = 3;         // toner
    supply.supplyClass = 3;  // consumed
    supply.levelState = percent ? condition::LevelState::Ok : condition::LevelState::SomeRemaining;
    supply.percent = percent;
    return supply;
}

Condition Answered(std::vector<Supply> supplies, std::optional<std::uint32_t> pages = 100) {
    Condition c;
    c.answered = true;
    c.model = "Lab 1";
    c.errorBits = 0;
    c.deviceStatus = 2;  // running
    c.supplies = std::move(supplies);
    if (pages) {
        c.markers.push_back({1, pages, std::nullopt});
    }
    // As a reading gives it: the health with the reader's own supply rule, which --check's
    // thresholds replace.
    condition::DeriveHealth(c, 10.0);
    return c;
}

TEST(PluginReport, StatusAndLinePerCondition) {
    Supply waste = Toner(5, "", 96.0);
    waste.type = 4;         // wasteToner
    waste.supplyClass = 4;  // receptacle
    waste.description = "Waste Toner Box";
    Condition internal;
    internal.error = "reader stopped";
    internal.errorKinds = {condition::ReadError::Internal};
    Condition unresolved;
    unresolved.error = "printer.invalid: Name or service not known";
    unresolved.errorKinds = {condition::ReadError::NotResolved};
    Condition jammed = Answered({Toner(1, "black", 4.0)});
    jammed.errorBits = 1u << mib::ERROR_JAMMED;
    Condition incomplete = Answered({Toner(1, "black", 50.0)});
    incomplete.error = "timeout after 3 answers";

    struct Row {
        const char* name;
        Condition condition;
        condition::PluginThresholds thresholds;
        PluginStatus status;
        std::string line;
    };
    const std::string perf10 = "%;10:;5:;0;100";
    const Row rows[] = {
        {"above the thresholds",
         Answered({Toner(1, "black", 10.5)}),
         {},
         PluginStatus::Ok,
         "PRINTER OK - Lab 1, lowest supply black toner 10.5% | 'toner_black'=10.5" + perf10 +
             " 'pages'=100c\n"},
        {"at the warning threshold: the reader's own supply reason is not said twice",
         Answered({Toner(1, "black", 10.0)}),
         {},
         PluginStatus::Warning,
         "PRINTER WARNING - black toner 10% | 'toner_black'=10" + perf10 + " 'pages'=100c\n"},
        {"at the critical threshold, critical before warning",
         Answered({Toner(1, "black", 8.0), Toner(2, "cyan", 5.0)}),
         {},
         PluginStatus::Critical,
         "PRINTER CRITICAL - cyan toner 5%, black toner 8% | 'toner_black'=8" + perf10 +
             " 'toner_cyan'=5" + perf10 + " 'pages'=100c\n"},
        {"thresholds of 0: only an empty supply",
         Answered({Toner(1, "black", 0.4)}),
         {0, 0},
         PluginStatus::Ok,
         "PRINTER OK - Lab 1, lowest supply black toner 0.4% | 'toner_black'=0.4%;0:;0:;0;100 "
         "'pages'=100c\n"},
        {"a receptacle by its room left, its ranges from above",
         Answered({waste}),
         {},
         PluginStatus::Critical,
         "PRINTER CRITICAL - Waste Toner Box 96% full | 'wasteToner'=96%;90;95;0;100 "
         "'pages'=100c\n"},
        {"two labels alike: the second with its index",
         Answered({Toner(1, "black", 50.0), Toner(2, "black", 60.0)}),
         {},
         PluginStatus::Ok,
         "PRINTER OK - Lab 1, lowest supply black toner 50% | 'toner_black'=50" + perf10 +
             " 'toner_black_2'=60" + perf10 + " 'pages'=100c\n"},
        {"no percentage, no page count: no perfdata",
         Answered({Toner(1, "black", std::nullopt)}, std::nullopt),
         {},
         PluginStatus::Ok,
         "PRINTER OK - Lab 1\n"},
        {"the printer's critical with a supply's",
         jammed,
         {},
         PluginStatus::Critical,
         "PRINTER CRITICAL - paper jam, black toner 4% | 'toner_black'=4" + perf10 +
             " 'pages'=100c\n"},
        {"an incomplete reading",
         incomplete,
         {},
         PluginStatus::Warning,
         "PRINTER WARNING - incomplete reading: timeout after 3 answers | 'toner_black'=50" +
             perf10 + " 'pages'=100c\n"},
        {"a name that does not resolve is CRITICAL",
         unresolved,
         {},
         PluginStatus::Critical,
         "PRINTER CRITICAL - printer.invalid: Name or service not known\n"},
        {"no reading at all on this side is UNKNOWN",
         internal,
         {},
         PluginStatus::Unknown,
         "PRINTER UNKNOWN - reader stopped\n"},
    };
    for (const Row& row : rows) {
        const condition::PluginReport report =
            condition::ReportForPlugin(row.condition, row.thresholds);
        EXPECT_EQ(static_cast<int>(report.status), static_cast<int>(row.status)) << row.name;
        EXPECT_EQ(report.line, row.line) << row.name;
    }
}

}  // namespace

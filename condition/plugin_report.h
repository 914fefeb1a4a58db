// The condition as a monitoring plugin reports it to Nagios, Icinga or Checkmk (the
// monitoring-plugins development guidelines): one line "PRINTER STATUS - text | perfdata" and
// the status as the exit code. Pure functions.
//
// The status is the worst of: the health without its supply rules (unreachable and critical
// are CRITICAL, warning is WARNING, an incomplete reading among them; UNKNOWN when this side
// could not read at all, ReadError::Internal) and each supply's
// percentage against the plugin's own thresholds (a consumed supply at or below them, a
// receptacle with that little room left). The text names what made it so, in the health
// table's order, then the supplies at the critical threshold, then those at the warning one,
// joined by ", " (Nagios turns a ';' of the text into ':'); when OK, the model and the lowest
// supply. The perfdata has one quoted label per supply with
// a percentage (unit %, warn;crit as ranges, 0;100) and 'pages' (a counter, c).
#pragma once

#include <string>

#include "condition/condition.h"

namespace condition {

enum class PluginStatus { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };
const char* PluginStatusName(PluginStatus status);  // "OK", "WARNING", "CRITICAL", "UNKNOWN"

// A supply is WARNING at or below `warning` percent, CRITICAL at or below `critical`
// (warning >= critical).
struct PluginThresholds {
    double warning = 10.0;
    double critical = 5.0;
};

struct PluginReport {
    PluginStatus status = PluginStatus::Unknown;
    std::string line;  // one line, ending in "\n"
};

// The health is derived again here, without the supply rules: the thresholds judge them.
PluginReport ReportForPlugin(Condition condition, const PluginThresholds& thresholds);

// "PRINTER STATUS - text\n" for what is no reading (a usage error): the text made one safe line.
std::string PluginLine(PluginStatus status, const std::string& text);

}  // namespace condition

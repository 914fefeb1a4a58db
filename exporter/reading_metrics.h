// One printer's condition as the answer of /probe: the vellumark_* metric families whose names
// and labels dashboards and alert rules rely on (README "Many printers: Prometheus" lists them).
// No series carries the target: Prometheus adds `instance`. A printer that did not answer gives
// vellumark_up 0, the duration and the health (unreachable) only.
#pragma once

#include <string>

#include "condition/condition.h"

namespace exporter {

std::string RenderReading(const condition::Condition& condition, double durationSeconds);

// The MIB's name of an enumeration value, or its number when the MIB names none.
std::string EnumLabel(const char* name, long long number);

}  // namespace exporter

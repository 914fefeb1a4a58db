// One printer's condition as the answer of /probe: the vellumark_* metric families whose names
// and labels dashboards and alert rules rely on (README "Many printers: Prometheus" lists them).
// No series carries the target: Prometheus adds `instance`. A printer that did not answer gives
// vellumark_up 0, the duration, whether the reading completed and why not (completeness_metrics.h)
// and the health (unreachable) only.
#pragma once

#include <string>

#include "condition/condition.h"

namespace exporter {

std::string RenderReading(const condition::Condition& condition, double durationSeconds);

// The MIB's name of an enumeration value as a label value; "" (Prometheus's absent label) when
// the printer did not give the object or gave a number the MIB does not name.
std::string EnumLabel(const char* name);

}  // namespace exporter

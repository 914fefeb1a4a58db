// Whether a printer's reading read everything, as series an alert rule can use:
// vellumark_probe_complete (1 when the agent answered and nothing stopped the reading early, else
// 0) and vellumark_probe_error_info{kind}, one series of value 1 per kind of error the reading
// met (condition::ReadErrorName: timeout, deadline, request-cap, ...), none when it completed.
// Written for every probe, answered or not.
#pragma once

#include "condition/condition.h"
#include "exporter/exposition.h"

namespace exporter {

void WriteCompletenessMetrics(Exposition& out, const condition::Condition& condition);

}  // namespace exporter

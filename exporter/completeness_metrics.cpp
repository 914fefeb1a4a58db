#include "exporter/completeness_metrics.h"

namespace exporter {

void WriteCompletenessMetrics(Exposition& out, const condition::Condition& condition) {
    out.Family("vellumark_probe_complete", MetricType::Gauge,
               "Whether the reading read everything (1) or stopped early or never started (0).");
    out.Sample({}, condition::Complete(condition) ? 1 : 0);
    out.Family("vellumark_probe_error_info", MetricType::Gauge,
               "Each kind of error that stopped the reading early: timeout, deadline, "
               "request-cap, not-advancing, agent-error, too-big, row-cap, not-resolved or "
               "internal.");
    for (const condition::ReadError kind : condition.errorKinds) {
        out.Sample({{"kind", condition::ReadErrorName(kind)}}, 1);
    }
    // An error whose kind nobody recorded still shows: the reading is not complete.
    if (condition.errorKinds.empty() && !condition.error.empty()) {
        out.Sample({{"kind", condition::ReadErrorName(condition::ReadError::Internal)}}, 1);
    }
}

}  // namespace exporter

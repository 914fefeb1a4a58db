#include "exporter/self_metrics.h"

#include <chrono>

#include "exporter/exposition.h"
#include "exporter/process_metrics.h"
#include "vellumark/version.h"

namespace exporter {

const char* ReadingResultName(ReadingResult result) {
    switch (result) {
        case ReadingResult::Success:
            return "success";
        case ReadingResult::Unreachable:
            return "unreachable";
        case ReadingResult::BadRequest:
            return "bad_request";
        case ReadingResult::Forbidden:
            return "forbidden";
        case ReadingResult::Overloaded:
            return "overloaded";
        case ReadingResult::Abandoned:
            return "abandoned";
        case ReadingResult::Aborted:
        case ReadingResult::COUNT:
            break;
    }
    return "aborted";
}

bool SelfMetrics::TryAdmit(int cap) {
    int current = inFlight_.load();
    do {
        if (current >= cap) {
            return false;
        }
    } while (!inFlight_.compare_exchange_weak(current, current + 1));
    return true;
}

void SelfMetrics::Finish(ReadingResult result, double seconds) {
    --inFlight_;
    ++results_[static_cast<int>(result)];
    for (std::size_t i = 0; i < BUCKETS.size(); ++i) {
        if (seconds <= BUCKETS[i]) {
            ++buckets_[i];
            break;
        }
    }
    ++durationCount_;
    durationMicros_ += static_cast<std::uint64_t>(seconds * 1e6 + 0.5);
}

void SelfMetrics::Refuse(ReadingResult result) {
    ++results_[static_cast<int>(result)];
}

void SelfMetrics::ConfigLoaded(bool ok) {
    configOk_ = ok;
    if (ok) {
        configLoadedAt_ =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                .count();
    }
}

std::uint64_t SelfMetrics::Count(ReadingResult result) const {
    return results_[static_cast<int>(result)].load();
}

std::string SelfMetrics::Render(const condition::ReaderStats& reader) const {
    Exposition out;
    out.Family("vellumark_exporter_build_info", MetricType::Gauge,
               "The exporter's version, as a label.");
    out.Sample({{"version", VELLUMARK_VERSION}}, 1);

    out.Family("vellumark_exporter_probes_total", MetricType::Counter,
               "Probes answered, by result.");
    for (int i = 0; i < static_cast<int>(ReadingResult::COUNT); ++i) {
        out.Sample({{"result", ReadingResultName(static_cast<ReadingResult>(i))}},
                   static_cast<double>(results_[i].load()));
    }
    out.Family("vellumark_exporter_probe_duration_seconds", MetricType::Histogram,
               "How long admitted probes took, from request to answer.");
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < BUCKETS.size(); ++i) {
        cumulative += buckets_[i].load();
        std::string bound;
        AppendNumber(bound, BUCKETS[i]);
        out.Sample({{"le", bound}}, static_cast<double>(cumulative), "_bucket");
    }
    const std::uint64_t count = durationCount_.load();
    out.Sample({{"le", "+Inf"}}, static_cast<double>(count), "_bucket");
    out.Sample({}, static_cast<double>(durationMicros_.load()) / 1e6, "_sum");
    out.Sample({}, static_cast<double>(count), "_count");

    out.Family("vellumark_exporter_probes_in_flight", MetricType::Gauge,
               "Probes admitted and not answered yet.");
    out.Sample({}, inFlight_.load());
    out.Family("vellumark_exporter_readings_in_flight", MetricType::Gauge,
               "Printer readings the engine has not finished (probes and the status page).");
    out.Sample({}, static_cast<double>(reader.inFlight));
    out.Family("vellumark_exporter_snmp_requests_total", MetricType::Counter,
               "SNMP requests sent, retries included.");
    out.Sample({}, static_cast<double>(reader.requests));
    out.Family("vellumark_exporter_snmp_retries_total", MetricType::Counter,
               "SNMP requests sent again after a time-out.");
    out.Sample({}, static_cast<double>(reader.retries));
    out.Family("vellumark_exporter_snmp_timeouts_total", MetricType::Counter,
               "SNMP requests that got no answer in the end.");
    out.Sample({}, static_cast<double>(reader.timeouts));

    out.Family("vellumark_exporter_config_last_reload_successful", MetricType::Gauge,
               "Whether the last loading of the configuration succeeded.");
    out.Sample({}, configOk_.load() ? 1 : 0);
    out.Family("vellumark_exporter_config_last_reload_success_timestamp_seconds", MetricType::Gauge,
               "When the configuration was last loaded successfully.");
    out.Sample({}, configLoadedAt_.load());

    std::string text = out.Take();
    text += RenderProcessMetrics();
    return text;
}

}  // namespace exporter

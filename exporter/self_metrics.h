// The exporter's own metrics for /metrics: readings by result, their duration, readings in
// flight (which also enforces the cap on them), the reader's SNMP counts, the build and the
// process. Every method may be called from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "condition/reader.h"

namespace exporter {

enum class ReadingResult {
    Success,      // the printer answered
    Unreachable,  // it did not, or its name did not resolve
    BadRequest,   // 400: no, a malformed or an over-long target; unknown auth or version
    Forbidden,    // 403: the target's address is outside the allow-list
    Overloaded,   // 503: the cap on readings in flight was reached
    Aborted,      // 503: the exporter was shutting down
    Abandoned,    // the client closed its connection before the answer
    COUNT
};
const char* ReadingResultName(ReadingResult result);

class SelfMetrics {
  public:
    // Counts a reading in flight unless `cap` are already; false (and nothing counted) then.
    bool TryAdmit(int cap);
    // Ends an admitted reading.
    void Finish(ReadingResult result, double seconds);
    // Counts a reading refused before it was admitted.
    void Refuse(ReadingResult result);

    int InFlight() const { return inFlight_.load(); }
    std::uint64_t Count(ReadingResult result) const;

    // The outcome of the last loading of the configuration (at start, or a reload).
    void ConfigLoaded(bool ok);

    std::string Render(const condition::ReaderStats& reader) const;

    // Upper bounds of the duration histogram's buckets, in seconds.
    static constexpr std::array<double, 10> BUCKETS = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 15, 30};

  private:
    std::atomic<int> inFlight_{0};
    std::array<std::atomic<std::uint64_t>, static_cast<int>(ReadingResult::COUNT)> results_{};
    std::array<std::atomic<std::uint64_t>, BUCKETS.size()> buckets_{};  // not cumulative
    std::atomic<std::uint64_t> durationCount_{0};
    std::atomic<std::uint64_t> durationMicros_{0};
    std::atomic<bool> configOk_{true};
    std::atomic<double> configLoadedAt_{0};  // seconds since the epoch, of the last success
};

}  // namespace exporter

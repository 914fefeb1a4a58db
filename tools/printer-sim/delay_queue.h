// Answers held back by the `delay` fault until they fall due: in due order, equal times in
// arrival order. Its memory is capped in bytes (payloads and bookkeeping), not in entries: an
// answer that would take it past the cap is refused, so a flood of delayed requests, however
// large their answers, cannot grow the process without bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "tools/printer-sim/settings.h"

namespace sim {

inline constexpr std::size_t MAX_QUEUE_BYTES = 16 * 1024 * 1024;

struct PendingAnswer {
    std::chrono::steady_clock::time_point due;
    std::size_t printer = 0;  // whose socket sends it
    net::Endpoint to;
    std::vector<std::uint8_t> response;
    unsigned strays = 0;              // stray datagrams, made from `response` when it leaves
    std::vector<std::uint8_t> spoof;  // the forged copy, sent `spoofs` times from another port
    unsigned spoofs = 0;
};

class DelayQueue {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit DelayQueue(std::size_t maxBytes = MAX_QUEUE_BYTES) : maxBytes_(maxBytes) {}

    // False, and the answer dropped, when it would take the queue past its cap.
    bool Push(PendingAnswer answer);
    std::optional<TimePoint> NextDue() const;
    // Removes and returns up to `limit` answers due at `now`, earliest first.
    std::vector<PendingAnswer> TakeDue(TimePoint now, std::size_t limit);

    std::size_t Size() const { return entries_.size(); }
    std::size_t Bytes() const { return bytes_; }
    // What one answer costs: its payloads, the entry and the container's node.
    static std::size_t CostOf(const PendingAnswer& answer);

  private:
    std::multimap<TimePoint, PendingAnswer> entries_;
    std::size_t bytes_ = 0;
    std::size_t maxBytes_;
};

}  // namespace sim

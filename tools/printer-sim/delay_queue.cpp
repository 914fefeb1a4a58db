#include "tools/printer-sim/delay_queue.h"

namespace sim {
namespace {

// A std::multimap node's own pointers and colour, rounded up for the allocator.
constexpr std::size_t NODE_OVERHEAD = 48;

}  // namespace

std::size_t DelayQueue::CostOf(const PendingAnswer& answer) {
    return sizeof(PendingAnswer) + NODE_OVERHEAD + answer.response.capacity() +
           answer.spoof.capacity();
}

bool DelayQueue::Push(PendingAnswer answer) {
    std::size_t cost = CostOf(answer);
    if (bytes_ + cost > maxBytes_) {
        return false;
    }
    bytes_ += cost;
    TimePoint due = answer.due;
    entries_.emplace_hint(entries_.upper_bound(due), due, std::move(answer));
    return true;
}

std::optional<DelayQueue::TimePoint> DelayQueue::NextDue() const {
    if (entries_.empty()) {
        return std::nullopt;
    }
    return entries_.begin()->first;
}

std::vector<PendingAnswer> DelayQueue::TakeDue(TimePoint now, std::size_t limit) {
    std::vector<PendingAnswer> due;
    while (!entries_.empty() && entries_.begin()->first <= now && due.size() < limit) {
        auto node = entries_.extract(entries_.begin());
        bytes_ -= CostOf(node.mapped());
        due.push_back(std::move(node.mapped()));
    }
    return due;
}

}  // namespace sim

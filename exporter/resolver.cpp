#include "exporter/resolver.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/net/net.h"

namespace exporter {

namespace {

struct Pending;
using DeadlineMap = std::multimap<std::chrono::steady_clock::time_point, std::shared_ptr<Pending>>;

struct Pending {
    std::string host;
    std::uint16_t port = 0;
    ResolveDone done;  // cleared once called: whoever clears it answers
    DeadlineMap::iterator entry;
};

}  // namespace

struct Resolver::State {
    std::mutex mutex;
    std::condition_variable work;   // lookups queued, or stopping
    std::condition_variable timer;  // an earlier deadline, or stopping
    std::deque<std::shared_ptr<Pending>> queue;
    DeadlineMap deadlines;  // every request not answered yet
    bool stopping = false;
    LookupFunction lookup;
    std::size_t maxPending = 0;

    // Takes the request's `done` if nobody answered it yet; under `mutex`.
    static ResolveDone Claim(Pending& pending) {
        ResolveDone done = std::move(pending.done);
        pending.done = nullptr;
        return done;
    }

    void LookupLoop() {
        std::unique_lock lock(mutex);
        while (true) {
            work.wait(lock, [&] { return stopping || !queue.empty(); });
            if (stopping) {
                return;
            }
            std::shared_ptr<Pending> pending = std::move(queue.front());
            queue.pop_front();
            if (!pending->done) {
                continue;  // its deadline passed while it waited
            }
            lock.unlock();
            Resolution result = lookup(pending->host, pending->port);
            lock.lock();
            if (ResolveDone done = Claim(*pending)) {
                deadlines.erase(pending->entry);
                // Answered under the lock: the resolver's destructor cannot run `done` or
                // return meanwhile.
                done(std::move(result));
            }
        }
    }

    void TimerLoop() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (deadlines.empty()) {
                timer.wait(lock);
                continue;
            }
            auto earliest = deadlines.begin()->first;
            if (timer.wait_until(lock, earliest) == std::cv_status::no_timeout) {
                continue;  // woken: the earliest deadline may have changed
            }
            auto now = std::chrono::steady_clock::now();
            while (!deadlines.empty() && deadlines.begin()->first <= now) {
                std::shared_ptr<Pending> pending = std::move(deadlines.begin()->second);
                deadlines.erase(deadlines.begin());
                if (ResolveDone done = Claim(*pending)) {
                    done(Resolution{false, {}, "name lookup timed out"});
                }
            }
        }
    }
};

Resolution SystemLookup(const std::string& host, std::uint16_t port) {
    net::Endpoint endpoint;
    std::string why;
    if (!net::ResolveHostBlocking(host.c_str(), port, &endpoint, &why)) {
        return Resolution{false, {}, "name lookup failed: " + why};
    }
    return Resolution{true, endpoint, ""};
}

Resolver::Resolver(int threads, std::size_t maxPending, LookupFunction lookup)
    : state_(std::make_shared<State>()) {
    state_->lookup = std::move(lookup);
    state_->maxPending = maxPending;
    // The threads share the state rather than the resolver: one blocked in the system
    // resolver must not hold up shutdown, so they are never joined.
    for (int i = 0; i < threads; ++i) {
        std::thread([state = state_] { state->LookupLoop(); }).detach();
    }
    std::thread([state = state_] { state->TimerLoop(); }).detach();
}

Resolver::~Resolver() {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    for (auto& [deadline, pending] : state_->deadlines) {
        pending->done = nullptr;
    }
    state_->deadlines.clear();
    state_->queue.clear();
    state_->work.notify_all();
    state_->timer.notify_all();
}

void Resolver::Resolve(const std::string& host, std::uint16_t port,
                       std::chrono::steady_clock::time_point deadline, ResolveDone done) {
    std::unique_lock lock(state_->mutex);
    if (state_->deadlines.size() >= state_->maxPending) {
        lock.unlock();
        done(Resolution{false, {}, "too many name lookups in progress"});
        return;
    }
    auto pending = std::make_shared<Pending>(Pending{host, port, std::move(done), {}});
    bool earliest = state_->deadlines.empty() || deadline < state_->deadlines.begin()->first;
    pending->entry = state_->deadlines.emplace(deadline, pending);
    state_->queue.push_back(std::move(pending));
    state_->work.notify_one();
    if (earliest) {
        state_->timer.notify_one();
    }
}

}  // namespace exporter

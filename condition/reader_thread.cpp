// StartReader: the engine core on a thread of its own, for the programs that read many
// printers at once (the exporter) and block on nothing else. Submit hands the reading over
// under a lock and wakes the thread's wait.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "condition/engine.h"
#include "condition/engine_core.h"

namespace condition {
namespace {

class ThreadReader final : public Reader {
  public:
    explicit ThreadReader(const ReaderOptions& options) : engine_(options.maxInFlight) {
        thread_ = std::thread([this] { Run(); });
    }

    ~ThreadReader() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wakeup_.notify_all();
        engine_.Wake();
        thread_.join();
    }

    void Submit(ReadRequest request, ReadDone done) override {
        waiting_.fetch_add(1, std::memory_order_relaxed);
        bool first = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            first = submitted_.empty();
            submitted_.emplace_back(std::move(request), std::move(done));
        }
        if (first) {
            wakeup_.notify_one();
            engine_.Wake();
        }
    }

    ReaderStats Stats() const override {
        ReaderStats stats = engine_.Stats();
        stats.inFlight += waiting_.load(std::memory_order_relaxed);
        return stats;
    }

  private:
    void Run() {
        for (;;) {
            const bool stopping = TakeSubmitted();
            if (stopping) {
                break;
            }
            if (engine_.Usable()) {
                engine_.Step(-1);
            } else {
                // Every reading ended at its Submit; wait for the next one without spinning.
                std::unique_lock<std::mutex> lock(mutex_);
                wakeup_.wait(lock, [this] { return stopping_ || !submitted_.empty(); });
            }
        }
        // Stop: every reading still pending ends now, those submitted since the last turn too.
        std::vector<std::pair<ReadRequest, ReadDone>> taken;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken.swap(submitted_);
        }
        for (auto& [request, done] : taken) {
            waiting_.fetch_sub(1, std::memory_order_relaxed);
            EngineCore::Refuse(std::move(request), std::move(done), "reader stopped");
        }
        engine_.StopAll("reader stopped");
    }

    // Hands what was submitted to the engine; true when the reader is stopping.
    bool TakeSubmitted() {
        std::vector<std::pair<ReadRequest, ReadDone>> taken;
        bool stopping = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping = stopping_;
            if (!stopping) {
                taken.swap(submitted_);
            }
        }
        for (auto& [request, done] : taken) {
            waiting_.fetch_sub(1, std::memory_order_relaxed);
            engine_.Submit(std::move(request), std::move(done));
        }
        return stopping;
    }

    EngineCore engine_;  // touched by the thread only, but for Wake and Stats
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wakeup_;
    bool stopping_ = false;
    std::vector<std::pair<ReadRequest, ReadDone>> submitted_;
    std::atomic<std::uint64_t> waiting_{0};
};

}  // namespace

std::unique_ptr<Reader> StartReader(const ReaderOptions& options) {
    return std::make_unique<ThreadReader>(options);
}

}  // namespace condition

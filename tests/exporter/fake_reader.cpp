#include "tests/exporter/fake_reader.h"

namespace exporter::testing {

FakeReader::FakeReader() : thread_([this] { Loop(); }) {}

FakeReader::~FakeReader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void FakeReader::Set(std::uint16_t port, FakeAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_[port] = std::move(answer);
}

void FakeReader::Submit(condition::ReadRequest request, condition::ReadDone done) {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    Job job;
    auto it = answers_.find(request.agent.port);
    if (it != answers_.end() && it->second.answers) {
        job.due = std::min(std::chrono::steady_clock::now() + it->second.delay, request.deadline);
        job.condition = it->second.condition;
    } else {
        job.due = request.deadline;
        job.condition.error = "timeout";
    }
    job.done = std::move(done);
    jobs_.emplace(job.due, std::move(job));
    wake_.notify_all();
}

condition::ReaderStats FakeReader::Stats() const {
    std::lock_guard lock(mutex_);
    condition::ReaderStats stats;
    stats.requests = requests_.size();
    stats.inFlight = jobs_.size();
    return stats;
}

std::vector<condition::ReadRequest> FakeReader::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void FakeReader::Loop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (jobs_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto due = jobs_.begin()->first;
        if (std::chrono::steady_clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        Job job = std::move(jobs_.begin()->second);
        jobs_.erase(jobs_.begin());
        lock.unlock();
        job.done(std::move(job.condition));
        lock.lock();
    }
}

}  // namespace exporter::testing

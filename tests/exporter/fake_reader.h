// A reader for the exporter's tests. Each request is answered on the reader's own thread as the
// entry for its agent's port says: a condition after a delay, or nothing until the request's
// deadline (then "not answered"), as the contract allows. Records every request.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "condition/reader.h"

namespace exporter::testing {

struct FakeAnswer {
    bool answers = true;  // false: silent until the deadline
    std::chrono::milliseconds delay{0};
    condition::Condition condition;
};

class FakeReader : public condition::Reader {
  public:
    FakeReader();
    ~FakeReader() override;  // answers nothing more

    void Set(std::uint16_t port, FakeAnswer answer);
    void Submit(condition::ReadRequest request, condition::ReadDone done) override;
    condition::ReaderStats Stats() const override;

    std::vector<condition::ReadRequest> Requests() const;

  private:
    struct Job {
        std::chrono::steady_clock::time_point due;
        condition::Condition condition;
        condition::ReadDone done;
    };
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::uint16_t, FakeAnswer> answers_;
    std::multimap<std::chrono::steady_clock::time_point, Job> jobs_;
    std::vector<condition::ReadRequest> requests_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace exporter::testing

// The condition engine without a thread of its own: readings are submitted, and the owner
// drives them by calling Step from its loop (the reader thread of reader_thread.cpp, ReadOnce,
// or a window's timer). Each reading has a UDP socket of its own, opened when it is submitted
// and closed when it ends, so its source port says nothing about the next reading's; its
// requests' ids, the matching of answers and the requests' time-outs are the shared request
// table's (platform/snmpmgr/request_match.h). At most `maxInFlight` requests are outstanding
// at once; the rest wait their turn.
//
// Failure guarantees: every submitted reading's `done` is called exactly once, from Step,
// Refuse or StopAll (on the owner's thread), by its deadline at the latest provided Step is
// called; an engine that cannot wait on sockets (Usable() false) ends each reading at once
// with the error saying why.
#pragma once

#include <cstddef>
#include <memory>

#include "condition/reader.h"

namespace condition {

class EngineCore {
  public:
    explicit EngineCore(std::size_t maxInFlight);
    ~EngineCore();
    EngineCore(const EngineCore&) = delete;
    EngineCore& operator=(const EngineCore&) = delete;

    bool Usable() const;
    void Submit(ReadRequest request, ReadDone done);
    // Ends a reading before it starts, with `why` as its error.
    static void Refuse(ReadRequest request, ReadDone done, const char* why);
    // Runs what is due, then waits for answers at most `maxWaitMs` (negative: until the next
    // time-out or a Wake) and handles them.
    void Step(int maxWaitMs);
    // Ends a Step waiting now or next; any thread.
    void Wake();
    // Ends every reading still pending with `why` as its error.
    void StopAll(const char* why);
    std::size_t Pending() const;
    ReaderStats Stats() const;  // any thread

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace condition

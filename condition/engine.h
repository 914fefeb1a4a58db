// The reader behind condition/reader.h: the engine core (engine_core.h) on a thread of its own
// that sleeps in the platform's poller between events, reading many printers at once. Each
// reading has its own UDP socket; every request a random id; an answer counts only when the
// shared request table takes it (request-id, the socket it came on, source address and port,
// version, community). Each request has its own time-out and retries; each reading its
// deadline; at most `maxInFlight` requests are outstanding, the rest wait their turn.
//
// Failure guarantees: every submitted reading's `done` is called exactly once, on the
// reader's thread, by its deadline at the latest; a reader that cannot start (no poller) still
// calls each `done`, with the error saying why. Destroying the reader ends the readings still
// pending (error "reader stopped") before it returns. StartReader needs the C++ runtime's
// threads (the POSIX builds); ReadOnce runs the core on the caller's thread, everywhere.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "condition/reader.h"

namespace condition {

struct ReaderOptions {
    std::size_t maxInFlight = 256;  // requests outstanding at once
};

// A reading whose ReadRequest::deadline was left at its default (the clock's epoch) gets
// this long from its submission.
inline constexpr std::chrono::seconds DEFAULT_READING_TIME{10};

std::unique_ptr<Reader> StartReader(const ReaderOptions& options = ReaderOptions{});

// Reads one printer on an engine core of its own, stepped on the caller's thread, and returns
// the result: the terminal's one-shot mode, the Windows program and the tests. Returns by the
// request's deadline (or DEFAULT_READING_TIME).
Condition ReadOnce(const ReadRequest& request);

}  // namespace condition

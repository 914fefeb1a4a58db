// The reader behind condition/reader.h: one thread reads many printers at once over a few
// non-blocking UDP sockets (IPv4 and IPv6), matching each answer to its pending request by
// request-id, then by the socket it came on, its source address and port, version and
// community (anything else is dropped, as the window's manager does). Each request has its
// own time-out and retries; each reading its deadline; at most `maxInFlight` requests are
// outstanding, the rest wait their turn. The thread sleeps in epoll between events.
//
// Failure guarantees: every submitted reading's `done` is called exactly once, on the
// reader's thread, by its deadline at the latest; a reader that cannot start (no epoll, no
// socket of either family) still calls each `done`, with the error saying why. Destroying
// the reader ends the readings still pending (error "reader stopped") before it returns.
// Linux only (engine_posix.cpp).
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "condition/reader.h"

namespace condition {

struct ReaderOptions {
    std::size_t maxInFlight = 256;     // requests outstanding at once
    std::size_t socketsPerFamily = 4;  // UDP sockets per address family
};

// A reading whose ReadRequest::deadline was left at its default (the clock's epoch) gets
// this long from its submission.
inline constexpr std::chrono::seconds DEFAULT_READING_TIME{10};

std::unique_ptr<Reader> StartReader(const ReaderOptions& options = ReaderOptions{});

// Reads one printer on a reader of its own and waits for the result: the terminal's one-shot
// mode and the tests. Returns by the request's deadline (or DEFAULT_READING_TIME).
Condition ReadOnce(const ReadRequest& request);

}  // namespace condition

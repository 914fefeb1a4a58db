// Waiting on many UDP sockets at once from one thread, for the condition engine: epoll on
// Linux, WSAPoll on Windows (picked by the build). Sockets are added and removed, and the wait
// run, by the owning thread only; PollerWake may be called from any thread and ends a wait in
// progress (or the next one) early.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/net/net.h"

namespace net {

struct Poller;

// Null when the platform gives no way to wait (the socket library not started among them).
Poller* PollerOpen();
void PollerClose(Poller* poller);

// Watches `socket` for datagrams to read; a ready socket is reported by its `token` (any value
// but the largest).
bool PollerAdd(Poller* poller, UdpSocket* socket, std::uint64_t token);
// Stops watching `socket`; call it before UdpClose.
void PollerRemove(Poller* poller, UdpSocket* socket);

// Waits at most `timeoutMs` (negative: until something happens) for readable sockets or a
// wake, and fills `ready` with the readable sockets' tokens (none after a wake or a time-out).
// False when the wait itself failed.
bool PollerWait(Poller* poller, int timeoutMs, std::vector<std::uint64_t>* ready);
void PollerWake(Poller* poller);

}  // namespace net

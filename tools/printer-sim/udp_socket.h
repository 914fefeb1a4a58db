// The POSIX datagram sockets of the simulated printer: bound, non-blocking UDP sockets and
// the address they ended up on. The file descriptor is closed by the owner with Close().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/printer-sim/settings.h"

namespace sim {

// A non-blocking UDP socket bound to `endpoint`; -1 and a reason in `error` on failure.
int OpenUdp(const Endpoint& endpoint, std::string& error);

// The address and port the socket is bound to (resolves port 0).
Endpoint BoundEndpoint(int fd);

// "127.0.0.1:161"
std::string FormatEndpoint(const Endpoint& endpoint);

// One datagram without blocking: its size, or -1 when none is waiting. Datagrams larger than
// `capacity` are dropped whole, never cut.
long ReceiveFrom(int fd, std::uint8_t* data, std::size_t capacity, Endpoint& from);

// Best effort, as UDP is.
void SendTo(int fd, const Endpoint& to, const std::uint8_t* data, std::size_t size);

void Close(int fd);

}  // namespace sim

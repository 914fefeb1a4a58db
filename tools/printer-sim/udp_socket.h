// The POSIX datagram sockets of the simulated printer: bound, non-blocking UDP sockets (IPv4 or
// IPv6, the endpoint's family) and the address they ended up on. The file descriptor is closed
// by the owner with Close().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/net/net.h"

namespace sim {

// A non-blocking UDP socket bound to `endpoint`; -1 and a reason in `error` on failure.
int OpenUdp(const net::Endpoint& endpoint, std::string& error);

// The address and port the socket is bound to (resolves port 0).
net::Endpoint BoundEndpoint(int fd);

// One datagram without blocking: its size, or -1 when none is waiting. Datagrams larger than
// `capacity` are dropped whole, never cut.
long ReceiveFrom(int fd, std::uint8_t* data, std::size_t capacity, net::Endpoint& from);

// Best effort, as UDP is.
void SendTo(int fd, const net::Endpoint& to, const std::uint8_t* data, std::size_t size);

void Close(int fd);

}  // namespace sim

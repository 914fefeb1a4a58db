// The one conversion between an endpoint and the platform's socket address (sockaddr_in or
// sockaddr_in6), for the code that calls the socket API itself: the platform's sockets, the
// condition engine, the exporter's server and the simulated printer.
#pragma once

#include "platform/net/net.h"

struct sockaddr_storage;

namespace net {

// Writes `endpoint` into `out` and returns the length to hand the socket call with it.
int ToSockaddr(const Endpoint& endpoint, sockaddr_storage* out);

// Reads a socket address of `length` bytes as a socket call filled it. False, with `endpoint`
// all zero, for another family or a length too short for its family.
bool FromSockaddr(const sockaddr_storage& address, long length, Endpoint* endpoint);

// The socket API's number for `family` (AF_INET, AF_INET6).
int AddressFamily(Family family);

}  // namespace net

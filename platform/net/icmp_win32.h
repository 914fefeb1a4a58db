// Windows only: the system's ICMP echo service opened directly, without trying a raw socket
// first as IcmpOpen does. Lets tests exercise the service where raw sockets are granted.
#pragma once

#include "platform/net/net.h"

namespace net {

// An IcmpKind::Service socket for `family` (IcmpSendEcho, or Icmp6SendEcho2 for IPv6), or null
// when the service cannot be loaded.
IcmpSocket* IcmpOpenEchoService(Family family);

}  // namespace net

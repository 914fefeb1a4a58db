// The steps of one probe, for ProbeTarget and its tests: build and send the request, then wait
// for its reply. The request record is reused by every probe.
#pragma once

#include <cstdint>

#include "platform/net/net.h"
#include "probe/echo.h"

// Rewrites `request` for the next probe to an address of `family`: identifier and sequence from
// the low 16 bits of the echo counters (each then advanced by one) and the current tick count
// as data.
void BuildEchoRequest(EchoRequest* request, net::Family family);

// Builds the next request and sends it once to `destination`'s address. The outcome of the
// send is not examined. Returns the record as sent.
const EchoRequest& SendEchoRequest(net::IcmpSocket* socket, const net::Endpoint& destination);

// Waits at most PROBE_WAIT_MS in all for the echo reply to `sent` from `destination`; other
// datagrams are read and discarded. PROBE_REPLY, PROBE_NO_REPLY, or PROBE_ERROR when the wait
// itself fails.
int WaitForAnswer(net::IcmpSocket* socket, const net::Endpoint& destination,
                  const EchoRequest& sent);

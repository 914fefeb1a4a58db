#include "probe/probe.h"

#include "platform/clock/clock.h"
#include "probe/probe_steps.h"
#include "state/monitor_state.h"

std::uint32_t g_echo_identifier = 1;
std::uint32_t g_echo_sequence = 1;

namespace {

// Room for any IPv4 header (60 bytes) and far more ICMP(v6) than our 12-byte reply carries;
// anything longer is not ours and may be cut.
constexpr std::size_t RECEIVE_BYTES = 512;

EchoRequest g_echo_request;  // one record, rewritten completely by every probe

}  // namespace

void BuildEchoRequest(EchoRequest* request, net::Family family) {
    const auto identifier = static_cast<std::uint16_t>(g_echo_identifier & 0xFFFFu);
    ++g_echo_identifier;
    const auto sequence = static_cast<std::uint16_t>(g_echo_sequence & 0xFFFFu);
    ++g_echo_sequence;
    FillEchoRequest(request, family, identifier, sequence, TickCountMs());
}

const EchoRequest& SendEchoRequest(net::IcmpSocket* socket, const net::Endpoint& destination) {
    BuildEchoRequest(&g_echo_request, destination.family);
    net::IcmpSend(socket, destination, g_echo_request.bytes, ECHO_REQUEST_BYTES);
    return g_echo_request;
}

// Only our own echo reply counts. A raw socket also delivers our request looped back, other
// programs' pings and routers' errors; counting any readable datagram would call a silent host
// alive. So every datagram is read and checked, and the wait goes on, one deadline in all.
int WaitForAnswer(net::IcmpSocket* socket, const net::Endpoint& destination,
                  const EchoRequest& sent) {
    const std::uint32_t start = TickCountMs();
    const net::IcmpKind kind = net::IcmpSocketKind(socket);
    int remaining = PROBE_WAIT_MS;
    for (;;) {
        const int ready = net::IcmpWait(socket, remaining);
        if (ready < 0) {
            return PROBE_ERROR;
        }
        if (ready == 0) {
            return PROBE_NO_REPLY;
        }
        std::uint8_t packet[RECEIVE_BYTES];
        net::Endpoint from;
        const long size = net::IcmpReceive(socket, packet, sizeof packet, &from);
        if (size >= 0 &&
            IsEchoReplyTo(packet, static_cast<std::size_t>(size), kind, from, destination, sent)) {
            return PROBE_REPLY;
        }
        // Tick counts are whole milliseconds, so `elapsed` may count one more than has truly
        // passed: the wait goes on until it shows one more than the wait, and never ends early.
        const std::uint32_t elapsed = TickCountMs() - start;
        if (elapsed > static_cast<std::uint32_t>(PROBE_WAIT_MS)) {
            return PROBE_NO_REPLY;
        }
        remaining = PROBE_WAIT_MS + 1 - static_cast<int>(elapsed);
    }
}

int ProbeTarget() {
    if (!net::Startup()) {
        return PROBE_ERROR;
    }
    // An agent that is not usable sends nothing; the socket is still opened for its family, so
    // that no way to send an echo is said whatever the target.
    net::IcmpSocket* socket = net::IcmpOpen(g_agent.address.family);
    if (socket == nullptr) {
        net::Cleanup();
        return PROBE_ERROR;
    }
    // The address was worked out when the target was set; a target that did not fit or did
    // not resolve sends nothing anywhere.
    if (!g_agent.usable) {
        net::IcmpClose(socket);
        net::Cleanup();
        return PROBE_NO_REPLY;
    }
    const net::Endpoint& destination = g_agent.address;
    const EchoRequest& sent = SendEchoRequest(socket, destination);
    const int result = WaitForAnswer(socket, destination, sent);
    net::IcmpClose(socket);
    net::Cleanup();
    return result;
}

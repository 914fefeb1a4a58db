// Test helper: probes each target given on the command line in turn, in one process, and prints
// the kind of ICMP socket available ("raw", "datagram", "service" or "none") and then each
// result on one line. Exits with the last result.
#include <cstdio>

#include "platform/net/net.h"
#include "probe/probe.h"
#include "shell/globals.h"
#include "text/bounded_text.h"

namespace {

const char* KindName() {
    net::IcmpSocket* socket = net::IcmpOpen();
    if (socket == nullptr) {
        return "none";
    }
    const net::IcmpKind kind = net::IcmpSocketKind(socket);
    net::IcmpClose(socket);
    switch (kind) {
        case net::IcmpKind::Raw:
            return "raw";
        case net::IcmpKind::Datagram:
            return "datagram";
        case net::IcmpKind::Service:
            return "service";
    }
    return "none";
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("%s\n", KindName());
    int result = PROBE_ERROR;
    for (int i = 1; i < argc; ++i) {
        BoundedCopy(g_target, TARGET_CHARS, argv[i]);
        result = ProbeTarget();
        std::printf("%d\n", result);
    }
    std::fflush(stdout);
    return result;
}

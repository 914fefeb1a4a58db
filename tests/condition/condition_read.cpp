// Reads one printer's condition through the engine and prints it as JSON and as text: built
// for Linux and for Windows from this one file, so that the wine test can compare the
// Windows engine's reading with the Linux one's of the same simulated printer.
//
//   vellumark-condition-read HOST:PORT [v1|v2c]
// Exit status: 0 answered, 1 not answered, 2 usage.
#include <cstdio>
#include <cstring>
#include <string>

#include "condition/engine.h"
#include "condition/render.h"
#include "platform/net/net.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vellumark-condition-read HOST:PORT [v1|v2c]\n");
        return 2;
    }
    if (!net::Startup()) {
        std::fprintf(stderr, "no socket library\n");
        return 1;
    }
    std::string why;
    const auto agent = net::ResolveTarget(argv[1], 1000, &why);
    if (!agent) {
        std::fprintf(stderr, "%s: %s\n", argv[1], why.c_str());
        net::Cleanup();
        return 2;
    }
    condition::ReadRequest request;
    request.agent = *agent;
    request.version = argc == 3 && std::strcmp(argv[2], "v2c") == 0 ? condition::SnmpVersion::V2c
                                                                    : condition::SnmpVersion::V1;
    const condition::Condition read = condition::ReadOnce(request);
    // Windows' C runtime writes each "\n" as CR LF; the wine test drops the CRs.
    const std::string out = condition::ConditionJson(read) + "\n" + condition::ConditionText(read);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    net::Cleanup();
    return read.answered ? 0 : 1;
}

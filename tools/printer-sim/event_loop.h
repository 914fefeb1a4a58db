// The running simulator: one thread and one epoll set over the signal pipe, the control socket
// and every printer's socket (a fleet of a thousand needs no more). It answers requests from
// `state`, sends delayed answers when they fall due and advances live values. Returns when
// SIGINT or SIGTERM arrives (after InstallSignalHandlers).
#pragma once

#include <vector>

#include "tools/printer-sim/settings.h"
#include "tools/printer-sim/sim_state.h"

namespace sim {

// `agentFds` holds one bound socket per printer of `state`; `controlFd` is bound or -1.
// Returns the process exit status.
int RunEventLoop(const std::vector<int>& agentFds, int controlFd, const Options& options,
                 SimState& state);

}  // namespace sim

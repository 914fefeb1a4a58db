// The running agent: waits on the SNMP socket, the control socket and the signals, answers
// requests from `state`, sends delayed answers when they fall due and advances live values.
// Returns when SIGINT or SIGTERM arrives.
#pragma once

#include "tools/printer-sim/options.h"
#include "tools/printer-sim/sim_state.h"

namespace sim {

// Installs the signal handlers (SIGUSR1/SIGUSR2 silence, SIGINT/SIGTERM stop, SIGPIPE
// ignored). Call before announcing the ports, so that a signal sent right after is not lost.
bool InstallSignalHandlers();

// `agentFd` and `controlFd` (or -1) are bound sockets. Returns the process exit status.
int RunEventLoop(int agentFd, int controlFd, const Options& options, SimState& state);

}  // namespace sim

// The signals the simulator answers: SIGUSR1 silences every printer, SIGUSR2 lets them answer
// again, SIGINT and SIGTERM end it (SIGPIPE is ignored). A handler only writes one byte to a
// pipe that the event loop reads, and each handler blocks the other signals while it runs, so
// the bytes lie in the order the signals were delivered: when USR1 and USR2 arrive together,
// the one delivered last wins.
#pragma once

#include <string>
#include <vector>

#include "tools/printer-sim/sim_state.h"

namespace sim {

// Call before announcing the ports, so that a signal sent right after is not lost.
bool InstallSignalHandlers();

// The read end of the pipe, for the event loop to wait on.
int SignalFd();

// Reads the bytes the handlers wrote and applies them in order. True when a stop signal came;
// `notes` gets a line per signal for the log.
bool ApplySignals(SimState& state, std::vector<std::string>& notes);

}  // namespace sim

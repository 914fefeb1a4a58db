// The control channel's command language: one command per line, one reply line per command,
// "ok" (sometimes followed by data) or "error: why". Commands change the faults, the served
// data and logging of a SimState; nothing here does I/O. See README.md for the commands.
#pragma once

#include <string>
#include <string_view>

#include "tools/printer-sim/sim_state.h"

namespace sim {

inline constexpr int kMaxDelayMs = 600000;
inline constexpr unsigned kMaxStray = 100;

// Runs one command line (a trailing "\r" or "\n" is ignored) and returns the reply without a
// line end.
std::string ExecuteControl(std::string_view line, SimState& state);

// The reply of `stats`: "ok requests=N answered=N ...".
std::string StatsLine(const Stats& stats);

}  // namespace sim

// The control channel's command language: one command per line, one reply line per command,
// "ok" (sometimes followed by data) or "error: why". A command may name its printer in a fleet
// ("printer 3 jam", "printer all silence on"); without that it goes to every printer. Commands
// change the faults, the conditions, the served data and logging of a SimState; nothing here
// does I/O. See README.md for the commands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/printer-sim/sim_state.h"

namespace sim {

inline constexpr int MAX_DELAY_MS = 600000;
inline constexpr unsigned MAX_STRAY = 100;
inline constexpr unsigned MAX_BULK_FLOOD = 100000;
// The largest control datagram read, and the largest reply sent.
inline constexpr std::size_t CONTROL_BYTES = 4096;

// Runs one command line (a trailing "\r" or "\n" is ignored) and returns the reply without a
// line end.
std::string ExecuteControl(std::string_view line, SimState& state);

// Runs every non-blank line of one control datagram and returns the reply datagram: a line
// per command, at most CONTROL_BYTES in all; replies that would not fit are left out and an
// "error: reply cut ..." line says how many. Every command runs either way. `log` receives a
// "LINE -> REPLY" text per command when not null.
std::string ControlReply(std::string_view datagram, SimState& state,
                         std::vector<std::string>* log = nullptr);

// The reply of `stats` for one printer or the sum of several: "ok requests=N answered=N ...".
std::string StatsLine(const Stats& stats, const SimState& state);

}  // namespace sim

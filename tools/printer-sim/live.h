// Live values: while the simulated printer runs with --live it "prints" one page per page
// interval. Each page adds one to the lifetime and power-on page counts of marker 1, every
// tenth page takes one unit from each supply level that is above zero (special values such as
// -2 and -3 stay), and sysUpTime follows the time the process has run.
#pragma once

#include <cstdint>

#include "tools/printer-sim/sim_state.h"

namespace sim {

inline constexpr unsigned kPagesPerTonerUnit = 10;

// Applies `pages` printed pages to every profile of `state`.
void PrintPages(SimState& state, std::uint64_t pages);

// Adds `centiseconds` to every profile's sysUpTime.0 that is a TimeTicks (wrapping at 2^32).
void AddUptime(SimState& state, std::uint64_t centiseconds);

}  // namespace sim

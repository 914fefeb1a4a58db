// Live values: while the simulated printer runs with --live it "prints" one page per page
// interval. Each page adds one to the lifetime and power-on page counts of marker 1, every
// tenth page takes one unit from each supply level that is above zero (never below zero, however
// many units one batch of pages uses; -1, -2 and -3 keep their meaning) and adds one to
// each receptacle's (a waste toner box, up to its capacity), and sysUpTime follows the time the
// process has run. Conditions follow the new levels.
#pragma once

#include <cstdint>

#include "tools/printer-sim/sim_state.h"

namespace sim {

inline constexpr unsigned PAGES_PER_TONER_UNIT = 10;

// Applies `pages` printed pages to every profile of `printer`.
void PrintPages(Printer& printer, std::uint64_t pages);

// Adds `centiseconds` to every profile's sysUpTime.0 that is a TimeTicks (wrapping at 2^32).
void AddUptime(Printer& printer, std::uint64_t centiseconds);

// Adds `amount` to a counter in its type's range: INTEGER stops at 2^31-1, Counter32, Gauge32
// and TimeTicks wrap at 2^32; other types do not change.
void AddToCounter(ber::Value& value, std::uint64_t amount);

}  // namespace sim

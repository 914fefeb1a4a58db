// Printer conditions on demand: a paper jam, an open door, empty trays, supply levels. Once a
// condition was set the printer's status objects follow the conditions and the supply levels
// as a real printer's do: the hrPrinterDetectedErrorState bits, hrDeviceStatus,
// hrPrinterStatus, prtAlertTable rows, the console text and the maker's status text, and the
// level and status of empty inputs (so a supply that runs low while printing raises its
// alert). `clear` puts every object the conditions changed back as it was before. Every
// profile of the printer (one per community) follows, each from its own data.
#pragma once

#include <cstdint>
#include <string>

#include "tools/printer-sim/sim_state.h"

namespace sim {

// A consumed supply is low at or below this percentage of its capacity (empty at 0); a
// receptacle (waste toner) is almost full at or above RECEPTACLE_NEAR_FULL_PERCENT, full at 100.
inline constexpr int SUPPLY_LOW_PERCENT = 5;
inline constexpr int RECEPTACLE_NEAR_FULL_PERCENT = 95;

// Each sets a condition and updates the objects; the result is "" or why it was refused
// (an input or supply no profile of the printer has, a percentage outside 0..100).
std::string SetJam(Printer& printer, bool on);
std::string SetDoorOpen(Printer& printer, bool on);
std::string SetPaperOut(Printer& printer, std::uint32_t input, bool on);
// Sets the supply's level to PERCENT of its capacity; a supply without a capacity shows 0 at
// 0 % and -3 (some remaining) otherwise, and its alerts follow the percentage given.
std::string SetSupplyPercent(Printer& printer, std::uint32_t supply, int percent);

// Ends every condition and restores what they changed, supply levels set by `toner` included.
void ClearConditions(Printer& printer);

// Brings the objects in line with the conditions and the current supply levels; nothing
// happens before the first condition was set.
void ApplyConditions(Printer& printer);

}  // namespace sim

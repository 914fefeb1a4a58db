// The printer's own row numbers, found once when the target is set (start-up, Update Target)
// and read by the model query and every poll cycle. Until they are found, and for a printer
// that keeps its rows at 1, they are the rows the window has always read.
#pragma once

#include <cstdint>

struct PrinterRows {
    std::uint32_t device = 1;  // hrDeviceIndex of the printer: the first index of its cells
    std::uint32_t supply = 1;  // the marker supply the toner bar shows
    bool hasSupply = true;     // false: no supply rows, the bar is empty and nothing is asked
};

extern PrinterRows g_rows;

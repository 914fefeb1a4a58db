// One printer's card on the status page: its name and health, model, location, serial and
// target, its reasons in words (the MIB's names in tooltips), a bar per supply in its
// colorant's colour with its percent, trays, alerts, the console's text and when it last
// answered.
#pragma once

#include <chrono>
#include <string>

#include "exporter/status_cache.h"

namespace exporter {

void WritePrinterCard(std::string& html, const PrinterView& view,
                      std::chrono::system_clock::time_point now);

}  // namespace exporter

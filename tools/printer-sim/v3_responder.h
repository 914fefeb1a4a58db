// The printer's answer to an SNMPv3 datagram: the USM's checks and reports (snmp/usm_agent),
// then the request answered as the SNMPv2c request it carries would be, from the profile its
// context names (its community; an empty context: the first profile), and the answer secured
// as the request was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/settings.h"
#include "tools/printer-sim/sim_state.h"

namespace sim {

// The clock the printers' SNMPv3 engines run on: monotonic, in milliseconds.
std::uint64_t EngineClockMs();

// Gives every printer an SNMPv3 engine serving `options`' users, its engine time 0 now; with
// no users, none.
void StartEngines(const Options& options, SimState& state);

// Needs printer.v3. `nowMs` is the clock the printer's engine was started on.
Reply RespondV3(const std::uint8_t* data, std::size_t size, Printer& printer, std::uint64_t nowMs);

}  // namespace sim

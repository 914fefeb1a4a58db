// A fleet: many simulated printers served by one process, for load tests and the demo. Every
// printer serves the same profiles, printer 0 as loaded and each other one varied (its own
// name and serial number, page counts, supply levels and uptime), and listens on a socket of
// its own: printer i on port BASE+i, or on the address BASE+i with the same port.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/printer-sim/settings.h"
#include "tools/printer-sim/sim_state.h"

namespace sim {

// `count` printers serving `profiles`, printer i varied by i.
std::vector<Printer> MakeFleet(const std::vector<Profile>& profiles, std::size_t count);

// Changes the values of `profile` for printer `index` (nothing for printer 0): sysName and
// prtGeneralSerialNumber get "-NNNN", page counts, sysUpTime and supply levels move by amounts
// that grow with the index (levels stay within 0..capacity).
void VaryForPrinter(Profile& profile, std::size_t index);

// Opens and binds the printers' sockets (`fds` gets one per printer). With port 0 it looks for
// a run of free ports (or one port free on every address) itself. False with a reason when
// they cannot all be bound; nothing stays open then.
bool OpenFleetSockets(const net::Endpoint& base, std::size_t count, FleetSpread spread,
                      std::vector<int>& fds, std::string& error);

}  // namespace sim

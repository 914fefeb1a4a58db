// The window's status poll as a bare exchange, for the benchmarks that time it: its thirteen
// objects in poll order, and one cycle of them through our manager (open, one GET per object,
// close). The same objects go through net-snmp's library in netsnmp_cycle.h.
#pragma once

#include <vector>

// The rows of the window's status poll, in poll order.
const std::vector<const char*>& PollOids();

// One cycle against `target` ("HOST:PORT") with community orchid and the window's time-out and
// retries; returns how many GETs were answered.
int ManagerCycle(const char* target);

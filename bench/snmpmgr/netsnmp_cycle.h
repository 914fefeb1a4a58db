// One poll cycle through net-snmp's library (open, one GET per object, close), kept in its own
// file because net-snmp's headers define macros that clash with our API's constants.
#pragma once

#include <string>
#include <vector>

struct NetSnmpCycle;

// Prepares the library once and parses the identifiers; null when net-snmp cannot start.
NetSnmpCycle* NetSnmpCycleCreate(const std::string& target, const std::string& community,
                                 const std::vector<const char*>& oids);
// Runs one cycle; returns how many GETs were answered.
int NetSnmpCycleRun(NetSnmpCycle* cycle);
void NetSnmpCycleDestroy(NetSnmpCycle* cycle);

// Small helpers of the simulator's program tests: running a shell command for its output
// and exit status, snmpget against a PrinterSim, and a raw SNMP GET over our own socket.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/snmpmgr/ber.h"

namespace simtest {

struct CommandResult {
    int status = -1;     // exit status, -1 when it did not exit normally
    std::string output;  // stdout and stderr together
};

// Runs `command` through /bin/sh and collects its output.
CommandResult RunShell(const std::string& command);

// net-snmp's snmpget, SNMPv1, numeric OIDs, a 0.3 s time-out and no retries.
CommandResult SnmpGet(const std::string& target, const std::string& oid,
                      const std::string& community = "orchid");

bool HaveSnmpGet();

// A UDP socket on 127.0.0.1 that sends one GET to `port` and collects every datagram that
// comes back from any port, until the answer with the request's id arrives from `port` or
// `windowMs` have passed.
struct RawExchange {
    std::int32_t requestId = 0;
    std::vector<std::vector<std::uint8_t>> datagrams;
    std::vector<long> arrivalMs;  // since the request left
    std::vector<std::uint16_t> fromPorts;
};
RawExchange RawGet(std::uint16_t port, const std::vector<std::uint32_t>& oid, int windowMs,
                   const std::string& community = "orchid");

// Sends `data` to 127.0.0.1:`port` and expects nothing back.
void SendDatagram(std::uint16_t port, const std::vector<std::uint8_t>& data);

}  // namespace simtest

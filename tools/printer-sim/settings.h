// What the simulated printer runs with, as its command line (apps/printer-sim) sets it. Flags
// that set a fault or a condition at start are kept as the control commands they stand for
// (`startCommands`), run for every printer once loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/net.h"
#include "snmp/usm_agent.h"
#include "tools/printer-sim/sim_state.h"

namespace sim {

// How a fleet's printers are spread: printer i on port BASE+i, or on address BASE+i (IPv4 only:
// IPv6 gives a host one loopback address).
enum class FleetSpread { Ports, Addresses };
inline constexpr std::size_t MAX_FLEET = 5000;

struct ProfileArgument {
    std::string community;  // empty: the --community value
    std::string source;     // a file path or the name of a bundled profile
};

struct Options {
    net::Endpoint listen = net::IPv4Endpoint(127, 0, 0, 1, 1161);  // port 0: a free one
    bool control = false;
    net::Endpoint controlEndpoint = net::IPv4Endpoint(127, 0, 0, 1, 0);
    std::vector<ProfileArgument> profiles;  // none given: the bundled "laser-mono"
    std::string community = "orchid";
    std::string profileDir;
    bool live = false;
    int pageIntervalMs = 2000;
    bool log = false;
    bool check = false;
    bool listProfiles = false;
    bool help = false;
    bool version = false;
    Faults faults;  // faults in force from the start
    std::size_t fleet = 1;
    FleetSpread fleetSpread = FleetSpread::Ports;
    std::vector<net::Endpoint> controlAllow;  // addresses (port 0); empty: any loopback address
    std::vector<std::string> startCommands;   // control commands every printer runs at start
    std::vector<usm::AgentUser> v3Users;      // SNMPv3 users; none: SNMPv1 and v2c only
    std::vector<std::uint8_t> engineId;       // empty: one made for each printer
    std::int32_t engineBoots = 1;
};

// "IPV4:PORT" or "[IPV6]:PORT" as net::ParseEndpoint reads it (port 0: pick a free one); false
// for anything else.
bool ParseEndpoint(const std::string& text, net::Endpoint& endpoint);
// An IPv4 or IPv6 literal as an endpoint with port 0; false for anything else.
bool ParseAddress(std::string_view text, net::Endpoint& address);

// "NAME:LEVEL[:AUTH:PASSWORD[:PRIV:PASSWORD]]", the protocols in net-snmp's spellings; LEVEL is
// the lowest the user may ask at. The privacy password is the rest of the text, colons and all.
bool ParseV3User(const std::string& text, usm::AgentUser& user, std::string& error);

// The engine ID printer `index` has when --engine-id gives none: RFC 3411's text format.
std::vector<std::uint8_t> DefaultEngineId(std::size_t index);

}  // namespace sim

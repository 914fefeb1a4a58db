// What the simulated printer runs with, as its command line (apps/printer-sim) sets it. Flags
// that set a fault or a condition at start are kept as the control commands they stand for
// (`startCommands`), run for every printer once loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/printer-sim/sim_state.h"

namespace sim {

struct Endpoint {
    std::uint32_t address = 0x0100007f;  // network byte order: 127.0.0.1
    std::uint16_t port = 0;              // host order; 0 = pick a free port
};

// How a fleet's printers are spread: printer i on port BASE+i, or on address BASE+i.
enum class FleetSpread { Ports, Addresses };
inline constexpr std::size_t MAX_FLEET = 5000;

struct ProfileArgument {
    std::string community;  // empty: the --community value
    std::string source;     // a file path or the name of a bundled profile
};

struct Options {
    Endpoint listen{0x0100007f, 1161};
    bool control = false;
    Endpoint controlEndpoint;
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
    std::vector<std::uint32_t> controlAllow;  // network order; empty: any loopback address
    std::vector<std::string> startCommands;   // control commands every printer runs at start
};

// "IPV4:PORT" (port 0: pick a free one); false for anything else.
bool ParseEndpoint(const std::string& text, Endpoint& endpoint);
// An IPv4 literal, in network byte order; false for anything else.
bool ParseIpv4(std::string_view text, std::uint32_t& address);

}  // namespace sim

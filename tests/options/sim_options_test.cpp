// vellumark-printer-sim's command line: the settings with their defaults, typed values in their
// ranges, repeatable options, faults and conditions at start kept as control commands in the
// order given, and the usage errors, each naming the option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options/sim_options.h"
#include "platform/net/net.h"
#include "snmp/oid.h"
#include "tools/printer-sim/typed_value.h"
#include "tools/printer-sim/udp_socket.h"

namespace {

const std::string BUNDLED = "/usr/share/vellumark/profiles";

// What a command line sets, as text: for a usage error only the error counts.
struct Expected {
    bool help = false;
    bool version = false;
    std::string listen = "127.0.0.1:1161";
    std::string control{};   // the control channel's address; empty: none
    std::string profiles{};  // "COMMUNITY=SOURCE " each, the community empty when not given
    std::string community = "orchid";
    std::string profileDir = BUNDLED;
    bool live = false;
    int pageIntervalMs = 2000;
    bool log = false;
    bool check = false;
    bool listProfiles = false;
    bool silent = false;
    int delayMs = 0;
    unsigned stray = 0;
    unsigned spoof = 0;
    std::string errors{};  // "OID=STATUS " each
    std::size_t fleet = 1;
    bool fleetByAddresses = false;
    std::string controlAllow{};  // "ADDRESS " each
    std::vector<std::string> startCommands{};
    std::string error{};
};

Expected Seen(const sim::Options& o, const std::string& error) {
    Expected seen{o.help,
                  o.version,
                  net::EndpointText(o.listen),
                  o.control ? net::EndpointText(o.controlEndpoint) : "",
                  "",
                  o.community,
                  o.profileDir,
                  o.live,
                  o.pageIntervalMs,
                  o.log,
                  o.check,
                  o.listProfiles,
                  o.faults.silent,
                  o.faults.delayMs,
                  o.faults.stray,
                  o.faults.spoof,
                  "",
                  o.fleet,
                  o.fleetSpread == sim::FleetSpread::Addresses,
                  "",
                  o.startCommands,
                  error};
    for (const sim::ProfileArgument& profile : o.profiles) {
        seen.profiles += profile.community + "=" + profile.source + " ";
    }
    for (const auto& [oid, status] : o.faults.errorStatusByOid) {
        seen.errors += snmp::FormatOid(oid) + "=" + std::to_string(status) + " ";
    }
    for (const net::Endpoint& address : o.controlAllow) {
        seen.controlAllow += net::AddressText(address) + " ";
    }
    return seen;
}

std::string Describe(const Expected& e) {
    if (!e.error.empty()) {
        return "error: " + e.error;
    }
    std::string commands;
    for (const std::string& command : e.startCommands) {
        commands += "[" + command + "]";
    }
    const auto flag = [](bool set) { return set ? "1" : "0"; };
    return std::string("help=") + flag(e.help) + " version=" + flag(e.version) +
           " listen=" + e.listen + " control=" + e.control + " profiles=" + e.profiles +
           " community=" + e.community + " dir=" + e.profileDir + " live=" + flag(e.live) +
           " interval=" + std::to_string(e.pageIntervalMs) + " log=" + flag(e.log) +
           " check=" + flag(e.check) + " list=" + flag(e.listProfiles) +
           " silent=" + flag(e.silent) + " delay=" + std::to_string(e.delayMs) +
           " stray=" + std::to_string(e.stray) + " spoof=" + std::to_string(e.spoof) +
           " errors=" + e.errors + " fleet=" + std::to_string(e.fleet) +
           " by-addresses=" + flag(e.fleetByAddresses) + " allow=" + e.controlAllow +
           " commands=" + commands;
}

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    Expected expected;
};

TEST(SimOptions, ArgumentsToSettingsOrUsageErrors) {
    const Row rows[] = {
        {"the defaults", {}, {}},
        {"serving",
         {"--listen", "127.0.0.2:0", "--profile", "lab=colour-laser", "--profile=x.snmprec",
          "--community", "c", "--profile-dir", "/p", "--fleet", "3", "--fleet-by", "addresses",
          "--live", "--page-interval", "10", "--log", "--check", "--list-profiles"},
         {.listen = "127.0.0.2:0",
          .profiles = "lab=colour-laser =x.snmprec ",
          .community = "c",
          .profileDir = "/p",
          .live = true,
          .pageIntervalMs = 10,
          .log = true,
          .check = true,
          .listProfiles = true,
          .fleet = 3,
          .fleetByAddresses = true}},
        {"faults",
         {"--silence", "--delay", "600000", "--stray", "2", "--spoof=100", "--error",
          "1.3.6.1.2.1.1.5.0=genErr", "--error", "1.3.6.1.2.1.1.1.0=tooBig"},
         {.silent = true,
          .delayMs = 600000,
          .stray = 2,
          .spoof = 100,
          .errors = "1.3.6.1.2.1.1.1.0=1 1.3.6.1.2.1.1.5.0=5 "}},
        {"conditions as control commands, in order",
         {"--toner", "black=5", "--jam", "--walk", "endless:1.3.6", "--paper-out", "2",
          "--door-open", "--walk", "repeat", "--bulk-flood", "7", "--max-message", "600"},
         {.startCommands = {"toner black 5", "jam", "walk endless 1.3.6", "paper-out 2",
                            "door-open", "walk repeat", "bulk-flood 7", "max-message 600"}}},
        {"the control channel and its peers",
         {"--control", "127.0.0.1:0", "--control-allow", "127.0.0.9", "--control-allow",
          "10.1.2.3"},
         {.control = "127.0.0.1:0", .controlAllow = "127.0.0.9 10.1.2.3 "}},
        {"IPv6: a fleet by ports, control and peers",
         {"--listen", "[::1]:0", "--fleet", "3", "--control", "[::1]:0", "--control-allow", "::1",
          "--control-allow", "127.0.0.1"},
         {.listen = "[::1]:0", .control = "[::1]:0", .fleet = 3, .controlAllow = "::1 127.0.0.1 "}},
        {"IPv6 fleet by addresses",
         {"--fleet-by", "addresses", "--listen", "[::1]:0", "--fleet", "2"},
         {.error = "--fleet-by addresses needs an IPv4 --listen address (IPv6 has one loopback "
                   "address); --fleet-by ports serves an IPv6 fleet"}},
        {"-h", {"-h"}, {.help = true}},
        {"--version", {"--version"}, {.version = true}},
        {"unknown option", {"--bogus"}, {.error = "unknown option '--bogus' (try --help)"}},
        {"no text arguments",
         {"laser-mono"},
         {.error = "unknown option 'laser-mono' (try --help)"}},
        {"too large a fleet",
         {"--fleet", "5001"},
         {.error = "--fleet: '5001' is not a whole number from 1 to 5000"}},
        {"a spread by neither",
         {"--fleet-by", "hosts"},
         {.error = "--fleet-by: 'hosts' is not ports or addresses"}},
        {"a peer that is no address",
         {"--control-allow", "1.2.3"},
         {.error = "--control-allow: '1.2.3' is not an IPv4 or IPv6 address"}},
        {"a toner level without a supply",
         {"--toner", "black"},
         {.error = "--toner: 'black' is not SUPPLY=PERCENT"}},
        {"an address without a port",
         {"--listen", "127.0.0.1"},
         {.error = "--listen: '127.0.0.1' is not IPV4:PORT or [IPV6]:PORT"}},
        {"a port out of range",
         {"--control", "127.0.0.1:65536"},
         {.error = "--control: '127.0.0.1:65536' is not IPV4:PORT or [IPV6]:PORT"}},
        {"a profile's empty community",
         {"--profile", "=laser-mono"},
         {.error = "--profile: '=laser-mono' is not [COMMUNITY=]PROFILE with a community"}},
        {"an empty community",
         {"--community", ""},
         {.error = "--community: '' is not a name of 1 to 255 bytes"}},
        {"too long a community",
         {"--community", std::string(256, 'c')},
         {.error = "--community: '" + std::string(256, 'c') + "' is not a name of 1 to 255 bytes"}},
        {"an unknown error status",
         {"--error", "1.3.6.1.2.1.1.5.0=fatal"},
         {.error = "--error: '1.3.6.1.2.1.1.5.0=fatal' is not OID=STATUS (tooBig noSuchName "
                   "badValue readOnly genErr)"}},
        {"a page interval of 0",
         {"--page-interval", "0"},
         {.error = "--page-interval: '0' is not a whole number from 1 to 3600000"}},
        {"a negative delay",
         {"--delay", "-1"},
         {.error = "--delay: '-1' is not a whole number from 0 to 600000"}},
        {"too many strays",
         {"--stray", "101"},
         {.error = "--stray: '101' is not a whole number from 0 to 100"}},
    };
    for (const Row& row : rows) {
        sim::Options got;
        std::string error;
        const bool ok = sim::ParseOptions(row.arguments, BUNDLED, got, error);
        EXPECT_EQ(ok, error.empty()) << row.name;
        EXPECT_EQ(Describe(Seen(got, error)), Describe(row.expected)) << row.name;
    }
}

}  // namespace

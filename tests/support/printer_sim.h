// PrinterSim: vellumark-printer-sim run by a test as a child process on loopback ports it picks
// itself, its control channel open; stopped (SIGTERM) when the object goes. A failed start
// leaves ok() false and says why, with the simulator's output, in error().
//
//   PrinterSim sim;                                   // bundled "laser-mono", community orchid
//   ASSERT_TRUE(sim.ok()) << sim.error();
//   sim.target();                                     // "127.0.0.1:PORT" for g_target
//   sim.command("delay 700");                         // "ok"
//   PrinterSim odd(PrinterSim::Bundled("odd-data"));
//   PrinterSim mine(PrinterSim::Text("1.3.6.1.2.1.1.5.0|4|lab printer\n"));
//   PrinterSim fleet({.extraArgs = {"--fleet", "3"}}); // printers 0..2 on consecutive ports
//   fleet.target(2);                                  // "127.0.0.1:PORT+2"
//   fleet.command("printer 2 jam");                   // "ok"
//   PrinterSim v6({.address = "[::1]"});              // target() "[::1]:PORT"; control on ::1
// The simulator answers SNMPv1 and SNMPv2c alike; conditions and faults can also be set at
// start with extraArgs ("--jam", "--toner", "1=5", "--walk", "endless", ...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/net/net.h"
#include "tests/support/loopback_agent.h"

struct PrinterSimOptions {
    std::string profile = "laser-mono";  // a bundled profile name or a file path
    std::string profileText{};           // when not empty: served instead of `profile`
    std::string community = "orchid";
    std::string address = "127.0.0.1";     // where it listens and takes control: "[::1]" for IPv6
    bool log = false;                      // the simulator logs each request; see logText()
    std::vector<std::string> extraArgs{};  // more command-line arguments
};

class PrinterSim {
  public:
    static PrinterSimOptions Bundled(const std::string& name);
    static PrinterSimOptions Text(const std::string& snmprecText);

    explicit PrinterSim(const PrinterSimOptions& options = PrinterSimOptions{});

    bool ok() const { return !targets_.empty() && control_.port != 0; }
    const std::string& error() const { return error_; }

    // "ADDRESS:PORT" of a printer (of a fleet; 0 is the only one otherwise), and its port.
    std::string target(std::size_t printer = 0) const;
    std::uint16_t port(std::size_t printer = 0) const;

    // Sends one control command and returns the reply line without its line end, or
    // "error: no reply" when none came within two seconds.
    std::string command(const std::string& line) const;
    // Sends `datagram` as it is (any number of lines) from the loopback address `from` (by
    // default the control channel's own) and returns the whole reply datagram, "" when none
    // came within two seconds.
    std::string exchange(const std::string& datagram, const std::string& from = "") const;

    // Stops the simulator (SIGTERM) and returns its exit status (see LoopbackAgent::Stop).
    int stop() { return agent_.Stop(); }

    // Everything the simulator wrote so far: its ports, and the request log when log is on.
    std::string logText() const { return agent_.log(); }

  private:
    LoopbackAgent agent_;
    std::vector<std::string> targets_;  // one per printer, in printer order
    net::Endpoint control_;
    std::string error_;
};

// PrinterSim: runs vellumark-printer-sim as a child process for a test. It serves a bundled
// profile or profile text the test gives, on 127.0.0.1 with an ephemeral port and a control
// channel; the constructor returns once the simulator listens (or failed: see ok()/error()),
// and the destructor stops it (SIGTERM, then SIGKILL) and reaps it.
//
//   PrinterSim sim;                                   // bundled "laser-mono", community orchid
//   ASSERT_TRUE(sim.ok()) << sim.error();
//   sim.target();                                     // "127.0.0.1:PORT" for g_target
//   sim.command("delay 700");                         // "ok"
//   PrinterSim odd(PrinterSim::Bundled("odd-data"));
//   PrinterSim mine(PrinterSim::Text("1.3.6.1.2.1.1.5.0|4|lab printer\n"));
//   PrinterSimOptions three = PrinterSim::Bundled("colour-laser");
//   three.fleet = 3;                                  // printers 0..2 on consecutive ports
//   PrinterSim fleet(three);
//   fleet.target(2);                                  // "127.0.0.1:PORT+2"
//   fleet.command(2, "jam");                          // "printer 2 jam" -> "ok"
// The simulator answers SNMPv1 and SNMPv2c alike; conditions and faults can also be set at
// start with extraArgs ("--jam", "--toner", "1=5", "--walk", "endless", ...).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct PrinterSimOptions {
    std::string profile = "laser-mono";  // a bundled profile name or a file path
    std::string profileText;             // when not empty: served instead of `profile`
    std::string community = "orchid";
    bool live = false;                   // page counts grow, toner falls (--live)
    int pageIntervalMs = 0;              // with live: ms per page (0 = the simulator's default)
    bool log = false;                    // the simulator logs each request; see logText()
    std::vector<std::string> extraArgs;  // more command-line arguments
    std::size_t fleet = 1;               // printers served by the one process (--fleet)
    bool fleetByAddress = false;         // printer i on 127.0.0.(1+i), one port for all
};

class PrinterSim {
  public:
    static PrinterSimOptions Bundled(const std::string& name);
    static PrinterSimOptions Text(const std::string& snmprecText);

    explicit PrinterSim(const PrinterSimOptions& options = PrinterSimOptions{});
    ~PrinterSim();
    PrinterSim(const PrinterSim&) = delete;
    PrinterSim& operator=(const PrinterSim&) = delete;

    bool ok() const { return pid_ > 0 && port_ != 0; }
    // Why the start failed, with what the simulator wrote to stderr.
    const std::string& error() const { return error_; }

    // Printer 0's port and "127.0.0.1:PORT"; with a fleet, those of printer `printer`.
    std::uint16_t port() const { return port_; }
    std::string target() const { return target(0); }
    std::size_t printers() const { return endpoints_.size(); }
    std::uint16_t port(std::size_t printer) const;
    std::string target(std::size_t printer) const;
    std::uint16_t controlPort() const { return controlPort_; }
    pid_t pid() const { return pid_; }

    // Sends one control command and returns the reply line without its line end, or
    // "error: no reply" when none came within two seconds.
    std::string command(const std::string& line) const;
    // The same for one printer of a fleet ("printer N LINE").
    std::string command(std::size_t printer, const std::string& line) const;
    // Sends `datagram` as it is (any number of lines) and returns the whole reply datagram,
    // "" when none came within two seconds. `from` is the loopback address to send from.
    std::string exchange(const std::string& datagram, const std::string& from = "127.0.0.1") const;

    // Sends a signal to the simulator (SIGUSR1 silences it, SIGUSR2 lets it answer again).
    void signal(int number) const;

    // Stops the simulator with SIGTERM and returns its exit status (-1 when it had to be
    // killed or did not exit normally). Later calls return the same status.
    int stop();

    // Waits up to `timeoutMs` for the simulator to exit by itself (after a signal the test
    // sent) and returns its exit status, -1 for a death by signal, -2 when it still runs.
    int waitExit(int timeoutMs);

    // Everything the simulator wrote to stderr so far (the request log when log is on).
    std::string logText() const;

    // Where the bundled profiles live, and the simulator binary.
    static std::string ProfileDir();
    static std::string BinaryPath();

  private:
    void Start(const PrinterSimOptions& options);

    struct Listening {
        std::string address;
        std::uint16_t port = 0;
    };

    pid_t pid_ = -1;
    int status_ = -1;
    std::uint16_t port_ = 0;
    std::vector<Listening> endpoints_;  // one per printer, in printer order
    std::uint16_t controlPort_ = 0;
    int stdoutFd_ = -1;
    std::string error_;
    std::string profilePath_;  // temporary file for profile text, removed at the end
    std::string stderrPath_;   // temporary file that collects the simulator's stderr
};

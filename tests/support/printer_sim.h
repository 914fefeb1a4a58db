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

    std::uint16_t port() const { return port_; }
    std::string target() const { return "127.0.0.1:" + std::to_string(port_); }
    std::uint16_t controlPort() const { return controlPort_; }
    pid_t pid() const { return pid_; }

    // Sends one control command and returns the reply line without its line end, or
    // "error: no reply" when none came within two seconds.
    std::string command(const std::string& line) const;

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

    pid_t pid_ = -1;
    int status_ = -1;
    std::uint16_t port_ = 0;
    std::uint16_t controlPort_ = 0;
    int stdoutFd_ = -1;
    std::string error_;
    std::string profilePath_;  // temporary file for profile text, removed at the end
    std::string stderrPath_;   // temporary file that collects the simulator's stderr
};

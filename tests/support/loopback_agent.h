// LoopbackAgent: an SNMP agent a test runs as a child process on loopback: net-snmp's snmpd,
// snmpsim's snmpsimd, or any command (PrinterSim runs the simulator on it). Its files live in
// a scratch directory others may write (snmpsimd run as root drops to nobody); the destructor
// stops the agent and removes the directory. A start returns once `answers` says the agent
// answers, asked every 10 ms for up to 15 s; false when it never did or exited first (its
// output is in log()). Tests skip themselves when the program is not installed:
//
//   if (!Installed(SNMPD_PATH)) GTEST_SKIP() << SNMPD_PATH << " is not installed (snmpd)";
//   LoopbackAgent agent;
//   ASSERT_TRUE(agent.StartSnmpd("rocommunity orchid 127.0.0.1\n", answersFn)) << agent.log();
//   agent.target();  // "127.0.0.1:PORT", a UDP port that was free
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

inline constexpr const char* SNMPD_PATH = "/usr/sbin/snmpd";
inline constexpr const char* SNMPSIMD_PATH = "/usr/bin/snmpsimd";

bool Installed(const char* program);

class LoopbackAgent {
  public:
    // Whether the agent at `target` ("127.0.0.1:PORT") answers yet.
    using Answers = std::function<bool(const std::string& target)>;

    LoopbackAgent();
    ~LoopbackAgent();
    LoopbackAgent(const LoopbackAgent&) = delete;
    LoopbackAgent& operator=(const LoopbackAgent&) = delete;

    const std::string& target() const { return target_; }
    const std::string& dir() const { return dir_; }

    // net-snmp's snmpd with `conf` as its whole configuration; the address comes from the
    // command line, so `conf` names none (no agentAddress).
    bool StartSnmpd(const std::string& conf, const Answers& answers);

    // snmpsimd serving `snmprec` to requests with `community` (the data file's name).
    bool StartSnmpsimd(const std::string& community, const std::string& snmprec,
                       const Answers& answers);

    // snmpsimd serving every .snmprec file of `folder`, each to requests with the file's name
    // less its extension as community.
    bool StartSnmpsimdServing(const std::string& folder, const Answers& answers);

    // `command`, run by sh with no signal blocked; its stdout and stderr go to log().
    bool Start(const std::string& command, const Answers& answers);

    // SIGTERM, SIGKILL after 3 s; returns the exit status, -1 when it did not exit by itself
    // or never ran. Later calls return the same.
    int Stop();

    // What the agent wrote to stdout and stderr so far.
    std::string log() const;

  private:
    bool StartSnmpsimdOnData(const Answers& answers);
    bool Reaped(int& raw);

    std::string dir_;
    std::string target_;
    pid_t pid_ = -1;
    int status_ = -1;
};

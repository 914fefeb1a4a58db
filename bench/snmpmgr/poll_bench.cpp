// The poll cycle's thirteen GETs, one after another, through our manager and through net-snmp's
// library against the same agent on loopback: the simulated printer when it is built, else
// net-snmp's snmpd serving the same objects. VM_BENCH_AGENT=HOST:PORT uses a running agent.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/snmpmgr/manager_cycle.h"
#include "bench/snmpmgr/netsnmp_cycle.h"

namespace {

std::string g_agentTarget;
std::string g_agentName;
NetSnmpCycle* g_netSnmp = nullptr;

void BM_PollCycle_Ours(benchmark::State& state) {
    for (auto _ : state) {
        if (ManagerCycle(g_agentTarget.c_str()) != static_cast<int>(PollOids().size())) {
            state.SkipWithError("a GET went unanswered");
            break;
        }
    }
    state.SetLabel(g_agentName);
}
BENCHMARK(BM_PollCycle_Ours)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PollCycle_NetSnmp(benchmark::State& state) {
    for (auto _ : state) {
        if (NetSnmpCycleRun(g_netSnmp) != static_cast<int>(PollOids().size())) {
            state.SkipWithError("a GET went unanswered");
            break;
        }
    }
    state.SetLabel(g_agentName);
}
BENCHMARK(BM_PollCycle_NetSnmp)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Prints the usual table, then our wall time as a fraction of net-snmp's.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median stands for the benchmark; else its one run.
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[name] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration) {
                times_[name] = run.GetAdjustedRealTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto& times = medians_.empty() ? times_ : medians_;
        const auto ours = times.find("BM_PollCycle_Ours");
        const auto theirs = times.find("BM_PollCycle_NetSnmp");
        if (ours != times.end() && theirs != times.end() && theirs->second > 0) {
            std::printf("poll cycle against %s: ours %.1f us, net-snmp %.1f us, ratio %.3f\n",
                        g_agentName.c_str(), ours->second, theirs->second,
                        ours->second / theirs->second);
        }
    }

  private:
    std::map<std::string, double> times_;
    std::map<std::string, double> medians_;
};

std::uint16_t FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    close(fd);
    return ntohs(local.sin_port);
}

pid_t Spawn(std::vector<std::string> argv, const std::vector<std::string>& env) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        for (const std::string& entry : env) {
            putenv(const_cast<char*>(entry.c_str()));
        }
        std::vector<char*> args;
        for (std::string& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// snmpd serving the thirteen objects (the vendor status included) as fixed overrides.
pid_t StartSnmpd(const std::string& target, const std::string& dir) {
    std::ofstream conf(dir + "/snmpd.conf");
    conf << "rocommunity orchid 127.0.0.1\n";
    conf << "override .1.3.6.1.4.1.11.2.3.9.1.1.3.0 octet_str \"READY\"\n";
    for (int line = 1; line <= 8; ++line) {
        conf << "override .1.3.6.1.2.1.43.16.5.1.2.1." << line << " octet_str \"Line " << line
             << "\"\n";
    }
    conf << "override .1.3.6.1.2.1.43.10.2.1.4.1.1 counter 48213\n"
         << "override .1.3.6.1.2.1.43.10.2.1.5.1.1 counter 212\n"
         << "override .1.3.6.1.2.1.43.11.1.1.8.1.1 integer 100\n"
         << "override .1.3.6.1.2.1.43.11.1.1.9.1.1 integer 63\n";
    conf.close();
    return Spawn({"/usr/sbin/snmpd", "-f", "-Lo", "-C", "-c", dir + "/snmpd.conf", "udp:" + target},
                 {"SNMP_PERSISTENT_DIR=" + dir + "/persist"});
}

bool WaitUntilAnswering(const std::string& target) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < until) {
        if (ManagerCycle(target.c_str()) == static_cast<int>(PollOids().size())) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    pid_t agent = -1;
    char dirPattern[] = "/tmp/vm-bench-snmp-XXXXXX";
    if (mkdtemp(dirPattern) == nullptr) {
        std::fprintf(stderr, "cannot make a scratch directory\n");
        return 1;
    }
    const std::string dir = dirPattern;
    if (const char* given = std::getenv("VM_BENCH_AGENT")) {
        g_agentTarget = given;
        g_agentName = std::string("agent at ") + given;
    } else {
        g_agentTarget = "127.0.0.1:" + std::to_string(FreeUdpPort());
#ifdef VM_PRINTER_SIM
        if (access(VM_PRINTER_SIM, X_OK) == 0) {
            g_agentName = "vellumark-printer-sim";
            agent =
                Spawn({VM_PRINTER_SIM, "--listen", g_agentTarget, "--profile", "colour-laser"}, {});
        }
#endif
        if (agent < 0) {
            g_agentName = "snmpd";
            agent = StartSnmpd(g_agentTarget, dir);
        }
    }
    int status = 1;
    if (!WaitUntilAnswering(g_agentTarget)) {
        std::fprintf(stderr, "the agent (%s) does not answer all %zu objects at %s\n",
                     g_agentName.c_str(), PollOids().size(), g_agentTarget.c_str());
    } else if ((g_netSnmp = NetSnmpCycleCreate(g_agentTarget, "orchid", PollOids())) == nullptr) {
        std::fprintf(stderr, "net-snmp's library did not start\n");
    } else {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        NetSnmpCycleDestroy(g_netSnmp);
        status = 0;
    }
    if (agent > 0) {
        kill(agent, SIGTERM);
        waitpid(agent, nullptr, 0);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return status;
}

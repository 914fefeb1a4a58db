// The condition reading at scale, and the window's 13-object cycle against its floor. Not a
// test: run it and read the figures.
//
//   bench_condition [N ...]          (default: 1 100 1000)
//
// Fleet reading: the whole condition of N simulated printers read at once by one reader: a fleet of
// N printers in one vellumark-printer-sim process (printer i on port BASE+i, colour-laser
// profile). Each N runs in a child process of its own, so its CPU time and peak RSS
// (getrusage ru_maxrss) are the reading's; an N = 0 child is the anchor for RSS.
// Window cycle: the window's 13 GETs, one after another, by our manager, by net-snmp's library, and
// the floor: the same 13 request datagrams sent to a bare UDP echo (another process) and their
// echoes read back. Ratios against the floor are printed. VM_BENCH_VERSION=2c reads part 1
// over SNMPv2c.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "bench/snmpmgr/manager_cycle.h"
#include "bench/snmpmgr/netsnmp_cycle.h"
#include "condition/engine.h"
#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/ber.h"

namespace {

using Clock = std::chrono::steady_clock;

std::uint16_t FreeUdpPortRun(int count) {
    // A base port whose next `count` ports are free on loopback now.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::uint16_t base = static_cast<std::uint16_t>(20000 + (std::rand() % 30000));
        bool free = true;
        std::vector<int> held;
        for (int i = 0; i < count && free; ++i) {
            const int fd = socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in local{
                AF_INET, htons(static_cast<std::uint16_t>(base + i)), {htonl(INADDR_LOOPBACK)}, {}};
            free = bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
            held.push_back(fd);
        }
        for (const int fd : held) {
            close(fd);
        }
        if (free) {
            return base;
        }
    }
    return 0;
}

pid_t Spawn(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

condition::Endpoint Loopback(std::uint16_t port) {
    condition::Endpoint endpoint;
    endpoint.address = {127, 0, 0, 1};
    endpoint.port = port;
    return endpoint;
}

struct FleetFigures {
    double wallMs = 0, cpuMs = 0;
    long maxRssKb = 0;
    int complete = 0, failed = 0;
    std::uint64_t requests = 0, retries = 0;
};

double CpuMs(const rusage& usage) {
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// Reads N printers of the fleet at once in a child process; its figures come back by pipe.
FleetFigures ReadFleet(int printers, std::uint16_t base, condition::SnmpVersion version) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        FleetFigures f;
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = Clock::now();
        if (printers > 0) {
            auto reader = condition::StartReader();
            std::atomic<int> left{printers};
            std::promise<void> all;
            std::atomic<int> complete{0};
            for (int i = 0; i < printers; ++i) {
                condition::ReadRequest request;
                request.agent = Loopback(static_cast<std::uint16_t>(base + i));
                request.version = version;
                request.deadline = Clock::now() + std::chrono::seconds(60);
                reader->Submit(request, [&](condition::Condition&& c) {
                    if (c.answered && c.error.empty() && c.supplies.size() >= 4) {
                        ++complete;
                    }
                    if (--left == 0) {
                        all.set_value();
                    }
                });
            }
            all.get_future().wait();
            f.complete = complete;
            f.failed = printers - complete;
            f.requests = reader->Stats().requests;
            f.retries = reader->Stats().retries;
        }
        f.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        f.cpuMs = CpuMs(after) - CpuMs(before);
        f.maxRssKb = after.ru_maxrss;
        [[maybe_unused]] const ssize_t n = write(fds[1], &f, sizeof f);
        _exit(0);
    }
    close(fds[1]);
    FleetFigures f;
    [[maybe_unused]] const ssize_t n = read(fds[0], &f, sizeof f);
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return f;
}

bool Answers(std::uint16_t port) {
    condition::ReadRequest probe;
    probe.agent = Loopback(port);
    probe.timeoutMs = 200;
    probe.deadline = Clock::now() + std::chrono::seconds(1);
    return condition::ReadOnce(probe).answered;
}

// ---- the 13-object cycle ----

// A bare UDP echo in a child process: every datagram goes back as it came.
pid_t StartEcho(std::uint16_t port) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        std::vector<std::uint8_t> buffer(65536);
        for (;;) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t size = recvfrom(fd, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (size >= 0) {
                sendto(fd, buffer.data(), static_cast<std::size_t>(size), 0,
                       reinterpret_cast<sockaddr*>(&from), length);
            }
        }
    }
    return pid;
}

// The floor: the 13 requests' bytes, each sent and its echo read, on a socket of the cycle's.
int EchoCycle(std::uint16_t port, const std::vector<std::vector<std::uint8_t>>& requests) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    std::uint8_t buffer[2048];
    int answered = 0;
    for (const auto& bytes : requests) {
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 500) == 1 && recv(fd, buffer, sizeof buffer, 0) > 0) {
            ++answered;
        }
    }
    close(fd);
    return answered;
}

template <typename Cycle>
double MicrosPerCycle(int cycles, Cycle cycle, bool* ok) {
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i) {
        if (cycle() != static_cast<int>(PollOids().size())) {
            *ok = false;
        }
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / cycles;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {1, 100, 1000};
    }
    const char* v = std::getenv("VM_BENCH_VERSION");
    const bool v2c = v != nullptr && std::string(v) == "2c";
    const auto version = v2c ? condition::SnmpVersion::V2c : condition::SnmpVersion::V1;
    std::srand(static_cast<unsigned>(getpid()));

    int largest = 1;
    for (const int n : sizes) {
        largest = std::max(largest, n);
    }
    const std::uint16_t base = FreeUdpPortRun(largest);
    const std::string listen = "127.0.0.1:" + std::to_string(base);
    const pid_t fleet = Spawn({VM_PRINTER_SIM, "--fleet", std::to_string(largest), "--listen",
                               listen, "--profile", "colour-laser"});
    bool up = false;
    for (int tries = 0; tries < 100 && !up; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        up = Answers(base) && Answers(static_cast<std::uint16_t>(base + largest - 1));
    }
    if (!up) {
        std::fprintf(stderr, "the simulator fleet (%d printers at %s) does not answer\n", largest,
                     listen.c_str());
        Stop(fleet);
        return 1;
    }
    std::printf(
        "Fleet reading: whole condition of N printers at once (%s, fleet of %d in one "
        "vellumark-printer-sim, colour-laser)\n",
        v2c ? "SNMPv2c" : "SNMPv1", largest);
    const FleetFigures anchor = ReadFleet(0, base, version);
    std::printf("%6s %10s %12s %14s %14s %12s %9s %8s\n", "N", "wall ms", "printers/s",
                "CPU ms/printer", "peak RSS KiB", "RSS-anchor", "requests", "failed");
    for (const int n : sizes) {
        const FleetFigures f = ReadFleet(n, base, version);
        std::printf("%6d %10.1f %12.0f %14.3f %14ld %12ld %9llu %8d\n", n, f.wallMs,
                    n / (f.wallMs / 1000.0), f.cpuMs / n, f.maxRssKb, f.maxRssKb - anchor.maxRssKb,
                    static_cast<unsigned long long>(f.requests), f.failed);
    }
    std::printf("(anchor: a child that reads nothing, peak RSS %ld KiB)\n", anchor.maxRssKb);

    // The window cycle against printer 0 of the fleet.
    const std::string target = listen;
    const std::uint16_t echoPort = FreeUdpPortRun(1);
    const pid_t echo = StartEcho(echoPort);
    std::vector<std::vector<std::uint8_t>> requests;
    for (std::size_t i = 0; i < PollOids().size(); ++i) {
        ber::Message m;
        m.community = "orchid";
        m.requestId = static_cast<std::int32_t>(1000 + i);
        AsnObjectIdentifier oid{};
        SnmpMgrStrToOid(PollOids()[i], &oid);
        m.varbinds.push_back({std::vector<std::uint32_t>(oid.ids, oid.ids + oid.idLength), {}});
        SnmpUtilOidFree(&oid);
        requests.emplace_back();
        ber::Encode(m, requests.back());
    }
    NetSnmpCycle* netsnmp = NetSnmpCycleCreate(target, "orchid", PollOids());
    constexpr int CYCLES = 2000;
    bool ok = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double floor = MicrosPerCycle(
        CYCLES, [&] { return EchoCycle(echoPort, requests); }, &ok);
    const double ours = MicrosPerCycle(
        CYCLES, [&] { return ManagerCycle(target.c_str()); }, &ok);
    const double theirs = netsnmp != nullptr
                              ? MicrosPerCycle(
                                    CYCLES, [&] { return NetSnmpCycleRun(netsnmp); }, &ok)
                              : 0;
    std::printf("\nWindow cycle: the window's 13-object cycle, mean of %d cycles%s\n", CYCLES,
                ok ? "" : " (SOME EXCHANGES WENT UNANSWERED)");
    std::printf("  bare UDP echo (floor)  %8.1f us  1.00\n", floor);
    std::printf("  our manager            %8.1f us  %.2f x floor\n", ours, ours / floor);
    if (netsnmp != nullptr) {
        std::printf("  net-snmp library      %8.1f us  %.2f x floor (ours / net-snmp %.2f)\n",
                    theirs, theirs / floor, ours / theirs);
        NetSnmpCycleDestroy(netsnmp);
    }
    Stop(echo);
    Stop(fleet);
    return 0;
}

#include "netns_sandbox.h"

#include <fcntl.h>
#include <grp.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

long long MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return text;
        }
    }
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

bool WriteSysctl(const char* path, const std::string& value) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
    close(fd);
    return ok;
}

bool BringLoopbackUp() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    ok = ok && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    close(fd);
    return ok;
}

// The echo requests (type 8) among the datagrams waiting on the raw socket `fd`.
std::string DrainRequests(int fd) {
    std::ostringstream out;
    unsigned char packet[1024];
    for (;;) {
        const ssize_t n = recv(fd, packet, sizeof packet, MSG_DONTWAIT);
        if (n < 0) {
            return out.str();
        }
        const auto size = static_cast<std::size_t>(n);
        if (size < 20) {
            continue;
        }
        const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
        if (header < 20 || size < header + 12 || packet[header] != 8) {
            continue;
        }
        out << "request";
        for (std::size_t i = 0; i < 12; ++i) {
            out << ' ' << static_cast<unsigned>(packet[header + i]);
        }
        out << '\n';
    }
}

// In the forked child: make the namespace, run the helper, and describe what happened on
// `report` as lines of "key values...".
[[noreturn]] void RunChild(int report, const std::string& cli, const SandboxSetup& setup,
                           const std::vector<std::string>& targets) {
    if (unshare(CLONE_NEWNET) != 0) {
        WriteAll(report, std::string("skip unshare(CLONE_NEWNET): ") + std::strerror(errno));
        _exit(0);
    }
    if (!BringLoopbackUp()) {
        WriteAll(report, "fail cannot bring lo up");
        _exit(0);
    }
    if (!setup.pingGroupRange.empty() &&
        !WriteSysctl("/proc/sys/net/ipv4/ping_group_range", setup.pingGroupRange)) {
        WriteAll(report, "fail cannot write ping_group_range");
        _exit(0);
    }
    if (setup.ignoreEcho && !WriteSysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1")) {
        WriteAll(report, "fail cannot write icmp_echo_ignore_all");
        _exit(0);
    }
    const int watcher = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (watcher < 0) {
        WriteAll(report, "fail cannot open the watching raw socket");
        _exit(0);
    }
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        WriteAll(report, "fail pipe");
        _exit(0);
    }
    const long long start = MonotonicMs();
    const pid_t helper = fork();
    if (helper == 0) {
        dup2(output[1], STDOUT_FILENO);
        if (setup.unprivileged &&
            (setgroups(0, nullptr) != 0 || setresgid(kNogroup, kNogroup, kNogroup) != 0 ||
             setresuid(kNobody, kNobody, kNobody) != 0)) {
            _exit(120);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(cli.c_str()));
        for (const std::string& target : targets) {
            argv.push_back(const_cast<char*>(target.c_str()));
        }
        argv.push_back(nullptr);
        execv(cli.c_str(), argv.data());
        _exit(121);
    }
    close(output[1]);
    const std::string printed = helper > 0 ? ReadAll(output[0]) : std::string();
    int status = 0;
    const bool exited = helper > 0 && waitpid(helper, &status, 0) == helper && WIFEXITED(status);
    const long long elapsed = MonotonicMs() - start;
    std::ostringstream out;
    out << "exit " << (exited ? WEXITSTATUS(status) : -1) << '\n';
    out << "elapsed " << elapsed << '\n';
    std::istringstream lines(printed);
    std::string line;
    if (std::getline(lines, line)) {
        out << "kind " << line << '\n';
    }
    while (std::getline(lines, line)) {
        out << "result " << line << '\n';
    }
    out << DrainRequests(watcher);
    WriteAll(report, out.str());
    _exit(0);
}

}  // namespace

SandboxRun RunInSandbox(const std::string& cli, const SandboxSetup& setup,
                        const std::vector<std::string>& targets) {
    SandboxRun run;
    if (geteuid() != 0) {
        run.skipReason = "needs root to make a network namespace";
        return run;
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        run.skipReason = "pipe failed";
        return run;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        RunChild(report[1], cli, setup, targets);
    }
    close(report[1]);
    const std::string text = child > 0 ? ReadAll(report[0]) : std::string();
    close(report[0]);
    if (child > 0) {
        int status = 0;
        waitpid(child, &status, 0);
    }
    std::istringstream lines(text);
    std::string key;
    while (lines >> key) {
        if (key == "skip" || key == "fail") {
            std::string rest;
            std::getline(lines, rest);
            (key == "skip" ? run.skipReason : run.failure) = rest;
            return run;
        }
        if (key == "exit") {
            lines >> run.exitStatus;
        } else if (key == "elapsed") {
            lines >> run.elapsedMs;
        } else if (key == "kind") {
            lines >> run.socketKind;
        } else if (key == "result") {
            int result = -1;
            lines >> result;
            run.results.push_back(result);
        } else if (key == "request") {
            std::array<std::uint8_t, 12> bytes{};
            for (std::uint8_t& byte : bytes) {
                unsigned value = 0;
                lines >> value;
                byte = static_cast<std::uint8_t>(value);
            }
            run.requests.push_back(bytes);
        }
    }
    return run;
}

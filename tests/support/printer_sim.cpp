#include "tests/support/printer_sim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

constexpr int START_TIMEOUT_MS = 5000;
constexpr int START_TIMEOUT_PER_PRINTER_MS = 10;
constexpr int REPLY_TIMEOUT_MS = 2000;

std::string TempTemplate(const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/vm-printer-sim-XXXXXX" +
           suffix;
}

// Creates a new temporary file with `suffix` and returns its path ("" on failure).
std::string MakeTempFile(const char* suffix, const std::string& content) {
    std::string path = TempTemplate(suffix);
    int fd = mkstemps(path.data(), static_cast<int>(std::strlen(suffix)));
    if (fd < 0) {
        return {};
    }
    std::size_t written = 0;
    while (written < content.size()) {
        ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n <= 0) {
            close(fd);
            unlink(path.c_str());
            return {};
        }
        written += static_cast<std::size_t>(n);
    }
    close(fd);
    return path;
}

// "listening on 127.0.0.1:4242" -> 4242, 0 when the line has another form.
std::uint16_t PortOf(const std::string& line, const std::string& prefix) {
    if (line.rfind(prefix, 0) != 0) {
        return 0;
    }
    std::size_t colon = line.rfind(':');
    long port = std::strtol(line.c_str() + colon + 1, nullptr, 10);
    return port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

}  // namespace

PrinterSimOptions PrinterSim::Bundled(const std::string& name) {
    PrinterSimOptions options;
    options.profile = name;
    return options;
}

PrinterSimOptions PrinterSim::Text(const std::string& snmprecText) {
    PrinterSimOptions options;
    options.profileText = snmprecText;
    return options;
}

std::string PrinterSim::ProfileDir() {
    return VM_SIM_PROFILE_DIR;
}
std::string PrinterSim::BinaryPath() {
    return VM_PRINTER_SIM_PATH;
}

PrinterSim::PrinterSim(const PrinterSimOptions& options) {
    Start(options);
    if (!ok()) {
        error_ += "\nsimulator stderr:\n" + logText();
        stop();
    }
}

PrinterSim::~PrinterSim() {
    stop();
    if (stdoutFd_ >= 0) {
        close(stdoutFd_);
    }
    if (!profilePath_.empty()) {
        unlink(profilePath_.c_str());
    }
    if (!stderrPath_.empty()) {
        unlink(stderrPath_.c_str());
    }
}

void PrinterSim::Start(const PrinterSimOptions& options) {
    std::string profile = options.profile;
    if (!options.profileText.empty()) {
        profilePath_ = MakeTempFile(".snmprec", options.profileText);
        if (profilePath_.empty()) {
            error_ = "cannot write the profile to a temporary file";
            return;
        }
        profile = profilePath_;
    }
    stderrPath_ = MakeTempFile(".log", "");
    if (stderrPath_.empty()) {
        error_ = "cannot create a temporary file for the simulator's stderr";
        return;
    }

    std::vector<std::string> args = {
        BinaryPath(), "--listen",    "127.0.0.1:0",     "--control", "127.0.0.1:0", "--profile-dir",
        ProfileDir(), "--community", options.community, "--profile", profile};
    if (options.live) {
        args.push_back("--live");
        if (options.pageIntervalMs > 0) {
            args.push_back("--page-interval");
            args.push_back(std::to_string(options.pageIntervalMs));
        }
    }
    if (options.log) {
        args.push_back("--log");
    }
    if (options.fleet > 1) {
        args.push_back("--fleet");
        args.push_back(std::to_string(options.fleet));
        if (options.fleetByAddress) {
            args.push_back("--fleet-by");
            args.push_back("addresses");
        }
    }
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath_.c_str(), O_WRONLY | O_APPEND, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    int spawnError = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];
    if (spawnError != 0) {
        pid_ = -1;
        error_ = "cannot start " + BinaryPath() + ": " + std::strerror(spawnError);
        return;
    }

    // Read stdout until every printer's port and then the control port are announced, the
    // simulator exits or time runs out.
    std::string pending;
    const auto startMs =
        START_TIMEOUT_MS + START_TIMEOUT_PER_PRINTER_MS * static_cast<int>(options.fleet);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startMs);
    while (port_ == 0 || controlPort_ == 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        pollfd fd{stdoutFd_, POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) {
            error_ = "the simulator did not announce its ports within " + std::to_string(startMs) +
                     " ms";
            port_ = 0;
            return;
        }
        char chunk[256];
        ssize_t n = read(stdoutFd_, chunk, sizeof chunk);
        if (n <= 0) {
            error_ = "the simulator exited before listening";
            port_ = 0;
            return;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (std::uint16_t port = PortOf(line, "listening on "); port != 0) {
                const std::size_t colon = line.rfind(':');
                endpoints_.push_back({line.substr(13, colon - 13), port});
                port_ = endpoints_.front().port;
            }
            if (std::uint16_t port = PortOf(line, "control on "); port != 0) {
                controlPort_ = port;
            }
        }
    }
}

std::uint16_t PrinterSim::port(std::size_t printer) const {
    return printer < endpoints_.size() ? endpoints_[printer].port : 0;
}

std::string PrinterSim::target(std::size_t printer) const {
    if (printer >= endpoints_.size()) {
        return "127.0.0.1:0";
    }
    return endpoints_[printer].address + ":" + std::to_string(endpoints_[printer].port);
}

std::string PrinterSim::exchange(const std::string& datagram, const std::string& from) const {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string("error: socket: ") + std::strerror(errno);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(controlPort_);
    std::string reply;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, datagram.data(), datagram.size(), 0) == static_cast<ssize_t>(datagram.size())) {
        pollfd wait{fd, POLLIN, 0};
        std::vector<char> buffer(65536);
        ssize_t n = 0;
        if (poll(&wait, 1, REPLY_TIMEOUT_MS) == 1 &&
            (n = recv(fd, buffer.data(), buffer.size(), 0)) > 0) {
            reply.assign(buffer.data(), static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return reply;
}

std::string PrinterSim::command(const std::string& line) const {
    std::string reply = exchange(line + "\n");
    if (reply.empty()) {
        return "error: no reply";
    }
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) {
        reply.pop_back();
    }
    return reply;
}

std::string PrinterSim::command(std::size_t printer, const std::string& line) const {
    return command("printer " + std::to_string(printer) + " " + line);
}

void PrinterSim::signal(int number) const {
    if (pid_ > 0) {
        kill(pid_, number);
    }
}

int PrinterSim::waitExit(int timeoutMs) {
    if (pid_ <= 0) {
        return status_;
    }
    int raw = 0;
    pid_t reaped = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((reaped = waitpid(pid_, &raw, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (reaped == 0) {
        return -2;
    }
    status_ = reaped == pid_ && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    pid_ = -1;
    return status_;
}

int PrinterSim::stop() {
    if (pid_ <= 0) {
        return status_;
    }
    kill(pid_, SIGTERM);
    if (waitExit(3000) == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        status_ = -1;
    }
    return status_;
}

std::string PrinterSim::logText() const {
    std::ifstream in(stderrPath_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

#include "term_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

void Drain(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count > 0) {
        into.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace

ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                      int timeoutMs, const std::string& input) {
    ProgramRun run;
    int inPipe[2];
    int outPipe[2];
    int errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return run;
    }
    // Small inputs only: they fit in the pipe, so writing them first cannot block.
    if (write(inPipe[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        return run;
    }
    close(inPipe[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    posix_spawn_file_actions_addclose(&actions, inPipe[0]);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<std::string> argvText = {path};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argvText) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return run;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && Clock::now() < deadline) {
        struct pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                                {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        if (poll(fds, 2, 50) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP)) == 0) {
                continue;
            }
            std::string& into = i == 0 ? run.out : run.err;
            const std::size_t before = into.size();
            Drain(fds[i].fd, into);
            if (into.size() == before) {
                (i == 0 ? outOpen : errOpen) = false;
            }
        }
    }
    if (outOpen || errOpen) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(outPipe[0]);
    close(errPipe[0]);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

TmuxSession::TmuxSession(const std::string& command, int columns, int rows) {
    socket_ = "vm-term-test-" + std::to_string(getpid()) + "-" +
              std::to_string(Clock::now().time_since_epoch().count());
    const std::string start = "new-session -d -s main -x " + std::to_string(columns) + " -y " +
                              std::to_string(rows) + " " + ShellQuote(command) + " && echo started";
    ok_ = Tmux(start).find("started") != std::string::npos;
}

TmuxSession::~TmuxSession() {
    Tmux("kill-server");
}

std::string TmuxSession::Tmux(const std::string& arguments) const {
    const std::string command = "tmux -L " + socket_ + " " + arguments + " 2>/dev/null";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, count);
    }
    pclose(pipe);
    return out;
}

std::string TmuxSession::Screen() const {
    return Tmux("capture-pane -p -t main");
}

bool TmuxSession::WaitFor(const std::string& text, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (Screen().find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < deadline);
    return false;
}

void TmuxSession::Keys(const std::vector<std::string>& keys, bool literal) const {
    std::string arguments = std::string("send-keys -t main") + (literal ? " -l" : "");
    for (const std::string& key : keys) {
        arguments += " " + ShellQuote(key);
    }
    Tmux(arguments);
}

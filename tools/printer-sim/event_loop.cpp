#include "tools/printer-sim/event_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "tools/printer-sim/control.h"
#include "tools/printer-sim/live.h"
#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/udp_socket.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// Requests are drained this many at a time so control commands and signals stay responsive
// under a flood; delayed answers beyond the queue limit are dropped like a full buffer would.
constexpr int kDatagramsPerWake = 64;
constexpr std::size_t kMaxPendingAnswers = 4096;
constexpr std::size_t kControlBytes = 4096;

int g_signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int number) {
    char code = number == SIGUSR1 ? '1' : number == SIGUSR2 ? '2' : 'T';
    int saved = errno;
    [[maybe_unused]] ssize_t ignored = write(g_signalPipe[1], &code, 1);
    errno = saved;
}

struct PendingAnswer {
    Clock::time_point due;
    Endpoint to;
    std::vector<std::vector<std::uint8_t>> strays;
    std::vector<std::uint8_t> response;
    std::vector<std::uint8_t> spoof;  // sent `spoofs` times from the other port
    unsigned spoofs = 0;
};

// Community texts come from the network: never let them drive the terminal.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return out;
}

class Agent {
  public:
    Agent(int agentFd, int controlFd, const Options& options, SimState& state)
        : agentFd_(agentFd), controlFd_(controlFd), options_(options), state_(state) {}
    ~Agent() { Close(spoofFd_); }
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    int Run() {
        Clock::time_point nextPage = Clock::now() + PageInterval();
        Clock::time_point uptimeMark = Clock::now();
        std::vector<pollfd> fds;
        while (true) {
            Clock::time_point now = Clock::now();
            Clock::time_point wake = now + std::chrono::hours(1);
            if (!pending_.empty()) {
                wake = std::min(wake, pending_.front().due);
            }
            if (options_.live) {
                wake = std::min(wake, nextPage);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
            int timeoutMs = wait.count() < 0 ? 0 : static_cast<int>(wait.count()) + 1;

            fds = {{g_signalPipe[0], POLLIN, 0}, {agentFd_, POLLIN, 0}};
            if (controlFd_ >= 0) {
                fds.push_back({controlFd_, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
                std::perror("poll");
                return 1;
            }
            if ((fds[0].revents & POLLIN) != 0 && HandleSignals()) {
                return 0;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                HandleRequests();
            }
            if (controlFd_ >= 0 && (fds[2].revents & POLLIN) != 0) {
                HandleControl();
            }
            SendDueAnswers();
            if (options_.live && Clock::now() >= nextPage) {
                // Pages missed while the process did not run are printed in one go.
                auto pages =
                    static_cast<std::uint64_t>((Clock::now() - nextPage) / PageInterval()) + 1;
                PrintPages(state_, pages);
                // sysUpTime follows the clock in whole hundredths, whatever the page interval.
                auto hundredths = (Clock::now() - uptimeMark) / std::chrono::milliseconds(10);
                AddUptime(state_, static_cast<std::uint64_t>(hundredths));
                uptimeMark += std::chrono::milliseconds(10) * hundredths;
                nextPage += PageInterval() * pages;
            }
        }
    }

  private:
    std::chrono::milliseconds PageInterval() const {
        return std::chrono::milliseconds(options_.pageIntervalMs);
    }

    // True when the process should stop.
    bool HandleSignals() {
        char codes[64];
        ssize_t count = read(g_signalPipe[0], codes, sizeof codes);
        bool stop = false;
        for (ssize_t i = 0; i < count; ++i) {
            if (codes[i] == '1' || codes[i] == '2') {
                state_.faults.silent = codes[i] == '1';
                Log(std::string("signal: silence ") + (codes[i] == '1' ? "on" : "off"));
            } else {
                stop = true;
            }
        }
        return stop;
    }

    void HandleRequests() {
        for (int i = 0; i < kDatagramsPerWake; ++i) {
            Endpoint from;
            long size = ReceiveFrom(agentFd_, buffer_.data(), buffer_.size(), from);
            if (size < 0) {
                return;
            }
            HandleRequest(buffer_.data(), static_cast<std::size_t>(size), from);
        }
    }

    void HandleRequest(const std::uint8_t* data, std::size_t size, const Endpoint& from) {
        Reply reply = Respond(data, size, state_);
        std::string source = FormatEndpoint(from);
        if (reply.outcome == Outcome::Malformed || reply.outcome == Outcome::NotARequest) {
            ++state_.stats.malformed;
            Log(source + " " + reply.summary);
            return;
        }
        std::string prefix = source + " community=" + Printable(reply.request.community) + " ";
        if (reply.outcome == Outcome::UnknownCommunity) {
            ++state_.stats.wrongCommunity;
            Log(prefix + reply.summary);
            return;
        }
        ++state_.stats.requests;
        if (state_.faults.silent) {
            ++state_.stats.silenced;
            Log(prefix + reply.summary + " [silenced, not sent]");
            return;
        }
        if (reply.injected) {
            ++state_.stats.injected;
        } else if (reply.errorStatus == kNoSuchName) {
            ++state_.stats.noSuchName;
        }
        // The strays and the forged copy are made from the answer before it moves.
        unsigned spoofs = state_.faults.spoof;
        std::vector<std::uint8_t> spoof =
            spoofs > 0 ? MakeSpoof(reply) : std::vector<std::uint8_t>{};
        PendingAnswer answer{Clock::now() + std::chrono::milliseconds(state_.faults.delayMs),
                             from,
                             MakeStrays(reply, state_.faults.stray),
                             std::move(reply.response),
                             std::move(spoof),
                             spoofs};
        std::string notes;
        if (answer.spoofs > 0) {
            notes += " [after " + std::to_string(answer.spoofs) + " spoofed answers]";
        }
        if (!answer.strays.empty()) {
            notes += " [after " + std::to_string(answer.strays.size()) + " stray datagrams]";
        }
        if (state_.faults.delayMs > 0) {
            notes += " [delayed " + std::to_string(state_.faults.delayMs) + " ms]";
            if (pending_.size() >= kMaxPendingAnswers) {
                Log(prefix + reply.summary + " [delay queue full, dropped]");
                return;
            }
            Log(prefix + reply.summary + notes);
            // Delays may shrink at run time: keep the queue ordered by due time.
            auto at = pending_.end();
            while (at != pending_.begin() && std::prev(at)->due > answer.due) {
                --at;
            }
            pending_.insert(at, std::move(answer));
            return;
        }
        Log(prefix + reply.summary + notes);
        Send(answer);
    }

    void Send(const PendingAnswer& answer) {
        if (answer.spoofs > 0 && SpoofSocket() >= 0) {
            for (unsigned i = 0; i < answer.spoofs; ++i) {
                SendTo(spoofFd_, answer.to, answer.spoof.data(), answer.spoof.size());
                ++state_.stats.spoofs;
            }
        }
        for (const auto& stray : answer.strays) {
            SendTo(agentFd_, answer.to, stray.data(), stray.size());
            ++state_.stats.strays;
        }
        SendTo(agentFd_, answer.to, answer.response.data(), answer.response.size());
        ++state_.stats.answered;
    }

    // A second socket on the agent's address with another port, opened when first needed.
    int SpoofSocket() {
        if (spoofFd_ < 0) {
            Endpoint other{BoundEndpoint(agentFd_).address, 0};
            std::string error;
            spoofFd_ = OpenUdp(other, error);
            if (spoofFd_ < 0) {
                Log("spoof: " + error);
            }
        }
        return spoofFd_;
    }

    void SendDueAnswers() {
        Clock::time_point now = Clock::now();
        while (!pending_.empty() && pending_.front().due <= now) {
            Send(pending_.front());
            pending_.pop_front();
        }
    }

    void HandleControl() {
        for (int i = 0; i < kDatagramsPerWake; ++i) {
            Endpoint from;
            long size = ReceiveFrom(controlFd_, control_.data(), control_.size(), from);
            if (size < 0) {
                return;
            }
            std::string_view text(reinterpret_cast<const char*>(control_.data()),
                                  static_cast<std::size_t>(size));
            std::string replies;
            while (!text.empty()) {
                std::size_t end = text.find('\n');
                std::string_view line = text.substr(0, end);
                text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
                if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
                    continue;
                }
                std::string reply = ExecuteControl(line, state_);
                Log("control: " + Printable(std::string(line)) + " -> " + reply);
                replies += reply + "\n";
            }
            if (replies.empty()) {
                replies = "error: empty command\n";
            }
            SendTo(controlFd_, from, reinterpret_cast<const std::uint8_t*>(replies.data()),
                   replies.size());
        }
    }

    void Log(const std::string& line) const {
        if (state_.log) {
            std::fprintf(stderr, "printer-sim: %s\n", line.c_str());
        }
    }

    int agentFd_;
    int controlFd_;
    int spoofFd_ = -1;
    const Options& options_;
    SimState& state_;
    std::deque<PendingAnswer> pending_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(ber::kMaxMessageBytes);
    std::vector<std::uint8_t> control_ = std::vector<std::uint8_t>(kControlBytes);
};

}  // namespace

bool InstallSignalHandlers() {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaction(number, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int RunEventLoop(int agentFd, int controlFd, const Options& options, SimState& state) {
    Agent agent(agentFd, controlFd, options, state);
    return agent.Run();
}

}  // namespace sim

#include "tools/printer-sim/event_loop.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <limits>
#include <string>

#include "tools/printer-sim/control.h"
#include "tools/printer-sim/delay_queue.h"
#include "tools/printer-sim/live.h"
#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/signals.h"
#include "tools/printer-sim/udp_socket.h"
#include "tools/printer-sim/v3_responder.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// Datagrams are drained this many at a time per socket, and due answers sent this many per
// wake, so control commands and signals stay responsive under a flood.
constexpr int DATAGRAMS_PER_WAKE = 64;
constexpr std::size_t ANSWERS_PER_WAKE = 1024;
constexpr int EVENTS_PER_WAIT = 256;
constexpr std::uint64_t SIGNAL_TAG = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t CONTROL_TAG = SIGNAL_TAG - 1;

// 127.0.0.0/8 or ::1.
bool IsLoopback(const net::Endpoint& address) {
    if (address.family == net::Family::IPv4) {
        return address.address[0] == 127;
    }
    return net::SameAddress(address, *net::LiteralEndpoint("::1", 0));
}

class Agent {
  public:
    Agent(const std::vector<int>& agentFds, int controlFd, const Options& options, SimState& state)
        : agentFds_(agentFds),
          spoofFds_(agentFds.size(), -1),
          controlFd_(controlFd),
          options_(options),
          state_(state) {}
    ~Agent() {
        for (int fd : spoofFds_) {
            Close(fd);
        }
        Close(epoll_);
    }
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    int Run() {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        if (epoll_ < 0 || !Watch(SignalFd(), SIGNAL_TAG) ||
            (controlFd_ >= 0 && !Watch(controlFd_, CONTROL_TAG))) {
            std::perror("vellumark-printer-sim: epoll");
            return 1;
        }
        for (std::size_t i = 0; i < agentFds_.size(); ++i) {
            if (!Watch(agentFds_[i], i)) {
                std::perror("vellumark-printer-sim: epoll");
                return 1;
            }
        }
        Clock::time_point nextPage = Clock::now() + PageInterval();
        Clock::time_point uptimeMark = Clock::now();
        epoll_event events[EVENTS_PER_WAIT];
        while (true) {
            Clock::time_point now = Clock::now();
            Clock::time_point wake = now + std::chrono::hours(1);
            if (std::optional<Clock::time_point> due = queue_.NextDue()) {
                wake = std::min(wake, *due);
            }
            if (options_.live) {
                wake = std::min(wake, nextPage);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
            int timeoutMs = wait.count() < 0 ? 0 : static_cast<int>(wait.count()) + 1;
            int ready = epoll_wait(epoll_, events, EVENTS_PER_WAIT, timeoutMs);
            if (ready < 0 && errno != EINTR) {
                std::perror("vellumark-printer-sim: epoll_wait");
                return 1;
            }
            for (int e = 0; e < ready; ++e) {
                std::uint64_t tag = events[e].data.u64;
                if (tag == SIGNAL_TAG) {
                    std::vector<std::string> notes;
                    bool stop = ApplySignals(state_, notes);
                    for (const std::string& note : notes) {
                        Log(note);
                    }
                    if (stop) {
                        return 0;
                    }
                } else if (tag == CONTROL_TAG) {
                    HandleControl();
                } else {
                    HandleRequests(static_cast<std::size_t>(tag));
                }
            }
            SendDueAnswers();
            if (options_.live && Clock::now() >= nextPage) {
                // Pages missed while the process did not run are printed in one go.
                auto pages =
                    static_cast<std::uint64_t>((Clock::now() - nextPage) / PageInterval()) + 1;
                // sysUpTime follows the clock in whole hundredths, whatever the page interval.
                auto hundredths = (Clock::now() - uptimeMark) / std::chrono::milliseconds(10);
                for (Printer& printer : state_.printers) {
                    PrintPages(printer, pages);
                    AddUptime(printer, static_cast<std::uint64_t>(hundredths));
                }
                uptimeMark += std::chrono::milliseconds(10) * hundredths;
                nextPage += PageInterval() * pages;
            }
        }
    }

  private:
    bool Watch(int fd, std::uint64_t tag) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = tag;
        return epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
    }

    std::chrono::milliseconds PageInterval() const {
        return std::chrono::milliseconds(options_.pageIntervalMs);
    }

    void HandleRequests(std::size_t printer) {
        for (int i = 0; i < DATAGRAMS_PER_WAKE; ++i) {
            net::Endpoint from;
            long size = ReceiveFrom(agentFds_[printer], buffer_.data(), buffer_.size(), from);
            if (size < 0) {
                return;
            }
            HandleRequest(printer, buffer_.data(), static_cast<std::size_t>(size), from);
        }
    }

    void HandleRequest(std::size_t index, const std::uint8_t* data, std::size_t size,
                       const net::Endpoint& from) {
        Printer& printer = state_.printers[index];
        Reply reply = printer.v3 != nullptr && v3::IsVersion3(data, size)
                          ? RespondV3(data, size, printer, EngineClockMs())
                          : Respond(data, size, printer);
        std::string source =
            (agentFds_.size() > 1 ? "printer " + std::to_string(index) + ": " : std::string()) +
            net::EndpointText(from);
        if (reply.outcome == Outcome::Malformed || reply.outcome == Outcome::NotARequest) {
            ++printer.stats.malformed;
            Log(source + " " + reply.summary);
            return;
        }
        std::string prefix = source + " community=" + reply.request.community + " ";
        if (reply.outcome == Outcome::UnknownCommunity) {
            ++printer.stats.wrongCommunity;
            Log(prefix + reply.summary);
            return;
        }
        ++printer.stats.requests;
        if (printer.faults.silent) {
            ++printer.stats.silenced;
            Log(prefix + reply.summary + " [silenced, not sent]");
            return;
        }
        if (reply.injected) {
            ++printer.stats.injected;
        } else if (reply.errorStatus == NO_SUCH_NAME) {
            ++printer.stats.noSuchName;
        }
        const Faults& faults = printer.faults;
        // The forged copy is made from the answer before it moves.
        std::vector<std::uint8_t> spoof =
            faults.spoof > 0 ? MakeSpoof(reply) : std::vector<std::uint8_t>{};
        PendingAnswer answer{Clock::now() + std::chrono::milliseconds(faults.delayMs),
                             index,
                             from,
                             std::move(reply.response),
                             faults.stray,
                             std::move(spoof),
                             faults.spoof};
        std::string notes;
        if (answer.spoofs > 0) {
            notes += " [after " + std::to_string(answer.spoofs) + " spoofed answers]";
        }
        if (answer.strays > 0) {
            notes += " [after " + std::to_string(answer.strays) + " stray datagrams]";
        }
        if (faults.delayMs == 0) {
            Log(prefix + reply.summary + notes);
            Send(answer);
            return;
        }
        notes += " [delayed " + std::to_string(faults.delayMs) + " ms]";
        if (!queue_.Push(std::move(answer))) {
            ++printer.stats.queueDropped;
            Log(prefix + reply.summary + " [delay queue full, dropped]");
            return;
        }
        Log(prefix + reply.summary + notes);
        NoteQueue();
    }

    void NoteQueue() {
        state_.queued = queue_.Size();
        state_.queueBytes = queue_.Bytes();
    }

    void Send(const PendingAnswer& answer) {
        Printer& printer = state_.printers[answer.printer];
        int agentFd = agentFds_[answer.printer];
        if (answer.spoofs > 0 && !answer.spoof.empty() && SpoofSocket(answer.printer) >= 0) {
            for (unsigned i = 0; i < answer.spoofs; ++i) {
                SendTo(spoofFds_[answer.printer], answer.to, answer.spoof.data(),
                       answer.spoof.size());
                ++printer.stats.spoofs;
            }
        }
        for (const auto& stray : MakeStrays(answer.response, answer.strays)) {
            SendTo(agentFd, answer.to, stray.data(), stray.size());
            ++printer.stats.strays;
        }
        SendTo(agentFd, answer.to, answer.response.data(), answer.response.size());
        ++printer.stats.answered;
    }

    // A second socket on the printer's address with another port, opened when first needed.
    int SpoofSocket(std::size_t printer) {
        if (spoofFds_[printer] < 0) {
            net::Endpoint other = BoundEndpoint(agentFds_[printer]);
            other.port = 0;
            std::string error;
            spoofFds_[printer] = OpenUdp(other, error);
            if (spoofFds_[printer] < 0) {
                Log("spoof: " + error);
            }
        }
        return spoofFds_[printer];
    }

    void SendDueAnswers() {
        for (const PendingAnswer& answer : queue_.TakeDue(Clock::now(), ANSWERS_PER_WAKE)) {
            Send(answer);
        }
        NoteQueue();
    }

    bool ControlAllowed(const net::Endpoint& from) const {
        if (options_.controlAllow.empty()) {
            return IsLoopback(from);
        }
        return std::any_of(
            options_.controlAllow.begin(), options_.controlAllow.end(),
            [&](const net::Endpoint& allowed) { return net::SameAddress(allowed, from); });
    }

    void HandleControl() {
        for (int i = 0; i < DATAGRAMS_PER_WAKE; ++i) {
            net::Endpoint from;
            long size = ReceiveFrom(controlFd_, control_.data(), control_.size(), from);
            if (size < 0) {
                return;
            }
            if (!ControlAllowed(from)) {
                ++state_.controlRefused;
                Log("control: datagram from " + net::EndpointText(from) + " refused");
                continue;
            }
            std::string_view text(reinterpret_cast<const char*>(control_.data()),
                                  static_cast<std::size_t>(size));
            std::vector<std::string> log;
            std::string replies = ControlReply(text, state_, &log);
            for (const std::string& line : log) {
                Log("control: " + line);
            }
            SendTo(controlFd_, from, reinterpret_cast<const std::uint8_t*>(replies.data()),
                   replies.size());
        }
    }

    // Texts from the network (communities, control lines, values) are escaped: they must never
    // drive the terminal.
    void Log(const std::string& line) const {
        if (state_.log) {
            std::fprintf(stderr, "printer-sim: %s\n", EscapeControlBytes(line).c_str());
        }
    }

    const std::vector<int>& agentFds_;
    std::vector<int> spoofFds_;
    int controlFd_;
    int epoll_ = -1;
    const Options& options_;
    SimState& state_;
    DelayQueue queue_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(ber::MAX_MESSAGE_BYTES);
    std::vector<std::uint8_t> control_ = std::vector<std::uint8_t>(CONTROL_BYTES);
};

}  // namespace

int RunEventLoop(const std::vector<int>& agentFds, int controlFd, const Options& options,
                 SimState& state) {
    Agent agent(agentFds, controlFd, options, state);
    return agent.Run();
}

}  // namespace sim

// The reader on Linux: epoll, an eventfd to wake the loop for Submit and Stop, and a few
// non-blocking UDP sockets shared by every reading.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <queue>
#include <random>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "condition/engine.h"
#include "condition/usm_security.h"
#include "condition/walk.h"
#include "platform/net/socket_address.h"
#include "snmp/asn_types.h"
#include "snmp/ber.h"

namespace condition {
namespace {

using Clock = std::chrono::steady_clock;

// One byte more than the largest valid message: a datagram that fills it was cut short and
// the decoder refuses it as too large, never reads it as something shorter.
constexpr std::size_t RECEIVE_CAPACITY = ber::MAX_MESSAGE_BYTES + 1;
// Datagrams read from one socket before the loop looks at the others and at its timers.
constexpr int RECEIVE_BURST = 64;
constexpr int RECEIVE_BUFFER_BYTES = 4 << 20;
constexpr std::int32_t LARGEST_REQUEST_ID = 0x7FFFFFFF;

struct Reading {
    std::uint64_t id = 0;
    ReadRequest request;
    ReadDone done;
    Walk walk;
    std::size_t socket = 0;  // index among its family's sockets
    std::int32_t requestId = 0;
    std::vector<std::uint8_t> bytes;  // the request outstanding or waiting to be sent
    int attempt = 0;
    std::uint64_t sendCount = 0;  // names the current request's time-out
    bool outstanding = false;     // holds an in-flight slot
    bool queued = false;          // waits for a slot
    // SNMPv3 only: the printer's session, and the walk's request it wraps (kept to wrap again).
    std::unique_ptr<UsmSecurity> security;
    ber::Message pdu;

    Reading(std::uint64_t readingId, ReadRequest r, ReadDone d)
        : id(readingId), request(std::move(r)), done(std::move(d)), walk(request.version) {}
};

struct Timer {
    Clock::time_point when;
    std::uint64_t reading;
    std::uint64_t sendCount;  // 0: the reading's deadline
    bool operator>(const Timer& other) const { return when > other.when; }
};

int OpenUdp(net::Family family) {
    const int fd = socket(net::AddressFamily(family), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int on = 1;
    if (family == net::Family::IPv6) {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    // Many answers can arrive at once; a larger buffer loses fewer of them (the kernel caps it).
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &RECEIVE_BUFFER_BYTES, sizeof RECEIVE_BUFFER_BYTES);
    sockaddr_storage local{};
    const int length = net::ToSockaddr(net::Endpoint{family, {}, 0}, &local);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), static_cast<socklen_t>(length)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool FromAgent(const sockaddr_storage& from, socklen_t length, const net::Endpoint& agent) {
    net::Endpoint sender;
    return net::FromSockaddr(from, static_cast<long>(length), &sender) && sender == agent;
}

std::int32_t FirstRequestId() {
    std::random_device device;
    const std::int32_t id = static_cast<std::int32_t>(device() & 0x7FFFFFFFu);
    return id == 0 ? 1 : id;
}

class Engine final : public Reader {
  public:
    explicit Engine(const ReaderOptions& options)
        : maxInFlight_(std::max<std::size_t>(1, options.maxInFlight)),
          nextRequestId_(FirstRequestId()),
          buffer_(new std::uint8_t[RECEIVE_CAPACITY]) {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        const std::size_t perFamily = std::max<std::size_t>(1, options.socketsPerFamily);
        for (std::size_t i = 0; i < perFamily; ++i) {
            AddSocket(net::Family::IPv4, v4_);
            AddSocket(net::Family::IPv6, v6_);
        }
        if (epoll_ >= 0 && wake_ >= 0) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = wake_;
            epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
        }
        thread_ = std::thread([this] { Run(); });
    }

    ~Engine() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wakeup_.notify_all();
        Wake();
        thread_.join();
        for (const int fd : v4_) {
            close(fd);
        }
        for (const int fd : v6_) {
            close(fd);
        }
        if (wake_ >= 0) {
            close(wake_);
        }
        if (epoll_ >= 0) {
            close(epoll_);
        }
    }

    void Submit(ReadRequest request, ReadDone done) override {
        readingsInFlight_.fetch_add(1, std::memory_order_relaxed);
        bool first = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            first = submitted_.empty();
            submitted_.emplace_back(std::move(request), std::move(done));
        }
        if (first) {
            wakeup_.notify_one();
            Wake();
        }
    }

    ReaderStats Stats() const override {
        ReaderStats stats;
        stats.requests = requests_.load(std::memory_order_relaxed);
        stats.retries = retries_.load(std::memory_order_relaxed);
        stats.timeouts = timeouts_.load(std::memory_order_relaxed);
        stats.inFlight = readingsInFlight_.load(std::memory_order_relaxed);
        return stats;
    }

  private:
    void AddSocket(net::Family family, std::vector<int>& sockets) {
        const int fd = OpenUdp(family);
        if (fd < 0) {
            return;
        }
        if (epoll_ >= 0) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = fd;
            epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
        }
        sockets.push_back(fd);
    }

    void Wake() {
        if (wake_ >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
        }
    }

    void Run() {
        const bool usable = epoll_ >= 0 && wake_ >= 0 && (!v4_.empty() || !v6_.empty());
        const char* broken = usable ? nullptr : "reader cannot start: no epoll or no socket";
        epoll_event events[32];
        for (;;) {
            TakeSubmitted(broken);
            if (Stopping()) {
                break;
            }
            FireTimers(Clock::now());
            SendQueued();
            const int ready = usable ? epoll_wait(epoll_, events, 32, WaitMs()) : -1;
            if (!usable) {
                // Nothing can be read; wait for the next Submit or Stop without spinning.
                std::unique_lock<std::mutex> lock(mutex_);
                wakeup_.wait(lock, [this] { return stopping_ || !submitted_.empty(); });
                continue;
            }
            for (int i = 0; i < ready; ++i) {
                if (events[i].data.fd == wake_) {
                    std::uint64_t count = 0;
                    [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
                } else {
                    Receive(events[i].data.fd);
                }
            }
        }
        // Stop: every reading still pending ends now, those submitted since the last turn too.
        TakeSubmitted("reader stopped");
        std::vector<std::uint64_t> ids;
        for (const auto& [id, reading] : readings_) {
            ids.push_back(id);
        }
        for (const std::uint64_t id : ids) {
            Reading& reading = *readings_.at(id);
            reading.walk.Abort("reader stopped");
            Finish(reading);
        }
    }

    bool Stopping() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    void TakeSubmitted(const char* broken) {
        std::vector<std::pair<ReadRequest, ReadDone>> taken;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken.swap(submitted_);
        }
        for (auto& [request, done] : taken) {
            const std::uint64_t id = nextReading_++;
            auto reading = std::make_unique<Reading>(id, std::move(request), std::move(done));
            Reading& r = *reading;
            readings_.emplace(id, std::move(reading));
            const std::vector<int>& family = SocketsFor(r.request.agent);
            if (broken != nullptr || family.empty()) {
                r.walk.Abort(broken != nullptr ? broken
                                               : (r.request.agent.family == net::Family::IPv6
                                                      ? "no IPv6 socket"
                                                      : "no IPv4 socket"));
                Finish(r);
                continue;
            }
            if (r.request.version == SnmpVersion::V3) {
                r.security = std::make_unique<UsmSecurity>(r.request.usm);
                if (!r.security->problem().empty()) {
                    r.walk.Abort(r.security->problem(), ReadError::Security);
                    Finish(r);
                    continue;
                }
            }
            r.socket = id % family.size();
            if (r.request.deadline == Clock::time_point{}) {
                r.request.deadline = Clock::now() + DEFAULT_READING_TIME;
            }
            timers_.push(Timer{r.request.deadline, id, 0});
            Advance(r);
        }
    }

    // Next exchange of a reading: queue its request, or finish it.
    void Advance(Reading& reading) {
        ber::Message message;
        if (!reading.walk.Next(message)) {
            Finish(reading);
            return;
        }
        if (reading.security != nullptr) {
            reading.pdu = std::move(message);
            Queue(reading);
            return;
        }
        message.version =
            reading.request.version == SnmpVersion::V1 ? ber::VERSION_1 : ber::VERSION_2C;
        message.community = reading.request.community;
        message.requestId = TakeRequestId();
        reading.bytes.clear();
        if (ber::Encode(message, reading.bytes) != ber::Error::None) {
            reading.walk.Abort("cannot encode a request");
            Finish(reading);
            return;
        }
        reading.requestId = message.requestId;
        SendOrQueue(reading);
    }

    // SNMPv3: wraps the walk's request through the printer's session (the discovery while its
    // engine is unknown) under a fresh id that serves as both msgID and request-id, and queues
    // it. Called again when the session asks for the request once more.
    void Queue(Reading& reading) {
        reading.pdu.requestId = TakeRequestId();
        if (!reading.security->Wrap(reading.pdu, reading.pdu.requestId, reading.bytes)) {
            reading.walk.Abort(reading.security->error(), ReadError::Security);
            Finish(reading);
            return;
        }
        reading.requestId = reading.pdu.requestId;
        SendOrQueue(reading);
    }

    void SendOrQueue(Reading& reading) {
        reading.attempt = 0;
        if (inFlight_ < maxInFlight_ && queue_.empty()) {
            Send(reading);
        } else {
            reading.queued = true;
            queue_.push_back(reading.id);
        }
    }

    std::int32_t TakeRequestId() {
        for (;;) {
            const std::int32_t id = nextRequestId_;
            nextRequestId_ = id == LARGEST_REQUEST_ID ? 1 : id + 1;
            if (pending_.count(id) == 0) {
                return id;
            }
        }
    }

    void Send(Reading& reading) {
        reading.queued = false;
        reading.outstanding = true;
        ++inFlight_;
        pending_[reading.requestId] = reading.id;
        Transmit(reading);
    }

    // Sends the request (again). A send that fails is waited out like a lost datagram.
    void Transmit(Reading& reading) {
        const std::vector<int>& family = SocketsFor(reading.request.agent);
        sockaddr_storage to{};
        const int length = net::ToSockaddr(reading.request.agent, &to);
        sendto(family[reading.socket], reading.bytes.data(), reading.bytes.size(), 0,
               reinterpret_cast<const sockaddr*>(&to), static_cast<socklen_t>(length));
        requests_.fetch_add(1, std::memory_order_relaxed);
        ++reading.sendCount;
        const int timeoutMs = std::max(1, reading.request.timeoutMs);
        timers_.push(Timer{Clock::now() + std::chrono::milliseconds(timeoutMs), reading.id,
                           reading.sendCount});
    }

    void Release(Reading& reading) {
        if (reading.outstanding) {
            reading.outstanding = false;
            pending_.erase(reading.requestId);
            --inFlight_;
        }
    }

    void SendQueued() {
        while (inFlight_ < maxInFlight_ && !queue_.empty()) {
            const std::uint64_t id = queue_.front();
            queue_.pop_front();
            const auto found = readings_.find(id);
            if (found != readings_.end() && found->second->queued) {
                Send(*found->second);
            }
        }
    }

    void Finish(Reading& reading) {
        Release(reading);
        reading.queued = false;  // a stale queue entry is skipped
        Condition condition = reading.walk.Take(reading.request.supplyWarningPercent);
        ReadDone done = std::move(reading.done);
        readings_.erase(reading.id);  // `reading` is gone from here on
        // Counted out before `done` runs, so that whoever `done` wakes sees the count without it.
        readingsInFlight_.fetch_sub(1, std::memory_order_relaxed);
        if (done) {
            done(std::move(condition));
        }
    }

    void FireTimers(Clock::time_point now) {
        while (!timers_.empty() && timers_.top().when <= now) {
            const Timer timer = timers_.top();
            timers_.pop();
            const auto found = readings_.find(timer.reading);
            if (found == readings_.end()) {
                continue;
            }
            Reading& reading = *found->second;
            if (timer.sendCount == 0) {
                reading.walk.Abort("deadline passed", ReadError::Deadline);
                Finish(reading);
            } else if (reading.outstanding && timer.sendCount == reading.sendCount) {
                if (reading.attempt < reading.request.retries) {
                    ++reading.attempt;
                    retries_.fetch_add(1, std::memory_order_relaxed);
                    Transmit(reading);
                } else {
                    timeouts_.fetch_add(1, std::memory_order_relaxed);
                    Release(reading);
                    if (reading.security != nullptr && !reading.walk.Answered()) {
                        // Silence before any answer means something else on SNMPv3 (no
                        // engine, a privacy key the agent could not use): say which.
                        reading.walk.Abort(reading.security->SilenceText(), ReadError::Timeout);
                    } else {
                        reading.walk.NoAnswer();
                    }
                    Advance(reading);
                }
            }
        }
    }

    int WaitMs() const {
        if (timers_.empty()) {
            return -1;
        }
        const auto left = timers_.top().when - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        // Rounded up: waking before the time would only spin.
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }

    void Receive(int fd) {
        for (int n = 0; n < RECEIVE_BURST; ++n) {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size = recvfrom(fd, buffer_.get(), RECEIVE_CAPACITY, 0,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 0) {
                return;  // EAGAIN: drained (or an error, nothing to read either way)
            }
            const std::uint8_t* data = buffer_.get();
            const auto bytes = static_cast<std::size_t>(size);
            std::int32_t id = 0;
            if (PeekMessageId(data, bytes, &id)) {
                ReceiveV3(fd, from, length, data, bytes, id);
                continue;
            }
            if (ber::Decode(data, bytes, incoming_) != ber::Error::None ||
                incoming_.pduType != SNMP_PDU_RESPONSE) {
                continue;
            }
            const auto pending = pending_.find(incoming_.requestId);
            if (pending == pending_.end()) {
                continue;
            }
            Reading& reading = *readings_.at(pending->second);
            const std::vector<int>& family = SocketsFor(reading.request.agent);
            const std::int32_t version =
                reading.request.version == SnmpVersion::V1 ? ber::VERSION_1 : ber::VERSION_2C;
            if (reading.security != nullptr || family[reading.socket] != fd ||
                !FromAgent(from, length, reading.request.agent) || incoming_.version != version ||
                incoming_.community != reading.request.community) {
                continue;
            }
            Release(reading);
            reading.walk.Answer(incoming_);
            Advance(reading);
        }
    }

    // An SNMPv3 datagram whose msgID is `id`: the session of the reading that sent it decides.
    void ReceiveV3(int fd, const sockaddr_storage& from, socklen_t length, const std::uint8_t* data,
                   std::size_t size, std::int32_t id) {
        const auto pending = pending_.find(id);
        if (pending == pending_.end()) {
            return;
        }
        Reading& reading = *readings_.at(pending->second);
        if (reading.security == nullptr ||
            SocketsFor(reading.request.agent)[reading.socket] != fd ||
            !FromAgent(from, length, reading.request.agent)) {
            return;
        }
        switch (reading.security->Unwrap(data, size, id, incoming_)) {
            case UsmSecurity::Result::Ignored:
                return;
            case UsmSecurity::Result::Answer:
                if (incoming_.pduType != SNMP_PDU_RESPONSE ||
                    incoming_.requestId != reading.requestId) {
                    return;
                }
                Release(reading);
                reading.walk.Answer(incoming_);
                Advance(reading);
                return;
            case UsmSecurity::Result::SendAgain:
                Release(reading);
                Queue(reading);
                return;
            case UsmSecurity::Result::Failed:
                Release(reading);
                reading.walk.Abort(reading.security->error(), ReadError::Security);
                Finish(reading);
                return;
        }
    }

    const std::vector<int>& SocketsFor(const net::Endpoint& agent) const {
        return agent.family == net::Family::IPv6 ? v6_ : v4_;
    }

    const std::size_t maxInFlight_;
    int epoll_ = -1;
    int wake_ = -1;
    std::vector<int> v4_;
    std::vector<int> v6_;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable wakeup_;
    bool stopping_ = false;
    std::vector<std::pair<ReadRequest, ReadDone>> submitted_;

    // The loop's own state, touched by its thread only.
    std::unordered_map<std::uint64_t, std::unique_ptr<Reading>> readings_;
    std::unordered_map<std::int32_t, std::uint64_t> pending_;  // request-id -> reading
    std::priority_queue<Timer, std::vector<Timer>, std::greater<Timer>> timers_;
    std::deque<std::uint64_t> queue_;
    std::size_t inFlight_ = 0;
    std::uint64_t nextReading_ = 1;
    std::int32_t nextRequestId_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    ber::Message incoming_;

    std::atomic<std::uint64_t> requests_{0};
    std::atomic<std::uint64_t> retries_{0};
    std::atomic<std::uint64_t> timeouts_{0};
    std::atomic<std::uint64_t> readingsInFlight_{0};
};

}  // namespace

std::unique_ptr<Reader> StartReader(const ReaderOptions& options) {
    return std::make_unique<Engine>(options);
}

Condition ReadOnce(const ReadRequest& request) {
    ReaderOptions options;
    options.socketsPerFamily = 1;
    std::promise<Condition> result;
    std::future<Condition> future = result.get_future();
    const std::unique_ptr<Reader> reader = StartReader(options);
    reader->Submit(request,
                   [&result](Condition&& condition) { result.set_value(std::move(condition)); });
    return future.get();
}

}  // namespace condition

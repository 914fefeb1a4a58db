#include "condition/engine_core.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

#include "condition/engine.h"
#include "condition/usm_security.h"
#include "condition/walk.h"
#include "platform/net/net.h"
#include "platform/net/poller.h"
#include "platform/snmpmgr/request_match.h"
#include "snmp/asn_types.h"
#include "snmp/ber.h"
#include "snmp/v3_message.h"

namespace condition {
namespace {

using Clock = std::chrono::steady_clock;

// One byte more than the largest valid message: a datagram that fills it was cut short and
// the decoder refuses it as too large, never reads it as something shorter.
constexpr std::size_t RECEIVE_CAPACITY = ber::MAX_MESSAGE_BYTES + 1;
// Datagrams read from one socket before the loop looks at the others and at its timers.
constexpr int RECEIVE_BURST = 64;

snmpmatch::Millis MillisOf(Clock::time_point when) {
    return static_cast<snmpmatch::Millis>(
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count());
}

std::int32_t VersionOf(SnmpVersion version) {
    return version == SnmpVersion::V1 ? ber::VERSION_1 : ber::VERSION_2C;
}

struct Reading {
    std::uint64_t id = 0;
    ReadRequest request;
    ReadDone done;
    Walk walk;
    net::UdpSocket* socket = nullptr;
    std::int32_t requestId = 0;       // the request outstanding, when `outstanding`
    std::vector<std::uint8_t> bytes;  // the request outstanding or waiting to be sent
    int attempt = 0;
    bool outstanding = false;  // holds an in-flight slot
    bool queued = false;       // waits for a slot
    // SNMPv3 only: the printer's session, and the walk's request it wraps (kept to wrap again
    // when the session asks for it once more).
    std::unique_ptr<UsmSecurity> security;
    ber::Message pdu;

    Reading(std::uint64_t readingId, ReadRequest r, ReadDone d)
        : id(readingId), request(std::move(r)), done(std::move(d)), walk(request.version) {}
};

struct Deadline {
    Clock::time_point when;
    std::uint64_t reading;
    bool operator>(const Deadline& other) const { return when > other.when; }
};

}  // namespace

struct EngineCore::State {
    std::size_t maxInFlight;
    bool started = false;  // the socket library
    net::Poller* poller = nullptr;
    std::unordered_map<std::uint64_t, std::unique_ptr<Reading>> readings;
    snmpmatch::RequestTable requests;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<Deadline>> deadlines;
    std::deque<std::uint64_t> queue;
    std::size_t inFlight = 0;
    std::uint64_t nextReading = 1;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(RECEIVE_CAPACITY);
    std::vector<std::uint64_t> ready;
    ber::Message incoming;

    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> retries{0};
    std::atomic<std::uint64_t> timeouts{0};
    std::atomic<std::uint64_t> pending{0};

    // Next exchange of a reading: queue its request, or finish it.
    void Advance(Reading& reading) {
        ber::Message message;
        if (!reading.walk.Next(message)) {
            Finish(reading);
            return;
        }
        message.version = VersionOf(reading.request.version);
        message.community = reading.request.community;
        Dispatch(reading, std::move(message));
    }

    // Sends the walk's request now, or queues it for a slot.
    void Dispatch(Reading& reading, ber::Message message) {
        message.requestId = 0;  // drawn when it is sent
        reading.attempt = 0;
        reading.bytes.clear();
        reading.queued = false;
        if (inFlight < maxInFlight && queue.empty()) {
            Send(reading, message);
        } else {
            // Encoded when its turn comes, with the id drawn then.
            reading.queued = true;
            queue.push_back(reading.id);
            pendingMessages[reading.id] = std::move(message);
        }
    }

    std::unordered_map<std::uint64_t, ber::Message> pendingMessages;

    void Send(Reading& reading, ber::Message& message) {
        const int timeoutMs = std::max(1, reading.request.timeoutMs);
        const bool v3 = reading.security != nullptr;
        // On SNMPv3 the id serves as both msgID and request-id: the answer is found by its
        // msgID, which can be read before the session unwraps anything.
        message.requestId =
            requests.Add({.agent = reading.request.agent,
                          .via = reading.id,
                          .version = v3 ? v3::VERSION_3 : message.version,
                          .community = v3 ? std::string() : reading.request.community,
                          .deadline = MillisOf(Clock::now()) + static_cast<unsigned>(timeoutMs),
                          .owner = reading.id});
        reading.bytes.clear();
        if (v3) {
            reading.pdu = message;
            if (!reading.security->Wrap(reading.pdu, message.requestId, reading.bytes)) {
                requests.Remove(message.requestId);
                reading.walk.Abort(reading.security->error(), ReadError::Security);
                Finish(reading);
                return;
            }
        } else if (ber::Encode(message, reading.bytes) != ber::Error::None) {
            requests.Remove(message.requestId);
            reading.walk.Abort("cannot encode a request");
            Finish(reading);
            return;
        }
        reading.requestId = message.requestId;
        reading.queued = false;
        reading.outstanding = true;
        ++inFlight;
        Transmit(reading);
    }

    // Sends the request (again). A send that fails is waited out like a lost datagram.
    void Transmit(Reading& reading) {
        net::UdpSendTo(reading.socket, reading.request.agent, reading.bytes.data(),
                       reading.bytes.size());
        sent.fetch_add(1, std::memory_order_relaxed);
    }

    void Release(Reading& reading) {
        if (reading.outstanding) {
            reading.outstanding = false;
            requests.Remove(reading.requestId);
            --inFlight;
        }
    }

    void SendQueued() {
        while (inFlight < maxInFlight && !queue.empty()) {
            const std::uint64_t id = queue.front();
            queue.pop_front();
            const auto found = readings.find(id);
            const auto message = pendingMessages.find(id);
            if (found != readings.end() && found->second->queued &&
                message != pendingMessages.end()) {
                ber::Message taken = std::move(message->second);
                pendingMessages.erase(message);
                Send(*found->second, taken);
            }
        }
    }

    void Finish(Reading& reading) {
        Release(reading);
        pendingMessages.erase(reading.id);  // a stale queue entry is skipped
        if (reading.socket != nullptr) {
            if (poller != nullptr) {
                net::PollerRemove(poller, reading.socket);
            }
            net::UdpClose(reading.socket);
        }
        Condition condition = reading.walk.Take(reading.request.supplyWarningPercent);
        ReadDone done = std::move(reading.done);
        readings.erase(reading.id);  // `reading` is gone from here on
        // Counted out before `done` runs, so that whoever `done` wakes sees the count without it.
        pending.fetch_sub(1, std::memory_order_relaxed);
        if (done) {
            done(std::move(condition));
        }
    }

    void FireTimers() {
        const Clock::time_point now = Clock::now();
        while (!deadlines.empty() && deadlines.top().when <= now) {
            const Deadline deadline = deadlines.top();
            deadlines.pop();
            const auto found = readings.find(deadline.reading);
            if (found != readings.end()) {
                found->second->walk.Abort("deadline passed", ReadError::Deadline);
                Finish(*found->second);
            }
        }
        for (const snmpmatch::Match& expired : requests.Expired(MillisOf(now))) {
            Reading& reading = *readings.at(expired.owner);
            if (reading.attempt < reading.request.retries) {
                ++reading.attempt;
                retries.fetch_add(1, std::memory_order_relaxed);
                requests.Rearm(
                    expired.requestId,
                    MillisOf(now) + static_cast<unsigned>(std::max(1, reading.request.timeoutMs)));
                Transmit(reading);
            } else {
                timeouts.fetch_add(1, std::memory_order_relaxed);
                Release(reading);
                if (reading.security != nullptr && !reading.walk.Answered()) {
                    // Silence before any answer means something else on SNMPv3 (no engine, a
                    // privacy key the agent could not use): say which.
                    reading.walk.Abort(reading.security->SilenceText(), ReadError::Timeout);
                } else {
                    reading.walk.NoAnswer();
                }
                Advance(reading);
            }
        }
    }

    int WaitMs() const {
        Clock::time_point next = Clock::time_point::max();
        if (!deadlines.empty()) {
            next = deadlines.top().when;
        }
        if (const auto request = requests.NextDeadline()) {
            next = std::min(next, Clock::time_point(std::chrono::milliseconds(*request)));
        }
        if (next == Clock::time_point::max()) {
            return -1;
        }
        const auto left = next - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        // Rounded up: waking before the time would only spin.
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }

    void ReceiveV3(Reading& reading, std::size_t size, const net::Endpoint& from);

    void Receive(std::uint64_t id) {
        for (int n = 0; n < RECEIVE_BURST; ++n) {
            const auto found = readings.find(id);
            if (found == readings.end()) {
                return;  // ended by an answer of this burst, its socket closed
            }
            Reading& reading = *found->second;
            net::Endpoint from;
            const long size = net::UdpReceive(reading.socket, buffer.data(), buffer.size(), &from);
            if (size < 0) {
                return;  // drained (or an error, nothing to read either way)
            }
            const auto bytes = static_cast<std::size_t>(size);
            if (IsSnmpV3(buffer.data(), bytes)) {
                ReceiveV3(reading, bytes, from);
                continue;
            }
            if (!requests.Accept(buffer.data(), bytes, from, reading.id, incoming)) {
                continue;
            }
            // Accepted: the request is no longer in the table.
            reading.outstanding = false;
            --inFlight;
            reading.walk.Answer(incoming);
            Advance(reading);
        }
    }
};

// An SNMPv3 datagram on `reading`'s socket: the request table cannot decode it, so it is taken
// only when its msgID names this reading's outstanding request and it came from the agent; then
// the printer's session decides.
void EngineCore::State::ReceiveV3(Reading& reading, std::size_t size, const net::Endpoint& from) {
    std::int32_t id = 0;
    if (reading.security == nullptr || !reading.outstanding ||
        !PeekMessageId(buffer.data(), size, &id) || id != reading.requestId) {
        return;
    }
    const snmpmatch::Expected* expected = requests.Find(id);
    if (expected == nullptr || expected->via != reading.id || !(expected->agent == from)) {
        return;
    }
    switch (reading.security->Unwrap(buffer.data(), size, id, incoming)) {
        case UsmSecurity::Result::Ignored:
            return;
        case UsmSecurity::Result::Answer:
            if (incoming.pduType != SNMP_PDU_RESPONSE || incoming.requestId != id) {
                return;
            }
            Release(reading);
            reading.walk.Answer(incoming);
            Advance(reading);
            return;
        case UsmSecurity::Result::SendAgain:
            Release(reading);
            Dispatch(reading, reading.pdu);
            return;
        case UsmSecurity::Result::Failed:
            Release(reading);
            reading.walk.Abort(reading.security->error(), ReadError::Security);
            Finish(reading);
            return;
    }
}

EngineCore::EngineCore(std::size_t maxInFlight) : state_(std::make_unique<State>()) {
    state_->maxInFlight = std::max<std::size_t>(1, maxInFlight);
    state_->started = net::Startup();
    state_->poller = state_->started ? net::PollerOpen() : nullptr;
}

EngineCore::~EngineCore() {
    StopAll("reader stopped");
    net::PollerClose(state_->poller);
    if (state_->started) {
        net::Cleanup();
    }
}

bool EngineCore::Usable() const {
    return state_->poller != nullptr;
}

void EngineCore::Refuse(ReadRequest request, ReadDone done, const char* why) {
    Walk walk(request.version);
    walk.Abort(why);
    Condition condition = walk.Take(request.supplyWarningPercent);
    if (done) {
        done(std::move(condition));
    }
}

void EngineCore::Submit(ReadRequest request, ReadDone done) {
    State& s = *state_;
    if (s.poller == nullptr) {
        Refuse(std::move(request), std::move(done), "reader cannot start: no way to wait");
        return;
    }
    s.pending.fetch_add(1, std::memory_order_relaxed);
    const std::uint64_t id = s.nextReading++;
    auto owned = std::make_unique<Reading>(id, std::move(request), std::move(done));
    Reading& reading = *owned;
    s.readings.emplace(id, std::move(owned));
    reading.socket = net::UdpOpen(reading.request.agent.family);
    if (reading.socket == nullptr || !net::PollerAdd(s.poller, reading.socket, id)) {
        reading.walk.Abort(reading.request.agent.family == net::Family::IPv6 ? "no IPv6 socket"
                                                                             : "no IPv4 socket");
        s.Finish(reading);
        return;
    }
    if (reading.request.version == SnmpVersion::V3) {
        reading.security = std::make_unique<UsmSecurity>(reading.request.usm,
                                                         net::EndpointText(reading.request.agent));
        if (!reading.security->problem().empty()) {
            reading.walk.Abort(reading.security->problem(), ReadError::Security);
            s.Finish(reading);
            return;
        }
    }
    if (reading.request.deadline == Clock::time_point{}) {
        reading.request.deadline = Clock::now() + DEFAULT_READING_TIME;
    }
    s.deadlines.push(Deadline{reading.request.deadline, id});
    s.Advance(reading);
}

void EngineCore::Step(int maxWaitMs) {
    State& s = *state_;
    if (s.poller == nullptr) {
        return;
    }
    s.FireTimers();
    s.SendQueued();
    int wait = s.WaitMs();
    if (maxWaitMs >= 0 && (wait < 0 || wait > maxWaitMs)) {
        wait = maxWaitMs;
    }
    if (!net::PollerWait(s.poller, wait, &s.ready)) {
        s.ready.clear();
    }
    for (const std::uint64_t id : s.ready) {
        s.Receive(id);
    }
    s.FireTimers();
    s.SendQueued();
}

void EngineCore::Wake() {
    if (state_->poller != nullptr) {
        net::PollerWake(state_->poller);
    }
}

void EngineCore::StopAll(const char* why) {
    State& s = *state_;
    std::vector<std::uint64_t> ids;
    for (const auto& [id, reading] : s.readings) {
        ids.push_back(id);
    }
    for (const std::uint64_t id : ids) {
        const auto found = s.readings.find(id);
        if (found != s.readings.end()) {
            found->second->walk.Abort(why);
            s.Finish(*found->second);
        }
    }
}

std::size_t EngineCore::Pending() const {
    return state_->readings.size();
}

ReaderStats EngineCore::Stats() const {
    ReaderStats stats;
    stats.requests = state_->sent.load(std::memory_order_relaxed);
    stats.retries = state_->retries.load(std::memory_order_relaxed);
    stats.timeouts = state_->timeouts.load(std::memory_order_relaxed);
    stats.inFlight = state_->pending.load(std::memory_order_relaxed);
    return stats;
}

Condition ReadOnce(const ReadRequest& request) {
    EngineCore engine(1);
    Condition result;
    bool done = false;
    engine.Submit(request, [&](Condition&& condition) {
        result = std::move(condition);
        done = true;
    });
    while (!done) {
        engine.Step(-1);
    }
    return result;
}

}  // namespace condition

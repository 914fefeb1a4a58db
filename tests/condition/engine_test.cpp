// The engine on loopback UDP: against the simulator program, a fleet read at once under the cap
// on requests in flight with forged and stray datagrams about, and deadlines and Stop; against
// the simulator's responder played by the test on a socket of its own, lost requests and IPv6
// (the program listens on IPv4 only).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "condition/engine.h"
#include "condition/render.h"
#include "platform/net/net.h"
#include "snmp/asn_types.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/printer_sim.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::Health;
using Clock = std::chrono::steady_clock;

net::Endpoint Loopback(std::uint16_t port) {
    return net::IPv4Endpoint(127, 0, 0, 1, port);
}

// Submits a reading; its result comes through the future.
std::future<Condition> Read(condition::Reader& reader, const condition::ReadRequest& request) {
    auto result = std::make_shared<std::promise<Condition>>();
    std::future<Condition> future = result->get_future();
    reader.Submit(request, [result](Condition&& c) { result->set_value(std::move(c)); });
    return future;
}

bool Ready(std::future<Condition>& future, std::chrono::milliseconds wait = 0ms) {
    return future.wait_for(wait) == std::future_status::ready;
}

TEST(ConditionEngine, ReadsAFleetAtOnceUnderTheCapIgnoringForgedAndStrayAnswers) {
    PrinterSim fleet({.profileText = drive::FullProfileText(), .extraArgs = {"--fleet", "10"}});
    ASSERT_TRUE(fleet.ok()) << fleet.error();
    // Answers 10 ms late, so that requests overlap in the simulator's delay queue; printer 0
    // sends forged copies from another port first, printer 1 datagrams with other ids.
    ASSERT_EQ(fleet.command("delay 10"), "ok");
    ASSERT_EQ(fleet.command("printer 0 spoof 2"), "ok");
    ASSERT_EQ(fleet.command("printer 1 stray 2"), "ok");
    auto reader = condition::StartReader({.maxInFlight = 4});
    std::vector<std::future<Condition>> results;
    for (std::size_t i = 0; i < 40; ++i) {
        results.push_back(Read(*reader, {.agent = Loopback(fleet.port(i % 10)),
                                         .version = i % 2 == 0 ? condition::SnmpVersion::V1
                                                               : condition::SnmpVersion::V2c,
                                         .timeoutMs = 2000,
                                         .deadline = Clock::now() + 5s}));
    }
    // The answers waiting in the delay queue are the requests in flight.
    std::size_t most = 0;
    for (const auto until = Clock::now() + 30s; !Ready(results.back()) && Clock::now() < until;) {
        const std::string stats = fleet.command("stats");
        most = std::max<std::size_t>(most, std::stoul(stats.substr(stats.find(" queued=") + 8)));
    }
    EXPECT_EQ(most, 4u) << "requests in flight at most";
    for (auto& result : results) {
        ASSERT_TRUE(Ready(result, 10s));
        const Condition c = result.get();
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(c.supplies.size(), 5u);
        EXPECT_EQ(c.vendorStatus, "JAM") << "never a forged value";
    }
    const auto stats = reader->Stats();
    EXPECT_EQ(stats.inFlight, 0u);
    EXPECT_GE(stats.requests, results.size() * 4);
}

TEST(ConditionEngine, RetriesTimeoutsAndIpv6) {
    struct Case {
        const char* what;
        bool ipv6;
        std::function<bool(int)> drop;
        bool answered;
        const char* error;
        std::uint64_t retries, timeouts;
    } cases[] = {
        {"first request lost, one retry", false, [](int n) { return n == 0; }, true, "", 1, 0},
        {"silent agent", false, [](int) { return true; }, false, condition::NO_ANSWER, 1, 1},
        {"over IPv6", true, nullptr, true, "", 0, 0},
    };
    const sim::Printer printer = drive::FullPrinter();
    std::vector<std::uint8_t> buffer(65536);
    for (const Case& c : cases) {
        std::uint16_t port = 0;
        const int fd = LoopbackUdp(port, c.ipv6);
        if (c.ipv6 && fd < 0) {
            std::cout << "no IPv6 loopback (::1) on this machine: not read over IPv6\n";
            continue;
        }
        ASSERT_GE(fd, 0);
        const auto agent = *net::LiteralEndpoint(c.ipv6 ? "::1" : "127.0.0.1", port);
        auto reader = condition::StartReader();
        auto result =
            Read(*reader, {.agent = agent, .timeoutMs = 300, .deadline = Clock::now() + 5s});
        // The test plays the simulator's responder until the reading ends; request n (from 0)
        // is dropped when drop(n).
        for (auto [n, until] = std::pair(0, Clock::now() + 10s);
             !Ready(result, 1ms) && Clock::now() < until;) {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size = recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (size > 0 && !(c.drop && c.drop(n++))) {
                const sim::Reply reply =
                    sim::Respond(buffer.data(), static_cast<std::size_t>(size), printer);
                sendto(fd, reply.response.data(), reply.response.size(), 0,
                       reinterpret_cast<sockaddr*>(&from), length);
            }
        }
        close(fd);
        ASSERT_TRUE(Ready(result)) << c.what;
        const Condition read = result.get();
        EXPECT_EQ(read.answered, c.answered) << c.what;
        EXPECT_EQ(read.error, c.error) << c.what;
        EXPECT_EQ(reader->Stats().retries, c.retries) << c.what;
        EXPECT_EQ(reader->Stats().timeouts, c.timeouts) << c.what;
    }
}

TEST(ConditionEngine, DeadlineAndStopEndReadings) {
    PrinterSim sim({.profileText = drive::FullProfileText()});
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Each answer takes 300 ms, so the first comes well within the deadline (room for a loaded
    // machine) and the dozen a whole reading needs do not.
    ASSERT_EQ(sim.command("delay 300"), "ok");
    auto reader = condition::StartReader();
    auto late = Read(*reader, {.agent = Loopback(sim.port()),
                               .timeoutMs = 2000,
                               .retries = 0,
                               .deadline = Clock::now() + 1000ms});
    ASSERT_TRUE(Ready(late, 2s)) << "ended by its deadline";
    const Condition read = late.get();
    EXPECT_TRUE(read.answered) << "the device walk came back in time";
    EXPECT_EQ(read.error, "deadline passed");

    ASSERT_EQ(sim.command("silence on"), "ok");
    std::vector<std::future<Condition>> results;
    for (int i = 0; i < 5; ++i) {
        results.push_back(Read(
            *reader,
            {.agent = Loopback(sim.port()), .timeoutMs = 5000, .deadline = Clock::now() + 5s}));
    }
    reader.reset();
    for (auto& result : results) {
        ASSERT_TRUE(Ready(result)) << "Stop calls every done before it returns";
        const Condition c = result.get();
        EXPECT_EQ(c.error, "reader stopped");
        EXPECT_EQ(c.health, Health::Unreachable);
    }
}

// The full profile less everything a health rule reads: a complete reading of it is "ok" with
// no reason, so whatever an incomplete one says comes from its incompleteness.
sim::Printer HealthyPrinter() {
    sim::Printer printer = drive::FullPrinter();
    auto& objects = printer.profiles[0].objects;
    std::erase_if(objects, [](const auto& object) {
        const sim::Oid alerts = {1, 3, 6, 1, 2, 1, 43, 18};
        return object.first.size() > alerts.size() &&
               std::equal(alerts.begin(), alerts.end(), object.first.begin());
    });
    objects[{1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2, 1}].bytes = {0, 0};      // no error bit
    objects[{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5, 1}].integer = 2;         // running
    objects[{1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 4}].integer = 5000;  // yellow no longer low
    return printer;
}

// The engine reads `printer` played by the test on a loopback socket: each request goes
// through the simulator's responder, `tamper` may rewrite the answer or lose it (false), and
// each answer leaves `delay` after its request.
Condition ReadScripted(const sim::Printer& printer, condition::SnmpVersion version,
                       const drive::Tamper& tamper, std::chrono::milliseconds delay,
                       std::chrono::milliseconds deadline) {
    std::uint16_t port = 0;
    const int fd = LoopbackUdp(port);
    EXPECT_GE(fd, 0);
    auto reader = condition::StartReader();
    auto result = Read(*reader, {.agent = Loopback(port),
                                 .version = version,
                                 .timeoutMs = 500,
                                 .retries = 0,
                                 .deadline = Clock::now() + deadline});
    std::vector<std::uint8_t> buffer(65536);
    for (const auto until = Clock::now() + 20s; !Ready(result) && Clock::now() < until;) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, 5) != 1) {
            continue;
        }
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const ssize_t size = recvfrom(fd, buffer.data(), buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &length);
        ber::Message request;
        ber::Message answer;
        if (size <= 0 || ber::Decode(buffer.data(), static_cast<std::size_t>(size), request) !=
                             ber::Error::None) {
            continue;
        }
        const sim::Reply reply =
            sim::Respond(buffer.data(), static_cast<std::size_t>(size), printer);
        if (reply.outcome != sim::Outcome::Answer ||
            ber::Decode(reply.response.data(), reply.response.size(), answer) != ber::Error::None ||
            (tamper && !tamper(request, answer))) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ber::Encode(answer, bytes), ber::Error::None);
        std::this_thread::sleep_for(delay);
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
    close(fd);
    EXPECT_TRUE(Ready(result)) << "the reading ended";
    return Ready(result) ? result.get() : Condition{};
}

// Every way a reading can stop early, through the engine: what was read is kept, but the
// reading says it is incomplete and why (JSON `complete` and `error`, the error's kinds), and
// its health is never "ok". A printer that never answers is unreachable with a reason that
// names every cause a silence can have.
TEST(ConditionEngine, AReadingThatStopsEarlySaysSoAndIsNeverOk) {
    using condition::ReadError;
    using condition::SnmpVersion;
    const sim::Oid levels = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1};
    auto silentAfter = [](int answers) -> drive::Tamper {
        return
            [answers, n = 0](const ber::Message&, ber::Message&) mutable { return n++ < answers; };
    };
    auto fault = [&](sim::WalkFault walk, sim::Oid subtree) {
        sim::Printer printer = HealthyPrinter();
        printer.faults.walk = walk;
        printer.faults.walkSubtree = std::move(subtree);
        return printer;
    };
    sim::Printer genErr = HealthyPrinter();
    genErr.faults.errorStatusByOid[levels] = sim::GEN_ERR;
    // One column to a request (tooBig above one), every column of the Printer MIB endless: far
    // more requests than a reading may send.
    const drive::Tamper oneColumn = [](const ber::Message& request, ber::Message& answer) {
        if (request.pduType == SNMP_PDU_GETNEXT && request.varbinds.size() > 1) {
            answer.errorStatus = sim::TOO_BIG;
        }
        return true;
    };
    const drive::Tamper tooBig = [](const ber::Message&, ber::Message& answer) {
        answer.errorStatus = sim::TOO_BIG;
        answer.errorIndex = 0;
        return true;
    };
    struct Case {
        const char* what;
        sim::Printer printer;
        SnmpVersion version;
        drive::Tamper tamper;
        std::chrono::milliseconds delay, deadline;
        bool answered;
        const char* error;  // the start of Condition::error; "" for a complete reading
        std::optional<ReadError> kind;
    } cases[] = {
        {"complete", HealthyPrinter(), SnmpVersion::V2c, nullptr, 0ms, 5s, true, "", {}},
        {"silent after 7 answers, v1", HealthyPrinter(), SnmpVersion::V1, silentAfter(7), 0ms, 5s,
         true, "timeout after 7 answers", ReadError::Timeout},
        {"silent after 2 answers, v2c (in the supplies table)", HealthyPrinter(), SnmpVersion::V2c,
         silentAfter(2), 0ms, 5s, true, "timeout after 2 answers", ReadError::Timeout},
        // A first answer well within the deadline (room for a loaded machine), the twenty a
        // whole reading over v1 needs well past it.
        {"a slow printer past the deadline", HealthyPrinter(), SnmpVersion::V1, nullptr, 100ms,
         600ms, true, "deadline passed", ReadError::Deadline},
        {"the request cap", fault(sim::WalkFault::Endless, {1, 3, 6, 1, 2, 1, 43}), SnmpVersion::V1,
         oneColumn, 0ms, 20s, true, "more than 256 rows", ReadError::RequestCap},
        {"a table that never ends", fault(sim::WalkFault::Endless, levels), SnmpVersion::V2c,
         nullptr, 0ms, 5s, true, "more than 256 rows at 1.3.6.1.2.1.43.11.1.1.9.1",
         ReadError::RowCap},
        {"a walk that does not advance", fault(sim::WalkFault::Repeat, levels), SnmpVersion::V1,
         nullptr, 0ms, 5s, true, "walk did not advance at 1.3.6.1.2.1.43.11.1.1.9.1",
         ReadError::NotAdvancing},
        {"an agent error", genErr, SnmpVersion::V2c, nullptr, 0ms, 5s, true,
         "agent error genErr at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::AgentError},
        {"tooBig to every request", HealthyPrinter(), SnmpVersion::V2c, tooBig, 0ms, 5s, true,
         "answer too big at", ReadError::TooBig},
        {"silent from the start", HealthyPrinter(), SnmpVersion::V2c, silentAfter(0), 0ms, 5s,
         false, condition::NO_ANSWER, ReadError::Timeout},
        {"silent past the deadline", HealthyPrinter(), SnmpVersion::V1, silentAfter(0), 0ms, 200ms,
         false, condition::NO_ANSWER_BY_DEADLINE, ReadError::Deadline},
    };
    for (const Case& c : cases) {
        const Condition read = ReadScripted(c.printer, c.version, c.tamper, c.delay, c.deadline);
        const std::string json = condition::ConditionJson(read);
        EXPECT_EQ(read.answered, c.answered) << c.what;
        EXPECT_EQ(read.error.rfind(c.error, 0), 0u) << c.what << ": " << read.error;
        if (!c.kind) {
            EXPECT_TRUE(condition::Complete(read)) << c.what << ": " << read.error;
            EXPECT_EQ(read.health, Health::Ok) << c.what;
            EXPECT_NE(json.find(R"("reasons":[],"complete":true,"error":null,)"), std::string::npos)
                << c.what << ": " << json;
            continue;
        }
        EXPECT_FALSE(condition::Complete(read)) << c.what;
        EXPECT_NE(std::find(read.errorKinds.begin(), read.errorKinds.end(), *c.kind),
                  read.errorKinds.end())
            << c.what << ": " << condition::ReadErrorName(*c.kind);
        const std::string reason = c.answered ? "incomplete reading: " + read.error : read.error;
        EXPECT_EQ(read.health, c.answered ? Health::Warning : Health::Unreachable) << c.what;
        EXPECT_EQ(read.reasons, std::vector<std::string>{reason}) << c.what;
        EXPECT_NE(json.find(R"("complete":false,"error":")" + read.error.substr(0, 16)),
                  std::string::npos)
            << c.what << ": " << json;
        EXPECT_EQ(condition::ConditionText(read).rfind(
                      std::string("Condition: ") + (c.answered ? "warning" : "unreachable") + " (" +
                          reason + ")\n",
                      0),
                  0u)
            << c.what << ": " << condition::ConditionText(read);
    }
}

}  // namespace

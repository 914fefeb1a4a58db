// The engine on loopback UDP: against the simulator program, a fleet read at once under the cap
// on requests in flight with forged and stray datagrams about; against the simulator's responder
// played by the test on a socket of its own, lost requests, IPv6 (the program listens on IPv4
// only), deadlines and silences, answers forged from another source; Stop.
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

// Stop ends every reading at once; a deadline that passes: AReadingThatStopsEarlySaysSo below.
TEST(ConditionEngine, StopEndsReadings) {
    std::uint16_t port = 0;
    const int silent = LoopbackUdp(port);  // an agent that never answers
    ASSERT_GE(silent, 0);
    auto reader = condition::StartReader();
    std::vector<std::future<Condition>> results;
    for (int i = 0; i < 5; ++i) {
        results.push_back(Read(
            *reader, {.agent = Loopback(port), .timeoutMs = 5000, .deadline = Clock::now() + 5s}));
    }
    reader.reset();
    close(silent);
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

// Where a forged copy of each answer comes from, sent before the true one: its texts say FORGED,
// so that a reading that took one shows it.
enum class Forger { None, Agent, OtherPort, OtherAddress };

// How the test plays an agent on a loopback socket: each request goes through the simulator's
// responder, `tamper` may rewrite the answer or lose it (false), each answer leaves `delay` after
// its request, and `forger` sends its copy first.
struct Script {
    sim::Printer printer;
    condition::SnmpVersion version = condition::SnmpVersion::V2c;
    drive::Tamper tamper = nullptr;
    std::chrono::milliseconds delay = 0ms, deadline = 5s;
    int retries = 0;
    bool ipv6 = false;
    Forger forger = Forger::None;
};

// The engine's reading of the agent `script` plays, and the reader's counts after it; nullopt
// when the machine has no ::1 to play it on.
std::optional<std::pair<Condition, condition::ReaderStats>> ReadScripted(const Script& script) {
    std::uint16_t port = 0;
    const int fd = LoopbackUdp(port, script.ipv6);
    if (fd < 0 && script.ipv6) {
        return std::nullopt;
    }
    EXPECT_GE(fd, 0);
    std::uint16_t otherPort = 0;
    // 127.0.0.2 is loopback too, at the agent's own port: only the address differs.
    const int forger = script.forger == Forger::Agent       ? fd
                       : script.forger == Forger::OtherPort ? LoopbackUdp(otherPort)
                       : script.forger == Forger::OtherAddress
                           ? LoopbackUdp(port, false, 0x7F000002)
                           : -1;
    EXPECT_TRUE(forger >= 0 || script.forger == Forger::None);
    auto reader = condition::StartReader();
    auto result =
        Read(*reader, {.agent = *net::LiteralEndpoint(script.ipv6 ? "::1" : "127.0.0.1", port),
                       .version = script.version,
                       .timeoutMs = 500,
                       .retries = script.retries,
                       .deadline = Clock::now() + script.deadline});
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
            sim::Respond(buffer.data(), static_cast<std::size_t>(size), script.printer);
        if (reply.outcome != sim::Outcome::Answer ||
            ber::Decode(reply.response.data(), reply.response.size(), answer) != ber::Error::None ||
            (script.tamper && !script.tamper(request, answer))) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (forger >= 0) {
            ber::Message forged = answer;
            for (ber::VarBind& binding : forged.varbinds) {
                if (binding.value.tag == ASN_OCTETSTRING) {
                    binding.value.bytes.assign({'F', 'O', 'R', 'G', 'E', 'D'});
                }
            }
            std::vector<std::uint8_t> copy;
            EXPECT_EQ(ber::Encode(forged, copy), ber::Error::None);
            sendto(forger, copy.data(), copy.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        }
        EXPECT_EQ(ber::Encode(answer, bytes), ber::Error::None);
        std::this_thread::sleep_for(script.delay);
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
    if (forger >= 0 && forger != fd) {
        close(forger);
    }
    close(fd);
    EXPECT_TRUE(Ready(result)) << "the reading ended";
    return std::pair(Ready(result) ? result.get() : Condition{}, reader->Stats());
}

TEST(ConditionEngine, RetriesTimeoutsAndIpv6) {
    const auto lost = [](std::function<bool(int)> drop) -> drive::Tamper {
        return [drop, n = 0](const ber::Message&, ber::Message&) mutable { return !drop(n++); };
    };
    struct Case {
        const char* what;
        Script script;
        bool answered;
        const char* error;
        std::uint64_t retries, timeouts;
    } cases[] = {
        {"first request lost, one retry",
         {.printer = drive::FullPrinter(),
          .tamper = lost([](int n) { return n == 0; }),
          .retries = 1},
         true,
         "",
         1,
         0},
        {"silent agent",
         {.printer = drive::FullPrinter(), .tamper = lost([](int) { return true; }), .retries = 1},
         false,
         condition::NO_ANSWER,
         1,
         1},
        {"over IPv6", {.printer = drive::FullPrinter(), .ipv6 = true}, true, "", 0, 0},
    };
    for (const Case& c : cases) {
        const auto read = ReadScripted(c.script);
        if (!read) {
            std::cout << "no IPv6 loopback (::1) on this machine: not read over IPv6\n";
            continue;
        }
        EXPECT_EQ(read->first.answered, c.answered) << c.what;
        EXPECT_EQ(read->first.error, c.error) << c.what;
        EXPECT_EQ(read->second.retries, c.retries) << c.what;
        EXPECT_EQ(read->second.timeouts, c.timeouts) << c.what;
    }
}

// Every way the engine stops a reading early (silence, the deadline; how the walk itself stops:
// walk_test.cpp): what was read is kept, but the reading says it is incomplete and why (JSON
// `complete` and `error`, the error's kinds), and its health is never "ok". A printer that never
// answers is unreachable with a reason that names every cause a silence can have.
TEST(ConditionEngine, AReadingThatStopsEarlySaysSoAndIsNeverOk) {
    using condition::ReadError;
    using condition::SnmpVersion;
    auto silentAfter = [](int answers) -> drive::Tamper {
        return
            [answers, n = 0](const ber::Message&, ber::Message&) mutable { return n++ < answers; };
    };
    const auto v1 = SnmpVersion::V1, v2c = SnmpVersion::V2c;
    struct Case {
        const char* what;
        Script script;
        bool answered;
        const char* error;  // the start of Condition::error; "" for a complete reading
        std::optional<ReadError> kind;
    } cases[] = {
        {"complete", {HealthyPrinter()}, true, "", {}},
        {"silent after 7 answers, v1",
         {HealthyPrinter(), v1, silentAfter(7)},
         true,
         "timeout after 7 answers",
         ReadError::Timeout},
        {"silent after 2 answers, v2c (in the supplies table)",
         {HealthyPrinter(), v2c, silentAfter(2)},
         true,
         "timeout after 2 answers",
         ReadError::Timeout},
        // A first answer well within the deadline (room for a loaded machine), the twenty a
        // whole reading over v1 needs well past it.
        {"a slow printer past the deadline",
         {HealthyPrinter(), v1, nullptr, 100ms, 600ms},
         true,
         "deadline passed",
         ReadError::Deadline},
        {"silent from the start",
         {HealthyPrinter(), v2c, silentAfter(0)},
         false,
         condition::NO_ANSWER,
         ReadError::Timeout},
        {"silent past the deadline",
         {HealthyPrinter(), v1, silentAfter(0), 0ms, 200ms},
         false,
         condition::NO_ANSWER_BY_DEADLINE,
         ReadError::Deadline},
    };
    for (const Case& c : cases) {
        const Condition read = ReadScripted(c.script)->first;
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

// The engine hands the request table where each answer came from: before each true answer, a
// forged one that differs from it only in its source port or address. (What the table judges in
// the datagram itself, request-id, community and version: tests/snmpmgr/request_match_test.cpp;
// a field the engine gave it wrong would drop every true answer too.)
TEST(ConditionEngine, AnAnswerFromAnotherSourceIsDropped) {
    const struct {
        const char* name;
        Forger forger;
        bool taken;  // the reading takes the forged answers
    } rows[] = {
        // Shows that a forged answer the engine cannot tell from a true one would be seen.
        {"the same in every respect: taken", Forger::Agent, true},
        {"another source port", Forger::OtherPort, false},
        {"another source address", Forger::OtherAddress, false},
    };
    for (const auto& row : rows) {
        const Condition read =
            ReadScripted({.printer = drive::FullPrinter(), .forger = row.forger})->first;
        EXPECT_EQ(read.name == "FORGED", row.taken) << row.name << ": sysName " << read.name;
        if (!row.taken) {
            EXPECT_TRUE(read.answered) << row.name;
            EXPECT_EQ(read.error, "") << row.name;
        }
    }
}

}  // namespace

// The engine hands the request table where each answer came from: the test plays the agent on
// loopback and, before each true answer, sends a forged one that differs from it only in its
// source port or address. The forged answers say FORGED in every text, so a reading that took
// one shows it. (What the table judges in the datagram itself, request-id, community and
// version: tests/snmpmgr/request_match_test.cpp; a field the engine gave it wrong would drop
// every true answer too.)
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

#include "condition/engine.h"
#include "platform/net/net.h"
#include "snmp/ber.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_udp.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t OCTET_STRING = 0x04;

enum class From { Agent, OtherPort, OtherAddress };

struct Row {
    const char* name;
    From from;   // the forged answer's source
    bool taken;  // the reading takes the forged answers
};

// Reads the agent the test plays on `agent` (127.0.0.1) and returns the reading; each request
// gets the forged answer from `forger`, then the true one from `agent`.
condition::Condition ReadForged(const Row& row, int agent, std::uint16_t port, int forger) {
    auto reader = condition::StartReader();
    auto result = std::make_shared<std::promise<condition::Condition>>();
    auto future = result->get_future();
    reader->Submit({.agent = net::IPv4Endpoint(127, 0, 0, 1, port),
                    .version = condition::SnmpVersion::V2c,
                    .timeoutMs = 300,
                    .deadline = Clock::now() + 5s},
                   [result](condition::Condition&& c) { result->set_value(std::move(c)); });
    const sim::Printer printer = drive::FullPrinter();
    std::vector<std::uint8_t> buffer(65536);
    for (const auto until = Clock::now() + 10s;
         future.wait_for(1ms) != std::future_status::ready && Clock::now() < until;) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const ssize_t size = recvfrom(agent, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &length);
        if (size <= 0) {
            continue;
        }
        const sim::Reply reply =
            sim::Respond(buffer.data(), static_cast<std::size_t>(size), printer);
        ber::Message forged;
        if (reply.outcome != sim::Outcome::Answer ||
            ber::Decode(reply.response.data(), reply.response.size(), forged) != ber::Error::None) {
            ADD_FAILURE() << row.name << ": the responder gave no answer to read";
            break;
        }
        for (ber::VarBind& binding : forged.varbinds) {
            if (binding.value.tag == OCTET_STRING) {
                binding.value.bytes.assign({'F', 'O', 'R', 'G', 'E', 'D'});
            }
        }
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ber::Encode(forged, bytes), ber::Error::None) << row.name;
        sendto(forger, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        sendto(agent, reply.response.data(), reply.response.size(), 0,
               reinterpret_cast<sockaddr*>(&from), length);
    }
    EXPECT_EQ(future.wait_for(1s), std::future_status::ready) << row.name;
    return future.get();
}

TEST(ConditionEngine, AnAnswerFailingAnyOneCheckIsDropped) {
    const Row rows[] = {
        // Shows that a forged answer the engine cannot tell from a true one would be seen.
        {"the same in every respect: taken", From::Agent, true},
        {"another source port", From::OtherPort, false},
        {"another source address", From::OtherAddress, false},
    };
    for (const Row& row : rows) {
        std::uint16_t port = 0;
        const int agent = LoopbackUdp(port);
        ASSERT_GE(agent, 0) << row.name;
        std::uint16_t otherPort = 0;
        // 127.0.0.2 is loopback too, at the agent's own port: only the address differs.
        const int forger = row.from == From::Agent       ? agent
                           : row.from == From::OtherPort ? LoopbackUdp(otherPort)
                                                         : LoopbackUdp(port, false, 0x7F000002);
        ASSERT_GE(forger, 0) << row.name;
        const condition::Condition read = ReadForged(row, agent, port, forger);
        if (forger != agent) {
            close(forger);
        }
        close(agent);
        EXPECT_EQ(read.name == "FORGED", row.taken) << row.name << ": sysName " << read.name;
        if (!row.taken) {
            EXPECT_TRUE(read.answered) << row.name;
            EXPECT_EQ(read.error, "") << row.name;
        }
    }
}

}  // namespace

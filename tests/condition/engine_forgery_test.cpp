// A neighbour that forges answers: a printer that is read sees its own requests (their ids and
// the engine's source port) and answers, from a forged source address, for a slower printer
// read at the same time, with ids guessed from its own and to every engine port it has seen.
// None of its answers may reach a reading.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "condition/engine.h"
#include "condition/render.h"
#include "snmp/asn_types.h"
#include "tests/condition/drive.h"
#include "tests/support/loopback_udp.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using Clock = std::chrono::steady_clock;

constexpr int READINGS = 30;
constexpr auto SLOW_PRINTER_DELAY = 20ms;
constexpr int GUESSES_EACH_SIDE = 8;  // ids tried below and above each id the neighbour sees

// The printer the neighbour pretends to be: every text and every number changed, so that any
// forged answer taken shows in the reading.
sim::Printer Forged(sim::Printer printer) {
    for (auto& [oid, value] : printer.profiles[0].objects) {
        if (value.tag == ASN_OCTETSTRING) {
            value.bytes = {'F', 'O', 'R', 'G', 'E', 'D'};
        } else if (value.tag == ASN_INTEGER) {
            value.integer = value.integer == 3 ? 4 : 3;
        }
    }
    return printer;
}

struct Datagram {
    std::vector<std::uint8_t> bytes;
    sockaddr_storage from{};
    socklen_t length = 0;
};

bool ReceiveFrom(int fd, Datagram& datagram) {
    datagram.bytes.resize(65536);
    datagram.length = sizeof datagram.from;
    const ssize_t size = recvfrom(fd, datagram.bytes.data(), datagram.bytes.size(), MSG_DONTWAIT,
                                  reinterpret_cast<sockaddr*>(&datagram.from), &datagram.length);
    if (size <= 0) {
        return false;
    }
    datagram.bytes.resize(static_cast<std::size_t>(size));
    return true;
}

std::uint16_t PortOf(const sockaddr_storage& address) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

TEST(ConditionEngineForgery, ANeighbourGuessingIdsAndPortsNeverFeedsAnotherPrintersReading) {
    const sim::Printer real = drive::FullPrinter();
    const sim::Printer forged = Forged(real);
    std::uint16_t neighbourPort = 0;
    std::uint16_t slowPort = 0;
    const int neighbour = LoopbackUdp(neighbourPort);
    // The slow printer's socket: the test sends the forgeries from it too, as a forged source
    // address and port would.
    const int slow = LoopbackUdp(slowPort);
    ASSERT_GE(neighbour, 0);
    ASSERT_GE(slow, 0);
    const net::Endpoint neighbourAgent = net::IPv4Endpoint(127, 0, 0, 1, neighbourPort);
    const net::Endpoint slowAgent = net::IPv4Endpoint(127, 0, 0, 1, slowPort);

    auto reader = condition::StartReader();
    std::set<std::uint16_t> enginePorts;  // every source port the neighbour has seen
    std::deque<std::pair<Clock::time_point, Datagram>> late;  // the slow printer's answers
    std::string expected;
    int forgedReadings = 0;
    int forgeries = 0;
    std::int32_t previousId = 0;
    int nearIds = 0;  // ids the neighbour sees within a thousand of the one before
    for (int round = 0; round < READINGS; ++round) {
        // The neighbour is read twice to the slow printer's once, so that it meets the engine's
        // sockets in turn, as a printer read over and over would.
        std::vector<std::future<Condition>> readings;
        const auto deadline = Clock::now() + 5s;
        for (const net::Endpoint& agent : {slowAgent, neighbourAgent, neighbourAgent}) {
            auto result = std::make_shared<std::promise<Condition>>();
            readings.push_back(result->get_future());
            reader->Submit({.agent = agent, .timeoutMs = 1000, .retries = 0, .deadline = deadline},
                           [result](Condition&& c) { result->set_value(std::move(c)); });
        }
        const auto allDone = [&readings] {
            return std::all_of(readings.begin(), readings.end(), [](const auto& reading) {
                return reading.wait_for(0ms) == std::future_status::ready;
            });
        };
        while (!allDone()) {
            pollfd wait[2] = {{neighbour, POLLIN, 0}, {slow, POLLIN, 0}};
            poll(wait, 2, 1);
            Datagram request;
            while (ReceiveFrom(slow, request)) {
                Datagram answer = request;
                answer.bytes =
                    sim::Respond(request.bytes.data(), request.bytes.size(), real).response;
                late.emplace_back(Clock::now() + SLOW_PRINTER_DELAY, std::move(answer));
            }
            while (!late.empty() && late.front().first <= Clock::now()) {
                const Datagram& answer = late.front().second;
                sendto(slow, answer.bytes.data(), answer.bytes.size(), 0,
                       reinterpret_cast<const sockaddr*>(&answer.from), answer.length);
                late.pop_front();
            }
            while (ReceiveFrom(neighbour, request)) {
                const sim::Reply reply =
                    sim::Respond(request.bytes.data(), request.bytes.size(), real);
                sendto(neighbour, reply.response.data(), reply.response.size(), 0,
                       reinterpret_cast<const sockaddr*>(&request.from), request.length);
                // The forgeries: the slow printer's walk is at the same step as ours, so the
                // same request answered by the forged printer, under ids near our own.
                ber::Message answer;
                const sim::Reply fake =
                    sim::Respond(request.bytes.data(), request.bytes.size(), forged);
                if (ber::Decode(fake.response.data(), fake.response.size(), answer) !=
                    ber::Error::None) {
                    continue;
                }
                enginePorts.insert(PortOf(request.from));
                const std::int32_t seen = answer.requestId;
                nearIds += std::abs(static_cast<std::int64_t>(seen) - previousId) < 1000 ? 1 : 0;
                previousId = seen;
                for (std::int32_t guess = seen - GUESSES_EACH_SIDE;
                     guess <= seen + GUESSES_EACH_SIDE; ++guess) {
                    if (guess == seen) {
                        continue;
                    }
                    answer.requestId = guess;
                    std::vector<std::uint8_t> bytes;
                    ASSERT_EQ(ber::Encode(answer, bytes), ber::Error::None);
                    for (const std::uint16_t port : enginePorts) {
                        sockaddr_storage to = request.from;
                        reinterpret_cast<sockaddr_in&>(to).sin_port = htons(port);
                        sendto(slow, bytes.data(), bytes.size(), 0,
                               reinterpret_cast<const sockaddr*>(&to), request.length);
                        ++forgeries;
                    }
                }
            }
        }
        const std::string json = condition::ConditionJson(readings[0].get());
        for (std::size_t i = 1; i < readings.size(); ++i) {
            EXPECT_EQ(condition::ConditionJson(readings[i].get()).find("FORGED"),
                      std::string::npos);
        }
        if (expected.empty()) {
            expected = condition::ConditionJson(drive::Drive(real, condition::SnmpVersion::V1));
        }
        forgedReadings += json == expected ? 0 : 1;
        EXPECT_EQ(json, expected) << "reading " << round;
    }
    close(neighbour);
    close(slow);
    EXPECT_EQ(forgedReadings, 0) << "of " << READINGS << " readings, after " << forgeries
                                 << " forged answers";
    EXPECT_LE(nearIds, 1) << "request-ids are drawn at random, not counted";
    EXPECT_GE(enginePorts.size(), static_cast<std::size_t>(READINGS))
        << "the engine's source port changes from one reading to the next";
}

}  // namespace

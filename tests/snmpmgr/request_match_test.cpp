// The shared request table: which datagram counts as the answer to which request, the ids it
// draws, and its deadlines.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "platform/snmpmgr/request_match.h"
#include "snmp/asn_types.h"
#include "snmp/ber.h"

namespace {

using snmpmatch::Expected;
using snmpmatch::RequestTable;

const net::Endpoint PRINTER_A = net::IPv4Endpoint(127, 0, 0, 1, 16161);
const net::Endpoint PRINTER_B = net::IPv4Endpoint(127, 0, 0, 2, 16162);
constexpr std::uint64_t SOCKET_A = 7;
constexpr std::uint64_t SOCKET_B = 8;

std::vector<std::uint8_t> Encoded(const ber::Message& message) {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ber::Encode(message, bytes), ber::Error::None);
    return bytes;
}

TEST(RequestTable, TakesOnlyTheAnswerFromTheRequestsAgentSocketVersionAndCommunity) {
    struct Case {
        const char* what;
        std::function<void(ber::Message&)> answer;  // changes the true answer of B's request
        net::Endpoint from;
        std::uint64_t via;
        bool accepted;
        std::function<void(std::vector<std::uint8_t>&)> bytes = nullptr;  // then its bytes
    } cases[] = {
        {"the answer", nullptr, PRINTER_B, SOCKET_B, true},
        {"another request-id", [](ber::Message& m) { m.requestId ^= 0x10; }, PRINTER_B, SOCKET_B,
         false},
        {"another source address, same port", nullptr,
         net::IPv4Endpoint(127, 0, 0, 3, PRINTER_B.port), SOCKET_B, false},
        {"another source port", nullptr, net::IPv4Endpoint(127, 0, 0, 2, 16163), SOCKET_B, false},
        {"the IPv6 family", nullptr, *net::LiteralEndpoint("::1", PRINTER_B.port), SOCKET_B, false},
        {"arrived on another socket", nullptr, PRINTER_B, SOCKET_A, false},
        {"another community", [](ber::Message& m) { m.community = "public"; }, PRINTER_B, SOCKET_B,
         false},
        {"another SNMP version", [](ber::Message& m) { m.version = ber::VERSION_1; }, PRINTER_B,
         SOCKET_B, false},
        {"not a GetResponse", [](ber::Message& m) { m.pduType = SNMP_PDU_GET; }, PRINTER_B,
         SOCKET_B, false},
        {"a neighbour's forgery: B's id from A's endpoint, to A's socket", nullptr, PRINTER_A,
         SOCKET_A, false},
        {"a neighbour's forgery: B's id from A's endpoint, to B's socket", nullptr, PRINTER_A,
         SOCKET_B, false},
        {"cut short", nullptr, PRINTER_B, SOCKET_B, false,
         [](std::vector<std::uint8_t>& b) { b.pop_back(); }},
        {"trailing bytes", nullptr, PRINTER_B, SOCKET_B, false,
         [](std::vector<std::uint8_t>& b) { b.push_back(0); }},
    };
    for (const Case& c : cases) {
        RequestTable table;
        const std::int32_t idA = table.Add({.agent = PRINTER_A,
                                            .via = SOCKET_A,
                                            .version = ber::VERSION_1,
                                            .community = "orchid",
                                            .deadline = 500,
                                            .owner = 1});
        const std::int32_t idB = table.Add({.agent = PRINTER_B,
                                            .via = SOCKET_B,
                                            .version = ber::VERSION_2C,
                                            .community = "lilac",
                                            .deadline = 500,
                                            .owner = 2});
        ber::Message answer;
        answer.version = ber::VERSION_2C;
        answer.community = "lilac";
        answer.pduType = SNMP_PDU_RESPONSE;
        answer.requestId = idB;
        answer.varbinds.resize(1);
        answer.varbinds[0].name = {1, 3, 6, 1, 2, 1, 1, 5, 0};
        if (c.answer) {
            c.answer(answer);
        }
        std::vector<std::uint8_t> bytes = Encoded(answer);
        if (c.bytes) {
            c.bytes(bytes);
        }
        ber::Message decoded;
        const auto match = table.Accept(bytes.data(), bytes.size(), c.from, c.via, decoded);
        EXPECT_EQ(match.has_value(), c.accepted) << c.what;
        if (c.accepted && match) {
            EXPECT_EQ(match->owner, 2u) << c.what;
            EXPECT_EQ(match->requestId, idB) << c.what;
            EXPECT_EQ(table.Size(), 1u) << c.what << ": the answered request is no longer waiting";
            EXPECT_FALSE(table.Accept(bytes.data(), bytes.size(), c.from, c.via, decoded))
                << c.what << ": a second copy is dropped";
        } else {
            EXPECT_EQ(table.Size(), 2u) << c.what << ": a dropped datagram changes nothing";
        }
        EXPECT_NE(idA, idB);
    }
}

// Ids are random, never a counter: from them, a printer that sees its own requests cannot
// tell the ids of another's.
TEST(RequestTable, DrawsRandomPositiveIdsThatNeitherRepeatNorCount) {
    RequestTable table;
    RequestTable other;
    std::set<std::int32_t> ids;
    int successors = 0;
    std::int32_t previous = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::int32_t id = table.Add({.deadline = 1});
        EXPECT_GT(id, 0);
        successors += id == previous + 1 ? 1 : 0;
        previous = id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 2000u) << "no id outstanding twice";
    EXPECT_EQ(successors, 0) << "no id follows the one before it";
    EXPECT_EQ(ids.count(other.Add({.deadline = 1})), 0u) << "another table draws other ids";
    // Spread over the whole range, not a block.
    EXPECT_LT(*ids.begin(), 0x10000000);
    EXPECT_GT(*ids.rbegin(), 0x70000000);
}

TEST(RequestTable, DeadlinesExpireInOrderUntilRearmedOrRemoved) {
    RequestTable table;
    EXPECT_FALSE(table.NextDeadline());
    const std::int32_t late = table.Add({.deadline = 900, .owner = 1});
    const std::int32_t early = table.Add({.deadline = 300, .owner = 2});
    const std::int32_t middle = table.Add({.deadline = 600, .owner = 3});
    EXPECT_EQ(table.NextDeadline(), 300u);
    EXPECT_TRUE(table.Expired(299).empty());
    const auto expired = table.Expired(600);
    ASSERT_EQ(expired.size(), 2u);
    EXPECT_EQ(expired[0].requestId, early);
    EXPECT_EQ(expired[1].requestId, middle);
    EXPECT_EQ(table.Expired(600).size(), 2u) << "expired requests stay until the caller acts";
    table.Rearm(early, 1000);
    table.Remove(middle);
    EXPECT_EQ(table.NextDeadline(), 900u);
    EXPECT_TRUE(table.Expired(899).empty());
    const auto last = table.Expired(1000);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[0].requestId, late);
    EXPECT_EQ(last[1].owner, 2u);
    table.Remove(late);
    table.Remove(late);  // a second time does nothing
    EXPECT_EQ(table.Size(), 1u);
}

}  // namespace

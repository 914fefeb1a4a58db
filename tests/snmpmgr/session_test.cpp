// Manager sessions against a scripted agent on loopback: which datagrams count as the answer,
// what the list holds afterwards, and how long a request waits. The request runs on a thread of
// its own while the test plays the agent. And the names a request is made of, from dotted text.
#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <future>

#include "platform/net/net.h"
#include "tests/snmpmgr/manager_get.h"
#include "tests/snmpmgr/scripted_agent.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
constexpr auto Answer = &ScriptedAgent::Answer;

ber::Value V(std::uint8_t tag, std::int64_t integer, std::string bytes = "") {
    return {tag, integer, Bytes(bytes.begin(), bytes.end()), {}};
}

// How each type reads as text is checked by the object reads; here the copies that could go
// wrong in the manager itself: bytes after a zero, sign, 64 bits, a large value taken whole, a
// type without value.
TEST(SnmpSession, TakesOnlyTheMatchingAnswerAndCopiesItsValues) {
    const std::string large(60000, 'x');
    const std::pair<ber::Value, std::string> values[] = {
        {V(ASN_OCTETSTRING, 0, std::string("an\0swer", 7)), std::string("04:an\0swer", 10)},
        {V(ASN_INTEGER, -2147483648LL), "02:-2147483648"},
        {V(ASN_COUNTER64, 0, std::string("\x01\x00\x00\x00\x00", 5)), "46:4294967296"},
        {V(ASN_OCTETSTRING, 0, large), "04:" + large},  // [3]
        {V(0x81, 0), "81:"},                            // noSuchInstance
    };
    ScriptedAgent agent;
    const std::string byName = "localhost:" + std::to_string(agent.port);
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(byName.c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    std::int32_t lastId = 0;
    // The late duplicate still waiting on the socket is not taken as the next answer either.
    for (int round = 0; round < 2; ++round) {
        auto pending = std::async(std::launch::async, [&] {
            return Get(session, {".1.3.1", ".1.3.2", ".1.3.3", ".1.3.4", ".1.3.5"});
        });
        ber::Message r;
        ASSERT_FALSE(agent.Receive(r).empty());
        ASSERT_EQ(r.varbinds.size(), std::size(values));
        EXPECT_NE(r.requestId, lastId) << "each request has an id of its own";
        lastId = r.requestId;
        // The copies carry the answer less its large value, to stay within the socket buffer.
        const auto answer = [&](bool whole) {
            return Answer(r, [&](ber::Message& m) {
                m.errorStatus = 5;
                m.errorIndex = 1;
                for (std::size_t i = 0; i < std::size(values); ++i) {
                    m.varbinds[i].value = whole || i != 3 ? values[i].first : V(ASN_NULL, 0);
                }
            });
        };
        const Bytes good = answer(true), copy = answer(false);
        // What the datagram itself holds (id, community, version, its bytes) is the request
        // table's to judge (request_match_test.cpp); where it came from, the session's to say.
        agent.Send(copy, ScriptedAgent::OTHER_PORT);
        agent.Send(copy, ScriptedAgent::OTHER_ADDRESS);
        agent.Send(good);
        agent.Send(Answer(r, [](ber::Message&) {}));  // a second answer, too late
        const Got got = pending.get();
        ASSERT_NE(got.ok, 0);
        EXPECT_EQ(got.status, 5);
        EXPECT_EQ(got.index, 1);
        for (std::size_t i = 0; i < std::size(values); ++i) {
            EXPECT_EQ(got.values.at(i), values[i].second) << i;
        }
        EXPECT_TRUE(agent.Receive(r, 0).empty()) << "one datagram per request";
    }
    SnmpMgrClose(session);
}

TEST(SnmpSession, NoAnswerByTheDeadlineLeavesTheListAsItWas) {
    const struct {
        const char* what;
        bool strays;  // arriving all the time: they never extend the wait
        int timeoutMs, retries, minMs, maxMs;
    } cases[] = {
        {"silent agent, one retry", false, 200, 1, 350, 1500},
        {"stream of strays", true, 500, 0, 400, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAgent agent;
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpen(agent.target().c_str(), "orchid", c.timeoutMs, c.retries);
        ASSERT_NE(session, nullptr);
        const auto start = std::chrono::steady_clock::now();
        auto pending = std::async(std::launch::async, [&] {
            return Get(session, {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.5.0"});
        });
        std::vector<Bytes> requests;
        ber::Message r;
        while (pending.wait_for(milliseconds(2)) != std::future_status::ready) {
            if (Bytes raw = agent.Receive(r, 0); !raw.empty()) {
                requests.push_back(raw);
            }
            // Strays stop once the request is overdue: a wait that each stray extended then ends
            // a time-out later, and the bound below says so instead of the test hanging.
            if (c.strays && !requests.empty() &&
                std::chrono::steady_clock::now() - start < milliseconds(c.maxMs)) {
                agent.Send(Answer(r, [](ber::Message& m) { m.requestId ^= 0x10; }));
                agent.Send(Answer(r, [](ber::Message&) {}), ScriptedAgent::OTHER_PORT);
            }
        }
        const Got got = pending.get();
        const auto waited = std::chrono::steady_clock::now() - start;
        SnmpMgrClose(session);
        EXPECT_EQ(got.ok, 0);
        EXPECT_GE(waited, milliseconds(c.minMs));
        EXPECT_LE(waited, milliseconds(c.maxMs));
        EXPECT_EQ(got.status + got.index, -2) << "left untouched";
        EXPECT_EQ(got.values, (std::vector<std::string>{"05:", "05:"}));
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(c.retries + 1));
        EXPECT_EQ(requests.back(), requests[0]) << "a retry resends the same request";
    }
}

// A GETNEXT takes the answer's names with its values when every name comes after the one asked:
// they are the next objects. An answer whose names do not all advance (one asked again, one
// before it, a binding short) still counts, with NULL values and the asked names kept; the end
// of the MIB (noSuchName, the names sent back) is such an answer with its status.
TEST(SnmpSession, GetNextTakesTheAnswersNamesOnlyWhenTheyAdvance) {
    using Names = std::vector<std::vector<std::uint32_t>>;
    const std::vector<std::string> asked = {".1.3.6.1.2.1.25.3.2.1.2", ".1.3.8"};
    const struct {
        const char* what;
        Names names;  // the answer's, with the values below
        std::int32_t status;
        std::vector<std::string> gotNames, gotValues;
    } cases[] = {
        {"both advance",
         {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 2}, {1, 3, 9}},
         0,
         {".1.3.6.1.2.1.25.3.2.1.2.2", ".1.3.9"},
         {"02:3", "04:up"}},
        {"one asked again",
         {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 2}, {1, 3, 8}},
         0,
         asked,
         {"05:", "05:"}},
        {"one before the asked",
         {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 2}, {1, 3, 7, 9}},
         0,
         asked,
         {"05:", "05:"}},
        {"a binding short", {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 2}}, 0, asked, {"05:", "05:"}},
        {"end of the MIB",
         {{1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2}, {1, 3, 8}},
         2,
         asked,
         {"05:", "05:"}},
    };
    ScriptedAgent agent;
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(agent.target().c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto pending =
            std::async(std::launch::async, [&] { return Get(session, asked, SNMP_PDU_GETNEXT); });
        ber::Message r;
        ASSERT_FALSE(agent.Receive(r).empty());
        EXPECT_EQ(r.pduType, SNMP_PDU_GETNEXT);
        agent.Send(Answer(r, [&](ber::Message& m) {
            m.errorStatus = c.status;
            m.varbinds.resize(c.names.size());
            for (std::size_t i = 0; i < c.names.size(); ++i) {
                m.varbinds[i].name = c.names[i];
                m.varbinds[i].value = i == 0 ? V(ASN_INTEGER, 3) : V(ASN_OCTETSTRING, 0, "up");
            }
        }));
        const Got got = pending.get();
        EXPECT_NE(got.ok, 0);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.names, c.gotNames);
        EXPECT_EQ(got.values, c.gotValues);
    }
    SnmpMgrClose(session);
}

// An agent on ::1, known by its endpoint: the session's socket is IPv6, and an answer counts
// only from the whole endpoint asked. The same answer from ::1 on another port, or from
// 127.0.0.1 on the agent's port (reaching the session's socket as an IPv4-mapped address),
// is dropped.
TEST(SnmpSession, AnIPv6AgentAnswersFromItsWholeEndpointOnly) {
    ScriptedAgent agent(true);
    if (!agent.ok()) {
        GTEST_SKIP() << "no IPv6 loopback (::1) on this machine";
    }
    const auto endpoint = net::ParseEndpoint(agent.target());
    ASSERT_TRUE(endpoint);
    LPSNMP_MGR_SESSION session = SnmpMgrOpenAgent(*endpoint, "orchid", 1000, 0);
    ASSERT_NE(session, nullptr);
    auto pending = std::async(std::launch::async, [&] { return Get(session, {".1.3.1"}); });
    ber::Message request;
    ASSERT_FALSE(agent.Receive(request).empty()) << "the request reaches ::1";
    const auto answer = [&](std::int64_t value) {
        return Answer(request,
                      [value](ber::Message& m) { m.varbinds[0].value = V(ASN_INTEGER, value); });
    };
    agent.Send(answer(1), ScriptedAgent::OTHER_PORT);
    agent.Send(answer(2), ScriptedAgent::OTHER_ADDRESS);
    agent.Send(answer(3));
    const Got got = pending.get();
    SnmpMgrClose(session);
    EXPECT_NE(got.ok, 0);
    EXPECT_EQ(got.values, (std::vector<std::string>{"02:3"}));
}

// A community longer than a message can carry gives no session rather than one whose every
// request fails.
TEST(SnmpSession, OpenRefusesACommunityTooLongToSend) {
    EXPECT_EQ(SnmpMgrOpen("127.0.0.1", std::string(256, 'c').c_str(), 500, 0), nullptr);
}

// Dotted text to identifiers is snmp::ParseOid's (tests/snmp/oid_test.cpp, its limits too);
// here the copy handed out, the leading dot the manager requires, and a refusal that leaves no
// identifier behind.
TEST(SnmpUtil, StrToOidCopiesWhatParseOidReads) {
    std::string longest;  // the most components a name may have, each copied
    for (int i = 0; i < 128; ++i) {
        longest += ".7";
    }
    AsnObjectIdentifier oid{};
    const std::pair<std::string, std::vector<std::uint32_t>> good[] = {
        {".2.4294967295", {2, 4294967295u}}, {longest, std::vector<std::uint32_t>(128, 7)}};
    for (const auto& [text, ids] : good) {
        ASSERT_NE(SnmpMgrStrToOid(text.c_str(), &oid), 0) << text;
        EXPECT_EQ(std::vector<std::uint32_t>(oid.ids, oid.ids + oid.idLength), ids) << text;
        SnmpUtilOidFree(&oid);
    }
    for (const char* text : {"1.3.6.1", ".1..3"}) {
        oid = {5, reinterpret_cast<std::uint32_t*>(&oid)};
        EXPECT_EQ(SnmpMgrStrToOid(text, &oid), 0) << text;
        EXPECT_TRUE(oid.idLength == 0 && oid.ids == nullptr) << text;
    }
}

}  // namespace

// The agent's answers computed from request bytes: values, noSuchName, injected errors,
// communities, GETNEXT, malformed input and the stray datagrams.
#include <gtest/gtest.h>

#include "tools/printer-sim/live.h"
#include "tools/printer-sim/responder.h"

namespace sim {
namespace {

const Oid kName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Oid kUptime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Oid kMissing = {1, 3, 6, 1, 2, 1, 1, 4, 0};

SimState MakeState() {
    SimState state;
    Profile profile;
    profile.community = "orchid";
    std::vector<std::string> errors;
    EXPECT_TRUE(
        ParseProfile("1.3.6.1.2.1.1.3.0|67|100\n1.3.6.1.2.1.1.5.0|4|lab\n", "t", profile, errors));
    state.profiles.push_back(profile);
    Profile other;
    other.community = "public";
    EXPECT_TRUE(ParseProfile("1.3.6.1.2.1.1.5.0|4|other\n", "u", other, errors));
    state.profiles.push_back(other);
    return state;
}

std::vector<std::uint8_t> Request(std::vector<Oid> names, std::uint8_t type = 0xA0,
                                  const std::string& community = "orchid") {
    ber::Message message;
    message.community = community;
    message.pduType = type;
    message.requestId = 4711;
    for (Oid& name : names) {
        message.varbinds.push_back({name, ber::Value{}});
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ber::Encode(message, bytes), ber::Error::None);
    return bytes;
}

ber::Message Answer(const Reply& reply) {
    EXPECT_EQ(reply.outcome, Outcome::Answer) << reply.summary;
    ber::Message message;
    EXPECT_EQ(ber::Decode(reply.response.data(), reply.response.size(), message), ber::Error::None);
    EXPECT_EQ(message.pduType, 0xA2);
    EXPECT_EQ(message.requestId, 4711);
    return message;
}

Reply Ask(const SimState& state, const std::vector<std::uint8_t>& bytes) {
    return Respond(bytes.data(), bytes.size(), state);
}

TEST(Respond, GetAnswersValuesFromTheCommunitysProfile) {
    SimState state = MakeState();
    ber::Message answer = Answer(Ask(state, Request({kUptime, kName})));
    EXPECT_EQ(answer.community, "orchid");
    EXPECT_EQ(answer.errorStatus, 0);
    ASSERT_EQ(answer.varbinds.size(), 2u);
    EXPECT_EQ(answer.varbinds[0].value.tag, 0x43);
    EXPECT_EQ(answer.varbinds[0].value.integer, 100);
    EXPECT_EQ(answer.varbinds[1].value.bytes, (std::vector<std::uint8_t>{'l', 'a', 'b'}));

    answer = Answer(Ask(state, Request({kName}, 0xA0, "public")));
    EXPECT_EQ(answer.varbinds[0].value.bytes, (std::vector<std::uint8_t>{'o', 't', 'h', 'e', 'r'}));
}

TEST(Respond, MissingObjectGivesNoSuchNameWithItsIndexAndTheBindingsEchoed) {
    SimState state = MakeState();
    Reply reply = Ask(state, Request({kName, kMissing}));
    ber::Message answer = Answer(reply);
    EXPECT_EQ(answer.errorStatus, kNoSuchName);
    EXPECT_EQ(answer.errorIndex, 2);
    ASSERT_EQ(answer.varbinds.size(), 2u);
    EXPECT_EQ(answer.varbinds[0].name, kName);
    EXPECT_EQ(answer.varbinds[0].value.tag, 0x05);
    EXPECT_EQ(answer.varbinds[1].name, kMissing);
    EXPECT_FALSE(reply.injected);
}

TEST(Respond, InjectedErrorsAnswerWithNullValues) {
    SimState state = MakeState();
    state.faults.errorStatusByOid[kName] = kGenErr;
    state.faults.errorStatusByOid[kUptime] = kTooBig;
    Reply reply = Ask(state, Request({kName}));
    ber::Message answer = Answer(reply);
    EXPECT_TRUE(reply.injected);
    EXPECT_EQ(answer.errorStatus, kGenErr);
    EXPECT_EQ(answer.errorIndex, 1);
    ASSERT_EQ(answer.varbinds.size(), 1u);
    EXPECT_EQ(answer.varbinds[0].value.tag, 0x05);

    answer = Answer(Ask(state, Request({kUptime})));
    EXPECT_EQ(answer.errorStatus, kTooBig);
    EXPECT_EQ(answer.errorIndex, 0);

    // An injected error applies even to an object the profile lacks.
    state.faults.errorStatusByOid[kMissing] = kReadOnly;
    EXPECT_EQ(Answer(Ask(state, Request({kMissing}))).errorStatus, kReadOnly);
}

TEST(Respond, GetNextWalksInOrderAndSetIsRefused) {
    SimState state = MakeState();
    ber::Message answer = Answer(Ask(state, Request({{1, 3}}, 0xA1)));
    ASSERT_EQ(answer.varbinds.size(), 1u);
    EXPECT_EQ(answer.varbinds[0].name, kUptime);
    answer = Answer(Ask(state, Request({kUptime}, 0xA1)));
    EXPECT_EQ(answer.varbinds[0].name, kName);
    answer = Answer(Ask(state, Request({kName}, 0xA1)));
    EXPECT_EQ(answer.errorStatus, kNoSuchName);

    answer = Answer(Ask(state, Request({kName}, 0xA3)));
    EXPECT_EQ(answer.errorStatus, kNoSuchName);
    EXPECT_EQ(answer.errorIndex, 1);
}

TEST(Respond, DropsUnknownCommunitiesNonRequestsAndGarbage) {
    SimState state = MakeState();
    EXPECT_EQ(Ask(state, Request({kName}, 0xA0, "orchid2")).outcome, Outcome::UnknownCommunity);
    EXPECT_EQ(Ask(state, Request({kName}, 0xA0, "")).outcome, Outcome::UnknownCommunity);
    EXPECT_EQ(Ask(state, Request({kName}, 0xA2)).outcome, Outcome::NotARequest);

    std::vector<std::uint8_t> good = Request({kName});
    EXPECT_EQ(Ask(state, {}).outcome, Outcome::Malformed);
    // Every truncation and every single-byte corruption must be handled without a crash;
    // truncations are never answered.
    for (std::size_t size = 0; size < good.size(); ++size) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + size);
        EXPECT_EQ(Ask(state, cut).outcome, Outcome::Malformed) << size;
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<std::uint8_t> flipped = good;
            flipped[i] ^= static_cast<std::uint8_t>(1u << bit);
            Reply reply = Ask(state, flipped);
            if (reply.outcome == Outcome::Answer) {
                ber::Message answer;
                EXPECT_EQ(ber::Decode(reply.response.data(), reply.response.size(), answer),
                          ber::Error::None);
            }
        }
    }
}

TEST(MakeStrays, WrongIdAnswersAlternateWithGarbage) {
    SimState state = MakeState();
    Reply reply = Ask(state, Request({kName}));
    auto strays = MakeStrays(reply, 4);
    ASSERT_EQ(strays.size(), 4u);
    for (std::size_t i = 0; i < strays.size(); ++i) {
        ber::Message message;
        ber::Error error = ber::Decode(strays[i].data(), strays[i].size(), message);
        if (i % 2 == 0) {
            ASSERT_EQ(error, ber::Error::None) << i;
            EXPECT_NE(message.requestId, 4711);
            EXPECT_EQ(message.varbinds.size(), 1u);
        } else {
            EXPECT_NE(error, ber::Error::None) << i;
        }
    }
    Reply dropped = Ask(state, Request({kName}, 0xA0, "nobody"));
    EXPECT_TRUE(MakeStrays(dropped, 3).empty());
}

TEST(Live, PagesRaiseCountsAndEveryTenthLowersPositiveLevels) {
    SimState state;
    Profile profile;
    std::vector<std::string> errors;
    ASSERT_TRUE(
        ParseProfile("1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967294\n"
                     "1.3.6.1.2.1.43.10.2.1.5.1.1|2|2147483646\n"
                     "1.3.6.1.2.1.43.11.1.1.9.1.1|2|1\n"
                     "1.3.6.1.2.1.43.11.1.1.9.1.2|2|-3\n"
                     "1.3.6.1.2.1.43.11.1.1.9.1.3|2|50\n"
                     "1.3.6.1.2.1.1.3.0|67|4294967290\n",
                     "live", profile, errors));
    state.profiles.push_back(profile);
    auto value = [&](const Oid& oid) { return state.profiles[0].objects.at(oid).integer; };
    const Oid life = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 4, 1, 1};
    const Oid powerOn = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 5, 1, 1};
    const Oid level1 = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 1};
    const Oid level2 = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 2};
    const Oid level3 = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 3};

    PrintPages(state, 9);
    EXPECT_EQ(value(life), 7);              // Counter32 wraps
    EXPECT_EQ(value(powerOn), 2147483647);  // INTEGER stops at its limit
    EXPECT_EQ(value(level3), 50);           // nine pages: no toner used yet
    PrintPages(state, 1);
    EXPECT_EQ(value(level1), 0);
    EXPECT_EQ(value(level2), -3);  // special values stay
    EXPECT_EQ(value(level3), 49);
    PrintPages(state, 25);
    EXPECT_EQ(value(level1), 0);  // never below empty
    EXPECT_EQ(value(level3), 47);

    AddUptime(state, 10);
    EXPECT_EQ(value(kUptime), 4);
}

}  // namespace
}  // namespace sim

// The agent's answers computed from request bytes: values from the community's profile,
// noSuchName with the index of the missing object, and requests damaged in transit.
#include <gtest/gtest.h>

#include "tools/printer-sim/responder.h"

namespace sim {
namespace {

const Oid kUptime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Oid kName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Oid kMissing = {1, 3, 6, 1, 2, 1, 1, 4, 0};

Printer TwoProfiles() {
    Printer state;
    const std::pair<const char*, const char*> profiles[] = {
        {"orchid", "1.3.6.1.2.1.1.3.0|67|100\n1.3.6.1.2.1.1.5.0|4|lab\n"},
        {"public", "1.3.6.1.2.1.1.5.0|4|other\n"}};
    for (const auto& [community, text] : profiles) {
        Profile profile;
        profile.community = community;
        std::vector<std::string> errors;
        EXPECT_TRUE(ParseProfile(text, "t", profile, errors));
        state.profiles.push_back(profile);
    }
    return state;
}

std::vector<std::uint8_t> Request(const std::vector<Oid>& names,
                                  const std::string& community = "orchid") {
    ber::Message message;
    message.community = community;
    message.requestId = 4711;
    for (const Oid& name : names) {
        message.varbinds.push_back({name, ber::Value{}});
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ber::Encode(message, bytes), ber::Error::None);
    return bytes;
}

ber::Message Answer(const Printer& state, const std::vector<std::uint8_t>& request) {
    Reply reply = Respond(request.data(), request.size(), state);
    EXPECT_EQ(reply.outcome, Outcome::Answer) << reply.summary;
    ber::Message answer;
    EXPECT_EQ(ber::Decode(reply.response.data(), reply.response.size(), answer), ber::Error::None);
    EXPECT_EQ(answer.pduType, 0xA2);
    EXPECT_EQ(answer.requestId, 4711);
    return answer;
}

TEST(Respond, AnswersFromTheCommunitysProfileOrNoSuchNameWithItsIndex) {
    Printer state = TwoProfiles();
    ber::Message answer = Answer(state, Request({kUptime, kName}));
    EXPECT_EQ(answer.errorStatus, 0);
    ASSERT_EQ(answer.varbinds.size(), 2u);
    EXPECT_EQ(answer.varbinds[0].value.tag, 0x43);
    EXPECT_EQ(answer.varbinds[0].value.integer, 100);
    EXPECT_EQ(answer.varbinds[1].value.bytes, (std::vector<std::uint8_t>{'l', 'a', 'b'}));
    answer = Answer(state, Request({kName}, "public"));
    ASSERT_EQ(answer.varbinds.size(), 1u);
    EXPECT_EQ(answer.varbinds[0].value.bytes.size(), 5u);  // "other"

    // The bindings come back as asked, the index (from 1) points at the missing one.
    const std::pair<std::vector<Oid>, int> cases[] = {{{kMissing, kName}, 1},
                                                      {{kName, kMissing}, 2}};
    for (const auto& [names, index] : cases) {
        answer = Answer(state, Request(names));
        EXPECT_EQ(answer.errorStatus, kNoSuchName);
        EXPECT_EQ(answer.errorIndex, index);
        ASSERT_EQ(answer.varbinds.size(), 2u);
        EXPECT_EQ(answer.varbinds[0].name, names[0]);
        EXPECT_EQ(answer.varbinds[1].name, names[1]);
    }
}

TEST(Respond, TruncatedOrCorruptedRequestsAreHandledWithoutACrash) {
    Printer state = TwoProfiles();
    const std::vector<std::uint8_t> good = Request({kName});
    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_EQ(Respond(good.data(), size, state).outcome, Outcome::Malformed) << size;
    }
    for (std::size_t bit = 0; bit < good.size() * 8; ++bit) {
        std::vector<std::uint8_t> flipped = good;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        Reply reply = Respond(flipped.data(), flipped.size(), state);
        ber::Message answer;
        if (reply.outcome == Outcome::Answer) {
            EXPECT_EQ(ber::Decode(reply.response.data(), reply.response.size(), answer),
                      ber::Error::None);
        }
    }
}

}  // namespace
}  // namespace sim

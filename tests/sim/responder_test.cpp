// The agent's answers computed from request bytes: values from the community's profile,
// noSuchName with the index of the missing object, and requests damaged in transit; SNMPv2c's
// exceptions, GETBULK against hand-computed answers, and the walk faults.
#include <gtest/gtest.h>

#include "tools/printer-sim/responder.h"

namespace sim {
namespace {

const Oid UPTIME = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Oid NAME = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Oid MISSING = {1, 3, 6, 1, 2, 1, 1, 4, 0};

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
                                  const std::string& community = "orchid", std::uint8_t type = 0xA0,
                                  std::int32_t version = 0, std::int32_t nonRepeaters = 0,
                                  std::int32_t maxRepetitions = 0) {
    ber::Message message;
    message.community = community;
    message.requestId = 4711;
    message.pduType = type;
    message.version = version;
    message.errorStatus = nonRepeaters;
    message.errorIndex = maxRepetitions;
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
    ber::Message answer = Answer(state, Request({UPTIME, NAME}));
    EXPECT_EQ(answer.errorStatus, 0);
    ASSERT_EQ(answer.varbinds.size(), 2u);
    EXPECT_EQ(answer.varbinds[0].value.tag, 0x43);
    EXPECT_EQ(answer.varbinds[0].value.integer, 100);
    EXPECT_EQ(answer.varbinds[1].value.bytes, (std::vector<std::uint8_t>{'l', 'a', 'b'}));
    answer = Answer(state, Request({NAME}, "public"));
    ASSERT_EQ(answer.varbinds.size(), 1u);
    EXPECT_EQ(answer.varbinds[0].value.bytes.size(), 5u);  // "other"

    // The bindings come back as asked, the index (from 1) points at the missing one.
    const std::pair<std::vector<Oid>, int> cases[] = {{{MISSING, NAME}, 1}, {{NAME, MISSING}, 2}};
    for (const auto& [names, index] : cases) {
        answer = Answer(state, Request(names));
        EXPECT_EQ(answer.errorStatus, NO_SUCH_NAME);
        EXPECT_EQ(answer.errorIndex, index);
        ASSERT_EQ(answer.varbinds.size(), 2u);
        EXPECT_EQ(answer.varbinds[0].name, names[0]);
        EXPECT_EQ(answer.varbinds[1].name, names[1]);
    }
}

TEST(Respond, TruncatedOrCorruptedRequestsAreHandledWithoutACrash) {
    Printer state = TwoProfiles();
    const std::vector<std::uint8_t> good = Request({NAME});
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

// Five objects: A B in the system group, C D E a supply level column.
const Oid OID_A = {1, 3, 6, 1, 2, 1, 1, 1, 0};
const Oid OID_B = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Oid OID_C = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 1};
const Oid OID_D = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 2};
const Oid OID_E = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 3};
const Oid LEVELS = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9};
constexpr std::uint8_t GET_NEXT = 0xA1;
constexpr std::uint8_t BULK = 0xA5;
constexpr std::uint8_t END = ber::END_OF_MIB_VIEW;

Printer FiveObjects() {
    Printer printer;
    Profile profile;
    profile.community = "orchid";
    std::vector<std::string> errors;
    EXPECT_TRUE(ParseProfile(
        "1.3.6.1.2.1.1.1.0|4|A\n1.3.6.1.2.1.1.5.0|4|B\n1.3.6.1.2.1.43.11.1.1.9.1.1|2|10\n"
        "1.3.6.1.2.1.43.11.1.1.9.1.2|2|20\n1.3.6.1.2.1.43.11.1.1.9.1.3|2|30\n",
        "t", profile, errors));
    printer.profiles.push_back(profile);
    return printer;
}

// An expected binding: its name and its value's tag (an exception) or INTEGER/STRING content.
struct Bound {
    Oid name;
    std::uint8_t tag;  // 0: the value of the profile's object `name`
};

void ExpectBindings(const Printer& printer, const ber::Message& answer,
                    const std::vector<Bound>& expected, const std::string& trace) {
    ASSERT_EQ(answer.varbinds.size(), expected.size()) << trace;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(answer.varbinds[i].name, expected[i].name) << trace << " binding " << i;
        const ber::Value& got = answer.varbinds[i].value;
        if (expected[i].tag != 0) {
            EXPECT_EQ(got.tag, expected[i].tag) << trace << " binding " << i;
        } else {
            const ber::Value& want = printer.profiles[0].objects.at(expected[i].name);
            EXPECT_TRUE(got.tag == want.tag && got.integer == want.integer &&
                        got.bytes == want.bytes)
                << trace << " binding " << i;
        }
    }
}

TEST(Respond, SnmpV2cAnswersWithExceptionsWhereV1AnswersNoSuchName) {
    Printer printer = FiveObjects();
    const Oid otherInstance = {1, 3, 6, 1, 2, 1, 1, 5, 1};
    const Oid noObject = {1, 3, 6, 1, 2, 1, 1, 4, 0};
    const Oid missingRow = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 7};
    const struct {
        std::uint8_t type;
        std::vector<Oid> names;
        std::vector<Bound> expected;
        int v1Index;  // the binding v1 reports as noSuchName
    } cases[] = {
        {0xA0, {OID_B, otherInstance}, {{OID_B, 0}, {otherInstance, ber::NO_SUCH_INSTANCE}}, 2},
        {0xA0, {noObject, missingRow}, {{noObject, ber::NO_SUCH_OBJECT}, {missingRow, 0x81}}, 1},
        {GET_NEXT, {OID_D, OID_E}, {{OID_E, 0}, {OID_E, END}}, 2},
    };
    for (const auto& c : cases) {
        ber::Message answer = Answer(printer, Request(c.names, "orchid", c.type, 1));
        EXPECT_EQ(answer.version, 1);
        EXPECT_EQ(answer.errorStatus, 0);
        ExpectBindings(printer, answer, c.expected, "v2c type " + std::to_string(c.type));
        answer = Answer(printer, Request(c.names, "orchid", c.type, 0));
        EXPECT_EQ(answer.version, 0);
        EXPECT_EQ(answer.errorStatus, NO_SUCH_NAME);
        EXPECT_EQ(answer.errorIndex, c.v1Index);
    }
    // A read-only agent refuses SET: v2c says notWritable; v1 has no GETBULK.
    ber::Message set = Answer(printer, Request({OID_B}, "orchid", 0xA3, 1));
    EXPECT_EQ(set.errorStatus, NOT_WRITABLE);
    EXPECT_EQ(set.errorIndex, 1);
    std::vector<std::uint8_t> v1Bulk = Request({OID_A}, "orchid", BULK, 0, 0, 5);
    EXPECT_EQ(Respond(v1Bulk.data(), v1Bulk.size(), printer).outcome, Outcome::NotARequest);
    std::vector<std::uint8_t> stranger = Request({OID_A}, "public", BULK, 1, 0, 5);
    EXPECT_EQ(Respond(stranger.data(), stranger.size(), printer).outcome,
              Outcome::UnknownCommunity);
}

TEST(Respond, GetBulkFollowsRfc3416AgainstHandComputedAnswers) {
    Printer printer = FiveObjects();
    const Oid system = {1, 3, 6, 1, 2, 1, 1};
    const struct {
        std::int32_t nonRepeaters;
        std::int32_t maxRepetitions;
        std::vector<Oid> names;
        std::vector<Bound> expected;
    } cases[] = {
        // One non-repeater answered as GETNEXT, then two rounds of the repeater.
        {1, 2, {system, LEVELS}, {{OID_A, 0}, {OID_C, 0}, {OID_D, 0}}},
        // A repeater past the end gives endOfMibView under its last name; then the answer ends.
        {0, 10, {OID_D}, {{OID_E, 0}, {OID_E, END}}},
        // Rounds interleave the repeaters; one that ended keeps giving endOfMibView.
        {0,
         3,
         {OID_A, OID_D},
         {{OID_B, 0}, {OID_E, 0}, {OID_C, 0}, {OID_E, END}, {OID_D, 0}, {OID_E, END}}},
        // Non-repeaters beyond the count of bindings: all are non-repeaters.
        {5, 3, {OID_B}, {{OID_C, 0}}},
        // Negative numbers count as 0: nothing to repeat, nothing asked.
        {-1, -3, {OID_A}, {}},
        {0, 0, {OID_A}, {}},
    };
    for (const auto& c : cases) {
        std::string trace =
            "N=" + std::to_string(c.nonRepeaters) + " M=" + std::to_string(c.maxRepetitions);
        ber::Message answer =
            Answer(printer, Request(c.names, "orchid", BULK, 1, c.nonRepeaters, c.maxRepetitions));
        EXPECT_EQ(answer.errorStatus, 0) << trace;
        ExpectBindings(printer, answer, c.expected, trace);
    }
}

TEST(Respond, GetBulkIsCutToTheAnswerLimitAndFloodsOnDemand) {
    Printer printer = FiveObjects();
    const struct {
        std::size_t limit;
        unsigned flood;
        std::int32_t maxRepetitions;
        std::size_t atLeast;  // bindings
        bool cut;             // the limit, not the count, ends the answer
    } cases[] = {
        {ber::MAX_MESSAGE_BYTES, 3000, 1, 3000, false},  // thousands of bindings for one asked
        {484, 0, 100000, 5, false},                      // B C D E, then endOfMibView
        {484, 100000, 1, 20, true},                      // flooded, but never past the limit
        {ber::MAX_MESSAGE_BYTES, 100000, 1, 3000, true},
    };
    for (const auto& c : cases) {
        printer.faults.maxMessageBytes = c.limit;
        printer.faults.bulkFlood = c.flood;
        std::vector<std::uint8_t> request =
            Request({OID_A}, "orchid", BULK, 1, 0, c.maxRepetitions);
        Reply reply = Respond(request.data(), request.size(), printer);
        ber::Message answer;
        ASSERT_EQ(ber::Decode(reply.response.data(), reply.response.size(), answer),
                  ber::Error::None);
        EXPECT_EQ(answer.errorStatus, 0);
        EXPECT_LE(reply.response.size(), c.limit);
        EXPECT_GE(answer.varbinds.size(), c.atLeast);
        EXPECT_EQ(answer.varbinds.size(), c.flood == 0 ? c.atLeast : answer.varbinds.size());
        if (c.cut) {  // cut only where the next binding would not fit
            EXPECT_GT(reply.response.size() + 40, c.limit);
        }
    }
    // Not even the non-repeaters fit: tooBig with no bindings, as RFC 3416 asks.
    printer.faults = Faults{};
    printer.profiles[0].objects[OID_B].bytes.assign(600, 'x');
    printer.faults.maxMessageBytes = 484;
    ber::Message answer = Answer(printer, Request({OID_A}, "orchid", BULK, 1, 1, 5));
    EXPECT_EQ(answer.errorStatus, TOO_BIG);
    EXPECT_TRUE(answer.varbinds.empty());
}

TEST(Respond, WalkFaultsMakeTablesEndlessBackwardsOrStuck) {
    Printer printer = FiveObjects();
    const Oid invented4 = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 4};
    const Oid invented5 = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1, 5};
    const Oid afterA = {1, 3, 6, 1, 2, 1, 1, 1, 1};
    const struct {
        WalkFault walk;
        Oid subtree;
        Oid asked;
        Oid answered;
        std::int64_t integer;  // for the level column
    } cases[] = {
        {WalkFault::None, {}, OID_E, {}, 0},                 // past the end: noSuchName
        {WalkFault::Endless, LEVELS, OID_C, OID_D, 20},      // inside the column: as usual
        {WalkFault::Endless, LEVELS, OID_E, invented4, 30},  // the column goes on
        {WalkFault::Endless, LEVELS, invented4, invented5, 30},
        {WalkFault::Endless, LEVELS, OID_A, OID_B, 0},  // outside the subtree: as usual
        {WalkFault::Endless, {}, OID_A, afterA, 0},     // everywhere: even scalars
        {WalkFault::Backwards, LEVELS, OID_D, OID_C, 10},
        {WalkFault::Backwards, LEVELS, OID_C, OID_D, 20},  // the object before is outside
        {WalkFault::Repeat, LEVELS, OID_C, OID_C, 20},     // no step, the next one's value
    };
    for (const auto& c : cases) {
        printer.faults.walk = c.walk;
        printer.faults.walkSubtree = c.subtree;
        std::string trace = FormatOid(c.asked) + " walk " + std::to_string(int(c.walk));
        ber::Message answer = Answer(printer, Request({c.asked}, "orchid", GET_NEXT));
        if (c.answered.empty()) {
            EXPECT_EQ(answer.errorStatus, NO_SUCH_NAME) << trace;
            continue;
        }
        ASSERT_EQ(answer.varbinds.size(), 1u) << trace;
        EXPECT_EQ(answer.varbinds[0].name, c.answered) << trace;
        if (c.integer != 0) {
            EXPECT_EQ(answer.varbinds[0].value.integer, c.integer) << trace;
        }
    }
}

}  // namespace
}  // namespace sim

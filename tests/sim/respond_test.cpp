// What the simulated printer serves and answers, without sockets: snmprec profiles read with
// every tag and its limits; v1 and v2c answers, exceptions, GETBULK and the walk, error and size
// faults against hand-computed answers.
#include <gtest/gtest.h>

#include "snmp/oid.h"
#include "tests/sim/printers.h"
#include "tools/printer-sim/responder.h"

namespace sim {
namespace {

TEST(SimProfile, EveryTagWithItsLimits) {
    const struct {
        const char* tag;
        const char* text;
        const char* value;  // as DescribeValue shows it; "" when refused
    } cases[] = {
        {"2", "-2147483648", "INTEGER -2147483648"},
        {"2", "2147483647", "INTEGER 2147483647"},
        {"4", "Ready |x", R"(STRING "Ready |x")"},
        {"4", "", R"(STRING "")"},
        {"4x", "00fF41", R"(STRING "\x00\xffA")"},
        {"5", "", "NULL"},
        {"6", ".1.3.6.1.2.1.43", "OID 1.3.6.1.2.1.43"},
        {"64", "192.168.1.10", "IpAddress 192.168.1.10"},
        {"64x", "0a141e28", "IpAddress 10.20.30.40"},
        {"65", "4294967295", "Counter32 4294967295"},
        {"66", "0", "Gauge32 0"},
        {"67", "48211900", "TimeTicks 48211900"},
        {"68", "op", R"(Opaque "op")"},
        {"68x", "410042", R"(Opaque "A\x00B")"},
        {"2", "2147483648", ""},
        {"2", "-2147483649", ""},
        {"2", "12abc", ""},
        {"4x", "abc", ""},
        {"6", "1.40", ""},
        {"64", "1.2.3.256", ""},
        {"65", "4294967296", ""},
        {"65", "-1", ""},
        {"70", "1", ""},
    };
    for (const auto& c : cases) {
        ber::Value value;
        std::string error;
        const bool parsed = ParseTypedValue(c.tag, c.text, value, error);
        EXPECT_EQ(parsed ? DescribeValue(value) : "", c.value) << c.tag << "|" << c.text;
        EXPECT_EQ(error.empty(), parsed) << c.tag << "|" << c.text;
    }
}

TEST(SimProfile, SkipsCommentsAndReportsEveryBadLineWithItsNumber) {
    EXPECT_EQ(Dump(Loaded("# comment\n\n  \t\n1.1.0|4|lab printer\r\n").printers[0].profiles[0]),
              "1.1.0 STRING \"lab printer\"\n");
    Profile profile;
    std::vector<std::string> errors;
    EXPECT_FALSE(
        ParseProfile("1.1.0|4|fine\n1.2.0|4\n# comment\n1.3.0|2|seventy\n1.1.0|4|again\n"
                     "1.x.1|4|bad oid\n",
                     "bad", profile, errors));
    std::string lines;
    for (const std::string& error : errors) {
        lines += error.substr(0, error.find(": ")) + " ";
    }
    EXPECT_EQ(lines, "bad:2 bad:4 bad:5 bad:6 ");
}

// The answer as text: "STATUS@INDEX" first when an error, then "OID=VALUE" per binding;
// "dropped" when there is no answer. `bytes` gets its encoded size.
std::string Ask(const Printer& printer, const std::string& text, std::size_t* bytes = nullptr) {
    const std::vector<std::uint8_t> request = Request(text);
    const Reply reply = Respond(request.data(), request.size(), printer);
    if (bytes != nullptr) {
        *bytes = reply.response.size();
    }
    ber::Message answer;
    if (reply.outcome != Outcome::Answer ||
        ber::Decode(reply.response.data(), reply.response.size(), answer) != ber::Error::None) {
        return "dropped";
    }
    EXPECT_TRUE(answer.pduType == 0xA2 && answer.requestId == REQUEST_ID &&
                answer.version == (text.find("v2c") == std::string::npos ? 0 : 1))
        << text;
    std::string shown;
    if (answer.errorStatus != 0) {
        shown = ErrorStatusName(answer.errorStatus) + "@" + std::to_string(answer.errorIndex);
    }
    for (const ber::VarBind& binding : answer.varbinds) {
        shown +=
            (shown.empty() ? "" : " ") + snmp::FormatOid(binding.name) + "=" + Shown(binding.value);
    }
    return shown;
}

TEST(SimRespond, AnswersAgainstHandComputedResults) {
    // Two objects A B, then a column of three rows; another community sees another profile.
    SimState base = Loaded("1.1.0|4|A\n1.5.0|4|B\n1.9.1|2|10\n1.9.2|2|20\n1.9.3|2|30\n");
    base.printers[0].profiles.push_back(Loaded("1.5.0|4|other\n").printers[0].profiles[0]);
    base.printers[0].profiles.back().community = "public";
    const std::string big = "max-message 484\nset 1.5.0 4 " + std::string(600, 'x');
    const struct {
        std::string commands;  // control commands first: faults
        const char* request;
        const char* answer;
    } cases[] = {
        {"", "v1 get 1.1.0 1.9.1", "1.1.0=A 1.9.1=10"},
        {"", "public v1 get 1.5.0", "1.5.0=other"},
        {"", "stranger v2c get 1.5.0", "dropped"},
        // v1: noSuchName, the index of the first missing object, the bindings echoed.
        {"", "v1 get 1.4.0 1.5.0", "noSuchName@1 1.4.0=NULL 1.5.0=NULL"},
        {"", "v1 get 1.5.0 1.5.1", "noSuchName@2 1.5.0=NULL 1.5.1=NULL"},
        {"", "v1 next 1.9.2 1.9.3", "noSuchName@2 1.9.2=NULL 1.9.3=NULL"},
        {"", "v1 set 1.5.0", "noSuchName@1 1.5.0=NULL"},
        {"", "v1 bulk 0 5 1.1.0", "dropped"},
        // v2c: exceptions in place of the missing values, and no SET.
        {"", "v2c get 1.5.0 1.5.1 1.4.0 1.9.7",
         "1.5.0=B 1.5.1=noSuchInstance 1.4.0=noSuchObject 1.9.7=noSuchInstance"},
        {"", "v2c next 1.9.2 1.9.3", "1.9.3=30 1.9.3=endOfMibView"},
        {"", "v2c set 1.5.0", "notWritable@1 1.5.0=NULL"},
        // GETBULK: N non-repeaters as by GETNEXT, then M rounds of the others, each from its
        // last answer; a repeater past the end gives endOfMibView; all past it: the answer ends.
        {"", "v2c bulk 1 2 1.0 1.9", "1.1.0=A 1.9.1=10 1.9.2=20"},
        {"", "v2c bulk 0 10 1.9.2", "1.9.3=30 1.9.3=endOfMibView"},
        {"", "v2c bulk 0 3 1.1.0 1.9.2",
         "1.5.0=B 1.9.3=30 1.9.1=10 1.9.3=endOfMibView 1.9.2=20 1.9.3=endOfMibView"},
        {"", "v2c bulk 5 3 1.5.0", "1.9.1=10"},
        {"", "v2c bulk -1 -3 1.1.0", ""},
        {"", "v2c bulk 0 0 1.1.0", ""},
        {"bulk-flood 4", "v2c bulk 0 1 1.9.2",
         "1.9.3=30 1.9.3=endOfMibView 1.9.3=endOfMibView 1.9.3=endOfMibView"},
        // Injected errors, for objects the profile lacks too; tooBig has index 0.
        {"error 1.5.0 genErr", "v1 get 1.1.0 1.5.0", "genErr@2 1.1.0=NULL 1.5.0=NULL"},
        {"error 1.4.0 tooBig", "v2c get 1.4.0", "tooBig@0 1.4.0=NULL"},
        {"error 1.5.0 genErr\nerror 1.5.0 off", "v1 get 1.5.0", "1.5.0=B"},
        // Too large: v1 echoes the request, v2c sends no bindings, GETBULK only when the
        // non-repeaters alone do not fit.
        {big, "v1 get 1.5.0", "tooBig@0 1.5.0=NULL"},
        {big, "v2c get 1.5.0", "tooBig@0"},
        {big, "v2c bulk 1 5 1.1.0", "tooBig@0"},
        {big, "v2c bulk 0 5 1.1.0", ""},
        // The walk faults, within their subtree (everywhere without one).
        {"walk endless 1.9", "v1 next 1.9.1", "1.9.2=20"},
        {"walk endless 1.9", "v1 next 1.9.4", "1.9.5=30"},
        {"walk endless 1.9", "v1 next 1.1.0", "1.5.0=B"},
        {"walk endless", "v1 next 1.1.0", "1.1.1=A"},
        {"walk backwards 1.9", "v1 next 1.9.2", "1.9.1=10"},
        {"walk backwards 1.9", "v1 next 1.9.1", "1.9.2=20"},
        {"walk repeat 1.9", "v2c bulk 0 2 1.9.1", "1.9.1=20 1.9.1=20"},
    };
    for (const auto& c : cases) {
        SimState state = base;
        if (!c.commands.empty()) {
            ASSERT_EQ(ControlReply(c.commands, state).find("error"), std::string::npos);
        }
        EXPECT_EQ(Ask(state.printers[0], c.request), c.answer)
            << c.commands.substr(0, 30) << ": " << c.request;
    }
    const std::vector<std::uint8_t> cut = Request("v1 get 1.5.0");
    EXPECT_EQ(Respond(cut.data(), cut.size() - 1, base.printers[0]).outcome, Outcome::Malformed);
}

TEST(SimRespond, AFloodedGetBulkIsCutToFitTheAnswerLimit) {
    for (const std::size_t limit : {MIN_MESSAGE_BYTES, ber::MAX_MESSAGE_BYTES}) {
        SimState state = Loaded("1.1.0|4|A\n1.5.0|4|B\n");
        state.printers[0].faults.maxMessageBytes = limit;
        state.printers[0].faults.bulkFlood = MAX_BULK_FLOOD;
        std::size_t bytes = 0;
        EXPECT_EQ(
            Ask(state.printers[0], "v2c bulk 0 1 1.1.0", &bytes).rfind("1.5.0=B 1.5.0=end", 0), 0u);
        // Cut only where one more binding (9 bytes, and the lengths' growth) would not fit.
        EXPECT_LE(bytes, limit);
        EXPECT_GT(bytes + 20, limit);
    }
}

}  // namespace
}  // namespace sim

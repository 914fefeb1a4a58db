// One-object reads and the model query through a real UDP exchange with a scripted agent on
// loopback, which sends what real firmware does and the simulator never would: values whose
// bytes do not fit their type, error answers with other bindings or none.
#include "shell/object_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/monitor_state.h"
#include "state/watched_target.h"
#include "tests/snmpmgr/scripted_agent.h"
#include "text/bounded_text.h"

namespace {

using Shape = ScriptedAgent::Shape;

// The value with exactly these bytes of content, whatever its tag requires.
Shape Raw(std::uint8_t tag, std::vector<std::uint8_t> content) {
    return [tag, content](ber::Message& m) { m.varbinds[0].value = {tag, 0, content, {}, false}; };
}
// An error answer; `others` replaces the bindings with another object's, or none.
Shape Status(std::int32_t status, bool others) {
    return [status, others](ber::Message& m) {
        m.errorStatus = status;
        m.varbinds[0].name.push_back(0);
        m.varbinds[0].value = {ASN_OCTETSTRING, 0, {'x'}, {}};
        m.varbinds.resize(others ? 1 : 0);
    };
}

// Every answer counts and keeps the printer; only the asked object's readable value shows, cut
// at 127 characters. noSuchName is no value; no answer loses the printer.
TEST(ObjectText, EveryAnswerCountsAndOnlyReadableValuesShow) {
    const struct {
        const char* what;
        Shape shape;  // null: no answer
        bool result;
        std::string text;
    } cases[] = {
        {"a long string", Raw(ASN_OCTETSTRING, std::vector<std::uint8_t>(300, 'L')), true,
         std::string(127, 'L')},
        {"an identifier", Raw(ASN_OBJECTIDENTIFIER, {0x2B, 6, 1, 4, 0x0B}), true, "1.3.6.1.4.11"},
        {"an address", Raw(ASN_IPADDRESS, {192, 168, 1, 10}), true, "192.168.1.10"},
        {"Opaque", Raw(ASN_OPAQUE, {'W', 'X', 'Y', 'Z'}), true, "WXYZ"},
        {"Gauge32 in five bytes", Raw(ASN_GAUGE32, {0, 0xFF, 0xFF, 0xFF, 0xFF}), true,
         "4294967295"},
        {"IpAddress of five bytes", Raw(ASN_IPADDRESS, {10, 0, 0, 1, 9}), true, ""},
        {"tooBig, no bindings", Status(SNMP_ERRORSTATUS_TOOBIG, false), true, ""},
        {"noError, another object", Status(SNMP_ERRORSTATUS_NOERROR, true), true, ""},
        {"noSuchName", Status(SNMP_ERRORSTATUS_NOSUCHNAME, false), false, ""},
        {"no answer", nullptr, false, "untouched"},
    };
    ScriptedAgent agent;
    g_session = SnmpMgrOpen(agent.target().c_str(), "orchid", SNMP_TIMEOUT_MS, SNMP_RETRIES);
    ASSERT_NE(g_session, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool lost = c.shape == nullptr;
        g_state = STATE_UNREACHABLE;  // an answer leaves it, and lost is set whatever it was
        auto answered = agent.AnswerNext(c.shape);
        AsnObjectIdentifier oid{};
        SnmpMgrStrToOid(".1.3.6.1.2.1.43.10.2.1.4.1.1", &oid);
        char text[OBJECT_TEXT_CHARS] = "untouched";
        EXPECT_EQ(GetObjectText(&oid, text), c.result);
        answered.get();
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(g_state, lost ? STATE_LOST : STATE_UNREACHABLE);
        EXPECT_EQ(oid.ids == nullptr, lost) << "released only without an answer";
        SnmpUtilOidFree(&oid);
    }
    SnmpMgrClose(g_session);
    g_session = nullptr;
}

// The model query opens and closes a session of its own; what it cannot read keeps the model.
TEST(ModelQuery, ReadsTheModelOrKeepsTheOneBefore) {
    ScriptedAgent agent;
    const struct {
        const char* what;
        Shape shape;  // null: no usable agent (the target is empty), so no request either
        bool read;
        std::string model;
    } cases[] = {
        {"answered", Raw(ASN_OCTETSTRING, {'L', 'X', '-', '9'}), true, "LX-9"},
        {"noSuchName", Status(SNMP_ERRORSTATUS_NOSUCHNAME, false), false, "earlier model"},
        {"no usable agent", nullptr, false, "earlier model"},
    };
    BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoundedCopy(g_target, TARGET_CHARS, c.shape ? agent.target().c_str() : "");
        SetWatchedTarget(true, true);
        BoundedCopy(g_model, MODEL_CHARS, "earlier model");
        g_state = STATE_OK;
        // Its destructor waits for the agent's thread at the end of the case.
        std::future<void> answered = c.shape ? agent.AnswerNext(c.shape) : std::future<void>();
        EXPECT_EQ(QueryPrinterModel(), c.read);
        EXPECT_EQ(g_model, c.model);
        EXPECT_EQ(g_state, STATE_OK);
        EXPECT_EQ(g_session, nullptr);
    }
}

}  // namespace

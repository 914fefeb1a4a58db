// One-object reads and the model query through a real UDP exchange with a scripted agent on
// loopback, which sends what real firmware does and the simulator never would: values whose
// bytes do not fit their type, error answers with other bindings or none.
#include "shell/object_text.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <tuple>
#include <vector>

#include "snmp/printer_mib.h"
#include "state/monitor_state.h"
#include "state/printer_rows.h"
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

// A GETNEXT's answer: the next object `name` with `value`.
Shape Next(std::vector<std::uint32_t> name, ber::Value value) {
    return [name, value](ber::Message& m) { m.varbinds[0] = {name, value}; };
}

// The model query opens and closes a session of its own, finds the printer's rows first and
// reads the model there; the first request without an answer ends it, so a silent printer
// costs one time-out as it always did. What it cannot read keeps the model and the rows.
TEST(ModelQuery, FindsTheRowsThenReadsTheModelOrKeepsTheOneBefore) {
    const Shape printerAt1 = Next(mib::Append(mib::HR_DEVICE_TYPE, {1}),
                                  {ASN_OBJECTIDENTIFIER, 0, {}, mib::HR_DEVICE_PRINTER, true});
    const Shape tonerAt1 =
        Next(mib::Append(mib::PRT_SUPPLIES_TYPE, {1, 1}), {ASN_INTEGER, 3, {}, {}});
    const Shape noSuchName = Status(SNMP_ERRORSTATUS_NOSUCHNAME, false);
    const struct {
        const char* what;
        std::vector<Shape> answers;  // one per request; a null one is left unanswered
        bool usable;
        bool read;
        std::string model;
        int state;
    } cases[] = {
        {"answered",
         {printerAt1, tonerAt1, Raw(ASN_OCTETSTRING, {'L', 'X', '-', '9'})},
         true,
         true,
         "LX-9",
         STATE_OK},
        {"no model, no sysDescr",
         {printerAt1, tonerAt1, noSuchName, noSuchName},
         true,
         false,
         "earlier model",
         STATE_OK},
        {"silent from the start", {nullptr}, true, false, "earlier model", STATE_LOST},
        {"silent after the device",
         {printerAt1, nullptr},
         true,
         false,
         "earlier model",
         STATE_LOST},
        {"no usable agent", {}, false, false, "earlier model", STATE_OK},
    };
    BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAgent agent;
        BoundedCopy(g_target, TARGET_CHARS, c.usable ? agent.target().c_str() : "");
        SetWatchedTarget(true, true);
        BoundedCopy(g_model, MODEL_CHARS, "earlier model");
        g_state = STATE_OK;
        g_rows = PrinterRows{7, 7, false};
        auto requests = std::async(std::launch::async, [&] {
            std::size_t count = 0;
            for (ber::Message request; !agent.Receive(request, 700).empty(); ++count) {
                if (count < c.answers.size() && c.answers[count]) {
                    agent.Send(ScriptedAgent::Answer(request, c.answers[count]));
                }
            }
            return count;
        });
        EXPECT_EQ(QueryPrinterModel(), c.read);
        EXPECT_EQ(requests.get(), c.answers.size()) << "no request after the first lost one";
        EXPECT_EQ(g_model, c.model);
        EXPECT_EQ(g_state, c.state);
        EXPECT_EQ(g_session, nullptr);
        const bool found = c.state == STATE_OK && c.usable;
        EXPECT_EQ(std::tuple(g_rows.device, g_rows.supply, g_rows.hasSupply),
                  found ? std::tuple(1u, 1u, true) : std::tuple(7u, 7u, false));
    }
    g_rows = PrinterRows{};
}

}  // namespace

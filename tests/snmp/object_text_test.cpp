// One-object reads and the model query against the simulated printer on loopback.
#include "snmp/object_text.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/snmpmgr/ber.h"
#include "state/monitor_state.h"
#include "state/watched_target.h"
#include "tests/support/printer_sim.h"
#include "text/bounded_text.h"

namespace {

const char* const PROFILE =
    "1.3.6.1.2.1.25.3.2.1.3.1|4|Quillfen LaserWriter 4200dn\n"
    "1.3.6.1.2.1.1.1.0|4x|52656164790058595a\n"  // "Ready", a zero byte, "XYZ"
    "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.11.2.3.9.1\n"
    "1.3.6.1.2.1.1.3.0|67|100\n"
    "1.3.6.1.2.1.1.4.0|4|\n"
    "1.3.6.1.2.1.1.5.0|5|\n"
    "1.3.6.1.2.1.4.20.1.1.0|64|192.168.1.10\n"
    "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967295\n"
    "1.3.6.1.2.1.43.10.2.1.5.1.1|66|77\n"
    "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-2\n"
    "1.3.6.1.2.1.43.11.1.1.8.1.1|68x|5758595a\n";  // Opaque "WXYZ"

// Resets the shared state a test reads, and closes the session it opened.
class ObjectText : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.ok()) << sim_.error();
        BoundedCopy(g_target, TARGET_CHARS, sim_.target().c_str());
        SetWatchedTarget(true, true);
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
        g_model[0] = '\0';
        g_state = STATE_OK;
        g_session = SnmpMgrOpen(g_target, g_community, SNMP_TIMEOUT_MS, SNMP_RETRIES);
        ASSERT_NE(g_session, nullptr);
    }
    void TearDown() override {
        SnmpMgrClose(g_session);
        g_session = nullptr;
    }

    // Reads `oid` into a buffer pre-filled with a marker; returns the result and the text.
    std::pair<bool, std::string> Read(const char* oidText) {
        AsnObjectIdentifier oid{};
        EXPECT_TRUE(SnmpMgrStrToOid(oidText, &oid)) << oidText;
        char text[OBJECT_TEXT_CHARS] = "untouched";
        const bool result = GetObjectText(&oid, text);
        SnmpUtilOidFree(&oid);
        return {result, text};
    }

    PrinterSim sim_{PrinterSim::Text(PROFILE)};
};

TEST_F(ObjectText, EveryValueTypeArrivesAsItsText) {
    using Row = std::pair<const char*, const char*>;
    const Row rows[] = {
        {".1.3.6.1.2.1.25.3.2.1.3.1", "Quillfen LaserWriter 4200dn"},
        {".1.3.6.1.2.1.1.1.0", "Ready"},
        {".1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.11.2.3.9.1"},
        {".1.3.6.1.2.1.1.3.0", "100"},
        {".1.3.6.1.2.1.1.4.0", ""},
        {".1.3.6.1.2.1.1.5.0", ""},  // NULL: an answer without text
        {".1.3.6.1.2.1.4.20.1.1.0", "192.168.1.10"},
        {".1.3.6.1.2.1.43.10.2.1.4.1.1", "4294967295"},
        {".1.3.6.1.2.1.43.10.2.1.5.1.1", "77"},
        {".1.3.6.1.2.1.43.11.1.1.9.1.1", "-2"},
        {".1.3.6.1.2.1.43.11.1.1.8.1.1", "WXYZ"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Read(row.first), std::make_pair(true, std::string(row.second))) << row.first;
    }
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ObjectText, LongTextsAreCutAt127Characters) {
    const std::string long_text(300, 'L');
    ASSERT_EQ(sim_.command("set 1.3.6.1.2.1.1.4.0 4 " + long_text), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.4.0"), std::make_pair(true, std::string(127, 'L')));
}

TEST_F(ObjectText, ErrorStatusesOtherThanNoSuchNameStillCountAsValues) {
    // noSuchName: no value, and the printer is not lost.
    EXPECT_FALSE(Read(".1.3.6.1.2.1.43.5.1.1.17.1").first);
    EXPECT_EQ(g_state, STATE_OK);

    ASSERT_EQ(sim_.command("error 1.3.6.1.2.1.1.3.0 genErr"), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.3.0"), std::make_pair(true, std::string()));
    ASSERT_EQ(sim_.command("error 1.3.6.1.2.1.1.3.0 tooBig"), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.3.0"), std::make_pair(true, std::string()));
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ObjectText, NoAnswerMarksThePrinterLostAndReleasesTheIdentifier) {
    ASSERT_EQ(sim_.command("silence on"), "ok");
    g_state = STATE_UNREACHABLE;  // lost is set whatever the state was
    AsnObjectIdentifier oid{};
    ASSERT_TRUE(SnmpMgrStrToOid(".1.3.6.1.2.1.1.3.0", &oid));
    char text[OBJECT_TEXT_CHARS] = "untouched";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(GetObjectText(&oid, text));
    const auto waited = std::chrono::steady_clock::now() - start;

    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(oid.idLength, 0u);
    EXPECT_EQ(oid.ids, nullptr);
    SnmpUtilOidFree(&oid);  // a second release does nothing
    EXPECT_EQ(oid.idLength, 0u);
}

// A raw agent on loopback that answers the next request with what `shape` makes of it: values
// and binding lists that real firmware sends, which a codec of our own would never write.
class RawAgent {
  public:
    RawAgent() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof local;
        bind(fd_, reinterpret_cast<sockaddr*>(&local), length);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
    }
    ~RawAgent() { close(fd_); }
    std::string target() const { return "127.0.0.1:" + std::to_string(port_); }

    // Answers one request, on a thread of its own while the caller makes it.
    std::future<void> AnswerNext(std::function<void(ber::Message&)> shape) {
        return std::async(std::launch::async, [this, shape] {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 2000) != 1) {
                return;
            }
            std::vector<std::uint8_t> raw(70000);
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            const ssize_t size = recvfrom(fd_, raw.data(), raw.size(), 0,
                                          reinterpret_cast<sockaddr*>(&peer), &length);
            ber::Message m;
            if (size <= 0 ||
                ber::Decode(raw.data(), static_cast<std::size_t>(size), m) != ber::Error::None) {
                return;
            }
            m.pduType = SNMP_PDU_RESPONSE;
            shape(m);
            std::vector<std::uint8_t> out;
            ber::Encode(m, out);
            sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&peer), length);
        });
    }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// An agent that answers is an agent that answers: a value the codec cannot read, an error
// status with a binding list that is empty or names other objects, never lose the printer.
TEST(ObjectTextTolerance, EveryAnswerCountsAndOnlyReadableValuesShow) {
    // The value exactly as its bytes go on the wire (tag, length, content).
    const auto Raw = [](std::vector<std::uint8_t> tlv) {
        return [tlv](ber::Message& m) {
            m.varbinds[0].value = {tlv[0], 0, {tlv.begin() + 2, tlv.end()}, {}, false};
        };
    };
    const auto Status = [](std::int32_t status, std::function<void(ber::Message&)> then) {
        return [status, then](ber::Message& m) {
            m.errorStatus = status;
            m.errorIndex = 1;
            then(m);
        };
    };
    const auto Keep = [](ber::Message&) {};
    const auto NoBindings = [](ber::Message& m) { m.varbinds.clear(); };
    const auto OtherObject = [](ber::Message& m) {
        m.varbinds[0].name.push_back(0);
        m.varbinds[0].value = {ASN_OCTETSTRING, 0, {'x'}, {}};
    };
    const struct {
        const char* what;
        std::function<void(ber::Message&)> shape;
        bool result;
        const char* text;
    } cases[] = {
        {"Counter32 2^31 in four bytes", Raw({0x41, 0x04, 0x80, 0, 0, 0}), true, "2147483648"},
        {"Gauge32 in five bytes", Raw({0x42, 0x05, 0, 0xFF, 0xFF, 0xFF, 0xFF}), true, "4294967295"},
        {"TimeTicks above 32 bits", Raw({0x43, 0x05, 1, 0, 0, 0, 0}), true, ""},
        {"INTEGER with redundant bytes", Raw({0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xFE}), true, "-2"},
        {"IpAddress of five bytes", Raw({0x40, 0x05, 10, 0, 0, 1, 9}), true, ""},
        {"NULL with content", Raw({0x05, 0x01, 0x00}), true, ""},
        {"an unknown tag", Raw({0x47, 0x02, 'h', 'i'}), true, ""},
        {"tooBig, no bindings", Status(SNMP_ERRORSTATUS_TOOBIG, NoBindings), true, ""},
        {"genErr, another object", Status(SNMP_ERRORSTATUS_GENERR, OtherObject), true, ""},
        {"readOnly, its value", Status(SNMP_ERRORSTATUS_READONLY, Keep), true, ""},
        {"noError, another object", OtherObject, true, ""},
        {"noSuchName, no bindings", Status(SNMP_ERRORSTATUS_NOSUCHNAME, NoBindings), false, ""},
    };
    RawAgent agent;
    BoundedCopy(g_target, TARGET_CHARS, agent.target().c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_state = STATE_OK;
        g_session = SnmpMgrOpen(g_target, "orchid", SNMP_TIMEOUT_MS, SNMP_RETRIES);
        ASSERT_NE(g_session, nullptr);
        auto answered = agent.AnswerNext(c.shape);
        AsnObjectIdentifier oid{};
        SnmpMgrStrToOid(".1.3.6.1.2.1.43.10.2.1.4.1.1", &oid);
        char text[OBJECT_TEXT_CHARS] = "untouched";
        EXPECT_EQ(GetObjectText(&oid, text), c.result);
        answered.get();
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(g_state, STATE_OK) << "the printer answered";
        SnmpUtilOidFree(&oid);
        SnmpMgrClose(g_session);
        g_session = nullptr;
    }
}

// The model query opens and closes its own session.
class ModelQuery : public ObjectText {
  protected:
    void SetUp() override {
        ObjectText::SetUp();
        SnmpMgrClose(g_session);
        g_session = nullptr;
    }
};

TEST_F(ModelQuery, ReadsTheModelAndCutsItAt127) {
    EXPECT_TRUE(QueryPrinterModel());
    EXPECT_STREQ(g_model, "Quillfen LaserWriter 4200dn");
    EXPECT_EQ(g_session, nullptr);

    ASSERT_EQ(sim_.command("set 1.3.6.1.2.1.25.3.2.1.3.1 4 " + std::string(200, 'M')), "ok");
    EXPECT_TRUE(QueryPrinterModel());
    EXPECT_EQ(std::string(g_model), std::string(127, 'M'));
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ModelQuery, FailuresKeepTheModelAndOnlyASilentPrinterIsLost) {
    BoundedCopy(g_model, MODEL_CHARS, "earlier model");

    ASSERT_EQ(sim_.command("unset 1.3.6.1.2.1.25.3.2.1.3.1"), "ok");
    EXPECT_FALSE(QueryPrinterModel());  // noSuchName
    EXPECT_STREQ(g_model, "earlier model");
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(g_session, nullptr);

    ASSERT_EQ(sim_.command("silence on"), "ok");
    EXPECT_FALSE(QueryPrinterModel());
    EXPECT_STREQ(g_model, "earlier model");
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(g_session, nullptr);

    // No session at all (the empty target resolves to nothing): no request, no state change.
    g_state = STATE_OK;
    g_target[0] = '\0';
    SetWatchedTarget(true, true);
    EXPECT_FALSE(QueryPrinterModel());
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(g_session, nullptr);
    EXPECT_STREQ(g_model, "earlier model");
}

}  // namespace

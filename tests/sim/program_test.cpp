// vellumark-printer-sim as a program on loopback: net-snmp's snmpget reads every type and
// gets a v1 agent's exit codes, the faults set over the control channel show on the wire,
// live values move within their limits and SIGTERM ends it cleanly.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/snmpmgr/ber.h"
#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int32_t REQUEST_ID = 0x1234567;

struct Datagram {
    bool valid = false;  // an SNMP message at all
    ber::Message message;
    std::uint16_t fromPort = 0;
    long ms = 0;  // since the request left
};

// Sends one GET of sysName.0 to 127.0.0.1:`port` and collects what comes back from any port
// until the answer (its id, from `port`) arrives or `windowMs` have passed.
std::vector<Datagram> RawGet(std::uint16_t port, long windowMs) {
    ber::Message request;
    request.community = "orchid";
    request.requestId = REQUEST_ID;
    request.varbinds.push_back({{1, 3, 6, 1, 2, 1, 1, 5, 0}, ber::Value{}});
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ber::Encode(request, bytes), ber::Error::None);
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);  // not connected: see every port
    sockaddr_in agent{};
    agent.sin_family = AF_INET;
    agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    agent.sin_port = htons(port);
    Clock::time_point start = Clock::now();
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&agent),
           sizeof agent);
    auto elapsed = [start] {
        return static_cast<long>((Clock::now() - start) / std::chrono::milliseconds(1));
    };
    std::vector<Datagram> got;
    pollfd wait{fd, POLLIN, 0};
    while (elapsed() < windowMs && poll(&wait, 1, static_cast<int>(windowMs - elapsed())) == 1) {
        bytes.resize(65536);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = recvfrom(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             &length);
        if (n < 0) {
            break;
        }
        Datagram d;
        d.valid =
            ber::Decode(bytes.data(), static_cast<std::size_t>(n), d.message) == ber::Error::None;
        d.fromPort = ntohs(from.sin_port);
        d.ms = elapsed();
        got.push_back(d);
        if (d.valid && d.message.requestId == REQUEST_ID && d.fromPort == port) {
            break;
        }
    }
    close(fd);
    return got;
}

// The one answer of a RawGet, or a failed expectation.
ber::Message OnlyAnswer(const std::vector<Datagram>& got) {
    EXPECT_EQ(got.size(), 1u);
    if (got.size() != 1 || !got[0].valid || got[0].message.varbinds.size() != 1) {
        ADD_FAILURE() << "no single well-formed answer";
        return {};
    }
    return got[0].message;
}

// net-snmp's snmpget: SNMPv1, numeric OIDs, a 0.3 s time-out, no retries. Exit status
// (-1 when it did not exit) and output.
std::pair<int, std::string> SnmpGet(const std::string& target, const std::string& oid,
                                    const std::string& community) {
    return RunCommand("snmpget -v1 -c " + community + " -On -t 0.3 -r 0 " + target + " " + oid +
                      " 2>&1");
}

TEST(SimProgram, SnmpgetReadsEveryTypeAndGetsAV1AgentsExitCodes) {
    if (std::system("command -v snmpget >/dev/null") != 0) {
        GTEST_SKIP() << "net-snmp's snmpget is not installed";
    }
    PrinterSim sim(
        PrinterSim::Text("1.3.6.1.4.1.99.1.0|2|-3\n"
                         "1.3.6.1.4.1.99.2.0|4|Ready\n"
                         "1.3.6.1.4.1.99.3.0|4x|00ff41\n"
                         "1.3.6.1.4.1.99.4.0|5|\n"
                         "1.3.6.1.4.1.99.5.0|6|1.3.6.1.2.1.43\n"
                         "1.3.6.1.4.1.99.6.0|64|192.168.1.10\n"
                         "1.3.6.1.4.1.99.7.0|65|4294967295\n"
                         "1.3.6.1.4.1.99.8.0|66|70000\n"
                         "1.3.6.1.4.1.99.9.0|67|48211900\n"
                         "1.3.6.1.4.1.99.10.0|68|op\n"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const struct {
        const char* oid;
        const char* community;
        int status;
        const char* expected;
    } cases[] = {
        {".1.3.6.1.4.1.99.1.0", "orchid", 0, " = INTEGER: -3"},
        {".1.3.6.1.4.1.99.2.0", "orchid", 0, " = STRING: \"Ready\""},
        {".1.3.6.1.4.1.99.3.0", "orchid", 0, " = Hex-STRING: 00 FF 41"},
        {".1.3.6.1.4.1.99.4.0", "orchid", 0, " = NULL"},
        {".1.3.6.1.4.1.99.5.0", "orchid", 0, " = OID: .1.3.6.1.2.1.43"},
        {".1.3.6.1.4.1.99.6.0", "orchid", 0, " = IpAddress: 192.168.1.10"},
        {".1.3.6.1.4.1.99.7.0", "orchid", 0, " = Counter32: 4294967295"},
        {".1.3.6.1.4.1.99.8.0", "orchid", 0, " = Gauge32: 70000"},
        {".1.3.6.1.4.1.99.9.0", "orchid", 0, " = Timeticks: (48211900)"},
        {".1.3.6.1.4.1.99.10.0", "orchid", 0, " = OPAQUE: 6F 70"},
        {".1.3.6.1.4.1.99.11.0", "orchid", 2, "noSuchName"},
        {".1.3.6.1.4.1.99.1.0", "public", 1, "Timeout"},  // v1 agents ignore strangers
    };
    for (const auto& c : cases) {
        auto [status, output] = SnmpGet(sim.target(), c.oid, c.community);
        EXPECT_EQ(status, c.status) << c.oid << " " << c.community << ": " << output;
        EXPECT_NE(output.find(c.expected), std::string::npos) << output;
    }
}

class SimFault : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()) << sim.error(); }
    PrinterSim sim;  // bundled laser-mono: sysName.0 is "NPI3F2A1C"
};

TEST_F(SimFault, SilenceDropsRequestsAndDelayHoldsTheAnswerBack) {
    EXPECT_EQ(sim.command("silence on"), "ok");
    EXPECT_TRUE(RawGet(sim.port(), 300).empty());
    EXPECT_EQ(sim.command("silence off"), "ok");
    EXPECT_EQ(RawGet(sim.port(), 500).size(), 1u);

    EXPECT_EQ(sim.command("delay 700"), "ok");
    std::vector<Datagram> late = RawGet(sim.port(), 3000);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_GE(late[0].ms, 650);
    EXPECT_LE(late[0].ms, 2500);
}

TEST_F(SimFault, ErrorAnswersTheObjectWithThatStatusUntilTurnedOff) {
    const struct {
        const char* name;
        int status;
        int index;
        std::uint8_t valueTag;
    } cases[] = {{"genErr", 5, 1, 0x05}, {"tooBig", 1, 0, 0x05}, {"off", 0, 0, 0x04}};
    for (const auto& c : cases) {
        EXPECT_EQ(sim.command(std::string("error 1.3.6.1.2.1.1.5.0 ") + c.name), "ok");
        ber::Message answer = OnlyAnswer(RawGet(sim.port(), 500));
        EXPECT_EQ(answer.errorStatus, c.status) << c.name;
        EXPECT_EQ(answer.errorIndex, c.index) << c.name;
        EXPECT_EQ(answer.varbinds.empty() ? 0 : answer.varbinds[0].value.tag, c.valueTag);
    }
}

TEST_F(SimFault, StrayDatagramsComeBeforeTheAnswer) {
    EXPECT_EQ(sim.command("stray 3"), "ok");
    std::vector<Datagram> got = RawGet(sim.port(), 500);
    ASSERT_EQ(got.size(), 4u);
    int garbage = 0;
    int wrongId = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        garbage += got[i].valid ? 0 : 1;
        wrongId += got[i].valid && got[i].message.requestId != REQUEST_ID ? 1 : 0;
    }
    EXPECT_GE(garbage, 1);
    EXPECT_GE(wrongId, 1);
    EXPECT_EQ(garbage + wrongId, 3);
}

TEST_F(SimFault, SpoofedAnswersComeFromAnotherPortWithTheRightId) {
    EXPECT_EQ(sim.command("spoof 2"), "ok");
    std::vector<Datagram> got = RawGet(sim.port(), 1000);
    ASSERT_EQ(got.size(), 3u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(got[i].valid && got[i].message.requestId == REQUEST_ID) << i;
        EXPECT_EQ(got[i].fromPort != sim.port(), i < 2) << i;
    }
}

TEST_F(SimFault, SetAndUnsetChangeTheServedData) {
    EXPECT_EQ(sim.command("set 1.3.6.1.2.1.1.5.0 4 PAPER JAM in tray 2"), "ok");
    ber::Message answer = OnlyAnswer(RawGet(sim.port(), 500));
    ASSERT_FALSE(answer.varbinds.empty());
    const auto& bytes = answer.varbinds[0].value.bytes;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "PAPER JAM in tray 2");
    EXPECT_EQ(sim.command("unset 1.3.6.1.2.1.1.5.0"), "ok");
    EXPECT_EQ(OnlyAnswer(RawGet(sim.port(), 500)).errorStatus, 2);
}

TEST(SimProgram, LiveValuesMoveWithinTheirLimits) {
    PrinterSimOptions options = PrinterSim::Text(
        "1.3.6.1.2.1.1.3.0|67|100\n"
        "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967294\n"
        "1.3.6.1.2.1.43.10.2.1.5.1.1|2|2147483646\n"
        "1.3.6.1.2.1.43.11.1.1.9.1.1|2|1\n"
        "1.3.6.1.2.1.43.11.1.1.9.1.2|2|-3\n"
        "1.3.6.1.2.1.43.11.1.1.9.1.3|2|50\n");
    options.live = true;
    options.pageIntervalMs = 10;
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // some 40 pages
    auto integerOf = [&sim](const std::string& oid) {
        std::string reply = sim.command("get 1.3.6.1.2.1." + oid);
        return std::stoll(reply.substr(reply.rfind(' ') + 1));
    };
    EXPECT_LT(integerOf("43.10.2.1.4.1.1"), 1000);        // Counter32 wraps
    EXPECT_EQ(integerOf("43.10.2.1.5.1.1"), 2147483647);  // INTEGER stops at its limit
    EXPECT_EQ(integerOf("43.11.1.1.9.1.1"), 0);           // never below empty
    EXPECT_EQ(integerOf("43.11.1.1.9.1.2"), -3);          // special values stay
    EXPECT_LT(integerOf("43.11.1.1.9.1.3"), 50);          // a unit per ten pages
    EXPECT_GE(integerOf("1.3.0"), 130);                   // hundredths of a second
}

TEST(SimProgram, SigtermExitsWithStatusZero) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(3000), 0);
}

}  // namespace

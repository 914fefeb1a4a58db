// The faults of a running simulator, driven through its control channel and signals, seen
// from the network: silence, delay, error statuses, stray datagrams, changed data, live values.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "sim_test_util.h"
#include "tests/support/printer_sim.h"

namespace {

using simtest::SnmpGet;

const std::vector<std::uint32_t> kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const char kSysNameText[] = ".1.3.6.1.2.1.1.5.0";

// Decodes every datagram; those that are no SNMP message come back as nullopt-like flags.
struct Decoded {
    bool valid = false;
    ber::Message message;
};
std::vector<Decoded> DecodeAll(const simtest::RawExchange& exchange) {
    std::vector<Decoded> decoded;
    for (const auto& datagram : exchange.datagrams) {
        Decoded d;
        d.valid = ber::Decode(datagram.data(), datagram.size(), d.message) == ber::Error::None;
        decoded.push_back(d);
    }
    return decoded;
}

TEST(SimControl, SilenceByCommandAndBySignal) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    ASSERT_EQ(simtest::RawGet(sim.port(), kSysName, 500).datagrams.size(), 1u);

    EXPECT_EQ(sim.command("silence on"), "ok");
    EXPECT_TRUE(simtest::RawGet(sim.port(), kSysName, 300).datagrams.empty());
    EXPECT_EQ(sim.command("silence off"), "ok");
    EXPECT_EQ(simtest::RawGet(sim.port(), kSysName, 500).datagrams.size(), 1u);

    sim.signal(SIGUSR1);
    // The signal is handled asynchronously: a control round trip orders it before the GET.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sim.command("stats");
    EXPECT_TRUE(simtest::RawGet(sim.port(), kSysName, 300).datagrams.empty());
    sim.signal(SIGUSR2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sim.command("stats");
    EXPECT_EQ(simtest::RawGet(sim.port(), kSysName, 500).datagrams.size(), 1u);

    std::string stats = sim.command("stats");
    EXPECT_NE(stats.find(" requests=5 "), std::string::npos) << stats;
    EXPECT_NE(stats.find(" silenced=2 "), std::string::npos) << stats;
    EXPECT_NE(stats.find(" answered=3 "), std::string::npos) << stats;
}

TEST(SimControl, SilenceAtStartAndSnmpgetTimesOut) {
    if (!simtest::HaveSnmpGet()) {
        GTEST_SKIP() << "net-snmp's snmpget is not installed";
    }
    PrinterSimOptions options;
    options.extraArgs = {"--silence"};
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(SnmpGet(sim.target(), kSysNameText).status, 1);
    sim.command("silence off");
    EXPECT_EQ(SnmpGet(sim.target(), kSysNameText).status, 0);
}

TEST(SimControl, DelayHoldsTheAnswerBack) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("delay 700"), "ok");
    simtest::RawExchange late = simtest::RawGet(sim.port(), kSysName, 3000);
    ASSERT_EQ(late.datagrams.size(), 1u);
    EXPECT_GE(late.arrivalMs[0], 650);
    EXPECT_LE(late.arrivalMs[0], 2500);
    if (simtest::HaveSnmpGet()) {
        // A manager with a 300 ms time-out gives up before the delayed answer.
        EXPECT_EQ(SnmpGet(sim.target(), kSysNameText).status, 1);
    }
    EXPECT_EQ(sim.command("delay 0"), "ok");
    simtest::RawExchange prompt = simtest::RawGet(sim.port(), kSysName, 1000);
    ASSERT_EQ(prompt.datagrams.size(), 1u);
    EXPECT_LT(prompt.arrivalMs[0], 500);
}

TEST(SimControl, ErrorAnswersTheObjectWithThatStatus) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::pair<const char*, int> cases[] = {{"genErr", 5}, {"tooBig", 1}, {"badValue", 3}};
    for (const auto& [name, status] : cases) {
        EXPECT_EQ(sim.command(std::string("error ") + kSysNameText + " " + name), "ok");
        auto decoded = DecodeAll(simtest::RawGet(sim.port(), kSysName, 500));
        ASSERT_EQ(decoded.size(), 1u) << name;
        ASSERT_TRUE(decoded[0].valid);
        EXPECT_EQ(decoded[0].message.errorStatus, status) << name;
        ASSERT_EQ(decoded[0].message.varbinds.size(), 1u);
        EXPECT_EQ(decoded[0].message.varbinds[0].value.tag, 0x05);
    }
    if (simtest::HaveSnmpGet()) {
        sim.command(std::string("error ") + kSysNameText + " genErr");
        simtest::CommandResult result = SnmpGet(sim.target(), kSysNameText);
        EXPECT_EQ(result.status, 2) << result.output;
        EXPECT_NE(result.output.find("genErr"), std::string::npos) << result.output;
        // Other objects are not affected.
        EXPECT_EQ(SnmpGet(sim.target(), ".1.3.6.1.2.1.25.3.2.1.3.1").status, 0);
    }
    EXPECT_EQ(sim.command(std::string("error ") + kSysNameText + " off"), "ok");
    auto decoded = DecodeAll(simtest::RawGet(sim.port(), kSysName, 500));
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].message.errorStatus, 0);
    EXPECT_EQ(decoded[0].message.varbinds[0].value.tag, 0x04);
}

TEST(SimControl, StrayDatagramsComeBeforeTheRealAnswer) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("stray 3"), "ok");
    simtest::RawExchange exchange = simtest::RawGet(sim.port(), kSysName, 500);
    auto decoded = DecodeAll(exchange);
    ASSERT_EQ(decoded.size(), 4u);
    int garbage = 0;
    int wrongId = 0;
    for (std::size_t i = 0; i + 1 < decoded.size(); ++i) {
        if (!decoded[i].valid) {
            ++garbage;
        } else if (decoded[i].message.requestId != exchange.requestId) {
            ++wrongId;
        }
    }
    EXPECT_EQ(garbage + wrongId, 3);
    EXPECT_GE(garbage, 1);
    EXPECT_GE(wrongId, 1);
    ASSERT_TRUE(decoded.back().valid);
    EXPECT_EQ(decoded.back().message.requestId, exchange.requestId);
    EXPECT_NE(sim.command("stats").find(" strays=3"), std::string::npos);
    if (simtest::HaveSnmpGet()) {
        // An independent manager discards the strays and takes the answer.
        simtest::CommandResult result = SnmpGet(sim.target(), kSysNameText);
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find("NPI3F2A1C"), std::string::npos) << result.output;
    }
}

TEST(SimControl, SpoofedAnswersComeFromAnotherPortWithTheRightId) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("spoof 2"), "ok");
    simtest::RawExchange exchange = simtest::RawGet(sim.port(), kSysName, 1000);
    auto decoded = DecodeAll(exchange);
    ASSERT_EQ(decoded.size(), 3u);
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        ASSERT_TRUE(decoded[i].valid) << i;
        EXPECT_EQ(decoded[i].message.requestId, exchange.requestId) << i;
        ASSERT_EQ(decoded[i].message.varbinds.size(), 1u);
        const auto& bytes = decoded[i].message.varbinds[0].value.bytes;
        std::string text(bytes.begin(), bytes.end());
        if (i < 2) {
            EXPECT_NE(exchange.fromPorts[i], sim.port()) << i;
            EXPECT_EQ(text, "spoofed answer from another port");
        } else {
            EXPECT_EQ(exchange.fromPorts[i], sim.port());
            EXPECT_EQ(text, "NPI3F2A1C");
        }
    }
    EXPECT_NE(sim.command("stats").find(" spoofs=2"), std::string::npos);
    EXPECT_EQ(sim.command("reset"), "ok");
    EXPECT_EQ(simtest::RawGet(sim.port(), kSysName, 500).datagrams.size(), 1u);
}

TEST(SimControl, SetAndUnsetChangeTheServedData) {
    if (!simtest::HaveSnmpGet()) {
        GTEST_SKIP() << "net-snmp's snmpget is not installed";
    }
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const char status[] = ".1.3.6.1.4.1.11.2.3.9.1.1.3.0";
    EXPECT_EQ(sim.command(std::string("set ") + status + " 4 PAPER JAM in tray 2"), "ok");
    simtest::CommandResult result = SnmpGet(sim.target(), status);
    EXPECT_NE(result.output.find("STRING: \"PAPER JAM in tray 2\""), std::string::npos)
        << result.output;
    EXPECT_EQ(sim.command("set .1.3.6.1.2.1.43.16.5.1.2.1.3 4 Line three"), "ok");
    EXPECT_EQ(SnmpGet(sim.target(), ".1.3.6.1.2.1.43.16.5.1.2.1.3").status, 0);
    EXPECT_EQ(sim.command("set .1.3.6.1.2.1.43.11.1.1.8.1.1 66 70000"), "ok");
    result = SnmpGet(sim.target(), ".1.3.6.1.2.1.43.11.1.1.8.1.1");
    EXPECT_NE(result.output.find("Gauge32: 70000"), std::string::npos) << result.output;
    EXPECT_EQ(sim.command(std::string("unset ") + status), "ok");
    EXPECT_EQ(SnmpGet(sim.target(), status).status, 2);
    EXPECT_EQ(sim.command("set 1.3.6.1.2.1.1.5.0 2 many"),
              "error: INTEGER value 'many' is not "
              "a 32-bit signed number");
}

TEST(SimControl, LogRecordsEachRequest) {
    PrinterSimOptions options;
    options.log = true;
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    simtest::RawGet(sim.port(), kSysName, 500);
    simtest::RawGet(sim.port(), {1, 3, 6, 1, 2, 1, 1, 99, 0}, 500);
    simtest::RawGet(sim.port(), kSysName, 300, "nobody");
    sim.command("log off");
    simtest::RawGet(sim.port(), {1, 3, 6, 1, 2, 1, 1, 6, 0}, 500);
    sim.stop();
    std::string log = sim.logText();
    EXPECT_NE(log.find("community=orchid GET 1.3.6.1.2.1.1.5.0 -> STRING \"NPI3F2A1C\""),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("GET 1.3.6.1.2.1.1.99.0 -> noSuchName"), std::string::npos) << log;
    EXPECT_NE(log.find("community=nobody GET 1.3.6.1.2.1.1.5.0 -> unknown community"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("1.3.6.1.2.1.1.6.0"), std::string::npos) << log;
}

TEST(SimControl, LiveValuesMoveWhileItRuns) {
    PrinterSimOptions options;
    options.live = true;
    options.pageIntervalMs = 10;
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    auto integerOf = [&](const std::string& oid) {
        std::string reply = sim.command("get " + oid);
        return std::stoll(reply.substr(reply.rfind(' ') + 1));
    };
    const std::string life = "1.3.6.1.2.1.43.10.2.1.4.1.1";
    const std::string level = "1.3.6.1.2.1.43.11.1.1.9.1.1";
    long long lifeBefore = integerOf(life);
    const std::string uptime = "1.3.6.1.2.1.1.3.0";
    long long levelBefore = integerOf(level);
    long long uptimeBefore = integerOf(uptime);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_GT(integerOf(life), lifeBefore + 10);
    EXPECT_LT(integerOf(level), levelBefore);
    // Hundredths of a second: at least 0.3 s worth after sleeping 0.4 s.
    EXPECT_GE(integerOf(uptime) - uptimeBefore, 30);

    PrinterSim still;  // without --live nothing moves
    ASSERT_TRUE(still.ok()) << still.error();
    std::string before = still.command("get " + life);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(still.command("get " + life), before);
}

TEST(SimControl, UnknownCommandsAreRefused) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("frobnicate").rfind("error: ", 0), 0u);
    EXPECT_EQ(sim.command("delay forever").rfind("error: ", 0), 0u);
    EXPECT_EQ(sim.command("help").rfind("ok ", 0), 0u);
}

}  // namespace

// vellumark-printer-sim as a program: net-snmp's snmpget reads every type from it, missing
// objects and wrong communities behave as in a v1 agent, profiles are checked at start,
// signals end it cleanly and no datagram can take it down.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include "sim_test_util.h"
#include "tests/support/printer_sim.h"

namespace {

using simtest::RunShell;
using simtest::SnmpGet;

const char kAllTags[] =
    "# one object of every tag\n"
    "1.3.6.1.4.1.99.1.0|2|-3\n"
    "1.3.6.1.4.1.99.2.0|4|Ready\n"
    "1.3.6.1.4.1.99.3.0|4x|00ff41\n"
    "1.3.6.1.4.1.99.4.0|5|\n"
    "1.3.6.1.4.1.99.5.0|6|1.3.6.1.2.1.43\n"
    "1.3.6.1.4.1.99.6.0|64|192.168.1.10\n"
    "1.3.6.1.4.1.99.7.0|65|4294967295\n"
    "1.3.6.1.4.1.99.8.0|66|70000\n"
    "1.3.6.1.4.1.99.9.0|67|48211900\n"
    "1.3.6.1.4.1.99.10.0|68|op\n"
    "1.3.6.1.4.1.99.11.0|68x|410042\n";

#define REQUIRE_SNMPGET()                                      \
    if (!simtest::HaveSnmpGet()) {                             \
        GTEST_SKIP() << "net-snmp's snmpget is not installed"; \
    }

TEST(SimProgram, SnmpgetReadsEveryTypeWithItsValue) {
    REQUIRE_SNMPGET();
    PrinterSim sim(PrinterSim::Text(kAllTags));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::pair<const char*, const char*> cases[] = {
        {".1.3.6.1.4.1.99.1.0", "= INTEGER: -3"},
        {".1.3.6.1.4.1.99.2.0", "= STRING: \"Ready\""},
        {".1.3.6.1.4.1.99.3.0", "= Hex-STRING: 00 FF 41"},
        {".1.3.6.1.4.1.99.4.0", "= NULL"},
        {".1.3.6.1.4.1.99.5.0", "= OID: .1.3.6.1.2.1.43"},
        {".1.3.6.1.4.1.99.6.0", "= IpAddress: 192.168.1.10"},
        {".1.3.6.1.4.1.99.7.0", "= Counter32: 4294967295"},
        {".1.3.6.1.4.1.99.8.0", "= Gauge32: 70000"},
        {".1.3.6.1.4.1.99.9.0", "= Timeticks: (48211900)"},
        {".1.3.6.1.4.1.99.10.0", "= OPAQUE: 6F 70"},
        {".1.3.6.1.4.1.99.11.0", "= OPAQUE: 41 00 42"},
    };
    for (const auto& [oid, expected] : cases) {
        simtest::CommandResult result = SnmpGet(sim.target(), oid);
        EXPECT_EQ(result.status, 0) << oid << ": " << result.output;
        EXPECT_NE(result.output.find(std::string(oid) + " " + expected), std::string::npos)
            << result.output;
    }
}

TEST(SimProgram, MissingObjectIsNoSuchNameAndWrongCommunityGetsNoAnswer) {
    REQUIRE_SNMPGET();
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    simtest::CommandResult missing = SnmpGet(sim.target(), ".1.3.6.1.2.1.43.16.5.1.2.1.3");
    EXPECT_EQ(missing.status, 2) << missing.output;
    EXPECT_NE(missing.output.find("noSuchName"), std::string::npos) << missing.output;

    simtest::CommandResult wrong = SnmpGet(sim.target(), ".1.3.6.1.2.1.1.5.0", "public");
    EXPECT_EQ(wrong.status, 1) << wrong.output;
    EXPECT_NE(wrong.output.find("Timeout"), std::string::npos) << wrong.output;
    EXPECT_NE(sim.command("stats").find(" wrongCommunity=1 "), std::string::npos);
}

TEST(SimProgram, SnmpwalkWalksASubtreeWithGetNext) {
    REQUIRE_SNMPGET();
    PrinterSim sim(PrinterSim::Bundled("colour-laser"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    simtest::CommandResult walk = RunShell("snmpwalk -v1 -c orchid -On -t 0.3 -r 0 " +
                                           sim.target() + " .1.3.6.1.2.1.43.11.1.1.9");
    EXPECT_EQ(walk.status, 0) << walk.output;
    const char* levels[] = {".9.1.1 = INTEGER: 4210\n", ".9.1.2 = INTEGER: 1830\n",
                            ".9.1.3 = INTEGER: 2925\n", ".9.1.4 = INTEGER: 340\n"};
    std::size_t at = 0;
    for (const char* level : levels) {
        std::size_t found = walk.output.find(level, at);
        EXPECT_NE(found, std::string::npos) << level << " in order in:\n" << walk.output;
        at = found == std::string::npos ? at : found;
    }
}

TEST(SimProgram, ServesOneProfilePerCommunity) {
    REQUIRE_SNMPGET();
    PrinterSimOptions options = PrinterSim::Bundled("laser-mono");
    options.extraArgs = {"--profile", "public=colour-laser"};
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const char model[] = ".1.3.6.1.2.1.25.3.2.1.3.1";
    EXPECT_NE(SnmpGet(sim.target(), model).output.find("HP LaserJet Pro 4012dn"),
              std::string::npos);
    EXPECT_NE(SnmpGet(sim.target(), model, "public").output.find("Brother HL-L8360CDW"),
              std::string::npos);
    // Only the colour printer lacks the vendor status object.
    EXPECT_EQ(SnmpGet(sim.target(), ".1.3.6.1.4.1.11.2.3.9.1.1.3.0").status, 0);
    EXPECT_EQ(SnmpGet(sim.target(), ".1.3.6.1.4.1.11.2.3.9.1.1.3.0", "public").status, 2);
}

TEST(SimProgram, EveryBundledProfileStartsAndAnswersTheModel) {
    REQUIRE_SNMPGET();
    simtest::CommandResult list =
        RunShell("'" + PrinterSim::BinaryPath() + "' --list-profiles --profile-dir '" +
                 PrinterSim::ProfileDir() + "'");
    ASSERT_EQ(list.status, 0) << list.output;
    std::vector<std::string> names;
    for (std::size_t start = 0, end; (end = list.output.find('\n', start)) != std::string::npos;
         start = end + 1) {
        names.push_back(list.output.substr(start, end - start));
    }
    EXPECT_GE(names.size(), 3u) << list.output;
    for (const std::string& name : names) {
        PrinterSim sim(PrinterSim::Bundled(name));
        ASSERT_TRUE(sim.ok()) << name << ": " << sim.error();
        simtest::CommandResult model = SnmpGet(sim.target(), ".1.3.6.1.2.1.25.3.2.1.3.1");
        EXPECT_EQ(model.status, 0) << name << ": " << model.output;
    }
}

TEST(SimProgram, BadProfilesAreReportedWithFileAndLineAndNotServed) {
    std::string path = ::testing::TempDir() + "vm-sim-bad.snmprec";
    {
        std::ofstream out(path);
        out << "1.3.6.1.2.1.1.5.0|4|fine\n# comment\n1.3.6.1.2.1.1.7.0|2|seventy\n"
               "1.3.6.1.2.1.1.8.0|4\n";
    }
    simtest::CommandResult result = RunShell("'" + PrinterSim::BinaryPath() +
                                             "' --listen 127.0.0.1:0 --profile '" + path + "'");
    EXPECT_EQ(result.status, 2) << result.output;
    EXPECT_NE(result.output.find(path + ":3: "), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(path + ":4: "), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("listening on"), std::string::npos) << result.output;
    std::remove(path.c_str());

    simtest::CommandResult missing =
        RunShell("'" + PrinterSim::BinaryPath() + "' --profile no-such-printer --check");
    EXPECT_EQ(missing.status, 2) << missing.output;
    EXPECT_NE(missing.output.find("no-such-printer"), std::string::npos) << missing.output;

    PrinterSim failed(PrinterSim::Text("this is no profile\n"));
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find(":1: "), std::string::npos) << failed.error();
}

TEST(SimProgram, CommandLineMistakesAndHelp) {
    const std::string binary = "'" + PrinterSim::BinaryPath() + "'";
    simtest::CommandResult help = RunShell(binary + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--control"), std::string::npos);
    for (const char* args :
         {"--listen 127.0.0.1", "--listen localhost:161", "--listen", "--delay soon",
          "--error 1.3.6.1=fatal", "--frobnicate", "--live=yes", "--profile =laser-mono"}) {
        simtest::CommandResult result = RunShell(binary + " " + args + " --check");
        EXPECT_EQ(result.status, 2) << args << ": " << result.output;
    }
    PrinterSim first;
    ASSERT_TRUE(first.ok()) << first.error();
    simtest::CommandResult busy = RunShell(binary + " --listen " + first.target());
    EXPECT_EQ(busy.status, 1) << busy.output;
    EXPECT_NE(busy.output.find("cannot bind"), std::string::npos) << busy.output;
}

TEST(SimProgram, SigtermAndSigintExitWithStatusZero) {
    for (int number : {SIGTERM, SIGINT}) {
        PrinterSim sim;
        ASSERT_TRUE(sim.ok()) << sim.error();
        sim.signal(number);
        EXPECT_EQ(sim.waitExit(3000), 0) << "signal " << number;
    }
}

TEST(SimProgram, SurvivesMalformedDatagramsAndKeepsAnswering) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    ber::Message request;
    request.community = "orchid";
    request.varbinds.push_back({{1, 3, 6, 1, 2, 1, 1, 5, 0}, ber::Value{}});
    std::vector<std::uint8_t> good;
    ASSERT_EQ(ber::Encode(request, good), ber::Error::None);

    std::mt19937 random(20261206);
    std::vector<std::vector<std::uint8_t>> junk = {{},
                                                   {0x30},
                                                   {0x30, 0x80},
                                                   {0x30, 0x84, 0xff, 0xff, 0xff, 0xff},
                                                   std::vector<std::uint8_t>(60000, 0x30)};
    for (int i = 0; i < 300; ++i) {
        std::vector<std::uint8_t> mutated = good;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            mutated[random() % mutated.size()] = static_cast<std::uint8_t>(random());
        }
        if (random() % 3 == 0) {
            mutated.resize(random() % mutated.size());
        }
        junk.push_back(mutated);
    }
    // Loopback may deliver datagrams late and out of order when the machine is busy, so the
    // junk goes in batches and the test waits until the simulator has read each batch.
    auto seen = [&sim] {
        std::string stats = sim.command("stats");
        long long total = 0;
        for (const char* key : {" requests=", " malformed=", " wrongCommunity="}) {
            std::size_t at = stats.find(key);
            total +=
                at == std::string::npos ? 0 : std::atoll(stats.c_str() + at + std::strlen(key));
        }
        return total;
    };
    auto waitUntilSeen = [&](long long count) {
        for (int tries = 0; tries < 200 && seen() < count; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    for (std::size_t i = 0; i < junk.size(); ++i) {
        simtest::SendDatagram(sim.port(), junk[i]);
        if (i % 32 == 31) {
            waitUntilSeen(static_cast<long long>(i) + 1);
        }
    }
    waitUntilSeen(static_cast<long long>(junk.size()));
    ASSERT_EQ(sim.waitExit(0), -2) << "the simulator died";

    simtest::RawExchange exchange;
    for (int attempt = 0; attempt < 3 && exchange.datagrams.empty(); ++attempt) {
        exchange = simtest::RawGet(sim.port(), {1, 3, 6, 1, 2, 1, 1, 5, 0}, 1000);
    }
    // Answers to mutated requests that were still valid went to the sockets that sent them.
    ASSERT_EQ(exchange.datagrams.size(), 1u) << sim.command("stats");
    ber::Message answer;
    const auto& only = exchange.datagrams[0];
    ASSERT_EQ(ber::Decode(only.data(), only.size(), answer), ber::Error::None);
    EXPECT_EQ(answer.requestId, exchange.requestId);
    EXPECT_EQ(answer.errorStatus, 0);
    std::string stats = sim.command("stats");
    EXPECT_EQ(stats.find(" malformed=0 "), std::string::npos) << stats;
    EXPECT_EQ(sim.stop(), 0);
}

}  // namespace

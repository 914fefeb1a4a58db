// vellumark-printer-sim as a program on loopback, for what the event loop and main() add: the
// wire faults in the order a manager meets them, delayed answers, strangers ignored, live
// values moving, SIGTERM ending it with status 0; a fleet, a socket and a state per printer,
// each but the first varied; an installed binary reading the profiles installed beside it;
// net-snmp's snmpbulkwalk (v2c) and snmpwalk (v1) reading every bundled profile whole. And
// under abuse: the delay queue stays within its bytes and counts what it drops, control
// datagrams come only from loopback or the peers named, and the log passes on no byte a peer
// chose that could drive a terminal.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "snmp/oid.h"
#include "tests/sim/printers.h"
#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"
#include "tools/printer-sim/delay_queue.h"
#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/udp_socket.h"
#include "vellumark/version.h"

namespace {

const std::string SYS_NAME = "1.3.6.1.2.1.1.5.0";
// The name, the device status, and what the window shows of laser-mono: the vendor status, the
// two console lines it has, the page counters and the toner's capacity and level.
const std::string SHOWN = SYS_NAME +
                          " 1.3.6.1.2.1.25.3.2.1.5.1 1.3.6.1.4.1.11.2.3.9.1.1.3.0"
                          " 1.3.6.1.2.1.43.16.5.1.2.1.1 1.3.6.1.2.1.43.16.5.1.2.1.2"
                          " 1.3.6.1.2.1.43.10.2.1.4.1.1 1.3.6.1.2.1.43.10.2.1.5.1.1"
                          " 1.3.6.1.2.1.43.11.1.1.8.1.1 1.3.6.1.2.1.43.11.1.1.9.1.1";
const std::string NAME = R"(STRING "NPI3F2A1C")";  // laser-mono's sysName, as Get shows it

// Sends `request` (as sim::Request reads it) to `target` ("127.0.0.N:PORT") and describes each
// datagram that comes back, from any port, until the answer or `windowMs` (0: send only):
// "other " when not from the agent's port, then "noise" (no SNMP), "stray" (another request
// id) or the values as DescribeValue shows them. The answer, from the agent's port, comes last.
std::vector<std::string> Get(const std::string& target, const std::string& request,
                             int windowMs = 500) {
    std::vector<std::uint8_t> bytes = sim::Request(request);
    net::Endpoint agent;
    net::Endpoint from = net::IPv4Endpoint(127, 0, 0, 1, 0);
    std::string error;
    sim::ParseEndpoint(target, agent);
    const int fd = sim::OpenUdp(from, error);
    sim::SendTo(fd, agent, bytes.data(), bytes.size());
    std::vector<std::string> got;
    bool answered = false;
    pollfd wait{fd, POLLIN, 0};
    bytes.resize(ber::MAX_MESSAGE_BYTES);
    while (!answered && windowMs > 0 && poll(&wait, 1, windowMs) == 1) {
        const long n = sim::ReceiveFrom(fd, bytes.data(), bytes.size(), from);
        ber::Message message;
        std::string& shown = got.emplace_back(from.port == agent.port ? "" : "other ");
        if (n <= 0 ||
            ber::Decode(bytes.data(), static_cast<std::size_t>(n), message) != ber::Error::None) {
            shown += "noise";
        } else if (message.requestId != sim::REQUEST_ID) {
            shown += "stray";
        } else {
            for (const ber::VarBind& binding : message.varbinds) {
                shown += (&binding == message.varbinds.data() ? "" : " ") +
                         sim::DescribeValue(binding.value);
            }
            answered = from.port == agent.port;
        }
    }
    sim::Close(fd);
    return got;
}

// The number after "NAME=" in a stats reply, -1 when absent.
long long Stat(const std::string& stats, const std::string& name) {
    const std::size_t at = stats.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::stoll(stats.substr(at + name.size() + 2));
}

TEST(SimProgram, SpoofsThenStraysThenTheAnswerOrLaterWithADelay) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    ASSERT_EQ(sim.exchange("spoof 2\nstray 3\n"), "ok\nok\n");
    // Two forged from another port with the right id, then from the agent's port strays with
    // another id alternating with no SNMP at all, then the answer.
    const std::string spoof = "other STRING \"" + std::string(sim::SPOOF_TEXT) + "\"";
    EXPECT_EQ(Get(sim.target(), "v1 get " + SYS_NAME),
              (std::vector<std::string>{spoof, spoof, "stray", "noise", "stray", NAME}));
    // A community no profile serves gets no answer at all, as agents do.
    EXPECT_TRUE(Get(sim.target(), "public v1 get " + SYS_NAME, 300).empty());
    ASSERT_EQ(sim.exchange("reset\ndelay 300\n"), "ok\nok\n");
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(Get(sim.target(), "v1 get " + SYS_NAME, 3000), std::vector<std::string>{NAME});
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(280));
    EXPECT_EQ(sim.stop(), 0);  // SIGTERM
}

TEST(SimProgram, LiveValuesMoveWithTheClock) {
    PrinterSim sim({.extraArgs = {"--live", "--page-interval", "10"}});
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string pages = "get 1.3.6.1.2.1.43.10.2.1.4.1.1";
    const std::string uptime = "get 1.3.6.1.2.1.1.3.0";
    const std::string pages0 = sim.command(pages);
    const std::string uptime0 = sim.command(uptime);
    bool moved = false;
    for (int wait = 0; wait < 300 && !moved; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        moved = sim.command(pages) != pages0 && sim.command(uptime) != uptime0;
    }
    EXPECT_TRUE(moved) << pages0 << ", " << uptime0;
}

TEST(SimProgram, AnInstalledBinaryReadsTheProfilesInstalledBesideIt) {
    namespace fs = std::filesystem;
    const fs::path prefix = fs::temp_directory_path() / ("vm-sim-" + std::to_string(getpid()));
    fs::create_directories(prefix / "share/vellumark/profiles");
    fs::create_directories(prefix / "bin");
    fs::copy_file(VM_PRINTER_SIM_PATH, prefix / "bin/vellumark-printer-sim");
    std::ofstream(prefix / "share/vellumark/profiles/only-installed.snmprec") << "1.1.0|4|x\n";
    const std::string binary = (prefix / "bin/vellumark-printer-sim").string();
    EXPECT_EQ(RunCommand(binary + " --list-profiles").second, "only-installed\n");
    // A name that is neither a file nor bundled: the bundled names, to pick from.
    const auto [status, output] = RunCommand(binary + " --profile only-instaled --check 2>&1");
    EXPECT_EQ(status, 2);
    EXPECT_NE(output.find("no profile 'only-instaled'"), std::string::npos) << output;
    EXPECT_NE(output.find("; bundled: only-installed\n"), std::string::npos) << output;
    EXPECT_EQ(RunCommand(binary + " --version"),
              std::make_pair(0, std::string("vellumark-printer-sim " VELLUMARK_VERSION "\n")));
    fs::remove_all(prefix);
}

TEST(SimFleet, EachPrinterAnswersOnItsOwnSocketFromItsOwnState) {
    for (const std::string spread : {"ports", "addresses"}) {
        PrinterSim sim({.extraArgs = {"--fleet", "3", "--fleet-by", spread}});
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_EQ(sim.exchange("printer 1 silence on\nprinter 2 jam\n"), "ok\nok\n");
        const std::string port = std::to_string(sim.port());
        // Printer 0 as loaded; the others' names, counters and levels (within the capacity)
        // varied by their index; printer 2 jammed.
        const std::vector<std::string> expected[] = {
            {NAME + R"( INTEGER 2 STRING "READY" STRING "Ready" STRING "Tray 2: Letter" )"
                    "Counter32 48213 Counter32 212 INTEGER 100 INTEGER 62"},
            {},
            {R"(STRING "NPI3F2A1C-0002" INTEGER 5 STRING "PAPER JAM" STRING "PAPER JAM" )"
             R"(STRING "" Counter32 64051 Counter32 274 INTEGER 100 INTEGER 35)"}};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(sim.target(i), spread == "ports"
                                         ? "127.0.0.1:" + std::to_string(sim.port() + i)
                                         : "127.0.0." + std::to_string(i + 1) + ":" + port);
            EXPECT_EQ(Get(sim.target(i), "v1 get " + SHOWN, 300), expected[i])
                << spread << " " << i;
        }
        EXPECT_EQ(sim.command("printer 1 stats").rfind("ok requests=1 answered=0 silenced=1", 0),
                  0u);
    }
}

TEST(SimInterop, NetSnmpWalksEveryBundledProfileWholeOverV2cBulkAndV1) {
    if (RunCommand("command -v snmpbulkwalk && command -v snmpwalk").first != 0) {
        GTEST_SKIP() << "net-snmp's snmpbulkwalk/snmpwalk are missing: install the Debian "
                        "package snmp (scripts/install-deps.sh does)";
    }
    for (const std::string& name : sim::ListProfiles(VM_SIM_PROFILE_DIR)) {
        PrinterSim sim({.profile = name});
        ASSERT_TRUE(sim.ok()) << sim.error();
        const sim::SimState loaded = sim::Loaded(name);
        std::string wanted;
        for (const auto& [oid, value] : loaded.printers[0].profiles[0].objects) {
            wanted += snmp::FormatOid(oid) + "\n";
        }
        // net-snmp's default repetitions, many, and v1's GETNEXT.
        for (const char* walk :
             {"snmpbulkwalk -v2c -Cr10", "snmpbulkwalk -v2c -Cr200", "snmpwalk -v1"}) {
            auto [status, output] =
                RunCommand(std::string(walk) + " -m '' -Oe -c orchid -On -t 2 -r 1 " +
                           sim.target() + " .1 2>&1");
            EXPECT_EQ(status, 0) << walk << " " << name << ":\n" << output;
            // The OIDs printed: not continuation lines of long hex strings, nor the end.
            std::istringstream lines(output);
            std::string walked;
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind(".1.", 0) == 0 && line.find("No more variables") == line.npos) {
                    walked += line.substr(1, line.find(" = ") - 1) + "\n";
                }
            }
            EXPECT_EQ(walked, wanted) << walk << " " << name << ":\n" << output;
        }
    }
}

TEST(SimHardening, DelayQueueIsCappedInBytesAndCountsItsDrops) {
    PrinterSim sim({.extraArgs = {"--delay", "600000", "--spoof", "100", "--stray", "100"}});
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Each answer holds 90 copies of a 640-byte text: about 64 KB, kept until it falls due.
    ASSERT_EQ(sim.command("set 1.3.6.1.4.1.99.1.0 4 " + std::string(640, 'x')), "ok");
    std::string get = "v1 get";
    for (int i = 0; i < 90; ++i) {
        get += " 1.3.6.1.4.1.99.1.0";
    }
    constexpr int REQUESTS = 320;
    for (int sent = 0; sent < REQUESTS;) {
        for (int i = 0; i < 20; ++i, ++sent) {
            Get(sim.target(), get, 0);
        }
        // Paced so that no request is lost in the socket's buffer.
        for (int wait = 0; wait < 500 && Stat(sim.command("stats"), "requests") < sent; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    const std::string stats = sim.command("stats");
    const auto cap = static_cast<long long>(sim::MAX_QUEUE_BYTES);
    EXPECT_EQ(Stat(stats, "requests"), REQUESTS) << stats;
    // Every answer held or counted as dropped; held, they come near the cap (more would not fit).
    EXPECT_EQ(Stat(stats, "queueDropped") + Stat(stats, "queued"), REQUESTS) << stats;
    EXPECT_LE(Stat(stats, "queueBytes"), cap) << stats;
    EXPECT_GT(Stat(stats, "queueBytes"), cap * 9 / 10) << stats;
}

TEST(SimHardening, ControlDatagramsComeFromLoopbackOrTheNamedPeersOnly) {
    PrinterSim open;  // without a list: any loopback address
    ASSERT_TRUE(open.ok()) << open.error();
    EXPECT_EQ(open.exchange("printers\n", "127.0.0.2"), "ok 1\n");
    PrinterSim sim({.extraArgs = {"--control-allow", "127.0.0.2", "--control-allow", "127.0.0.5"}});
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Refused: no reply, nothing done (the printer still answers), counted.
    EXPECT_EQ(sim.exchange("silence on\n", "127.0.0.1"), "");
    EXPECT_EQ(Get(sim.target(), "v1 get " + SYS_NAME), std::vector<std::string>{NAME});
    EXPECT_EQ(sim.exchange("printers\n", "127.0.0.5"), "ok 1\n");
    EXPECT_EQ(Stat(sim.exchange("stats\n", "127.0.0.2"), "controlRefused"), 1);
}

TEST(SimHardening, TheLogEscapesWhatPeersSend) {
    PrinterSim sim({.log = true});
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("\x1b]0;owned\x07\x1b[2J").rfind("error: unknown command", 0), 0u);
    Get(sim.target(), "orc\x1b[Khid\x9b v1 get " + SYS_NAME, 0);    // unknown: logged, not answered
    ASSERT_FALSE(Get(sim.target(), "v1 get " + SYS_NAME).empty());  // so the stranger was logged
    const std::string log = sim.logText();
    for (const char* expected : {"control: \\x1b]0;owned\\x07\\x1b[2J -> error: unknown command",
                                 "community=orc\\x1b[Khid\\x9b"}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected << " in\n" << log;
    }
    for (unsigned char c : log) {
        EXPECT_TRUE((c >= 0x20 && c < 0x7f) || c == '\n') << static_cast<int>(c);
    }
}

}  // namespace

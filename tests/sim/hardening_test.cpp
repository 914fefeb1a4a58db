// The simulator under abuse, as a running program: the delay queue stays within its bytes and
// counts what it drops, control datagrams come only from loopback or the peers named, the log
// never passes control bytes on, an installed binary reads its own profiles, and --version
// answers like the other programs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/sim/wire.h"
#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"
#include "tools/printer-sim/delay_queue.h"
#include "vellumark/version.h"

namespace {

using simtest::Exchange;
using simtest::Request;

const std::vector<std::uint32_t> SYS_NAME = {1, 3, 6, 1, 2, 1, 1, 5, 0};

// The number after "NAME=" in a stats reply, -1 when absent.
long long Stat(const std::string& stats, const std::string& name) {
    std::size_t at = stats.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::stoll(stats.substr(at + name.size() + 2));
}

TEST(SimHardening, DelayQueueIsCappedInBytesAndCountsItsDrops) {
    PrinterSimOptions options;
    options.extraArgs = {"--delay", "600000", "--spoof", "100", "--stray", "100"};
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Each answer holds 90 copies of a 640-byte text: about 64 KB, kept until it falls due.
    ASSERT_EQ(sim.command("set 1.3.6.1.4.1.99.1.0 4 " + std::string(640, 'x')), "ok");
    std::vector<std::vector<std::uint32_t>> names(90, {1, 3, 6, 1, 4, 1, 99, 1, 0});
    constexpr int REQUESTS = 320;
    for (int sent = 0; sent < REQUESTS;) {
        for (int i = 0; i < 20; ++i, ++sent) {
            Exchange(Request(names), sim.port(), 0);
        }
        // Paced so that no request is lost in the socket's buffer.
        for (int wait = 0; wait < 500 && Stat(sim.command("stats"), "requests") < sent; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    std::string stats = sim.command("stats");
    EXPECT_EQ(Stat(stats, "requests"), REQUESTS) << stats;
    EXPECT_GT(Stat(stats, "queueDropped"), 0) << stats;
    EXPECT_EQ(Stat(stats, "queueDropped") + Stat(stats, "queued"), REQUESTS) << stats;
    EXPECT_LE(Stat(stats, "queueBytes"), static_cast<long long>(sim::MAX_QUEUE_BYTES)) << stats;
    EXPECT_GT(Stat(stats, "queueBytes"), static_cast<long long>(sim::MAX_QUEUE_BYTES) * 9 / 10);
    EXPECT_EQ(Stat(stats, "answered"), 0) << stats;
}

TEST(SimHardening, ControlDatagramsComeFromLoopbackOrTheNamedPeersOnly) {
    const struct {
        std::vector<std::string> allow;
        const char* from;
        bool answered;
    } cases[] = {
        {{}, "127.0.0.1", true},
        {{}, "127.0.0.3", true},  // any loopback address
        {{"127.0.0.2"}, "127.0.0.1", false},
        {{"127.0.0.2"}, "127.0.0.2", true},
        {{"127.0.0.2", "127.0.0.5"}, "127.0.0.5", true},
    };
    for (const auto& c : cases) {
        PrinterSimOptions options;
        for (const std::string& peer : c.allow) {
            options.extraArgs.insert(options.extraArgs.end(), {"--control-allow", peer});
        }
        PrinterSim sim(options);
        ASSERT_TRUE(sim.ok()) << sim.error();
        std::string reply = sim.exchange("silence on\nstats\n", c.from);
        EXPECT_EQ(!reply.empty(), c.answered) << c.from << ": " << reply;
        // A refused datagram changes nothing: the printer still answers.
        EXPECT_EQ(Exchange(Request({SYS_NAME}), sim.port()).has_value(), !c.answered) << c.from;
        if (c.answered) {
            EXPECT_EQ(reply.rfind("ok\nok requests=0 ", 0), 0u) << reply;
        } else {
            std::string stats = sim.exchange("stats\n", c.allow[0].c_str());
            EXPECT_EQ(Stat(stats, "controlRefused"), 1) << stats;
        }
    }
}

TEST(SimHardening, TheLogEscapesWhatPeersSend) {
    PrinterSimOptions options;
    options.log = true;
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    EXPECT_EQ(sim.command("\x1b]0;owned\x07\x1b[2J").rfind("error: unknown command", 0), 0u);
    EXPECT_EQ(sim.command("set 1.3.6.1.2.1.1.5.0 4 \x1b[31mred\x9b"), "ok");
    ber::Message request = Request({SYS_NAME});
    request.community = "orc\x1b[Khid";
    Exchange(request, sim.port(), 100);  // unknown community: logged, not answered
    Exchange(Request({SYS_NAME}), sim.port());
    std::string log;
    for (int wait = 0; wait < 100 && log.find("community=orchid") == std::string::npos; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        log = sim.logText();
    }
    for (const char* expected : {"control: \\x1b]0;owned\\x07\\x1b[2J -> error: unknown command "
                                 "'\\x1b]0;owned\\x07\\x1b[2J'",
                                 "community=orc\\x1b[Khid", "\\x1b[31mred\\x9b"}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected << " in\n" << log;
    }
    for (unsigned char c : log) {
        EXPECT_TRUE((c >= 0x20 && c < 0x7f) || c == '\n') << static_cast<int>(c);
    }
}

TEST(SimProgramText, VersionAndInstalledProfilesBesideTheBinary) {
    auto [status, version] = RunCommand(PrinterSim::BinaryPath() + " --version");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(version, std::string("vellumark-printer-sim ") + VELLUMARK_VERSION + "\n");

    // An installed layout: PREFIX/bin/the binary, PREFIX/share/vellumark/profiles.
    namespace fs = std::filesystem;
    const fs::path prefix =
        fs::temp_directory_path() / ("vm-sim-install-" + std::to_string(getpid()));
    fs::create_directories(prefix / "bin");
    fs::copy_file(PrinterSim::BinaryPath(), prefix / "bin" / "vellumark-printer-sim");
    const fs::path installed = prefix / "share" / "vellumark" / "profiles";
    const std::string binary = (prefix / "bin" / "vellumark-printer-sim").string();
    const struct {
        bool withShare;
        std::string listed;
    } cases[] = {
        {true, "only-installed\n"},
        {false,
         RunCommand("ls " + PrinterSim::ProfileDir() + " | sed -n 's/\\.snmprec$//p'").second},
    };
    for (const auto& c : cases) {
        fs::remove_all(prefix / "share");
        if (c.withShare) {
            fs::create_directories(installed);
            std::ofstream(installed / "only-installed.snmprec") << "1.3.6.1.2.1.1.5.0|4|x\n";
        }
        EXPECT_EQ(RunCommand(binary + " --list-profiles").second, c.listed) << c.withShare;
        EXPECT_EQ(RunCommand(binary + " --check --profile only-installed 2>/dev/null").first,
                  c.withShare ? 0 : 2);
    }
    fs::remove_all(prefix);
}

}  // namespace

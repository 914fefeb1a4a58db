// vellumark-term's details view and notifications end to end: the program in a tmux terminal
// of the test's own against the simulated colour printer, its condition read every 10 s. The
// details key shows every supply with its level, a jam set on the simulator's control channel
// is announced once, its clearing once more, and the one-shot output is what it was. Over
// SNMPv3, the reading options of --once read the details view too.
#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"
#include "tests/term/tmux_session.h"

namespace {

const std::string TERM = VM_TERM_PATH;  // a build path: no characters a shell would act on

// The screen's lines that are exactly `line`.
int CountLines(const std::string& screen, const std::string& line) {
    std::istringstream lines(screen);
    int count = 0;
    for (std::string shown; std::getline(lines, shown);) {
        count += shown.substr(0, shown.find_last_not_of(' ') + 1) == line ? 1 : 0;
    }
    return count;
}

// The screen's line that holds `text`, without its trailing blanks; "" when none does.
std::string LineWith(const std::string& screen, const std::string& text) {
    const std::size_t at = screen.find(text);
    if (at == std::string::npos) {
        return "";
    }
    const std::size_t start = screen.rfind('\n', at) + 1;  // npos + 1 is 0: the first line
    const std::string line = screen.substr(start, screen.find('\n', at) - start);
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

TEST(TermDetails, SuppliesThenAJamAnnouncedOnceAndItsClearing) {
    PrinterSim sim(PrinterSim::Bundled("colour-laser"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string target = sim.target();

    // The one-shot output does not change with the live window's options.
    const auto once = [&](const std::string& options) {
        return RunCommand("timeout -s KILL 20 " + TERM + " --once " + options + target +
                          " </dev/null 2>&1");
    };
    const auto plain = once("");
    EXPECT_EQ(plain.first, 0) << plain.second;
    EXPECT_EQ(once("--condition-every 10 --no-notify --bell ").second, plain.second);
    EXPECT_EQ(plain.second.find("! "), std::string::npos) << plain.second;

    const Tmux term;
    ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
    term.Type(TERM + " --condition-every 10 --bell " + target);
    const std::string statusKeys = "Keys: h Hide  d Details  m Menu  q Exit";
    ASSERT_TRUE(term.WaitFor(statusKeys)) << term.Screen();

    // The details over the status window: each supply's name and level in words on its row,
    // once the reading that opening it starts has ended.
    term.Keys("d");
    ASSERT_TRUE(term.WaitFor("Read at ")) << term.Screen();
    const std::string details = term.Screen();
    EXPECT_EQ(details.rfind("== Printer Details ==\n", 0), 0u) << details;
    const struct {
        const char* name;
        std::string supply;
        std::string level;  // how its row ends: the bar, then the level in words
    } supplies[] = {
        {"black", "Black Toner Cartridge TN-436BK", "]  64.8%"},
        {"cyan", "Cyan Toner Cartridge TN-436C", "]  28.2%"},
        {"magenta", "Magenta Toner Cartridge TN-436M", "]  45%"},
        {"yellow, low", "Yellow Toner Cartridge TN-436Y", "]  5.2%"},
        {"the waste box, as room used", "Waste Toner Box WT-229CL", "]  22.8% full"},
    };
    for (const auto& row : supplies) {
        EXPECT_TRUE(LineWith(details, row.supply).ends_with(row.level)) << row.name << "\n"
                                                                        << details;
    }
    EXPECT_TRUE(term.Drawn().ends_with("\nKeys: c/Esc Close")) << details;

    // Esc: the status window again, still polled.
    term.Keys("Escape");
    ASSERT_TRUE(term.WaitFor(statusKeys)) << term.Screen();
    EXPECT_EQ(term.Screen().find("Printer Details"), std::string::npos) << term.Screen();

    // A jam: one line names it, at the next reading. It goes after its time on show and is not
    // said again while the printer stays jammed.
    const std::string jam = "! Paper jam";
    ASSERT_EQ(sim.command("jam"), "ok");
    ASSERT_TRUE(term.WaitFor(jam, 25000)) << term.Screen();
    EXPECT_EQ(CountLines(term.Screen(), jam), 1) << term.Screen();
    bool gone = false;
    for (int waited = 0; !gone && waited < 15000; waited += 100) {
        gone = term.Screen().find(jam) == std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(gone) << term.Screen();

    // Cleared: one line says so; the jam is not announced again meanwhile.
    ASSERT_EQ(sim.command("clear"), "ok");
    const std::string cleared = "! Cleared: paper jam";
    bool said = false, again = false;
    for (int waited = 0; !said && waited < 25000; waited += 100) {
        const std::string screen = term.Screen();
        said = CountLines(screen, cleared) == 1;
        again = again || screen.find(jam + "\n") != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(said) << term.Screen();
    EXPECT_FALSE(again) << "the jam was announced twice";

    term.Keys("q");
    ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
}

// --snmp-version and SNMPv3's options set the live window's reading as they set --once's: the
// passwords from the environment and a file reach the details view, which reads the printer's
// supplies with the right ones and shows the agent's refusal of a wrong one.
TEST(TermDetails, TheDetailsViewOverSnmpV3) {
    PrinterSimOptions printer = PrinterSim::Bundled("colour-laser");
    printer.extraArgs = {"--v3-user", "lab:authPriv:SHA-256:umber-auth:AES:umber-priv"};
    PrinterSim sim(printer);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string privFile = "/tmp/vm-term-details-priv." + std::to_string(getpid());
    std::ofstream(privFile) << "umber-priv\n";

    const struct {
        const char* name;
        const char* authPassword;
        std::string shown;  // what the details view shows once read
    } rows[] = {
        {"the printer's user", "umber-auth", "Yellow Toner Cartridge TN-436Y"},
        {"a wrong authentication password", "umber-wrong",
         "authentication failed (wrong password or protocol)"},
    };
    const Tmux term;
    ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        term.Type(std::string("VELLUMARK_AUTH_PASSWORD=") + row.authPassword + " " + TERM +
                  " --snmp-version 3 -u lab -l authPriv -a SHA-256 -x AES --priv-password-file " +
                  privFile + " " + sim.target());
        ASSERT_TRUE(term.WaitFor("Keys: h Hide  d Details  m Menu  q Exit")) << term.Screen();
        term.Keys("d");
        EXPECT_TRUE(term.WaitFor(row.shown, 15000)) << term.Screen();
        term.Keys("Escape");
        term.Keys("q");
        ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
        term.Type("clear");
    }
    unlink(privFile.c_str());
}

}  // namespace

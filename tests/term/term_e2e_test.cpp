// vellumark-term end to end against vellumark-printer-sim on loopback: once mode's text and
// JSON with the exit status, the reason and the printer's condition, usage errors, a printer's
// bytes on the way to the terminal, and the interactive program in a tmux terminal of the
// test's own (full screen, resize, the entry, Ctrl-C).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"
#include "tests/term/tmux_session.h"

namespace {

const std::string TERM = VM_TERM_PATH;  // a build path: no characters a shell would act on

struct Outcome {
    std::string out;
    std::string err;
    int status = -1;
};

// The program without a terminal, killed after 20 s should it hang.
Outcome RunTerm(const std::string& arguments) {
    const std::string errPath = "/tmp/vm-term-err." + std::to_string(getpid());
    Outcome run;
    std::tie(run.status, run.out) =
        RunCommand("timeout -s KILL 20 " + TERM + " " + arguments + " </dev/null 2>" + errPath);
    std::ifstream err(errPath);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    unlink(errPath.c_str());
    return run;
}

TEST(TermOnce, TextJsonExitStatusReasonAndCondition) {
    PrinterSimOptions jammed = PrinterSim::Bundled("colour-laser");
    jammed.community = "lab";
    jammed.extraArgs = {"--jam"};
    jammed.log = true;
    PrinterSim sim(jammed);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string target = sim.target(), printer = target + " lab", a64(64, 'a');
    const std::string model = "Brother HL-L8360CDW series Monitor";
    const std::string tooLong = "vellumark-term: the target is longer than 63 characters\n";
    struct Case {
        const char* name;
        bool silent;            // the printer answers nothing
        std::string arguments;  // after the program's name
        int exitCode;
        bool v2c;            // the condition was read with SNMPv2c
        std::string output;  // what the output holds
        std::string err;     // stderr (for a usage error, its start)
    };
    const Case cases[] = {
        {"the window and the condition as JSON, over v2c", false,
         "--json --snmp-version 2c " + printer, 0, true,
         R"({"schema_version":1,"title":")" + model + R"(","label":"Primary Status:","primary":")" +
             target +
             R"(","secondary":["PAPER JAM"],"toner":{"min":0,"max":6500,"pos":4210,)"
             R"("percent":64},"page_count":"11872","power_on_count":"37","update_target":false,)"
             R"("tray":{"icon":"online","tip":")" +
             model + R"("},"state":"ok","target":")" + target +
             R"(","visible":true,"condition":{"health":"critical","reasons":["jammed",)",
         ""},
        {"the once block", false, "--once " + printer, 0, false,
         "\n               Tray: online - " + model + "\nCondition: critical (jammed, ", ""},
        // Unreachable: the window and the reading say why, with the options' time-out.
        {"unreachable", true, "--json --timeout 100 --retries 0 " + printer, 3, false,
         R"("label":"Unreachable:","primary":")" + target +
             R"(","secondary":[],"toner":{"min":0,"max":30000,"pos":0,"percent":null},)"
             R"("page_count":"","power_on_count":"","update_target":true,"tray":{"icon":"offline",)"
             R"("tip":"Quillfen - Printer Monitor"},"state":"unreachable","reason":"timeout",)"
             R"("target":")" +
             target +
             R"j(","visible":true,"condition":{"health":"unreachable","reasons":["no answer (host )j"
             R"j(down, filtered, or wrong community)"],"complete":false,"error":"no answer )j"
             R"j((host down, filtered, or wrong community)","device_status":null,)j"
             R"j("printer_status":null,"errors":null,"serial":null,"model":null,"name":null,)j"
             R"j("location":null,"page_count":null,"power_on_count":null,"supplies":[])j",
         ""},
        // After "--" any text is the target; one too long is never cut into another agent's
        // address: nothing is sent.
        {"a target too long", false, "--json -- -" + a64, 3, false,
         R"("reason":"target-too-long","target":"-)" + a64 + "\"", tooLong},
        {"a community too long", false, "--json " + printer + a64, 3, false,
         R"("reason":"community-too-long","target":")" + target + "\"",
         "vellumark-term: the community is longer than 63 characters\n"},
        // A usage error as the program says it (which arguments are wrong: term_input_test).
        {"a usage error", false, "--bogus " + printer, 2, false, "",
         "vellumark-term: unknown option"},
    };
    for (const auto& [name, silent, arguments, exitCode, v2c, output, err] : cases) {
        SCOPED_TRACE(name);
        ASSERT_EQ(sim.command(silent ? "silence on" : "silence off"), "ok");
        const std::size_t logged = sim.logText().size();
        const Outcome run = RunTerm(arguments);
        EXPECT_EQ(run.status, exitCode) << arguments;
        EXPECT_NE(run.out.find(output), std::string::npos) << output << "\nin " << run.out;
        if (exitCode == 2) {  // a usage error: no output, and the usage
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err.rfind(err, 0), 0u) << run.err;
            EXPECT_NE(run.err.find("Usage: vellumark-term "), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, err) << arguments;
        }
        EXPECT_EQ(sim.logText().find(" v2c GET", logged) != std::string::npos, v2c) << arguments;
    }
}

// IPv6: the window and the condition reading over UDP6 and ICMPv6 to a printer on ::1, its
// target in brackets with a port as the simulator prints it; a port that cannot be is a usage
// error that names it, whatever the form.
TEST(TermOnce, IPv6TargetsAndBadPorts) {
    PrinterSim sim({.address = "[::1]"});
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string target = sim.target();
    ASSERT_EQ(target.rfind("[::1]:", 0), 0u) << target;
    const std::string title = R"("title":"HP LaserJet Pro 4012dn Monitor")";
    const struct {
        const char* name;
        std::string arguments;
        int status;
        std::string out;  // held by stdout
        std::string err;  // stderr starts with it
    } cases[] = {
        {"the window over IPv6", "--json " + target, 0,
         title + R"(,"label":"Primary Status:","primary":"READY")", ""},
        {"the condition over IPv6", "--json " + target, 0,
         R"("state":"ok","target":")" + target +
             R"(","visible":true,"condition":{"health":"ok","reasons":[],"complete":true,)",
         ""},
        {"the text view", "--once " + target, 0, "Condition: ok", ""},
        {"port above the range", "--once [::1]:65536", 2, "",
         "vellumark-term: port '65536' of target '[::1]:65536' is not a number from 1 to 65535"},
        {"port not a number", "--json 127.0.0.1:snmp orchid", 2, "",
         "vellumark-term: port 'snmp' of target '127.0.0.1:snmp' is not a number from 1 to "
         "65535"},
        {"port 0, interactive too", "printer.example:0", 2, "",
         "vellumark-term: port '0' of target 'printer.example:0'"},
        // Colons without brackets: an IPv6 literal or a target that does not resolve.
        {"not an IPv6 literal", "--json fe80::g", 3, R"("reason":"not-resolved")", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome run = RunTerm(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.out << "\nin " << run.out;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
        if (c.status == 2) {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("Usage: vellumark-term "), std::string::npos) << run.err;
        }
    }
}

// A bare IPv6 address takes the default port 161: served in a network namespace of the test's
// own (as root), where binding ::1 port 161 collides with nothing on the machine.
TEST(TermOnce, ABareIPv6AddressIsPolledOnPort161) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "a network namespace needs root";
    }
    const std::string base = "/tmp/vm-term-sim161." + std::to_string(getpid());
    std::ofstream(base + ".sh") << "ip link set lo up || exit 77\n"
                                << VM_PRINTER_SIM_PATH " --listen '[::1]:161' >" << base
                                << ".out 2>&1 &\n"
                                << "for i in $(seq 50); do grep -q 'listening on' " << base
                                << ".out && break; sleep 0.1; done\n"
                                << TERM
                                << " --json ::1 </dev/null; status=$?\nkill $!\nexit $status\n";
    const auto [status, json] = RunCommand("unshare -n sh " + base + ".sh");
    unlink((base + ".sh").c_str());
    unlink((base + ".out").c_str());
    if (status == 77) {
        GTEST_SKIP() << "no network namespace here";
    }
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find(R"("title":"HP LaserJet Pro 4012dn Monitor")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("state":"ok","target":"::1")"), std::string::npos) << json;
}

// SNMPv3 in net-snmp's letters reads the condition SNMPv2c reads, the privacy password from a
// file, on a printer that answers no community the window would send: the window's SNMPv1 is
// left out. A wrong authentication password gives the agent's refusal as the reason, at once.
TEST(TermOnce, ReadsTheConditionOverSnmpV3) {
    PrinterSimOptions options = PrinterSim::Bundled("colour-laser");
    options.community = "ochre";
    options.extraArgs = {"--v3-user", "lab:authPriv:SHA-256:umber-auth:AES:umber-priv"};
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string privFile = "/tmp/vm-term-priv." + std::to_string(getpid());
    std::ofstream(privFile) << "umber-priv\n";
    const auto conditionOf = [](const std::string& out) {
        const std::size_t at = out.find("\"condition\":");
        return at == std::string::npos ? std::string("none in " + out) : out.substr(at);
    };
    const Outcome v2c = RunTerm("--json --snmp-version 2c " + sim.target() + " ochre");
    const Outcome v3 = RunTerm(
        "--json --snmp-version 3 -u lab -l authPriv -a SHA-256 -A umber-auth "
        "-x AES --priv-password-file " +
        privFile + " " + sim.target());
    const Outcome wrong = RunTerm(
        "--json --snmp-version 3 --user lab --security-level authPriv "
        "--auth-protocol SHA256 --auth-password umber-wrong "
        "--priv-protocol AES128 --priv-password-file " +
        privFile + " " + sim.target());
    const Outcome text = RunTerm(
        "--once --snmp-version 3 -u lab -l authPriv -a SHA-256 -A "
        "umber-auth -x AES --priv-password-file " +
        privFile + " " + sim.target());
    unlink(privFile.c_str());
    EXPECT_EQ(v3.status, 0) << v3.err;
    EXPECT_NE(conditionOf(v2c.out).find("\"complete\":true"), std::string::npos) << v2c.out;
    EXPECT_EQ(conditionOf(v3.out), conditionOf(v2c.out));
    EXPECT_EQ(v3.out.find("\"state\""), std::string::npos) << v3.out;
    const std::string refused = R"j("error":"authentication failed (wrong password or protocol)")j";
    EXPECT_NE(conditionOf(wrong.out).find(refused), std::string::npos) << wrong.out;
    EXPECT_EQ(wrong.status, 3) << wrong.out;
    EXPECT_EQ(text.status, 0) << text.out;
    EXPECT_NE(text.out.find("Cyan"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("Primary Status"), std::string::npos) << text.out;
}

// Whatever a printer sends, no control reaches the terminal and nothing reorders the text,
// through every path to it (how each field is read and made safe: term_text_test.cpp).
TEST(TermOnce, APrintersBytesNeitherDriveNorReorderTheTerminal) {
    // A model with a colour escape; vendor status: ESC ] 0 ; (set the terminal title), BEL,
    // ESC [ 2 J (clear), a C1 CSI byte and a Latin-1 e-acute; console lines with a lone CR and
    // a C1 CSI in valid UTF-8, and a right-to-left override; a supply (read for the condition)
    // named with an override, a C1 CSI and an escape.
    PrinterSim sim(PrinterSim::Text(
        "1.3.6.1.2.1.25.3.2.1.3.1|4x|4c6162201b5b336d5072696e746572\n"
        "1.3.6.1.4.1.11.2.3.9.1.1.3.0|4x|1b5d303b6f776e6564071b5b324a9b33316de9\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.1|4x|6f6e650d74776fc29b\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.2|4x|e280ae636261\n"
        "1.3.6.1.2.1.43.11.1.1.6.1.1|4x|546f6e6572e280ae6b63616c62c29b1b5b324a\n"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const Outcome json = RunTerm("--json " + sim.target());
    EXPECT_NE(json.out.find("\"description\":\"Toner\\u202ekcalb\\u009b\\u001b[2J\""),
              std::string::npos)
        << json.out;
    const std::string out = RunTerm("--once " + sim.target()).out + json.out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        const bool c1 = c == 0xC2 && i + 1 < out.size() && (out[i + 1] & 0xE0) == 0x80;
        EXPECT_TRUE((c >= 0x20 && c != 0x7F && !c1) || c == '\n') << i << " in\n" << out;
    }
    EXPECT_EQ(out.find("\xE2\x80\xAE"), std::string::npos);
}

// --check as a monitoring plugin: one status line and the exit status per condition of the
// simulated printer, the thresholds, and the plugin's own usage errors.
TEST(TermCheck, StatusLineAndExitStatusPerCondition) {
    PrinterSimOptions options = PrinterSim::Bundled("laser-mono");
    options.log = true;
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string target = sim.target();
    const std::string perf = " | 'toner_black'=62%;10:;5:;0;100 'pages'=48213c\n";
    struct Row {
        const char* name;
        std::vector<std::string> commands;  // to the simulator before the run
        std::string arguments;              // after --check
        int status;
        std::string line;  // the whole output, or its start when `whole` is false
        bool whole = true;
        bool usage = false;  // a usage error: the usage on stderr, else nothing there
    };
    const Row rows[] = {
        {"ok printer: the model and the lowest supply",
         {},
         target,
         0,
         "PRINTER OK - HP LaserJet Pro 4012dn, lowest supply black toner 62%" + perf},
        {"jam: critical, in words, with the alert",
         {"jam"},
         target,
         2,
         "PRINTER CRITICAL - paper jam, printer down, alert critical: jam" + perf},
        {"door open",
         {"door-open"},
         target,
         2,
         "PRINTER CRITICAL - door open, printer down, alert critical: doorOpen" + perf},
        {"toner at 8%: below the warning threshold alone",
         {"toner 1 8"},
         target,
         1,
         "PRINTER WARNING - black toner 8% | 'toner_black'=8%;10:;5:;0;100 'pages'=48213c\n"},
        {"toner at 8% with lower thresholds",
         {"toner 1 8"},
         "-w 7 -c 3 " + target,
         0,
         "PRINTER OK - HP LaserJet Pro 4012dn, lowest supply black toner 8% | "
         "'toner_black'=8%;7:;3:;0;100 'pages'=48213c\n"},
        {"toner at 62% with a critical threshold above it, the thresholds as ranges",
         {},
         "--critical=70 --warning 80.5 " + target,
         2,
         "PRINTER CRITICAL - black toner 62% | 'toner_black'=62%;80.5:;70:;0;100 'pages'=48213c\n"},
        {"toner low: the printer's warning, and the supply at the critical threshold",
         {"toner 1 4"},
         target,
         2,
         "PRINTER CRITICAL - toner low, printer warning, alert warning: markerTonerAlmostEmpty, "
         "black toner 4% | 'toner_black'=4%;10:;5:;0;100 'pages'=48213c\n"},
        {"toner empty",
         {"toner 1 0"},
         target,
         2,
         "PRINTER CRITICAL - toner empty, printer down, alert critical: markerTonerEmpty, black "
         "toner "
         "0% | 'toner_black'=0%;10:;5:;0;100 'pages'=48213c\n"},
        {"a printer's text: one line, no '|' before the perfdata, a label without its quote",
         {"set 1.3.6.1.2.1.43.11.1.1.6.1.1 4x 426c61636b7c0a27783d27",
          "unset 1.3.6.1.2.1.43.11.1.1.5.1.1", "unset 1.3.6.1.2.1.43.12.1.1.4.1.1", "toner 1 8"},
         target,
         1,
         "PRINTER WARNING - Black/\xEF\xBF\xBD'x=' 8% | 'Black/\xEF\xBF\xBD_x__'=8%;10:;5:;0;100 "
         "'pages'=48213c\n"},
        {"incomplete: a warning that says why",
         {"walk endless"},
         target,
         1,
         "PRINTER WARNING - incomplete reading: more than 256 rows at ",
         false},
        {"unreachable: critical, with the reading's options",
         {"silence on"},
         "--timeout 100 --retries 0 " + target,
         2,
         "PRINTER CRITICAL - no answer (host down, filtered, or wrong community)\n"},
        {"a target that is not one: unknown, nothing sent",
         {},
         "[::1",
         3,
         "PRINTER UNKNOWN - bad target '[::1': '[' without ']'\n"},
        {"a community too long: unknown",
         {},
         target + " " + std::string(64, 'c'),
         3,
         "PRINTER UNKNOWN - the community is longer than 63 characters\n"},
        {"a usage error: unknown, the usage on stderr",
         {},
         "-w 3 -c 5 " + target,
         3,
         "PRINTER UNKNOWN - -w/--warning is below -c/--critical\n",
         true,
         true},
        {"an unknown option before --check is still the plugin's error",
         {},
         "",
         3,
         "PRINTER UNKNOWN - unknown option '--bogus'\n",
         true,
         true},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(sim.command("clear"), "ok");
        ASSERT_EQ(sim.command("reset"), "ok");
        ASSERT_EQ(sim.command("set 1.3.6.1.2.1.43.11.1.1.6.1.1 4 Black Cartridge HP 149A"), "ok");
        ASSERT_EQ(sim.command("set 1.3.6.1.2.1.43.11.1.1.5.1.1 2 3"), "ok");
        ASSERT_EQ(sim.command("set 1.3.6.1.2.1.43.12.1.1.4.1.1 4 black"), "ok");
        for (const std::string& command : row.commands) {
            ASSERT_EQ(sim.command(command), "ok") << row.name << ": " << command;
        }
        const std::string arguments =
            row.arguments.empty() ? "--bogus --check " + target : "--check " + row.arguments;
        const Outcome run = RunTerm(arguments);
        EXPECT_EQ(run.status, row.status) << row.name;
        if (row.whole) {
            EXPECT_EQ(run.out, row.line) << row.name;
        } else {
            EXPECT_EQ(run.out.rfind(row.line, 0), 0u) << row.name << "\n" << run.out;
            EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << row.name;
        }
        EXPECT_EQ(run.err.rfind("Usage: vellumark-term ", 0) == 0, row.usage)
            << row.name << ": " << run.err;
        EXPECT_EQ(run.err.empty(), !row.usage) << row.name << ": " << run.err;
    }
    // The condition alone: a reading over v2c sends nothing but v2c (the window polls over v1).
    const std::size_t logged = sim.logText().size();
    ASSERT_EQ(RunTerm("--check --snmp-version 2c " + target).status, 0);
    const std::string log = sim.logText().substr(logged);
    EXPECT_NE(log.find(" v2c GET"), std::string::npos) << log;
    for (std::size_t at = 0; (at = log.find("community=", at)) != std::string::npos; ++at) {
        EXPECT_EQ(log.compare(log.find(' ', at), 5, " v2c "), 0) << log.substr(at, 80);
    }
}

TEST(TermInteractive, FullScreenResizedTheEntryAndCtrlC) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const Tmux term;
    ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
    term.Type("echo BEFORE-THE-PROGRAM; " + TERM + " " + sim.target());

    // The full screen starts clean: the shell's lines are not on it.
    ASSERT_TRUE(term.WaitFor("Toner Remaining: [############--------] 62%")) << term.Screen();
    EXPECT_EQ(term.Screen().find("BEFORE-THE-PROGRAM"), std::string::npos) << term.Screen();

    // 40 x 10: drawn again whole to the new width (how it is fitted: term_view_test.cpp).
    term.Run("resize-window -t main -x 40 -y 10");
    ASSERT_TRUE(term.WaitFor("Toner Remaining: [#######-----] 62%")) << term.Screen();
    // Nothing scrolled off: the title is still the first line, the keys the last.
    EXPECT_EQ(term.Screen().rfind("== HP LaserJet Pro 4012dn Monitor ==\n", 0), 0u);
    EXPECT_TRUE(term.Drawn().ends_with("\nKeys: h Hide  d Details  m Menu  q Exit"))
        << term.Screen();

    // Unreachable after a tick: the entry takes the typing (the keys say so, below).
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + sim.target() + "_]")) << term.Screen();
    term.Run("resize-window -t main -x 80 -y 24");
    ASSERT_TRUE(term.WaitFor("Tray: offline - HP LaserJet Pro 4012dn Monitor")) << term.Screen();
    // Nothing of the small layout is left.
    EXPECT_TRUE(term.Drawn().ends_with("\nKeys: Enter Update Target  Tab keys  Esc Exit"));
    EXPECT_EQ(term.Screen().find("\xE2\x80\xA6"), std::string::npos) << term.Screen();

    // Ctrl-C: the screen as it was, the terminal's modes restored, status 130.
    term.Keys("C-c");
    ASSERT_TRUE(term.WaitFor("BEFORE-THE-PROGRAM")) << term.Screen();
    term.Type("echo EXIT=$?; stty -a | grep -o -w -e -icanon -e icanon -e -echo -e echo | xargs");
    EXPECT_TRUE(term.WaitFor("EXIT=130")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("icanon echo")) << term.Screen();
}

}  // namespace

// vellumark-term end to end against vellumark-printer-sim on loopback: the one-shot JSON field
// by field with its exit status and the reason, the printer's whole condition under it, usage
// errors, a printer's bytes on the way to the terminal, and the interactive program in a tmux
// terminal of the test's own (full screen, resize, the keys that act, Ctrl-C).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/printer_sim.h"

namespace {

const std::string TERM = VM_TERM_PATH;  // a build path: no characters a shell would act on

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs `command` in a shell and returns its standard output; `status` gets the exit status
// (-1 when it did not exit normally).
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t count = 0; (count = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, count);
    }
    const int result = pclose(pipe);
    if (status != nullptr) {
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    }
    return out;
}

struct Outcome {
    std::string out;
    std::string err;
    int status = -1;
};

// The program without a terminal, killed after 20 s should it hang.
Outcome RunTerm(const std::string& arguments) {
    char errPath[] = "/tmp/vm-term-err.XXXXXX";
    close(mkstemp(errPath));
    Outcome run;
    run.out = Shell("timeout -s KILL 20 " + TERM + " " + arguments + " </dev/null 2>" + errPath,
                    &run.status);
    std::ifstream err(errPath);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    unlink(errPath);
    return run;
}

TEST(TermOnce, JsonFieldByFieldReasonAndExitStatus) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string longName(64, 'a');
    const struct {
        const char* simCommand;
        std::string arguments;
        int exitCode;
        std::vector<std::string> fields;
        std::string err;
    } cases[] = {
        {"silence off",
         sim.target(),
         0,
         {"\"title\":\"HP LaserJet Pro 4012dn Monitor\"", "\"primary\":\"READY\"", "\"percent\":62",
          "\"page_count\":\"48213\"", "\"icon\":\"online\"",
          "\"state\":\"ok\",\"target\":\"" + sim.target() + "\""},
         ""},
        {"silence on",
         sim.target(),
         3,
         {"\"title\":\"Quillfen - Printer Monitor\"", "\"label\":\"Unreachable:\"",
          "\"primary\":\"" + sim.target() + "\"", "\"icon\":\"offline\"",
          "\"state\":\"unreachable\",\"reason\":\"timeout\"", "\"update_target\":true"},
         ""},
        // Too long to be used: never cut into another agent's address, nothing sent.
        {"silence off",
         sim.target() + std::string(64 - sim.target().size(), '0'),
         3,
         {"\"reason\":\"target-too-long\""},
         "vellumark-term: the target is longer than 63 characters\n"},
        {"silence off",
         sim.target() + " " + longName,
         3,
         {"\"reason\":\"community-too-long\"", "\"target\":\"" + sim.target() + "\""},
         "vellumark-term: the community is longer than 63 characters\n"},
        // After "--" any text is the target, an option's name included.
        {"silence off",
         "-- -" + longName,
         3,
         {"\"reason\":\"target-too-long\",\"target\":\"-" + longName + "\""},
         "vellumark-term: the target is longer than 63 characters\n"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(sim.command(c.simCommand), "ok");
        const Outcome run = RunTerm("--once --json " + c.arguments);
        EXPECT_EQ(run.status, c.exitCode) << c.arguments;
        EXPECT_EQ(run.err, c.err) << c.arguments;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
        for (const std::string& field : c.fields) {
            EXPECT_NE(run.out.find(field), std::string::npos) << field << " in " << run.out;
        }
    }
    ASSERT_EQ(sim.command("silence off"), "ok");
    EXPECT_EQ(RunTerm("--once " + sim.target() + "00").status, 3);  // a port past 65535
}

TEST(TermOnce, TheConditionOfTheSamePrinterAndCommunity) {
    PrinterSimOptions jammed = PrinterSim::Bundled("colour-laser");
    jammed.community = "lab";
    jammed.extraArgs = {"--jam"};
    jammed.log = true;
    PrinterSim sim(jammed);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const std::string printer = sim.target() + " lab";
    const std::vector<std::string> jsonFields = {
        "\"state\":\"ok\",\"target\":\"" + sim.target() +
            "\",\"visible\":true,"
            "\"condition\":{\"health\":\"critical\",\"reasons\":[\"jammed\",",
        "\"errors\":[\"jammed\"]",
        "{\"severity\":\"critical\",\"group\":\"mediaPath\",\"code\":\"jam\"",
        "\"colour\":\"black\"",
        "\"colour\":\"cyan\"",
        "\"colour\":\"magenta\"",
        "\"colour\":\"yellow\",\"type\":\"toner\"",
        "\"name\":\"Tray 2\",\"media\":\"A4\",\"capacity\":500,\"level\":420",
        "\"markers\":[{\"life_count\":"};
    const struct {
        const char* simCommand;
        std::string arguments;
        bool v2c;  // the reading's requests are SNMPv2c
        int exitCode;
        std::vector<std::string> fields;
    } cases[] = {
        {"silence off", "--json " + printer, false, 0, jsonFields},
        {"silence off", "--json --snmp-version 2c " + printer, true, 0, jsonFields},
        {"silence off",
         "--once --snmp-version=2c " + printer,
         true,
         0,
         {"\n               Tray: online - Brother HL-L8360CDW series Monitor\n"
          "Condition: critical (jammed, ",
          "\n    cyan      [######--------------] 28.2%   Cyan Toner Cartridge TN-436C\n",
          "\n    critical  jam          Paper jam\n"}},
        // Unreachable: the reading says so, with the options' time-out; too long a target is
        // never read.
        {"silence on",
         "--json --timeout 100 --retries 0 " + printer,
         false,
         3,
         {"\"reason\":\"timeout\",",
          "\"condition\":{\"health\":\"unreachable\",\"reasons\":[\"timeout\"],"
          "\"device_status\":null,"}},
        {"silence off",
         "--once " + sim.target() + std::string(64 - sim.target().size(), '0'),
         false,
         3,
         {"\nCondition: unreachable (target-too-long)\n"}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(sim.command(c.simCommand), "ok");
        const std::size_t logged = sim.logText().size();
        const Outcome run = RunTerm(c.arguments);
        EXPECT_EQ(run.status, c.exitCode) << c.arguments;
        for (const std::string& field : c.fields) {
            EXPECT_NE(run.out.find(field), std::string::npos) << field << " in " << run.out;
        }
        EXPECT_EQ(sim.logText().find(" v2c GET", logged) != std::string::npos, c.v2c)
            << c.arguments;
    }
}

TEST(TermOnce, UsageErrorsAreNotTargets) {
    for (const char* arguments : {"--bogus 127.0.0.1", "127.0.0.1 orchid extra", "--once",
                                  "--once --snmp-version 3 127.0.0.1"}) {
        const Outcome run = RunTerm(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("Usage: vellumark-term "), std::string::npos) << run.err;
    }
}

TEST(TermOnce, APrintersBytesNeitherDriveNorReorderTheTerminal) {
    // Vendor status: ESC ] 0 ; (set the terminal title), BEL, ESC [ 2 J (clear), a C1 CSI
    // byte and a Latin-1 e-acute; a model with a colour escape; console lines with a lone CR
    // and a C1 CSI in valid UTF-8, a right-to-left override, and 43 three-byte characters that
    // the 127-byte cut splits; a supply (read for the condition) named with an override, a C1
    // CSI and an escape.
    std::string cut;
    for (int i = 0; i < 43; ++i) {
        cut += "e697a5";
    }
    PrinterSim sim(PrinterSim::Text(
        "1.3.6.1.2.1.25.3.2.1.3.1|4x|4c6162201b5b336d5072696e746572\n"
        "1.3.6.1.4.1.11.2.3.9.1.1.3.0|4x|1b5d303b6f776e6564071b5b324a9b33316de9\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.1|4x|6f6e650d74776fc29b\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.2|4x|e280ae636261\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.3|4x|" +
        cut +
        "\n"
        "1.3.6.1.2.1.43.11.1.1.6.1.1|4x|546f6e6572e280ae6b63616c62c29b1b5b324a\n"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const Outcome plain = RunTerm("--once " + sim.target());
    EXPECT_EQ(plain.status, 0);
    const Outcome json = RunTerm("--json " + sim.target());
    EXPECT_NE(plain.out.find("Secondary Status: one"), std::string::npos) << plain.out;
    std::string kept;
    for (int i = 0; i < 42; ++i) {
        kept += "\xE6\x97\xA5";
    }
    // The cut character is dropped; the line stays UTF-8 and the next is not touched.
    EXPECT_NE(plain.out.find(" " + kept + "\n"), std::string::npos) << plain.out;
    EXPECT_NE(json.out.find("\"\\u202ecba\",\"" + kept + "\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"description\":\"Toner\\u202ekcalb\\u009b\\u001b[2J\""),
              std::string::npos)
        << json.out;
    EXPECT_NE(plain.out.find("Toner\xEF\xBF\xBDkcalb\xEF\xBF\xBD\xEF\xBF\xBD[2J\n"),
              std::string::npos)
        << plain.out;
    const std::string out = plain.out + json.out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        const bool c1 = c == 0xC2 && i + 1 < out.size() && (out[i + 1] & 0xE0) == 0x80;
        EXPECT_TRUE((c >= 0x20 && c != 0x7F && !c1) || c == '\n') << i << " in\n" << out;
    }
    EXPECT_EQ(out.find("\xE2\x80\xAE"), std::string::npos);
    EXPECT_NE(json.out.find("\"primary\":\"\\u001b]0;owned\\u0007\\u001b[2J\\u009b31m\xC3\xA9\""),
              std::string::npos)
        << json.out;
}

// A private tmux server (its own socket) running an interactive shell, killed with the test.
struct Tmux {
    Tmux() {
        Run("new-session -d -s main -x 80 -y 24 " +
            ShellQuote("env PS1='sh> ' bash --norc --noprofile"));
    }
    ~Tmux() { Run("kill-server"); }
    std::string Run(const std::string& arguments) const {
        return Shell("tmux -L vm-term-" + std::to_string(getpid()) + " " + arguments + " 2>&1");
    }
    std::string Screen() const { return Run("capture-pane -p -t main"); }
    // tmux key names ("Enter", "C-c"), or after "-l " text to type.
    void Keys(const std::string& keys) const { Run("send-keys -t main " + keys); }
    void Type(const std::string& line) const {
        Keys("-l " + ShellQuote(line));
        Keys("Enter");
    }
    // Waits up to `timeoutMs` until the screen shows `text`.
    bool WaitFor(const std::string& text, int timeoutMs = 10000) const {
        for (int waited = 0; waited <= timeoutMs; waited += 50) {
            if (Screen().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

std::vector<std::string> ScreenLines(const std::string& screen) {
    std::vector<std::string> lines;
    std::istringstream in(screen);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

TEST(TermInteractive, FullScreenResizedKeysThatActAndCtrlC) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const Tmux term;
    ASSERT_TRUE(term.WaitFor("sh>")) << term.Screen();
    term.Type("echo BEFORE-THE-PROGRAM; " + TERM + " " + sim.target());

    // The full screen starts clean: the shell's lines are not on it.
    ASSERT_TRUE(term.WaitFor("Toner Remaining: [############--------] 62%")) << term.Screen();
    EXPECT_EQ(term.Screen().find("BEFORE-THE-PROGRAM"), std::string::npos) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Keys: h Hide  m Menu  q Exit", 100)) << term.Screen();

    // 40 x 10: drawn again whole, each line within the width, what does not fit signed (while
    // the balloon is on show, the second console line too).
    term.Run("resize-window -t main -x 40 -y 10");
    ASSERT_TRUE(term.WaitFor("Toner Remaining: [#######-----] 62%")) << term.Screen();
    const std::vector<std::string> small = ScreenLines(term.Screen());
    ASSERT_LE(small.size(), 10u) << term.Screen();
    EXPECT_EQ(small.front(), "== HP LaserJet Pro 4012dn Monitor ==");
    EXPECT_EQ(small.back(), "Keys: h Hide  m Menu  q Exit");
    EXPECT_NE(term.Screen().find("Tray: online - HP LaserJ\xE2\x80\xA6"), std::string::npos)
        << term.Screen();

    // Unreachable: the entry takes the typing; the keys say so.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + sim.target() + "_]")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Keys: Enter Update Target  Tab keys", 100)) << term.Screen();
    term.Run("resize-window -t main -x 80 -y 24");
    ASSERT_TRUE(term.WaitFor("Tray: offline - HP LaserJet Pro 4012dn Monitor")) << term.Screen();
    // Nothing of the small layout is left.
    EXPECT_EQ(ScreenLines(term.Screen()).back(), "Keys: Enter Update Target  Tab keys  Esc Exit");
    EXPECT_EQ(term.Screen().find("\xE2\x80\xA6"), std::string::npos) << term.Screen();

    // Ctrl-C: the screen as it was, the terminal's modes restored, status 130.
    term.Keys("C-c");
    ASSERT_TRUE(term.WaitFor("BEFORE-THE-PROGRAM")) << term.Screen();
    term.Type("echo EXIT=$?; stty -a | grep -o -w -e -icanon -e icanon -e -echo -e echo | xargs");
    EXPECT_TRUE(term.WaitFor("EXIT=130")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("icanon echo")) << term.Screen();

    // Exit (q): status 1, as the windowed program always exits.
    term.Type("clear; " + TERM + " " + sim.target() + "; echo EXIT=$?");
    ASSERT_TRUE(term.WaitFor("Keys: ")) << term.Screen();
    term.Keys("Escape");  // the entry has the keyboard: Esc exits as q would
    EXPECT_TRUE(term.WaitFor("EXIT=1")) << term.Screen();
}

}  // namespace

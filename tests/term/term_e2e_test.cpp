// vellumark-term end to end against vellumark-printer-sim on loopback: the once printout
// field by field with its exit status, and the interactive program in a tmux terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "term_process.h"
#include "tests/support/printer_sim.h"

namespace {

const std::string kTerm = VM_TERM_PATH;
constexpr int kRunTimeoutMs = 20000;
constexpr int kScreenTimeoutMs = 10000;

// The value text of `"field":` in a one-line JSON object (a string with its quotes, a
// number, null, or a nested object up to its closing brace).
std::string JsonField(const std::string& json, const std::string& field) {
    const std::string key = "\"" + field + "\":";
    const std::size_t at = json.find(key);
    if (at == std::string::npos) {
        return "<missing>";
    }
    std::size_t start = at + key.size();
    std::size_t end = start;
    if (json[start] == '"') {
        for (end = start + 1; end < json.size() && json[end] != '"'; ++end) {
            if (json[end] == '\\') {
                ++end;
            }
        }
        return json.substr(start, end + 1 - start);
    }
    const char close = json[start] == '{' ? '}' : (json[start] == '[' ? ']' : ',');
    end = json.find(close, start);
    if (close != ',') {
        ++end;
    } else if (end == std::string::npos) {
        end = json.find('}', start);
    }
    return json.substr(start, end - start);
}

TEST(TermOnce, JsonOfAnAnsweringPrinterFieldByField) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const ProgramRun run = RunProgram(kTerm, {"--once", "--json", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string& json = run.out;
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
    EXPECT_EQ(JsonField(json, "title"), "\"HP LaserJet Pro 4012dn Monitor\"");
    EXPECT_EQ(JsonField(json, "label"), "\"Primary Status:\"");
    EXPECT_EQ(JsonField(json, "primary"), "\"READY\"");
    EXPECT_EQ(JsonField(json, "secondary"), "[\"Ready\",\"Tray 2: Letter\"]");
    EXPECT_EQ(JsonField(json, "toner"), "{\"min\":0,\"max\":100,\"pos\":62,\"percent\":62}");
    EXPECT_EQ(JsonField(json, "page_count"), "\"48213\"");
    EXPECT_EQ(JsonField(json, "power_on_count"), "\"212\"");
    EXPECT_EQ(JsonField(json, "tray"),
              "{\"icon\":\"online\",\"tip\":\"HP LaserJet Pro 4012dn Monitor\"}");
    EXPECT_EQ(JsonField(json, "state"), "\"ok\"");
    EXPECT_EQ(JsonField(json, "update_target"), "false");
}

TEST(TermOnce, SilentPrinterIsUnreachableWithStatusThree) {
    PrinterSimOptions options;
    options.extraArgs = {"--silence"};
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    const ProgramRun json = RunProgram(kTerm, {"--json", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(json.exitCode, 3) << json.err;
    EXPECT_EQ(JsonField(json.out, "title"), "\"Quillfen - Printer Monitor\"");
    EXPECT_EQ(JsonField(json.out, "label"), "\"Unreachable:\"");
    EXPECT_EQ(JsonField(json.out, "primary"), "\"" + sim.target() + "\"");
    EXPECT_EQ(JsonField(json.out, "update_target"), "true");
    EXPECT_EQ(JsonField(json.out, "tray"),
              "{\"icon\":\"offline\",\"tip\":\"Quillfen - Printer Monitor\"}");
    EXPECT_EQ(JsonField(json.out, "state"), "\"unreachable\"");

    const ProgramRun plain = RunProgram(kTerm, {"--once", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(plain.exitCode, 3);
    EXPECT_NE(plain.out.find("Unreachable: [" + sim.target() + "]"), std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("<Update Target>"), std::string::npos);
}

TEST(TermOnce, CommunityAndArgumentsReachTheProgram) {
    PrinterSimOptions options;
    options.community = "s3cret";
    PrinterSim sim(options);
    ASSERT_TRUE(sim.ok()) << sim.error();
    // Community as the second token; a third token is ignored by the program.
    const ProgramRun right =
        RunProgram(kTerm, {sim.target(), "--json", "s3cret", "ignored"}, kRunTimeoutMs);
    EXPECT_EQ(right.exitCode, 0) << right.err;
    EXPECT_EQ(JsonField(right.out, "primary"), "\"READY\"");
    // The default community gets no answer from this printer.
    const ProgramRun wrong = RunProgram(kTerm, {"--json", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(wrong.exitCode, 3);
    EXPECT_EQ(JsonField(wrong.out, "state"), "\"unreachable\"");
}

TEST(TermOnce, UnusualDataIsShownSafely) {
    PrinterSim sim(PrinterSim::Bundled("odd-data"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const ProgramRun json = RunProgram(kTerm, {"--json", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(json.exitCode, 0) << json.err;
    // Capacity 70000 with the level -3 ("some remaining"): no percentage to show.
    EXPECT_EQ(JsonField(json.out, "toner"),
              "{\"min\":0,\"max\":70000,\"pos\":-3,\"percent\":null}");
    // The 200-character model cuts the title to 127 characters, the tip to 63.
    EXPECT_EQ(JsonField(json.out, "title").size(), 127u + 2);
    const std::string tray = JsonField(json.out, "tray");
    EXPECT_EQ(JsonField(tray, "tip").size(), 63u + 2);
    EXPECT_EQ(JsonField(json.out, "page_count"), "\"4294967290\"");

    const ProgramRun plain = RunProgram(kTerm, {"--once", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_NE(plain.out.find("Toner Remaining: [--------------------] unknown"), std::string::npos)
        << plain.out;
}

TEST(TermOnce, ControlBytesFromThePrinterNeverReachTheOutput) {
    // Vendor status: ESC ] 0 ; (set the terminal title), BEL, ESC [ 2 J (clear), a C1 CSI
    // byte and a Latin-1 e-acute; a console line with a lone CR.
    const std::string profile =
        "1.3.6.1.2.1.25.3.2.1.3.1|4x|4c6162201b5b336d5072696e746572\n"
        "1.3.6.1.4.1.11.2.3.9.1.1.3.0|4x|1b5d303b6f776e6564071b5b324a9b33316de9\n"
        "1.3.6.1.2.1.43.16.5.1.2.1.1|4x|6f6e650d74776f\n";
    PrinterSim sim(PrinterSim::Text(profile));
    ASSERT_TRUE(sim.ok()) << sim.error();
    const ProgramRun plain = RunProgram(kTerm, {"--once", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    for (const char byte : plain.out) {
        const auto c = static_cast<unsigned char>(byte);
        EXPECT_TRUE(c >= 0x20 || c == '\n') << "control byte " << int{c} << " in\n" << plain.out;
        EXPECT_NE(c, 0x7F);
    }
    EXPECT_NE(plain.out.find("== Lab \xE2\x90\x9B[3mPrinter Monitor =="), std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("Primary Status: \xE2\x90\x9B]0;owned\xE2\x90\x87\xE2\x90\x9B[2J"
                             "\xEF\xBF\xBD"
                             "31m\xC3\xA9"),
              std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("Secondary Status: one\xE2\x90\x8Dtwo"), std::string::npos);

    const ProgramRun json = RunProgram(kTerm, {"--json", sim.target()}, kRunTimeoutMs);
    EXPECT_EQ(JsonField(json.out, "primary"),
              "\"\\u001b]0;owned\\u0007\\u001b[2J\\u009b31m\xC3\xA9\"");
    EXPECT_EQ(JsonField(json.out, "secondary"), "[\"one\\rtwo\"]");
}

TEST(TermOnce, OwnOptionsAndUsageErrors) {
    const ProgramRun noTarget = RunProgram(kTerm, {"--once", " "}, kRunTimeoutMs);
    EXPECT_EQ(noTarget.exitCode, 1);
    EXPECT_EQ(noTarget.out, "");
    EXPECT_NE(noTarget.err.find("needs a TARGET"), std::string::npos);

    const ProgramRun help = RunProgram(kTerm, {"--help", "--once"}, kRunTimeoutMs);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: vellumark-term"), std::string::npos);
    EXPECT_NE(help.out.find("0  answered"), std::string::npos);
    EXPECT_NE(help.out.find("3  unreachable"), std::string::npos);

    const ProgramRun version = RunProgram(kTerm, {"--version"}, kRunTimeoutMs);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "vellumark-term 1.0.0.42\n");
}

// The interactive program in a terminal; after it ends the shell reports its status and
// the terminal's modes.
TEST(TermPiped, PromptReadsALineAndKeysComeFromTheSameInput) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    // No tty anywhere: the prompt takes one line, the status window then reads "q" and each
    // changed content is printed whole, without cursor movement.
    const ProgramRun run = RunProgram(kTerm, {}, kRunTimeoutMs, sim.target() + "\nq");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out.rfind("IP or HOST Name of Printer to Monitor: \n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("     Primary Status: READY\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Tray: none"), std::string::npos) << "exit removed the icon";
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

// The shell ignores SIGINT, so that Ctrl-C ends only the program, which gets the default.
std::string Interactive(const std::string& arguments) {
    return "trap '' INT; env --default-signal=INT " + ShellQuote(kTerm) + " " + arguments +
           "; echo EXIT=$?; stty -a | tr ' ;' '\\n\\n' | grep -x -e icanon -e -icanon -e echo "
           "-e -echo | tr '\\n' ' '; echo; sleep 600";
}

TEST(TermInteractive, LosesAndRegainsThePrinterAndAdoptsATypedTarget) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    PrinterSim other(PrinterSim::Bundled("colour-laser"));
    ASSERT_TRUE(other.ok()) << other.error();
    TmuxSession term(Interactive(sim.target()), 100, 30);
    ASSERT_TRUE(term.ok());

    ASSERT_TRUE(term.WaitFor("Primary Status: READY", kScreenTimeoutMs)) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Toner Remaining: [############--------] 62%", 100));
    EXPECT_TRUE(term.WaitFor("Current Page Count: 48213", 100));
    EXPECT_TRUE(term.WaitFor("Tray: online", 100));

    // The printer falls silent: the next ticks show it unreachable, entry ready.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + sim.target() + "_]", kScreenTimeoutMs))
        << term.Screen();
    EXPECT_TRUE(term.WaitFor("Tray: offline", 100));
    EXPECT_TRUE(term.WaitFor("Current Page Count: 48213", 100)) << "last values stay";

    // Back again, and Update Target with the target as it stands: polling resumes.
    ASSERT_EQ(sim.command("silence off"), "ok");
    term.Keys({"Enter"});
    ASSERT_TRUE(term.WaitFor("Primary Status: READY", kScreenTimeoutMs)) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Tray: online", 100));

    // Lost once more; this time another printer is typed in and adopted.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable:", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"C-u"});
    term.Keys({other.target()}, true);
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + other.target() + "_]", kScreenTimeoutMs))
        << term.Screen();
    usleep(2500 * 1000);  // at least one more tick: the typed text must survive it
    EXPECT_TRUE(term.WaitFor("Unreachable: [" + other.target() + "_]", 100)) << term.Screen();
    term.Keys({"Enter"});
    ASSERT_TRUE(term.WaitFor("Primary Status:", kScreenTimeoutMs)) << term.Screen();
    EXPECT_FALSE(term.WaitFor("HP LaserJet Pro 4012dn Monitor ==", 100)) << term.Screen();

    // Keys mode, q: the program ends with status 1 and the terminal is as it was.
    term.Keys({"q"});
    ASSERT_TRUE(term.WaitFor("EXIT=1", kScreenTimeoutMs)) << term.Screen();
    EXPECT_TRUE(term.WaitFor("icanon echo", kScreenTimeoutMs)) << term.Screen();
}

TEST(TermInteractive, PromptHideShowAndMenuExit) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    TmuxSession term(Interactive(""), 100, 30);
    ASSERT_TRUE(term.ok());
    ASSERT_TRUE(term.WaitFor("IP or HOST Name of Printer to Monitor:", kScreenTimeoutMs))
        << term.Screen();
    // Esc does not cancel the prompt; what is typed stays.
    term.Keys({"127.0.0.1:"}, true);
    term.Keys({"Escape"});
    term.Keys({std::to_string(sim.port())}, true);
    ASSERT_TRUE(term.WaitFor("Monitor: " + sim.target(), kScreenTimeoutMs)) << term.Screen();
    term.Keys({"Enter"});
    ASSERT_TRUE(term.WaitFor("Primary Status: READY", kScreenTimeoutMs)) << term.Screen();

    term.Keys({"h"});
    ASSERT_TRUE(term.WaitFor("[hidden: s Show, q Exit]", kScreenTimeoutMs)) << term.Screen();
    EXPECT_FALSE(term.WaitFor("Toner Remaining:", 100)) << "collapsed to one line";
    term.Keys({"s"});
    ASSERT_TRUE(term.WaitFor("Toner Remaining:", kScreenTimeoutMs)) << term.Screen();
    EXPECT_FALSE(term.WaitFor("[hidden", 100));

    term.Keys({"m"});
    ASSERT_TRUE(term.WaitFor("3 Exit Vellumark", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"3"});
    ASSERT_TRUE(term.WaitFor("EXIT=1", kScreenTimeoutMs)) << term.Screen();
    EXPECT_TRUE(term.WaitFor("icanon echo", kScreenTimeoutMs)) << term.Screen();
}

TEST(TermInteractive, CtrlCEndsTheProgramAndRestoresTheTerminal) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    for (const std::string& arguments : {std::string(""), sim.target()}) {
        TmuxSession term(Interactive(arguments), 100, 30);
        ASSERT_TRUE(term.ok());
        ASSERT_TRUE(
            term.WaitFor(arguments.empty() ? "Printer to Monitor:" : "READY", kScreenTimeoutMs))
            << term.Screen();
        term.Keys({"C-c"});
        ASSERT_TRUE(term.WaitFor("EXIT=130", kScreenTimeoutMs)) << term.Screen();
        EXPECT_TRUE(term.WaitFor("icanon echo", kScreenTimeoutMs)) << term.Screen();
    }
}

// Waits until `text` is no longer on the screen.
bool WaitGone(const TmuxSession& term, const std::string& text) {
    for (int waited = 0; waited < kScreenTimeoutMs; waited += 50) {
        if (term.Screen().find(text) == std::string::npos) {
            return true;
        }
        usleep(50 * 1000);
    }
    return false;
}

TEST(TermInteractive, SuspendRestoresTheTerminalAndResumeDrawsAgain) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    // An interactive shell with job control, so that Ctrl-Z stops the program.
    TmuxSession term("bash --norc --noprofile -i", 100, 40);
    ASSERT_TRUE(term.ok());
    term.Keys({"PS1='$ '; clear", "Enter"});
    term.Keys({ShellQuote(kTerm) + " " + sim.target(), "Enter"});
    ASSERT_TRUE(term.WaitFor("Primary Status: READY", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"C-z"});
    ASSERT_TRUE(term.WaitFor("Stopped", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"stty -a | tr ' ;' '\\n\\n' | grep -x -e -icanon -e icanon", "Enter"});
    EXPECT_TRUE(term.WaitFor("\nicanon\n", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"clear", "Enter"});
    ASSERT_TRUE(WaitGone(term, "Toner Remaining:")) << term.Screen();
    term.Keys({"fg", "Enter"});
    ASSERT_TRUE(term.WaitFor("Toner Remaining:", kScreenTimeoutMs)) << term.Screen();
    term.Keys({"q"});
    // The last drawing leaves out the keys; only then is the shell reading again.
    ASSERT_TRUE(WaitGone(term, "Keys:")) << term.Screen();
    term.Keys({"echo EXIT=$?", "Enter"});
    EXPECT_TRUE(term.WaitFor("EXIT=1", kScreenTimeoutMs)) << term.Screen();
}

}  // namespace

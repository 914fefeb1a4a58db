// vellumark-term end to end against vellumark-printer-sim on loopback: the once JSON field by
// field with its exit status, control bytes from the printer, and the interactive program in
// a tmux terminal of the test's own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/printer_sim.h"

namespace {

const std::string kTerm = VM_TERM_PATH;  // a build path: no characters a shell would act on

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

// The program without a terminal, killed after 20 s should it hang.
std::string RunTerm(const std::string& arguments, int* status) {
    return Shell("timeout -s KILL 20 " + kTerm + " " + arguments + " </dev/null 2>/dev/null",
                 status);
}

// A private tmux server (its own socket), killed with the test's end.
struct Tmux {
    ~Tmux() { Run("kill-server"); }
    std::string Run(const std::string& arguments) const {
        return Shell("tmux -L vm-term-" + std::to_string(getpid()) + " " + arguments + " 2>&1");
    }
    std::string Screen() const { return Run("capture-pane -p -t main"); }
    // tmux key names ("Enter", "C-u"), or after "-l " text to type.
    void Keys(const std::string& keys) const { Run("send-keys -t main " + keys); }
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

TEST(TermOnce, JsonFieldByFieldAndExitStatus) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    const struct {
        const char* simCommand;
        int exitCode;
        std::vector<std::string> fields;
    } cases[] = {
        {"silence off",
         0,
         {"\"title\":\"HP LaserJet Pro 4012dn Monitor\"", "\"primary\":\"READY\"", "\"percent\":62",
          "\"page_count\":\"48213\"", "\"icon\":\"online\"", "\"state\":\"ok\""}},
        {"silence on",
         3,
         {"\"title\":\"Quillfen - Printer Monitor\"", "\"label\":\"Unreachable:\"",
          "\"primary\":\"" + sim.target() + "\"", "\"icon\":\"offline\"",
          "\"state\":\"unreachable\"", "\"update_target\":true"}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(sim.command(c.simCommand), "ok");
        int status = -1;
        const std::string json = RunTerm("--once --json " + sim.target(), &status);
        EXPECT_EQ(status, c.exitCode) << c.simCommand;
        EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1) << json;
        for (const std::string& field : c.fields) {
            EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
        }
    }
}

TEST(TermOnce, ControlBytesFromThePrinterNeverReachTheOutput) {
    // Vendor status: ESC ] 0 ; (set the terminal title), BEL, ESC [ 2 J (clear), a C1 CSI
    // byte and a Latin-1 e-acute; a model with a colour escape; a console line with a lone CR
    // and a C1 CSI in valid UTF-8.
    PrinterSim sim(
        PrinterSim::Text("1.3.6.1.2.1.25.3.2.1.3.1|4x|4c6162201b5b336d5072696e746572\n"
                         "1.3.6.1.4.1.11.2.3.9.1.1.3.0|4x|1b5d303b6f776e6564071b5b324a9b33316de9\n"
                         "1.3.6.1.2.1.43.16.5.1.2.1.1|4x|6f6e650d74776fc29b\n"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    int status = -1;
    const std::string plain = RunTerm("--once " + sim.target(), &status);
    EXPECT_EQ(status, 0);
    const std::string json = RunTerm("--json " + sim.target(), &status);
    EXPECT_NE(plain.find("Secondary Status: one"), std::string::npos) << plain;
    const std::string out = plain + json;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        const bool c1 = c == 0xC2 && i + 1 < out.size() && (out[i + 1] & 0xE0) == 0x80;
        EXPECT_TRUE((c >= 0x20 && c != 0x7F && !c1) || c == '\n') << i << " in\n" << out;
    }
    EXPECT_NE(json.find("\"primary\":\"\\u001b]0;owned\\u0007\\u001b[2J\\u009b31m\xC3\xA9\""),
              std::string::npos)
        << json;
}

TEST(TermInteractive, LosesThePrinterAndAdoptsATypedTarget) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    PrinterSim other(PrinterSim::Bundled("colour-laser"));
    ASSERT_TRUE(other.ok()) << other.error();
    // After the program the shell shows its status and the terminal's modes.
    const Tmux term{};
    ASSERT_EQ(term.Run("new-session -d -s main -x 100 -y 30 " +
                       ShellQuote(kTerm + " " + sim.target() +
                                  "; echo EXIT=$?; stty -a | tr ' ;' '\\n\\n' | grep -x -e icanon "
                                  "-e -icanon -e echo -e -echo | tr '\\n' ' '; echo; sleep 600")),
              "");

    ASSERT_TRUE(term.WaitFor("Toner Remaining: [############--------] 62%")) << term.Screen();

    // Hidden with h; shown again from the tray menu (m, then 1).
    term.Keys("h");
    ASSERT_TRUE(term.WaitFor("[hidden: s Show, q Exit] HP LaserJet")) << term.Screen();
    term.Keys("m");
    ASSERT_TRUE(term.WaitFor("Menu:  1 Show Vellumark  2 Hide Vellumark")) << term.Screen();
    term.Keys("1");
    ASSERT_TRUE(term.WaitFor("Power-On Page Count: 212")) << term.Screen();

    // The printer falls silent: the next ticks show it unreachable, entry ready, last values.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + sim.target() + "_]")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Current Page Count: 48213", 100));
    EXPECT_TRUE(term.WaitFor("Tray: offline", 100));

    // Another printer is typed in, survives a tick, and is adopted.
    term.Keys("C-u");
    term.Keys("-l " + other.target());
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + other.target() + "_]")) << term.Screen();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_TRUE(term.WaitFor("Unreachable: [" + other.target() + "_]", 100)) << term.Screen();
    term.Keys("Enter");
    ASSERT_TRUE(term.WaitFor("Primary Status:")) << term.Screen();
    EXPECT_FALSE(term.WaitFor("HP LaserJet Pro 4012dn Monitor ==", 100)) << term.Screen();

    // Keys mode, q: the program ends with status 1 and the terminal is as it was.
    term.Keys("q");
    ASSERT_TRUE(term.WaitFor("EXIT=1")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("icanon echo")) << term.Screen();
}

}  // namespace

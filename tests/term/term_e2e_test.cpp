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

const std::string kTerm = VM_TERM_PATH;
constexpr int kScreenTimeoutMs = 10000;

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
    if (pipe == nullptr) {
        return out;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
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
    return Shell(
        "timeout -s KILL 20 " + ShellQuote(kTerm) + " " + arguments + " </dev/null 2>/dev/null",
        status);
}

// A private tmux server (its own socket) with one 100 x 30 session running `command`.
class Tmux {
  public:
    explicit Tmux(const std::string& command)
        : socket_("vm-term-test-" + std::to_string(getpid())) {
        ok_ = Run("new-session -d -s main -x 100 -y 30 " + ShellQuote(command) + " && echo started")
                  .find("started") != std::string::npos;
    }
    ~Tmux() { Run("kill-server"); }

    bool ok() const { return ok_; }
    std::string Screen() const { return Run("capture-pane -p -t main"); }
    // A key name ("Enter", "C-u") or, when `literal`, text to type.
    void Keys(const std::string& keys, bool literal = false) const {
        Run(std::string("send-keys -t main ") + (literal ? "-l " : "") + ShellQuote(keys));
    }
    // Waits up to `timeoutMs` until the screen shows `text`.
    bool WaitFor(const std::string& text, int timeoutMs = kScreenTimeoutMs) const {
        for (int waited = 0; waited <= timeoutMs; waited += 50) {
            if (Screen().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

  private:
    std::string Run(const std::string& arguments) const {
        return Shell("tmux -L " + socket_ + " " + arguments + " 2>/dev/null");
    }
    std::string socket_;
    bool ok_ = false;
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
         {"\"title\":\"HP LaserJet Pro 4012dn Monitor\"", "\"label\":\"Primary Status:\"",
          "\"primary\":\"READY\"", "\"secondary\":[\"Ready\",\"Tray 2: Letter\"]",
          "\"toner\":{\"min\":0,\"max\":100,\"pos\":62,\"percent\":62}", "\"page_count\":\"48213\"",
          "\"power_on_count\":\"212\"",
          "\"tray\":{\"icon\":\"online\",\"tip\":\"HP LaserJet Pro 4012dn Monitor\"}",
          "\"state\":\"ok\"", "\"update_target\":false"}},
        {"silence on",
         3,
         {"\"title\":\"Quillfen - Printer Monitor\"", "\"label\":\"Unreachable:\"",
          "\"primary\":\"" + sim.target() + "\"",
          "\"tray\":{\"icon\":\"offline\",\"tip\":\"Quillfen - Printer Monitor\"}",
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
    // byte and a Latin-1 e-acute; a model with a colour escape; a console line with a lone CR.
    PrinterSim sim(
        PrinterSim::Text("1.3.6.1.2.1.25.3.2.1.3.1|4x|4c6162201b5b336d5072696e746572\n"
                         "1.3.6.1.4.1.11.2.3.9.1.1.3.0|4x|1b5d303b6f776e6564071b5b324a9b33316de9\n"
                         "1.3.6.1.2.1.43.16.5.1.2.1.1|4x|6f6e650d74776f\n"));
    ASSERT_TRUE(sim.ok()) << sim.error();
    int status = -1;
    const std::string plain = RunTerm("--once " + sim.target(), &status);
    EXPECT_EQ(status, 0);
    const std::string json = RunTerm("--json " + sim.target(), &status);
    for (const char byte : plain + json) {
        const auto c = static_cast<unsigned char>(byte);
        EXPECT_TRUE((c >= 0x20 && c != 0x7F) || c == '\n') << int{c} << " in\n" << plain << json;
    }
    EXPECT_NE(plain.find("== Lab \xE2\x90\x9B[3mPrinter Monitor =="), std::string::npos) << plain;
    EXPECT_NE(plain.find("Primary Status: \xE2\x90\x9B]0;owned\xE2\x90\x87\xE2\x90\x9B[2J"
                         "\xEF\xBF\xBD"
                         "31m\xC3\xA9"),
              std::string::npos)
        << plain;
    EXPECT_NE(plain.find("Secondary Status: one\xE2\x90\x8Dtwo"), std::string::npos) << plain;
    EXPECT_NE(json.find("\"primary\":\"\\u001b]0;owned\\u0007\\u001b[2J\\u009b31m\xC3\xA9\""),
              std::string::npos)
        << json;
}

TEST(TermInteractive, LosesAndRegainsThePrinterAndAdoptsATypedTarget) {
    PrinterSim sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    PrinterSim other(PrinterSim::Bundled("colour-laser"));
    ASSERT_TRUE(other.ok()) << other.error();
    // After the program the shell shows its status and the terminal's modes.
    Tmux term(ShellQuote(kTerm) + " " + sim.target() +
              "; echo EXIT=$?; stty -a | tr ' ;' '\\n\\n' | grep -x -e icanon -e -icanon -e echo "
              "-e -echo | tr '\\n' ' '; echo; sleep 600");
    ASSERT_TRUE(term.ok());

    ASSERT_TRUE(term.WaitFor("Primary Status: READY")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Toner Remaining: [############--------] 62%", 100));
    EXPECT_TRUE(term.WaitFor("Tray: online", 100));

    // The printer falls silent: the next ticks show it unreachable, entry ready, last values.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable: [" + sim.target() + "_]")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Tray: offline", 100));
    EXPECT_TRUE(term.WaitFor("Current Page Count: 48213", 100));

    // Back again, and Update Target with the target as it stands: polling resumes.
    ASSERT_EQ(sim.command("silence off"), "ok");
    term.Keys("Enter");
    ASSERT_TRUE(term.WaitFor("Primary Status: READY")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("Tray: online", 100));

    // Lost once more; another printer is typed in, survives a tick, and is adopted.
    ASSERT_EQ(sim.command("silence on"), "ok");
    ASSERT_TRUE(term.WaitFor("Unreachable:")) << term.Screen();
    term.Keys("C-u");
    term.Keys(other.target(), true);
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

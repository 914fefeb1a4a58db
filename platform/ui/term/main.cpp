// vellumark-term: the program with its windows drawn on the terminal.
#include <string>
#include <vector>

#include "cli_options.h"
#include "shell/command_line.h"
#include "shell/startup.h"
#include "term_runtime.h"
#include "terminal.h"

namespace {

constexpr int kExitAnswered = 0;
constexpr int kExitOther = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotAnswered = 3;

// The first token of the command line, as the program splits it: the target as named.
std::string TargetNamed(const std::string& commandLine) {
    std::string text = commandLine;
    char* context = nullptr;
    const char* token = NextSpaceToken(text.data(), &context);
    return token != nullptr ? token : "";
}

}  // namespace

int main(int argc, char** argv) {
    const vmterm::CliOptions options =
        vmterm::ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (options.error.empty() && options.once && !vmterm::NamesTarget(options.commandLine) &&
        !options.help && !options.version) {
        vmterm::WriteAll(2, "vellumark-term: --once needs a TARGET\n" + vmterm::UsageLine());
        return kExitUsage;
    }
    if (!options.error.empty()) {
        vmterm::WriteAll(2, "vellumark-term: " + options.error + "\n" + vmterm::UsageLine() +
                                "Try 'vellumark-term --help' for more.\n");
        return kExitUsage;
    }
    if (options.help || options.version) {
        vmterm::WriteAll(1, options.help ? vmterm::HelpText() : vmterm::VersionText());
        return 0;
    }
    // A target or community that does not fit is said here; the program then runs on and
    // treats the printer as unreachable.
    if (const char* problem = CommandLineProblem(options.commandLine.c_str())) {
        vmterm::WriteAll(2, std::string("vellumark-term: ") + problem + "\n");
    }

    vmterm::TermConfig& config = vmterm::Config();
    config.once = options.once;
    config.json = options.json;
    config.target = TargetNamed(options.commandLine);

    std::string commandLine = options.commandLine;
    const int result = WinMain(nullptr, nullptr, commandLine.data(), 0);
    if (!options.once) {
        return result;
    }
    const vmterm::OnceOutcome& outcome = vmterm::LastOnceOutcome();
    if (!outcome.printed) {
        return kExitOther;  // the status window never opened (sockets unusable)
    }
    return outcome.answered ? kExitAnswered : kExitNotAnswered;
}

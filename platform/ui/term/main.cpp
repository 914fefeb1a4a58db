// vellumark-term: the program with its windows drawn on the terminal.
#include <string>
#include <vector>

#include "cli_options.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "term_runtime.h"
#include "terminal.h"

namespace {

constexpr int kExitAnswered = 0;
constexpr int kExitOther = 1;
constexpr int kExitUnreachable = 3;

std::optional<int> MonitoringState() {
    return g_state;
}

}  // namespace

int main(int argc, char** argv) {
    const vmterm::CliOptions options =
        vmterm::ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (options.help) {
        vmterm::WriteAll(1, vmterm::HelpText());
        return 0;
    }
    if (options.version) {
        vmterm::WriteAll(1, vmterm::VersionText());
        return 0;
    }
    if (options.once && !vmterm::NamesTarget(options.commandLine)) {
        vmterm::WriteAll(2, "vellumark-term: --once needs a TARGET (see --help)\n");
        return kExitOther;
    }

    vmterm::TermConfig& config = vmterm::Config();
    config.once = options.once;
    config.json = options.json;
    config.monitorState = MonitoringState;

    std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
    commandLine.push_back('\0');
    const int result = WinMain(nullptr, nullptr, commandLine.data(), 0);
    if (!options.once) {
        return result;
    }
    const vmterm::OnceOutcome& outcome = vmterm::LastOnceOutcome();
    if (!outcome.printed) {
        return kExitOther;  // the status window never opened (sockets unusable)
    }
    return outcome.state == STATE_OK ? kExitAnswered : kExitUnreachable;
}

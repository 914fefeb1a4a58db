// vellumark-term: the program with its windows drawn on the terminal. In once mode, the status
// window's first content, then the whole condition of the same printer read from the Printer
// MIB (condition/), with the exit status the window gives.
#include <chrono>
#include <string>
#include <vector>

#include "apps/term/cli_options.h"
#include "condition/endpoint.h"
#include "condition/engine.h"
#include "condition/health.h"
#include "condition/render.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "shell/command_line.h"
#include "shell/startup.h"
#include "state/monitor_state.h"

namespace {

constexpr int EXIT_ANSWERED = 0;
constexpr int EXIT_OTHER = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NOT_ANSWERED = 3;

// The command line's tokens as the program splits it: the target, then the community.
std::vector<std::string> Tokens(std::string commandLine) {
    std::vector<std::string> tokens;
    char* context = nullptr;
    for (char* token = NextSpaceToken(commandLine.data(), &context); token != nullptr;
         token = NextSpaceToken(nullptr, &context)) {
        tokens.push_back(token);
    }
    return tokens;
}

// The condition of the printer the window watched, with its community. A target or community
// the window refused as too long, or a target it could not resolve, is unreachable at once; a
// name gets as long to resolve as the window gives it.
condition::Condition ReadCondition(condition::ReadRequest request, const std::string& target,
                                   const std::string& community, const std::string& windowReason) {
    condition::Condition read;
    read.error = windowReason;
    if (windowReason != REASON_TARGET_TOO_LONG && windowReason != REASON_COMMUNITY_TOO_LONG &&
        windowReason != REASON_NOT_RESOLVED) {
        if (const auto agent = condition::ResolveEndpoint(
                target, std::chrono::milliseconds(RESOLVE_TIMEOUT_MS), &read.error)) {
            request.agent = *agent;
            request.community = community;
            return condition::ReadOnce(request);
        }
    }
    condition::DeriveHealth(read, request.supplyWarningPercent);
    return read;
}

// Each line of a text block made terminal-safe like the window's.
std::string TerminalLines(const std::string& text) {
    std::string out;
    for (std::size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        out += vmterm::TerminalText(text.substr(start, end - start)) + "\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const vmterm::CliOptions options =
        vmterm::ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!options.error.empty()) {
        vmterm::WriteAll(2, "vellumark-term: " + options.error + "\n" + vmterm::UsageLine() +
                                "Try 'vellumark-term --help' for more.\n");
        return EXIT_USAGE;
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

    const std::vector<std::string> tokens = Tokens(options.commandLine);
    vmterm::TermRuntime& runtime = vmterm::Runtime();
    runtime.config.once = options.once;
    runtime.config.target = tokens.empty() ? "" : tokens[0];

    std::string commandLine = options.commandLine;
    const int result = WinMain(nullptr, nullptr, commandLine.data(), 0);
    if (!options.once) {
        return result;
    }
    if (runtime.once.text.empty()) {
        return EXIT_OTHER;  // the status window never opened (sockets unusable)
    }
    const condition::Condition read =
        ReadCondition(options.reading, runtime.config.target,
                      tokens.size() > 1 ? tokens[1] : DEFAULT_COMMUNITY, runtime.report.reason);
    if (options.json) {
        nlohmann::ordered_json json = runtime.once.json;
        json["condition"] = condition::ConditionToJson(read);
        vmterm::WriteAll(1, vmterm::TerminalJson(json));
    } else {
        vmterm::WriteAll(1, runtime.once.text + TerminalLines(condition::ConditionText(read)));
    }
    const bool answered = runtime.report.reported && runtime.report.reason.empty();
    return answered ? EXIT_ANSWERED : EXIT_NOT_ANSWERED;
}

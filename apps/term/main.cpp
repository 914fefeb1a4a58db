// vellumark-term: the program with its windows drawn on the terminal. In once mode, the status
// window's first content, then the whole condition of the same printer read from the Printer
// MIB (condition/), with the exit status the window gives. In check mode, the condition alone
// as a monitoring plugin reports it.
#include <string>
#include <vector>

#include "condition/engine.h"
#include "condition/health.h"
#include "condition/plugin_report.h"
#include "condition/render.h"
#include "options/term_options.h"
#include "platform/net/net.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "shell/command_line.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "state/monitor_state.h"
#include "text/target_syntax.h"

namespace {

constexpr int EXIT_ANSWERED = 0;
constexpr int EXIT_OTHER = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NOT_ANSWERED = 3;

// The version of --json's document, as packaging/vellumark-term.schema.json describes it: a
// change that could break a script reading it (a field gone, renamed or of another type) makes
// it 2; added fields do not.
constexpr int JSON_SCHEMA_VERSION = 1;

// The condition of the printer the window watched, at the address the window resolved (the
// name is looked up once), with its community. A target or community the window refused as too
// long, or a target it could not resolve, is unreachable at once.
condition::Condition ReadCondition(condition::ReadRequest request, const std::string& community,
                                   const std::string& windowReason) {
    if (g_agent.usable) {
        request.agent = g_agent.address;
        request.community = community;
        return condition::ReadOnce(request);
    }
    condition::Condition read;
    read.error = windowReason;
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

// How long a name may take to resolve when the window does not resolve it: a DNS server that
// does not answer must not use up a service check's time.
constexpr int ALONE_RESOLVE_MS = 750;

// The condition read without the window, the target resolved here. A name that does not
// resolve gives an unreachable condition saying why.
condition::Condition ReadConditionAlone(condition::ReadRequest request,
                                        const CommandLineTokens& tokens) {
    request.community = tokens.community;
    condition::Condition read;
    std::string why;
    if (const auto agent = net::ResolveTarget(tokens.target, ALONE_RESOLVE_MS, &why)) {
        request.agent = *agent;
        read = condition::ReadOnce(request);
    } else {
        read.error = why;
        read.errorKinds = {condition::ReadError::NotResolved};
        condition::DeriveHealth(read, request.supplyWarningPercent);
    }
    return read;
}

// The monitoring-plugin mode: the condition read as once mode reads it, without the window.
// A target or community that cannot be used is UNKNOWN (nothing is sent); one that does not
// resolve is unreachable, so CRITICAL.
int Check(const vmterm::CliOptions& options) {
    const CommandLineTokens tokens = SplitCommandLine(options.commandLine.c_str());
    std::string why;
    if (const char* problem = CommandLineProblem(tokens)) {
        why = problem;
    } else if (!SplitHostPort(tokens.target, why)) {
        why = "bad target '" + tokens.target + "': " + why;
    } else {
        why.clear();
    }
    if (!why.empty()) {
        vmterm::WriteAll(1, condition::PluginLine(condition::PluginStatus::Unknown, why));
        return static_cast<int>(condition::PluginStatus::Unknown);
    }
    const condition::Condition read = ReadConditionAlone(options.reading, tokens);
    const condition::PluginReport report = condition::ReportForPlugin(read, options.thresholds);
    vmterm::WriteAll(1, report.line);
    return static_cast<int>(report.status);
}

// Once mode over SNMPv3: the status window reads over SNMPv1 only, and a site that allows
// nothing but v3 must not be sent a community in clear text it never chose, so the window is
// not opened and the condition is the whole output. The exit status is the window's: whether
// the printer answered.
int OnceOverV3(const vmterm::CliOptions& options, const CommandLineTokens& tokens) {
    const condition::Condition read = ReadConditionAlone(options.reading, tokens);
    if (options.json) {
        nlohmann::ordered_json json = {{"schema_version", JSON_SCHEMA_VERSION}};
        json["condition"] = condition::ConditionToJson(read);
        vmterm::WriteAll(1, vmterm::TerminalJson(json));
    } else {
        vmterm::WriteAll(1, TerminalLines(condition::ConditionText(read)));
    }
    return read.health == condition::Health::Unreachable ? EXIT_NOT_ANSWERED : EXIT_ANSWERED;
}

}  // namespace

int main(int argc, char** argv) {
    const vmterm::CliOptions options =
        vmterm::ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!options.error.empty() && options.check) {
        vmterm::WriteAll(1, condition::PluginLine(condition::PluginStatus::Unknown, options.error));
        vmterm::WriteAll(2, vmterm::UsageLine());
        return static_cast<int>(condition::PluginStatus::Unknown);
    }
    if (!options.error.empty()) {
        vmterm::WriteAll(2, "vellumark-term: " + options.error + "\n" + vmterm::UsageLine() +
                                "Try 'vellumark-term --help' for more.\n");
        return EXIT_USAGE;
    }
    if (options.help || options.version) {
        vmterm::WriteAll(1, options.help ? vmterm::HelpText() : vmterm::VersionText());
        return 0;
    }
    if (options.check) {
        return Check(options);
    }
    // A port that cannot be is a usage error; a target or community that does not fit is said
    // here, and the program then runs on and treats the printer as unreachable.
    const CommandLineTokens tokens = SplitCommandLine(options.commandLine.c_str());
    if (const auto port = TargetPortProblem(tokens.target)) {
        vmterm::WriteAll(2, "vellumark-term: " + *port + "\n" + vmterm::UsageLine() +
                                "Try 'vellumark-term --help' for more.\n");
        return EXIT_USAGE;
    }
    if (const char* problem = CommandLineProblem(tokens)) {
        vmterm::WriteAll(2, std::string("vellumark-term: ") + problem + "\n");
    }
    if (options.once && options.reading.version == condition::SnmpVersion::V3) {
        return OnceOverV3(options, tokens);
    }

    vmterm::TermRuntime& runtime = vmterm::Runtime();
    runtime.config.once = options.once;
    runtime.config.bell = options.bell;
    runtime.config.commandKeys = {{'d', IDM_DETAILS, "Details"}};
    runtime.config.target = tokens.target;

    // The live window's condition is read as the options say; only its version travels in the
    // command-line text, the passwords never.
    g_condition_request = options.reading;
    std::string commandLine = options.commandLine;
    const int result = WinMain(nullptr, nullptr, commandLine.data(), 0);
    if (!options.once) {
        return result;
    }
    if (runtime.once.text.empty()) {
        return EXIT_OTHER;  // the status window never opened (sockets unusable)
    }
    const condition::Condition read =
        ReadCondition(options.reading, tokens.community, runtime.report.reason);
    if (options.json) {
        nlohmann::ordered_json json = {{"schema_version", JSON_SCHEMA_VERSION}};
        json.update(runtime.once.json);
        json["condition"] = condition::ConditionToJson(read);
        vmterm::WriteAll(1, vmterm::TerminalJson(json));
    } else {
        vmterm::WriteAll(1, runtime.once.text + TerminalLines(condition::ConditionText(read)));
    }
    const bool answered = runtime.report.reported && runtime.report.reason.empty();
    return answered ? EXIT_ANSWERED : EXIT_NOT_ANSWERED;
}

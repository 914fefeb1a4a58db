#include "options/term_options.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "condition/engine.h"
#include "options/option_parser.h"
#include "options/usm_options.h"
#include "options/window_options.h"
#include "shell/command_line.h"
#include "vellumark/version.h"

namespace vmterm {
namespace {

// What is wrong with the plugin mode's options together, "" when nothing is.
std::string CheckProblem(const CliOptions& options, bool thresholdsGiven, bool supplyWarningGiven) {
    if (!options.check) {
        return thresholdsGiven ? "-w/--warning and -c/--critical go with --check" : "";
    }
    if (options.once) {
        return "--check goes with neither --once nor --json";
    }
    if (supplyWarningGiven) {
        return "--supply-warning does not go with --check: -w/--warning sets its threshold";
    }
    if (options.thresholds.warning < options.thresholds.critical) {
        return "-w/--warning is below -c/--critical";
    }
    if (options.commandLine.find_first_not_of(' ') == std::string::npos) {
        return "--check needs a TARGET";
    }
    return {};
}

}  // namespace

CliOptions ParseOptions(const std::vector<std::string>& arguments,
                        const vmcli::Environment& environment) {
    CliOptions options;
    CLI::App app;
    condition::ReadRequest& reading = options.reading;
    vmcli::WindowOptions window;
    vmcli::AddWindowOptions(app, window);
    app.add_flag("--once", options.once);
    app.add_flag("--bell", options.bell);
    app.add_flag_callback("--json", [&options] { options.once = options.json = true; });
    // One option says the condition's version in every mode: the live window's watcher gets it
    // through the command-line text, as the window's other options.
    app.add_option_function<std::string>("--snmp-version",
                                         [&reading, &window](const std::string& version) {
                                             reading.version =
                                                 version == "1"   ? condition::SnmpVersion::V1
                                                 : version == "3" ? condition::SnmpVersion::V3
                                                                  : condition::SnmpVersion::V2c;
                                             window.conditionVersion = version;
                                         })
        ->check(vmcli::OneOf({"1", "2c", "3"}));
    app.add_option("--timeout", reading.timeoutMs)->transform(vmcli::WholeNumber(1, 60000));
    app.add_option("--retries", reading.retries)->transform(vmcli::WholeNumber(0, 10));
    app.add_option("--supply-warning", reading.supplyWarningPercent)
        ->transform(vmcli::Number(0, 100));

    // The monitoring-plugin mode and its supply thresholds.
    app.add_flag("--check", options.check);
    CLI::Option* warning = app.add_option("-w,--warning", options.thresholds.warning)
                               ->transform(vmcli::Number(0, 100));
    CLI::Option* critical = app.add_option("-c,--critical", options.thresholds.critical)
                                ->transform(vmcli::Number(0, 100));

    vmcli::UsmOptions usm(app, reading.usm, "--snmp-version");
    const vmcli::Parsed parsed = vmcli::Parse(app, arguments, true, [](const std::string& what) {
        return "unknown option '" + what + "'";
    });
    options.help = parsed.outcome == vmcli::Outcome::Help;
    options.version = parsed.outcome == vmcli::Outcome::Version;
    options.error = parsed.error;
    // A usage error of the plugin mode is said as a plugin says it, even when the parser
    // stopped before it read --check.
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), std::string("--"));
    options.check = options.check || (parsed.outcome == vmcli::Outcome::UsageError &&
                                      std::find(arguments.begin(), optionsEnd,
                                                std::string("--check")) != optionsEnd);
    if (parsed.outcome != vmcli::Outcome::Run) {
        return options;
    }
    options.error = usm.Finish(reading.version == condition::SnmpVersion::V3, environment);
    if (options.error.empty() && parsed.text.size() > 2) {
        options.error = "unexpected argument '" + parsed.text[2] + "'";
    }
    std::string text;
    for (std::size_t i = 0; i < parsed.text.size() && i < 2; ++i) {
        text += (i == 0 ? "" : " ") + parsed.text[i];
    }
    // The program splits its command line at spaces only: a target is a run of other bytes.
    if (options.error.empty() && options.once && text.find_first_not_of(' ') == std::string::npos) {
        options.error = "--once needs a TARGET";
    }
    options.commandLine = vmcli::WindowOptionsText(window) + text;
    if (options.error.empty()) {
        options.error = CheckProblem(options, warning->count() + critical->count() > 0,
                                     app.get_option("--supply-warning")->count() > 0);
    }
    return options;
}

std::string UsageLine() {
    return "Usage: vellumark-term [--no-ping] [--retry SECONDS] [--bell]\n"
           "                      [--once [--json] [OPTION...]]\n"
           "                      [--] [TARGET [COMMUNITY]]\n"
           "       vellumark-term --check [-w PERCENT] [-c PERCENT] [OPTION...] [--] TARGET "
           "[COMMUNITY]\n";
}

std::string HelpText() {
    std::string text = UsageLine() + R"(
Watches one network printer over SNMP and shows its status in the terminal.
TARGET is a host name, an IPv4 address or an IPv6 address, with an optional :PORT
for the SNMP agent (default 161): HOST[:PORT], IPV4[:PORT], IPV6, [IPV6][:PORT].
COMMUNITY defaults to "orchid". Each holds at most 63 characters: a longer one
is refused, said on stderr, and the printer counts as unreachable.
Without a TARGET the program asks for one.

The window takes the whole terminal (its alternate screen, restored on exit) and
shows the keys that act: Enter or a button's first letter presses it, m opens
the tray menu, t double-clicks the tray icon, s shows a hidden window, Esc or q
exits, d opens the printer's details (Esc closes them). While unreachable,
typing edits the target; Tab switches between typing and the keys. A
notification about the printer heads the window as highlighted lines starting
with "! " while it is on show.

  --once     probe, read the model, run the first poll, print the window once,
             then read the printer's whole condition (health and reasons,
             supplies with their colours, trays, alerts) and print it below
  --json     like --once, as one JSON object: the window's fields, "target" as
             named, "reason" when the printer did not answer, and "condition"
  --no-ping  send no echo request: the printer counts as answering when it
             answers SNMP (for networks that drop ICMP echo, and users allowed
             no ICMP socket); at start-up and on Update Target
  --retry SECONDS
             while unreachable, press Update Target every SECONDS (1-86400)
             on the target shown
  --condition-every SECONDS
             read the printer's whole condition (the details view, key d, and
             the notifications) every SECONDS, {CONDITION_MIN}-{CONDITION_MAX} (default {CONDITION_EVERY};
             every {DETAILS_EVERY} s while the details view is open)
  --no-notify
             show no notification line when the printer's condition gets worse
             (a paper jam, toner low, unreachable, ...) or clears
  --bell     ring the terminal's bell once for each notification
  --help     show this text              --version  show the version
  --         every later argument is TARGET or COMMUNITY text
The condition's reading, in every mode: --once, --check and the live window's
details view and notifications (the window's own poll is not changed by these):
  --snmp-version 1|2c|3     SNMP version (default 1); with 3, --once prints the
                            condition alone, sending no SNMPv1 for the window
  --timeout MS              time-out of each request (default {TIMEOUT})
  --retries N               times a request is sent again (default {RETRIES})
  --supply-warning PERCENT  a supply at or below it is a warning (default {WARNING})
  Once mode's reading ends after {SECONDS} s at the latest; a target that is too
  long or does not resolve is unreachable at once, without a request.
The monitoring-plugin mode (Nagios, Icinga, Checkmk), with the options above:
  --check                 read the condition alone (no window) and print one line,
                          "PRINTER STATUS - what | perfdata", exiting 0 OK, 1 WARNING,
                          2 CRITICAL (unreachable too) or 3 UNKNOWN (bad usage)
  -w, --warning PERCENT   a supply at or below it is WARNING (default {CHECK_W})
  -c, --critical PERCENT  a supply at or below it is CRITICAL (default {CHECK_C})

{USM}
Exit status: 1 when interactive, as the windowed program; with --once the
window's:
  0  answered: the echo probe (none with --no-ping) and every SNMP request of
     the first poll
  3  not answered: no echo reply (reason no-echo-reply: the network may drop
     ICMP echo, try --no-ping), a target too long or not resolved, or an SNMP
     request went unanswered
  1  anything else (sockets unusable: no way to send an echo; stderr says how
     to allow one, or use --no-ping)
  2  bad usage: an unknown option or value, an extra argument, --once without
     a TARGET, a TARGET whose :PORT is not a number from 1 to 65535 (with --check: 3, as plugins do)
Ctrl-C or another terminating signal ends the program by that signal (status 128
+ its number in the shell, 130 for Ctrl-C), with the terminal restored.
)";
    // The reader's defaults, from their one home.
    const condition::ReadRequest defaults;
    const std::pair<std::string, long long> values[] = {
        {"{TIMEOUT}", defaults.timeoutMs},
        {"{RETRIES}", defaults.retries},
        {"{WARNING}", std::llround(defaults.supplyWarningPercent)},
        {"{SECONDS}", condition::DEFAULT_READING_TIME.count()},
        {"{CHECK_W}", std::llround(condition::PluginThresholds{}.warning)},
        {"{CHECK_C}", std::llround(condition::PluginThresholds{}.critical)},
        {"{CONDITION_MIN}", CONDITION_SECONDS_MIN},
        {"{CONDITION_MAX}", CONDITION_SECONDS_MAX},
        {"{CONDITION_EVERY}", DEFAULT_CONDITION_SECONDS},
        {"{DETAILS_EVERY}", DETAILS_READING_SECONDS}};
    text.replace(text.find("{USM}"), 5, vmcli::UsmHelp("--snmp-version"));
    for (const auto& [name, value] : values) {
        text.replace(text.find(name), name.size(), std::to_string(value));
    }
    return text;
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

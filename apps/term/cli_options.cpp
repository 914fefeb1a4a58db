#include "apps/term/cli_options.h"

#include <cmath>
#include <utility>

#include "apps/cli/option_parser.h"
#include "apps/term/usm_options.h"
#include "condition/engine.h"
#include "vellumark/version.h"

namespace vmterm {

CliOptions ParseOptions(const std::vector<std::string>& arguments, const Environment& environment) {
    CliOptions options;
    CLI::App app;
    condition::ReadRequest& reading = options.reading;
    app.add_flag("--once", options.once);
    app.add_flag_callback("--json", [&options] { options.once = options.json = true; });
    app.add_option_function<std::string>("--snmp-version",
                                         [&reading](const std::string& version) {
                                             reading.version =
                                                 version == "1"   ? condition::SnmpVersion::V1
                                                 : version == "3" ? condition::SnmpVersion::V3
                                                                  : condition::SnmpVersion::V2c;
                                         })
        ->check(vmcli::OneOf({"1", "2c", "3"}));
    app.add_option("--timeout", reading.timeoutMs)->transform(vmcli::WholeNumber(1, 60000));
    app.add_option("--retries", reading.retries)->transform(vmcli::WholeNumber(0, 10));
    app.add_option("--supply-warning", reading.supplyWarningPercent)
        ->transform(vmcli::Number(0, 100));
    UsmOptions usm(app, reading.usm);
    const vmcli::Parsed parsed = vmcli::Parse(app, arguments, true, [](const std::string& what) {
        return "unknown option '" + what + "'";
    });
    options.help = parsed.outcome == vmcli::Outcome::Help;
    options.version = parsed.outcome == vmcli::Outcome::Version;
    options.error = parsed.error;
    if (parsed.outcome != vmcli::Outcome::Run) {
        return options;
    }
    options.error = usm.Finish(reading.version == condition::SnmpVersion::V3, environment);
    if (options.error.empty() && parsed.text.size() > 2) {
        options.error = "unexpected argument '" + parsed.text[2] + "'";
    }
    for (std::size_t i = 0; i < parsed.text.size() && i < 2; ++i) {
        options.commandLine += (i == 0 ? "" : " ") + parsed.text[i];
    }
    // The program splits its command line at spaces only: a target is a run of other bytes.
    if (options.error.empty() && options.once &&
        options.commandLine.find_first_not_of(' ') == std::string::npos) {
        options.error = "--once needs a TARGET";
    }
    return options;
}

std::string UsageLine() {
    return "Usage: vellumark-term [--once [--json] [OPTION...]] [--] [TARGET [COMMUNITY]]\n";
}

std::string HelpText() {
    std::string text = UsageLine() + R"(
Watches one network printer over SNMP and shows its status in the terminal.
TARGET is a host name or IPv4 address with an optional :PORT for the SNMP agent
(default 161); COMMUNITY defaults to "orchid". Each holds at most 63 characters:
a longer one is refused, said on stderr, and the printer counts as unreachable.
Without a TARGET the program asks for one.

The window takes the whole terminal (its alternate screen, restored on exit) and
shows the keys that act: Enter or a button's first letter presses it, m opens
the tray menu, t double-clicks the tray icon, s shows a hidden window, Esc or q
exits. While unreachable, typing edits the target; Tab switches between typing
and the keys.

  --once     probe, read the model, run the first poll, print the window once,
             then read the printer's whole condition (health and reasons,
             supplies with their colours, trays, alerts) and print it below
  --json     like --once, as one JSON object: the window's fields, "target" as
             named, "reason" when the printer did not answer, and "condition"
  --help     show this text              --version  show the version
  --         every later argument is TARGET or COMMUNITY text
The condition's reading (the window's own poll is not changed by these):
  --snmp-version 1|2c|3     SNMP version (default 1)
  --timeout MS              time-out of each request (default {TIMEOUT})
  --retries N               times a request is sent again (default {RETRIES})
  --supply-warning PERCENT  a supply at or below it is a warning (default {WARNING})
  It ends after {SECONDS} s at the latest; a target that is too long or does not
  resolve is unreachable at once, without a request.
{USM}
Exit status: 1 when interactive, as the windowed program; with --once the
window's:
  0  answered: the echo probe and every SNMP request of the first poll
  3  not answered: no echo reply, a target too long or not resolved, or an SNMP
     request went unanswered
  1  anything else (sockets unusable)
  2  bad usage: an unknown option or value, an extra argument, --once without
     a TARGET
Ctrl-C or another terminating signal ends the program by that signal (status 128
+ its number in the shell, 130 for Ctrl-C), with the terminal restored.
)";
    // The reader's defaults, from their one home.
    const condition::ReadRequest defaults;
    const std::pair<std::string, long long> values[] = {
        {"{TIMEOUT}", defaults.timeoutMs},
        {"{RETRIES}", defaults.retries},
        {"{WARNING}", std::llround(defaults.supplyWarningPercent)},
        {"{SECONDS}", condition::DEFAULT_READING_TIME.count()}};
    text.replace(text.find("{USM}"), 5, UsmHelp());
    for (const auto& [name, value] : values) {
        text.replace(text.find(name), name.size(), std::to_string(value));
    }
    return text;
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

#include "apps/term/cli_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "condition/engine.h"
#include "vellumark/version.h"

namespace vmterm {
namespace {

constexpr const char* VALUE_OPTIONS[] = {"--snmp-version", "--timeout", "--retries",
                                         "--supply-warning"};

// A whole decimal number from `low` to `high` into `value`; false, with `value` untouched,
// for anything else.
template <typename Number>
bool ReadNumber(const std::string& text, Number low, Number high, Number& value) {
    Number read{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, read);
    if (error != std::errc() || stop != end || read < low || read > high) {
        return false;
    }
    value = read;
    return true;
}

// Applies one of VALUE_OPTIONS; what is wrong with the value, or "".
std::string ApplyValue(const std::string& name, const std::string& value,
                       condition::ReadRequest& reading) {
    if (name == "--snmp-version") {
        if (value != "1" && value != "2c") {
            return "--snmp-version is 1 or 2c, not '" + value + "'";
        }
        reading.version = value == "1" ? condition::SnmpVersion::V1 : condition::SnmpVersion::V2c;
    } else if (name == "--timeout" && !ReadNumber(value, 1, 60000, reading.timeoutMs)) {
        return "--timeout is 1 to 60000 milliseconds, not '" + value + "'";
    } else if (name == "--retries" && !ReadNumber(value, 0, 10, reading.retries)) {
        return "--retries is 0 to 10, not '" + value + "'";
    } else if (name == "--supply-warning" &&
               !ReadNumber(value, 0.0, 100.0, reading.supplyWarningPercent)) {
        return "--supply-warning is a percent from 0 to 100, not '" + value + "'";
    }
    return {};
}

}  // namespace

CliOptions ParseOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    const auto fail = [&options](const std::string& why) {
        if (options.error.empty()) {
            options.error = why;
        }
    };
    std::vector<std::string> text;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::string name = argument.substr(0, argument.find('='));
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            text.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--once" || argument == "--json") {
            options.once = true;
            options.json = options.json || argument == "--json";
        } else if (std::find(std::begin(VALUE_OPTIONS), std::end(VALUE_OPTIONS), name) ==
                   std::end(VALUE_OPTIONS)) {
            fail("unknown option '" + argument + "'");
        } else if (name.size() < argument.size()) {
            fail(ApplyValue(name, argument.substr(name.size() + 1), options.reading));
        } else if (i + 1 < arguments.size()) {
            fail(ApplyValue(name, arguments[++i], options.reading));
        } else {
            fail(name + " needs a value");
        }
    }
    if (text.size() > 2) {
        fail("unexpected argument '" + text[2] + "'");
    }
    for (std::size_t i = 0; i < text.size() && i < 2; ++i) {
        options.commandLine += (i == 0 ? "" : " ") + text[i];
    }
    // The program splits its command line at spaces only: a target is a run of other bytes.
    if (options.once && !options.help && !options.version &&
        options.commandLine.find_first_not_of(' ') == std::string::npos) {
        fail("--once needs a TARGET");
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
  --snmp-version 1|2c       SNMP version (default 1)
  --timeout MS              time-out of each request (default {TIMEOUT})
  --retries N               times a request is sent again (default {RETRIES})
  --supply-warning PERCENT  a supply at or below it is a warning (default {WARNING})
  It ends after {SECONDS} s at the latest; a target that is too long or does not
  resolve is unreachable at once, without a request.

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
    for (const auto& [name, value] : values) {
        text.replace(text.find(name), name.size(), std::to_string(value));
    }
    return text;
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

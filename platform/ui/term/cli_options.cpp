#include "platform/ui/term/cli_options.h"

#include <algorithm>
#include <charconv>

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
    const condition::ReadRequest defaults;
    return UsageLine() +
           "\n"
           "Watches one network printer over SNMP and shows its status in the terminal.\n"
           "TARGET is a host name or IPv4 address, optionally followed by :PORT for the\n"
           "SNMP agent (default 161); COMMUNITY defaults to \"orchid\". Each holds at most\n"
           "63 characters: a longer one is refused (said on stderr) and the printer counts\n"
           "as unreachable. Without a TARGET the program asks for one.\n"
           "\n"
           "The window uses the whole terminal (its alternate screen, restored on exit) and\n"
           "shows the keys that act at the moment: Enter or a button's first letter presses\n"
           "it, m opens the tray menu, t double-clicks the tray icon, s shows a hidden window,\n"
           "and Esc or q exits. While unreachable, typing edits the target; Tab switches\n"
           "between typing and the keys.\n"
           "\n"
           "Options:\n"
           "  --once      probe, read the model, run the first poll, print the window once\n"
           "              as plain text, then read the printer's whole condition from the\n"
           "              Printer MIB (health and reasons, supplies with their colours,\n"
           "              trays, alerts) and print it under the window; needs a TARGET\n"
           "  --json      like --once, printing one JSON object instead: the window's\n"
           "              fields, the \"target\" as named, a \"reason\" when the printer did\n"
           "              not answer, and the \"condition\" object\n"
           "  --help      show this text          --version  show the version\n"
           "  --          treat every later argument as TARGET or COMMUNITY text\n"
           "Reading options (the condition of --once; the window's own poll is always\n"
           "SNMPv1 with a 500 ms time-out and no retry):\n"
           "  --snmp-version 1|2c      SNMP version (default 1)\n"
           "  --timeout MS             time-out of each request (default " +
           std::to_string(defaults.timeoutMs) +
           ")\n"
           "  --retries N              times a request is sent again (default " +
           std::to_string(defaults.retries) +
           ")\n"
           "  --supply-warning PERCENT a supply at or below it is a warning (default " +
           std::to_string(static_cast<int>(defaults.supplyWarningPercent)) +
           ")\n"
           "  The reading ends after " +
           std::to_string(condition::kDefaultReadingTime.count()) +
           " s at the latest; a target that is too long or does\n"
           "  not resolve is unreachable at once, and the exit status is the window's.\n"
           "\n"
           "Exit status:\n"
           "  interactive  1, as the windowed program always exits\n"
           "  --once       0  answered: after the first poll the printer counts as\n"
           "                  answering, so the echo probe was answered and every SNMP\n"
           "                  request of the poll got an answer\n"
           "               3  not answered: no echo reply, a target that does not resolve\n"
           "                  or is too long, or an SNMP request went unanswered\n"
           "               1  anything else: sockets unusable\n"
           "  2  bad usage: an unknown option or bad value, an extra argument, --once\n"
           "     without TARGET\n"
           "  Ctrl-C or another terminating signal ends the program by that signal\n"
           "  (status 128 + its number in the shell, 130 for Ctrl-C), with the terminal\n"
           "  restored.\n";
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

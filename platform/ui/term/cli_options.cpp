#include "cli_options.h"

#include "vellumark/version.h"

namespace vmterm {

CliOptions ParseOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> text;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
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
        } else if (options.error.empty()) {
            options.error = "unknown option '" + argument + "'";
        }
    }
    if (text.size() > 2 && options.error.empty()) {
        options.error = "unexpected argument '" + text[2] + "'";
    }
    for (std::size_t i = 0; i < text.size() && i < 2; ++i) {
        options.commandLine += (i == 0 ? "" : " ") + text[i];
    }
    return options;
}

bool NamesTarget(const std::string& commandLine) {
    return commandLine.find_first_not_of(' ') != std::string::npos;
}

std::string UsageLine() {
    return "Usage: vellumark-term [--once [--json]] [--] [TARGET [COMMUNITY]]\n";
}

std::string HelpText() {
    return UsageLine() +
           "\n"
           "Watches one network printer over SNMP and shows its status in the terminal.\n"
           "TARGET is a host name or IPv4 address, optionally followed by :PORT for the\n"
           "SNMP agent (default 161); COMMUNITY defaults to \"orchid\". Each holds at most\n"
           "63 characters. Without a TARGET the program asks for one.\n"
           "\n"
           "The window shows the keys that act at the moment: Enter or a button's first\n"
           "letter presses it, m opens the tray menu, t double-clicks the tray icon, and\n"
           "Esc or q exits. While unreachable, typing edits the target; Tab switches\n"
           "between typing and the keys.\n"
           "\n"
           "Options:\n"
           "  --once      probe, read the model, run the first poll, print the window once\n"
           "              as plain text and exit; needs a TARGET\n"
           "  --json      like --once, printing one JSON object instead, with the target\n"
           "              and, when the printer did not answer, a \"reason\"\n"
           "  --help      show this text          --version  show the version\n"
           "  --          treat every later argument as TARGET or COMMUNITY text\n"
           "\n"
           "Exit status:\n"
           "  interactive  1, as the windowed program always exits\n"
           "  --once       0  answered: after the first poll the printer counts as\n"
           "                  answering, so the echo probe was answered and every SNMP\n"
           "                  request of the poll got an answer\n"
           "               3  not answered: no echo reply, a target that does not resolve\n"
           "                  or is too long, or an SNMP request went unanswered\n"
           "               1  anything else: sockets unusable\n"
           "  2  bad usage: an unknown option, an extra argument, --once without TARGET\n"
           "  Ctrl-C or another terminating signal ends the program by that signal\n"
           "  (status 128 + its number in the shell, 130 for Ctrl-C), with the terminal\n"
           "  restored.\n";
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

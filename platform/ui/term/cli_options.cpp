#include "cli_options.h"

#include "vellumark/version.h"

namespace vmterm {

CliOptions ParseOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> text;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded) {
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            if (argument == "--help" || argument == "-h") {
                options.help = true;
                continue;
            }
            if (argument == "--version") {
                options.version = true;
                continue;
            }
            if (argument == "--once") {
                options.once = true;
                continue;
            }
            if (argument == "--json") {
                options.json = true;
                options.once = true;
                continue;
            }
        }
        text.push_back(argument);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        options.commandLine += (i == 0 ? "" : " ") + text[i];
    }
    return options;
}

bool NamesTarget(const std::string& commandLine) {
    return commandLine.find_first_not_of(' ') != std::string::npos;
}

std::string HelpText() {
    return "Usage: vellumark-term [--once [--json]] [TARGET [COMMUNITY]]\n"
           "\n"
           "Watches one network printer over SNMP and shows its status in the terminal.\n"
           "TARGET is a host name or IPv4 address, optionally followed by :PORT for the\n"
           "SNMP agent (default 161); COMMUNITY defaults to \"orchid\". Without a TARGET\n"
           "the program asks for one.\n"
           "\n"
           "Keys: Enter or u  Update Target     h  Hide      s  Show\n"
           "      m  tray menu   t  tray double-click   Esc or q  Exit\n"
           "      While unreachable, typing edits the target; Tab switches between\n"
           "      typing and the keys above.\n"
           "\n"
           "Options:\n"
           "  --once      probe, read the model, run the first poll, print the window once\n"
           "              as plain text and exit; needs a TARGET\n"
           "  --json      like --once, printing one JSON object instead\n"
           "  --help      show this text          --version  show the version\n"
           "  --          treat every later argument as TARGET or COMMUNITY text\n"
           "\n"
           "Exit status:\n"
           "  interactive  1, as the windowed program always exits\n"
           "  --once       0  answered: after the first poll the monitoring state is OK,\n"
           "                  so the echo probe was answered and every SNMP request of\n"
           "                  the poll got an answer\n"
           "               3  unreachable: no echo reply at start-up, or an SNMP request\n"
           "                  went unanswered (the window shows \"Unreachable:\")\n"
           "               1  anything else: no TARGET, sockets unusable, bad usage\n"
           "  Ctrl-C or another terminating signal ends the program by that signal\n"
           "  (status 128 + its number in the shell), with the terminal restored.\n";
}

std::string VersionText() {
    return "vellumark-term " VELLUMARK_VERSION "\n";
}

}  // namespace vmterm

#include "apps/qt/launch_options.h"

#include "vellumark/version.h"

namespace vmqt {

Launch ParseLaunch(const std::vector<std::string>& arguments) {
    std::string text;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--help" || argument == "-h") {
                return Launch{LaunchAction::Help, {}};
            } else if (argument == "--version") {
                return Launch{LaunchAction::Version, {}};
            } else {
                return Launch{LaunchAction::UsageError, "unknown option '" + argument + "'"};
            }
            continue;
        }
        text += (text.empty() ? "" : " ") + argument;
    }
    return Launch{LaunchAction::Run, text};
}

std::string UsageLine(const std::string& programName) {
    return "Usage: " + programName + " [--] [PRINTER[:PORT] [COMMUNITY]]\n";
}

std::string HelpText(const std::string& programName) {
    return UsageLine(programName) +
           "Watch one network printer over SNMP from the notification area.\n"
           "\n"
           "  PRINTER     host name or IPv4 address of the printer; without it a prompt asks\n"
           "  :PORT       UDP port of the printer's SNMP agent (default 161)\n"
           "  COMMUNITY   SNMP community (default \"orchid\")\n"
           "              PRINTER[:PORT] and COMMUNITY hold at most 63 characters each\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "  --          take every later argument as PRINTER or COMMUNITY text\n"
           "\n"
           "Further arguments are ignored. An unknown option exits with status 2; without a\n"
           "display the program says so and exits with status 1 (vellumark-term works in a\n"
           "terminal).\n";
}

std::string VersionText() {
    return "vellumark " VELLUMARK_VERSION "\n";
}

}  // namespace vmqt

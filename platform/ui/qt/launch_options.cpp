#include "platform/ui/qt/launch_options.h"

#include "vellumark/version.h"

namespace vmqt {

Launch ParseLaunch(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments.front() == "--help") {
        return Launch{LaunchAction::Help, {}};
    }
    if (!arguments.empty() && arguments.front() == "--version") {
        return Launch{LaunchAction::Version, {}};
    }
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty() || &argument != &arguments.front()) {
            text += ' ';
        }
        text += argument;
    }
    return Launch{LaunchAction::Run, text};
}

std::string HelpText(const std::string& programName) {
    return "Usage: " + programName +
           " [PRINTER[:PORT] [COMMUNITY]]\n"
           "Watch one network printer over SNMP from the notification area.\n"
           "\n"
           "  PRINTER     host name or IPv4 address of the printer; without it a prompt asks\n"
           "  :PORT       UDP port of the printer's SNMP agent (default 161)\n"
           "  COMMUNITY   SNMP community (default \"orchid\")\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "Further arguments are ignored.\n";
}

std::string VersionText() {
    return "vellumark " VELLUMARK_VERSION "\n";
}

}  // namespace vmqt

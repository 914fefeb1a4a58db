#include "options/qt_options.h"

#include "options/option_parser.h"
#include "options/window_options.h"
#include "shell/command_line.h"
#include "vellumark/version.h"

namespace vmqt {

Launch ParseLaunch(const std::vector<std::string>& arguments,
                   const vmcli::Environment& environment) {
    CLI::App app;
    vmcli::WindowOptions window;
    vmcli::AddWindowOptions(app, window);
    vmcli::AddConditionVersionOption(app, window);
    condition::ReadRequest reading;
    vmcli::UsmOptions usm(app, reading.usm, CONDITION_VERSION_OPTION);
    const vmcli::Parsed parsed = vmcli::Parse(app, arguments, true, [](const std::string& what) {
        return "unknown option '" + what + "'";
    });
    switch (parsed.outcome) {
        case vmcli::Outcome::Help:
            return Launch{LaunchAction::Help, {}};
        case vmcli::Outcome::Version:
            return Launch{LaunchAction::Version, {}};
        case vmcli::Outcome::UsageError:
            return Launch{LaunchAction::UsageError, parsed.error};
        case vmcli::Outcome::Run:
            break;
    }
    if (const std::string error = usm.Finish(window.conditionVersion == "3", environment);
        !error.empty()) {
        return Launch{LaunchAction::UsageError, error};
    }
    std::string text;
    for (const std::string& argument : parsed.text) {
        text += (text.empty() ? "" : " ") + argument;
    }
    return Launch{LaunchAction::Run, vmcli::WindowOptionsText(window) + text, reading};
}

std::string UsageLine(const std::string& programName) {
    return "Usage: " + programName +
           " [--no-ping] [--retry SECONDS] [--] [PRINTER[:PORT] [COMMUNITY]]\n";
}

std::string HelpText(const std::string& programName) {
    return UsageLine(programName) +
           "Watch one network printer over SNMP from the notification area.\n"
           "\n"
           "  PRINTER     host name, IPv4 or IPv6 address of the printer; without it a prompt\n"
           "              asks (with a :PORT, an IPv6 address goes in brackets: [::1]:161)\n"
           "  :PORT       UDP port of the printer's SNMP agent, 1 to 65535 (default 161)\n"
           "  COMMUNITY   SNMP community (default \"orchid\")\n"
           "              PRINTER[:PORT] and COMMUNITY hold at most 63 characters each\n"
           "  --no-ping   send no echo request: the printer counts as answering when it\n"
           "              answers SNMP; for networks that drop ICMP echo (there a printer\n"
           "              stays unreachable, reason no-echo-reply) and for users allowed\n"
           "              no ICMP socket\n"
           "  --retry SECONDS\n"
           "              while unreachable, press Update Target every SECONDS (1-86400)\n"
           "              on the target shown\n"
           "  --condition-every SECONDS\n"
           "              read the printer's whole condition (Printer Details... in the\n"
           "              tray menu, and the notifications) every SECONDS, " +
           std::to_string(CONDITION_SECONDS_MIN) + "-" + std::to_string(CONDITION_SECONDS_MAX) +
           "\n              (default " + std::to_string(DEFAULT_CONDITION_SECONDS) + "; every " +
           std::to_string(DETAILS_READING_SECONDS) +
           " s while the details window is open)\n"
           "  --condition-version 1|2c|3\n"
           "              SNMP version of that reading (default 1, the window's own); with 3\n"
           "              the SNMPv3 options below say who reads (the window itself still\n"
           "              polls over SNMPv1 with COMMUNITY)\n"
           "  --no-notify show no notification when the printer's condition gets worse\n"
           "              (a paper jam, toner low, unreachable, ...) or clears\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "  --          take every later argument as PRINTER or COMMUNITY text\n"
           "\n" +
           vmcli::UsmHelp(CONDITION_VERSION_OPTION) +
           "\n"
           "Further arguments are ignored. An unknown option, or a :PORT that is not a number\n"
           "from 1 to 65535, exits with status 2; without a display the program says so and\n"
           "exits with status 1 (vellumark-term works in a terminal).\n";
}

std::string VersionText() {
    return "vellumark " VELLUMARK_VERSION "\n";
}

}  // namespace vmqt

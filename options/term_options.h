// The terminal program's command line: its own options, and the text handed to the program as
// its command line. An unknown option, a bad option value, a third argument or --once without
// a target is a usage error, not a target.
#pragma once

#include <string>
#include <vector>

#include "condition/plugin_report.h"
#include "condition/reader.h"
#include "options/usm_options.h"

namespace vmterm {

struct CliOptions {
    bool help = false;
    bool version = false;
    bool once = false;
    bool json = false;  // implies once
    bool bell = false;  // the live window rings the terminal's bell for each notification
    // How the printer's condition is read, in every mode (--once, --check and the live
    // window's details and notifications): version, SNMPv3's user, time-out, retries and supply
    // warning as the options set them, the reader's defaults otherwise.
    condition::ReadRequest reading;
    // The window's options (--no-ping, --retry, ..., the condition's version as --snmp-version
    // chose it) as start-up reads them, then the target and community arguments joined with
    // single spaces: quotes are not interpreted, exactly as the
    // windowed program receives its command line.
    std::string commandLine;
    std::string error;  // a usage error, to be printed with the usage line

    // The monitoring-plugin mode: --check reads the condition alone (no window) and reports it
    // as one status line with the plugin's exit status; -w/--warning and -c/--critical are its
    // supply thresholds. Set also when a usage error comes with --check, which then says it
    // the plugin's way (UNKNOWN).
    bool check = false;
    condition::PluginThresholds thresholds;
};

// Reads the arguments after the program's name by the rules all the programs share
// (options/option_parser.h): "--once", "--json", "--check" and the options' values
// ("--timeout MS" or "--timeout=MS") wherever they stand, "--" before text that starts with
// "-". At most two arguments are program text. -w and -c go with --check only, --check with
// neither --once nor --supply-warning, and the warning threshold is never below the critical.
// SNMPv3's passwords not on the command line come from `environment`.
CliOptions ParseOptions(const std::vector<std::string>& arguments,
                        const vmcli::Environment& environment = vmcli::ProcessEnvironment);

std::string UsageLine();
std::string HelpText();
std::string VersionText();

}  // namespace vmterm
